#pragma once
#include "app/ViewHost.h"

#include <QDialog>
#include <QImage>

class QLineEdit;
class QPushButton;

// Dialog 138 "印刷プレビュ": the sheets as they will print, one at a time, reduced; ends with
// Accepted when its print button was pressed.
class CPreviewDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId { IdPrint = 1, IdClose = 2, IdPrevious = 3, IdNext = 7, IdSheet = 1018, IdSheets = 1019 };
    // Where the sheet is painted in the dialog.
    static constexpr int kSheetLeft = 16, kSheetTop = 16;

    CPreviewDlg(const PreviewSheets& sheets, QWidget* parent = nullptr);
    // The picture painted of the sheet on show.
    const QImage& shownPicture() const { return m_shown; }
    // Turns to the previous (-1) or next (+1) sheet.
    void TurnPreviewPage(int direction);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showSheet(int sheet);

    PreviewSheets m_sheets;
    int m_sheet = 0;
    QImage m_shown;  // the sheet reduced to the shown size
    QLineEdit *m_number, *m_count;
    QPushButton *m_previous, *m_next;
};
