#include "app/dialogs/CRotateDlg.h"

#include "res/Strings.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {
// The preview: the day picture in a landscape box; the photo not yet turned in a portrait one
// of the same height.
const QRect kPreviewBox(16, 64, 200, 150);
constexpr int kTextLeft = 232;
constexpr int kTextWidth = 304;

QLabel* text(QWidget* parent, const char* utf8, int id, int y, int height)
{
    auto* label = new QLabel(QString::fromUtf8(utf8), parent);
    if (id)
        label->setObjectName(QString::number(id));
    label->setWordWrap(true);
    label->setGeometry(kTextLeft, y, kTextWidth, height);
    return label;
}

QPushButton* button(QWidget* parent, const char* utf8, int id, QRect geometry, bool checkable)
{
    auto* b = new QPushButton(QString::fromUtf8(utf8), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    b->setCheckable(checkable);
    b->setGeometry(geometry);
    return b;
}
}  // namespace

CRotateDlg::CRotateDlg(const RotateRequest& request, QWidget* parent) : QDialog(parent), m_request(request)
{
    setObjectName("145");
    setWindowTitle(QString::fromUtf8("画像回転"));
    setFixedSize(kTextLeft + kTextWidth + 16, 312);
    const bool portrait = request.mode == RotateMode::Portrait;

    QLabel* caption = text(this, "画像が縦長です。", RotateId::Caption, 12, 40);
    if (request.mode == RotateMode::RotatingLandscape)
        caption->setText(QString::fromUtf8(LoadString(175)));
    caption->setVisible(request.mode != RotateMode::RotatingPortrait);
    text(this, "向きと切り取り方を選ぶと、取り込まれる画像が左に表示されます。よければOKを押してください。",
         0, 52, 48);
    text(this, "回転しない場合は下のﾄﾘﾐﾝｸﾞ方法を指定してください。", RotateId::NoRotationHint, 100, 40)
        ->setVisible(portrait);
    text(this, "これ以降の一括取込の画像も同じ回転で取り込まれます。", RotateId::BulkHint, 228, 40)
        ->setVisible(request.bulk);

    m_noRotation = button(this, "回転しない", RotateId::NoRotation, QRect(kTextLeft, 148, 96, 28), true);
    m_noRotation->setVisible(portrait);
    m_clockwise = button(this, "時計回り", RotateId::Clockwise, QRect(kTextLeft + 104, 148, 96, 28), true);
    m_anticlockwise =
        button(this, "反時計回り", RotateId::Anticlockwise, QRect(kTextLeft + 208, 148, 96, 28), true);
    auto* turns = new QButtonGroup(this);
    turns->addButton(m_noRotation);
    turns->addButton(m_clockwise);
    turns->addButton(m_anticlockwise);

    m_cut = new QRadioButton(QString::fromUtf8("上下を削除"), this);
    m_cut->setObjectName(QString::number(RotateId::Cut));
    m_cut->setGeometry(kTextLeft, 192, 140, 24);
    m_keep = new QRadioButton(QString::fromUtf8("上下を残す"), this);
    m_keep->setObjectName(QString::number(RotateId::Keep));
    m_keep->setGeometry(kTextLeft + 148, 192, 140, 24);
    // A portrait photo starts unturned and whole; a photo of the rotating import with its centre
    // strip, waiting for the direction to turn it.
    (portrait ? m_keep : m_cut)->setChecked(true);
    if (portrait)
        m_noRotation->setChecked(true);

    m_ok = button(this, "OK", RotateId::Ok, QRect(kTextLeft + 104, 272, 96, 28), false);
    m_ok->setDefault(true);
    auto* cancel = button(this, "キャンセル", RotateId::Cancel, QRect(kTextLeft + 208, 272, 96, 28), false);

    connect(m_noRotation, &QPushButton::clicked, this, [this] { select(RotationChoice::None); });
    connect(m_clockwise, &QPushButton::clicked, this, [this] { select(RotationChoice::Clockwise); });
    connect(m_anticlockwise, &QPushButton::clicked, this, [this] { select(RotationChoice::Anticlockwise); });
    connect(m_cut, &QRadioButton::toggled, this, [this] { select(m_turn); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    select(RotationChoice::None);
}

TrimRadio CRotateDlg::Radio() const
{
    return m_cut->isChecked() ? TrimRadio::Cut : m_keep->isChecked() ? TrimRadio::Keep : TrimRadio::None;
}

RotationChoice CRotateDlg::Choice() const
{
    if (m_turn != RotationChoice::None || m_request.mode != RotateMode::Portrait)
        return m_turn;
    return Radio() == TrimRadio::Keep ? RotationChoice::KeepTopBottom : RotationChoice::CutTopBottom;
}

RotateAnswer CRotateDlg::Answer() const
{
    const bool accepted = result() == QDialog::Accepted;
    return RotateAnswer{accepted, accepted ? Choice() : RotationChoice::None, Radio()};
}

void CRotateDlg::select(RotationChoice turn)
{
    m_turn = turn;
    // Turning a portrait photo takes its centre: the trim choice has no part in it.
    const bool portrait = m_request.mode == RotateMode::Portrait;
    m_cut->setEnabled(!portrait || turn == RotationChoice::None);
    m_keep->setEnabled(m_cut->isEnabled());
    m_ok->setEnabled(Choice() != RotationChoice::None);
    updatePreview();
    update();
}

// The preview shows what will be stored for the selection; before a turn is chosen in the
// rotating import, the photo as it stands. Reductions average the covered area.
void CRotateDlg::updatePreview()
{
    QImage picture = RotatedPicture(m_request, Choice(), Radio());
    if (picture.isNull())
        picture =
            Radio() == TrimRadio::Cut && !m_request.cutWork.isNull() ? m_request.cutWork : m_request.work;
    m_previewRect = kPreviewBox;
    if (!picture.isNull()) {
        const QSize shown = picture.size().scaled(kPreviewBox.size(), Qt::KeepAspectRatio);
        m_previewRect = QRect(QPoint(kPreviewBox.x() + (kPreviewBox.width() - shown.width()) / 2,
                                     kPreviewBox.y() + (kPreviewBox.height() - shown.height()) / 2),
                              shown);
    }
    m_preview = picture.isNull()
                    ? QImage()
                    : picture.scaled(m_previewRect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void CRotateDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(m_previewRect, Qt::white);
    if (!m_preview.isNull())
        painter.drawImage(m_previewRect.topLeft(), m_preview);
    painter.setPen(Qt::gray);
    painter.drawRect(m_previewRect.adjusted(-1, -1, 0, 0));
}
