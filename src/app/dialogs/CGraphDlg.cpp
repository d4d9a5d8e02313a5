#include "app/dialogs/CGraphDlg.h"

#include "platform/Prompt.h"
#include "platform/qt/QtDialogButtons.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kEditChars = 7;

const char* const kSeriesCaptions[kGraphSeriesCount] = {
    "草たけ", "葉枚数", "葉寸法", "養液面高", "最低気温", "最高気温", "日照時間", "室温",
};
}  // namespace

CGraphDlg::CGraphDlg(const GraphSettings& settings, bool internetEnabled, Prompt& prompt, Preview preview,
                     QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompt(prompt), m_preview(std::move(preview))
{
    setObjectName("141");
    setWindowTitle(QStringLiteral("グラフ設定"));
    m_chooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        QColor c = QColorDialog::getColor(initial, this);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };

    auto* seriesBox = new QGroupBox(QStringLiteral("表示するデータ"), this);
    auto* seriesGrid = new QGridLayout(seriesBox);
    for (int k = 1; k <= kGraphSeriesCount; ++k) {
        auto* check = new QCheckBox(QString::fromUtf8(kSeriesCaptions[k - 1]), seriesBox);
        check->setObjectName(QString::number(IdFirstCheck + k - 1));
        check->setChecked(m_settings.isVisible(k));
        auto* color = new QPushButton(seriesBox);
        color->setObjectName(QString::number(IdFirstColor + k - 1));
        color->setIconSize(QSize(40, 20));
        color->setFixedSize(52, 28);
        color->setAutoDefault(false);
        m_checks[k - 1] = check;
        m_colors[k - 1] = color;
        paintColorButton(k);
        const int row = (k - 1) % 4, column = (k - 1) / 4 * 2;
        seriesGrid->addWidget(check, row, column);
        seriesGrid->addWidget(color, row, column + 1);
        connect(check, &QCheckBox::clicked, this, [this, k](bool on) {
            m_settings.visible[k - 1] = on;
            m_preview(m_settings);
        });
        connect(color, &QPushButton::clicked, this, [this, k] { chooseColor(k); });
    }

    auto* weather = new QCheckBox(QStringLiteral("気象データを取得する"), this);
    weather->setObjectName(QString::number(IdGetWeather));
    weather->setChecked(m_settings.GetWeather);
    weather->setEnabled(internetEnabled);
    connect(weather, &QCheckBox::clicked, this, [this](bool on) { m_settings.GetWeather = on; });

    auto* scales = new QGridLayout;
    struct Edit {
        int id;
        const char* caption;
        const char* unit;
        int value;
    } const edits[] = {
        {IdMaxLength, "長さ最大", "cm", m_settings.MaxLength},
        {IdMinTemp, "気温 最低", "℃", m_settings.MinTemp},
        {IdMaxTemp, "最高", "℃", m_settings.MaxTemp},
        {IdMaxDaylight, "日照時間 最大", "時間", m_settings.MaxDaylight},
    };
    QWidget* last = weather;
    int row = 0;
    for (const Edit& e : edits) {
        auto* edit = new QLineEdit(QString::number(e.value), this);
        edit->setObjectName(QString::number(e.id));
        edit->setFixedWidth(70);
        edit->setAlignment(Qt::AlignRight);
        scales->addWidget(new QLabel(QString::fromUtf8(e.caption), this), row, 0, Qt::AlignRight);
        scales->addWidget(edit, row, 1);
        scales->addWidget(new QLabel(QString::fromUtf8(e.unit), this), row, 2);
        ++row;
        // Connected after the value is shown: only the user's typing is checked.
        connect(edit, &QLineEdit::textChanged, this, [this, id = e.id, edit] { editChanged(id, edit); });
        m_edits[e.id] = edit;
        last = edit;
    }

    auto* body = new QVBoxLayout;
    body->addWidget(seriesBox);
    body->addWidget(weather);
    body->addLayout(scales);
    AddDialogButtons(*this, body, last);
}

void CGraphDlg::paintColorButton(int series)
{
    QPixmap swatch(40, 20);
    swatch.fill(m_settings.color(series));
    QPainter p(&swatch);
    p.setPen(Qt::black);
    p.drawRect(0, 0, 39, 19);
    p.end();
    m_colors[series - 1]->setIcon(QIcon(swatch));
}

void CGraphDlg::chooseColor(int series)
{
    // The solution level's colour is chosen only while that series is shown.
    if (series == SeriesSolution && !m_checks[series - 1]->isChecked())
        return;
    if (std::optional<QColor> c = m_chooseColor(m_settings.color(series))) {
        m_settings.colors[series - 1] = *c;
        paintColorButton(series);
    }
    m_preview(m_settings);
}

void CGraphDlg::editChanged(int id, QLineEdit* edit)
{
    const QString text = edit->text().left(kEditChars);
    if (text.isEmpty())
        return;
    // A leading minus sign is a temperature below zero; alone it is a number still being typed.
    const bool signedValue = id == IdMinTemp || id == IdMaxTemp;
    const int first = signedValue && text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (first == text.size())
        return;
    for (int i = first; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            continue;
        m_prompt.ask(c == QLatin1Char('.') ? Msg::NoDecimals : Msg::HalfWidthDigitsOnly, Buttons::Ok,
                     Icon::Exclamation);
        // Putting the cut text back is itself a change: the digits before the cut become the value.
        edit->setText(text.left(i));
        return;
    }
    const int value = text.toInt();
    switch (id) {
    case IdMaxLength:
        m_settings.MaxLength = value;
        m_settings.MaxLengthSet = true;
        break;
    case IdMinTemp:
        m_settings.MinTemp = value;
        break;
    case IdMaxTemp:
        m_settings.MaxTemp = value;
        break;
    case IdMaxDaylight:
        m_settings.MaxDaylight = value;
        break;
    default:
        return;
    }
    m_preview(m_settings);
}

void CGraphDlg::accept()
{
    int refused = 0;
    Msg why = Msg::None;
    if (m_settings.MinTemp >= m_settings.MaxTemp) {
        refused = IdMinTemp;
        why = Msg::TemperatureRangeInverted;
    } else if (m_settings.MaxLength <= 0 || m_settings.MaxDaylight <= 0) {
        refused = m_settings.MaxLength <= 0 ? IdMaxLength : IdMaxDaylight;
        why = Msg::ScaleMaximumZero;
    }
    if (refused) {
        m_prompt.ask(why, Buttons::Ok, Icon::Exclamation);
        QLineEdit* edit = m_edits.at(refused);
        edit->setFocus();
        edit->selectAll();
        return;
    }
    QDialog::accept();
}
