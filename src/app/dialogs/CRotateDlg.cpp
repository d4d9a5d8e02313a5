#include "app/dialogs/CRotateDlg.h"

#include "res/Strings.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

namespace {
// Client rectangles of the preview: a portrait picture, or a landscape one below its top.
const QRect kPortraitPreview(32, 96, 120, 160);
const QRect kLandscapePreview(32, 131, 120, 90);
constexpr int kTextLeft = 184;
constexpr int kTextWidth = 300;

QLabel* text(QWidget* parent, const char* utf8, int id, int y, int height)
{
    auto* label = new QLabel(QString::fromUtf8(utf8), parent);
    if (id)
        label->setObjectName(QString::number(id));
    label->setWordWrap(true);
    label->setGeometry(kTextLeft, y, kTextWidth, height);
    return label;
}

QPushButton* button(QWidget* parent, const char* utf8, int id, QRect geometry)
{
    auto* b = new QPushButton(QString::fromUtf8(utf8), parent);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    b->setGeometry(geometry);
    return b;
}
}  // namespace

CRotateDlg::CRotateDlg(const RotateRequest& request, QWidget* parent) : QDialog(parent), m_request(request)
{
    setObjectName("145");
    setWindowTitle(QString::fromUtf8("画像回転"));
    setFixedSize(kTextLeft + kTextWidth + 16, 300);
    const bool portrait = request.mode == RotateMode::Portrait;

    QLabel* caption = text(this, "画像が縦長です。", RotateId::Caption, 16, 40);
    if (request.mode == RotateMode::RotatingLandscape)
        caption->setText(QString::fromUtf8(LoadString(175)));
    caption->setVisible(request.mode != RotateMode::RotatingPortrait);
    text(this, "画像を90°回転させる場合は時計回りまたは反時計回りボタンを押してください。", 0, 56, 48);
    text(this, "回転しない場合は下のﾄﾘﾐﾝｸﾞ方法を指定してください。", RotateId::NoRotationHint, 104, 40)
        ->setVisible(portrait);
    text(this, "これ以降の一括取込の画像も同じ回転で取り込まれます。", RotateId::BulkHint, 240, 40)
        ->setVisible(request.bulk);

    auto* clockwise = button(this, "時計回り", RotateId::Clockwise, QRect(kTextLeft, 148, 96, 28));
    auto* anticlockwise =
        button(this, "反時計回り", RotateId::Anticlockwise, QRect(kTextLeft + 104, 148, 96, 28));
    m_noRotation = button(this, "回転しない", RotateId::NoRotation, QRect(kTextLeft + 208, 148, 92, 28));
    m_noRotation->setEnabled(false);
    m_noRotation->setVisible(portrait);
    auto* cancel = button(this, "キャンセル", RotateId::Cancel, QRect(kTextLeft + 208, 264, 92, 28));

    m_cut = new QRadioButton(QString::fromUtf8("上下を削除"), this);
    m_cut->setObjectName(QString::number(RotateId::Cut));
    m_cut->setGeometry(kTextLeft, 188, 140, 24);
    m_keep = new QRadioButton(QString::fromUtf8("上下を残す"), this);
    m_keep->setObjectName(QString::number(RotateId::Keep));
    m_keep->setGeometry(kTextLeft + 148, 188, 140, 24);
    // An exclusive group would not allow the state "none selected" that a portrait photo starts in.
    auto* group = new QButtonGroup(this);
    group->setExclusive(false);
    group->addButton(m_cut);
    group->addButton(m_keep);
    connect(m_cut, &QRadioButton::clicked, this, [this] {
        m_cut->setChecked(true);
        m_keep->setChecked(false);
        radioClicked();
    });
    connect(m_keep, &QRadioButton::clicked, this, [this] {
        m_keep->setChecked(true);
        m_cut->setChecked(false);
        radioClicked();
    });
    if (!portrait)
        m_cut->setChecked(true);

    connect(clockwise, &QPushButton::clicked, this, [this] { choose(RotationChoice::Clockwise); });
    connect(anticlockwise, &QPushButton::clicked, this, [this] { choose(RotationChoice::Anticlockwise); });
    connect(m_noRotation, &QPushButton::clicked, this, [this] {
        choose(m_keep->isChecked() ? RotationChoice::KeepTopBottom : RotationChoice::CutTopBottom);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    updatePreview();
}

TrimRadio CRotateDlg::Radio() const
{
    return m_cut->isChecked() ? TrimRadio::Cut : m_keep->isChecked() ? TrimRadio::Keep : TrimRadio::None;
}

RotateAnswer CRotateDlg::Answer() const
{
    return RotateAnswer{result() == QDialog::Accepted, m_choice, Radio()};
}

void CRotateDlg::choose(RotationChoice choice)
{
    m_choice = choice;
    accept();
}

void CRotateDlg::radioClicked()
{
    if (m_request.mode == RotateMode::Portrait)
        m_noRotation->setEnabled(true);
    updatePreview();
    update();
}

// The preview shows what will be taken: the trimmed picture for the radio chosen, else the
// portrait work picture that the turning buttons turn. Reductions average the covered area.
void CRotateDlg::updatePreview()
{
    const TrimRadio radio = Radio();
    const QImage* picture = &m_request.work;
    m_previewRect = kPortraitPreview;
    if (m_request.mode == RotateMode::Portrait && radio != TrimRadio::None) {
        picture = radio == TrimRadio::Cut ? &m_request.cut : &m_request.keep;
        m_previewRect = kLandscapePreview;
    } else if (m_request.mode != RotateMode::Portrait && radio == TrimRadio::Cut) {
        picture = &m_request.cutWork;
    }
    m_preview = picture->isNull()
                    ? QImage()
                    : picture->scaled(m_previewRect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void CRotateDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(m_previewRect, Qt::white);
    if (!m_preview.isNull())
        painter.drawImage(m_previewRect.topLeft(), m_preview);
}
