#include "app/dialogs/CDataDlg.h"

#include "app/DayDialogs.h"
#include "platform/Clock.h"
#include "platform/qt/QtDateField.h"
#include "platform/qt/QtDialogButtons.h"
#include "platform/TextCodec.h"
#include "store/DayOperations.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace {
// The day file keeps the weather text to a number of Shift-JIS bytes: the field refuses what
// would not fit, so the user sees the limit while typing instead of losing the tail on saving.
class Cp932LimitValidator : public QValidator {
public:
    Cp932LimitValidator(size_t maxBytes, QObject* parent) : QValidator(parent), m_maxBytes(maxBytes) {}
    State validate(QString& input, int&) const override
    {
        return Cp932Length(input.toStdString()) <= m_maxBytes ? Acceptable : Invalid;
    }

private:
    size_t m_maxBytes;
};
}  // namespace

CDataDlg::CDataDlg(const DayDataFields& f, DialogApply<DayDataFields> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply))
{
    setWindowTitle(QString::fromUtf8(kTitle));
    setObjectName("134");

    auto* grid = new QGridLayout;
    m_date = new QtDateField(this);
    m_date->setObjectName("1002");
    // Days are records of the past: the picker offers no day after today.
    m_date->setMaximumDate(Clock::Today());
    auto* dateLabel = new QLabel(QString::fromUtf8("日付"), this);
    dateLabel->setBuddy(m_date);
    grid->addWidget(dateLabel, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_date, 0, 1, 1, 2, Qt::AlignLeft);

    struct Row {
        int id;
        const char* label;
        const char* unit;
    };
    const Row rows[] = {{DayDataId::LowTemp, "最低気温", "℃"},
                        {DayDataId::HighTemp, "最高気温", "℃"},
                        {DayDataId::Daylight, "日照時間", "時間"},
                        {DayDataId::Weather, "天気", ""}};
    QWidget* previous = m_date;
    int row = 1;
    for (const Row& r : rows) {
        auto* label = new QLabel(QString::fromUtf8(r.label), this);
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::number(r.id));
        label->setBuddy(e);
        if (r.id == DayDataId::Weather) {
            e->setMaxLength(kWeatherFieldChars);
            e->setValidator(new Cp932LimitValidator(kWeatherBytes, e));
            e->setMinimumWidth(240);
            grid->addWidget(e, row, 1, 1, 2);
        } else {
            e->setMaxLength(kEntryFieldChars);
            e->setFixedWidth(80);
            e->setAlignment(Qt::AlignRight);
            grid->addWidget(e, row, 1);
            grid->addWidget(new QLabel(QString::fromUtf8(r.unit), this), row, 2,
                            Qt::AlignLeft | Qt::AlignVCenter);
        }
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        m_edits[r.id] = e;
        setTabOrder(previous, e);
        previous = e;
        ++row;
    }
    grid->setColumnStretch(2, 1);

    m_fetch = new QPushButton(QString::fromUtf8("気象データ取得"), this);
    m_fetch->setObjectName("3");
    m_fetch->setEnabled(false);
    m_fetch->setAutoDefault(false);
    AddDialogButtons(*this, grid, previous, m_fetch);

    if (f.date.isValid()) {
        // A day already dated after today (a wrong clock) keeps its date rather than being
        // moved to the picker's limit without the user asking.
        if (f.date > m_date->maximumDate())
            m_date->setMaximumDate(f.date);
        m_date->setDate(f.date);
    }
    edit(DayDataId::LowTemp)->setText(QString::fromStdString(f.lowTemp));
    edit(DayDataId::HighTemp)->setText(QString::fromStdString(f.highTemp));
    edit(DayDataId::Daylight)->setText(QString::fromStdString(f.daylight));
    edit(DayDataId::Weather)->setText(QString::fromStdString(f.weather));
    m_fetchAllowed = f.fetchEnabled;
    m_fetch->setEnabled(false);  // until a fetch is given
    connect(m_fetch, &QPushButton::clicked, this, [this] { startFetch(); });
    // The weather asked for one date never lands on another.
    connect(m_date, &QDateEdit::dateChanged, this, [this] { endFetch(); });
    // The values are what the dialog is mostly opened for: digits typed at once replace the
    // first of them, never the date's year.
    edit(DayDataId::LowTemp)->setFocus();
    edit(DayDataId::LowTemp)->selectAll();
}

CDataDlg::~CDataDlg() = default;

void CDataDlg::startFetch()
{
    if (!m_weatherFetch || m_pending)
        return;
    QPointer<CDataDlg> self(this);
    m_pending = m_weatherFetch(m_date->date(), [self](std::optional<DayWeather> w) {
        if (self)
            self->fetched(w);
    });
    // The dialog stays usable meanwhile: キャンセル, OK or another date end the request. The
    // title says that the site is being asked.
    if (m_pending) {
        m_fetch->setEnabled(false);
        setWindowTitle(QString::fromUtf8(kTitle) + QString::fromUtf8("（取得中…）"));
    }
}

void CDataDlg::endFetch()
{
    m_pending.reset();
    m_fetch->setEnabled(m_fetchAllowed && m_weatherFetch);
    setWindowTitle(QString::fromUtf8(kTitle));
}

void CDataDlg::fetched(const std::optional<DayWeather>& w)
{
    endFetch();
    if (!w)
        return;  // the fields stay as they were
    // A value the site does not give leaves what the field holds.
    auto put = [this](int id, const std::string& text) {
        if (!text.empty())
            edit(id)->setText(QString::fromStdString(text));
    };
    put(DayDataId::LowTemp, TemperatureText(w->LowTemp));
    put(DayDataId::HighTemp, TemperatureText(w->HighTemp));
    put(DayDataId::Daylight, LengthText(w->Daylight));
    put(DayDataId::Weather, w->Weather);
}

void CDataDlg::setWeatherFetch(WeatherFetch fetch)
{
    endFetch();
    m_weatherFetch = std::move(fetch);
    m_fetch->setEnabled(m_fetchAllowed && m_weatherFetch);
}

void CDataDlg::reject()
{
    m_pending.reset();
    QDialog::reject();
}

void CDataDlg::accept()
{
    DayDataFields f;
    f.date = m_date->date();
    f.lowTemp = edit(DayDataId::LowTemp)->text().toStdString();
    f.highTemp = edit(DayDataId::HighTemp)->text().toStdString();
    f.daylight = edit(DayDataId::Daylight)->text().toStdString();
    f.weather = edit(DayDataId::Weather)->text().toStdString();
    int focus = m_apply(f);
    if (focus == 0) {
        m_pending.reset();
        QDialog::accept();
        return;
    }
    if (QLineEdit* bad = m_edits.count(focus) ? edit(focus) : nullptr) {
        bad->setFocus();
        bad->selectAll();
    }
}
