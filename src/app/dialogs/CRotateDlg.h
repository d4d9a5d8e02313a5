#pragma once
// Dialog 145 "画像回転": a portrait photo (or any photo of the rotating import) asks how to
// turn or trim it. The choices only select; the preview shows the day picture the selection
// gives, as it will be stored, and OK takes it.
#include "photos/PhotoFit.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace RotateId {
inline constexpr int Caption = 1049, NoRotationHint = 1038, BulkHint = 1035, Clockwise = 203,
                     Anticlockwise = 202, NoRotation = 3, Cut = 1036, Keep = 1037, Ok = 1, Cancel = 2;
}  // namespace RotateId

class CRotateDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRotateDlg(const RotateRequest& request, QWidget* parent = nullptr);

    // Valid once the dialog was closed by OK or キャンセル.
    RotateAnswer Answer() const;
    TrimRadio Radio() const;
    // The selection: the turn (None for no turn) and what it makes of the photo.
    RotationChoice Choice() const;
    // The client rectangle the preview picture is drawn into.
    QRect PreviewRect() const { return m_previewRect; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void select(RotationChoice turn);
    void updatePreview();

    RotateRequest m_request;
    RotationChoice m_turn = RotationChoice::None;  // None, Clockwise or Anticlockwise
    QRadioButton* m_cut = nullptr;
    QRadioButton* m_keep = nullptr;
    QPushButton* m_noRotation = nullptr;
    QPushButton* m_clockwise = nullptr;
    QPushButton* m_anticlockwise = nullptr;
    QPushButton* m_ok = nullptr;
    QImage m_preview;  // already at the preview's size
    QRect m_previewRect;
};
