#pragma once
#include "views/ListPage.h"

#include <QDialog>

// Dialog 149 "一覧設定": which days the list shows.
class CListDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { IdOk = 1, IdCancel = 2, IdAllDays = 1008, IdMeasuredDays = 1009, IdPhotoDays = 1010 };
    CListDlg(ListMode mode, QWidget* parent = nullptr);
    ListMode chosen() const;
};
