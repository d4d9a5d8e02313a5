#pragma once
// The print font dialog (face and size of Kelto.ini [Font]).
#include "app/dialogs/FontSettings.h"

#include <QDialog>

class CNotebook;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

class CFontDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { IdOk = 1, IdCancel = 2, IdFace = 1019, IdSize = 1020, IdUpDown = 1021 };

    CFontDlg(CNotebook& notebook, QWidget* parent = nullptr);
    // The face and size chosen; valid after the dialog ended with OK.
    FontSettings chosen() const { return m_result; }

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepSize(int delta);

    CNotebook& m_nb;
    QComboBox* m_face = nullptr;
    QLineEdit* m_size = nullptr;
    QPushButton* m_ok = nullptr;
    FontSettings m_result;
};

// Runs the dialog modally and stores the choice (telling the user when Kelto.ini cannot keep
// it); true when it ended with OK.
bool RunFontDialog(CNotebook& notebook, QWidget* parent);
