#pragma once
#include "app/ViewHost.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;

// Dialog 135 "印刷設定": which kinds of page and which range to print; prints or previews.
class CPrintDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        IdPrint = 1,
        IdCancel = 2,
        IdPreview = 3,
        IdDetail = 1006,
        IdGraph = 1007,
        IdShownPage = 1008,
        IdShownMonth = 1009,
        IdAllData = 1010,
        IdList = 1011
    };
    CPrintDlg(const PrintDialogOps& ops, QWidget* parent = nullptr);
    // The options as the controls stand.
    PrintOptions ReadPrintOptions() const;
    void accept() override;

private:
    bool anyKindTicked() const;

    PrintDialogOps m_ops;
    QCheckBox *m_detail, *m_graph, *m_list;
    QRadioButton *m_page, *m_month, *m_all;
};
