#include "app/dialogs/CWeatherDlg.h"

#include "platform/qt/QtDialogButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
template <class W>
W* withId(W* w, int id)
{
    w->setObjectName(QString::number(id));
    return w;
}
}  // namespace

CWeatherDlg::CWeatherDlg(const InternetSettingsFields& fields, InternetSettingsOps ops, QWidget* parent)
    : QDialog(parent), m_fields(fields), m_ops(std::move(ops))
{
    using namespace WeatherDlgId;
    setWindowTitle(QString::fromUtf8("インターネット設定ダイアログ"));
    setObjectName("137");
    auto* body = new QVBoxLayout;
    m_enable =
        withId(new QCheckBox(QString::fromUtf8("インターネットによる気象データの取得を行う"), this), Enable);
    body->addWidget(m_enable);
    auto* note =
        new QLabel(QString::fromUtf8("地点一覧の◎は気象台や測候所を表します。\n"
                                     "これらの地点を選択すると天気も取得できます。("
                                     "ただし日によってはデータが入力されていない事があります。)\n"
                                     "その他の地点はアメダスによる観測で天気のデータは取得できません。"),
                   this);
    note->setWordWrap(true);
    body->addWidget(note);

    auto* places = new QGridLayout;
    m_prefecture = withId(new QComboBox(this), Prefecture);
    m_station = withId(new QComboBox(this), Station);
    m_prefecture->setMinimumWidth(180);
    m_station->setMinimumWidth(180);
    m_prefecture->setEnabled(false);
    m_station->setEnabled(false);
    places->addWidget(new QLabel(QString::fromUtf8("都道府県支庁"), this), 0, 0);
    places->addWidget(m_prefecture, 0, 1);
    places->addWidget(new QLabel(QString::fromUtf8("地点"), this), 1, 0);
    places->addWidget(m_station, 1, 1);
    places->setColumnStretch(2, 1);
    body->addLayout(places);

    auto* group = new QGroupBox(QString::fromUtf8("気象データ取得テスト"), this);
    auto* grid = new QGridLayout(group);
    struct Row {
        QLineEdit** edit;
        int id;
        const char* label;
    };
    const Row rows[] = {{&m_low, LowTemp, "最低気温"},
                        {&m_high, HighTemp, "最高気温"},
                        {&m_daylight, Daylight, "日照時間"},
                        {&m_weather, Weather, "天気"}};
    int r = 0;
    for (const Row& row : rows) {
        *row.edit = withId(new QLineEdit(group), row.id);
        (*row.edit)->setReadOnly(true);
        grid->addWidget(new QLabel(QString::fromUtf8(row.label), group), r, 0);
        grid->addWidget(*row.edit, r, 1);
        ++r;
    }
    m_test = withId(new QPushButton(QString::fromUtf8("データ取得"), group), Test);
    m_test->setEnabled(false);
    m_test->setAutoDefault(false);
    grid->addWidget(m_test, r, 1, Qt::AlignRight);
    body->addWidget(group);
    AddDialogButtons(*this, body, m_test);

    connect(m_prefecture, &QComboBox::currentIndexChanged, this, [this] { loadStations(false); });
    connect(m_station, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_test->setEnabled(index >= 0 && m_enable->isChecked()); });
    connect(m_enable, &QCheckBox::clicked, this, &CWeatherDlg::enableToggled);
    connect(m_test, &QPushButton::clicked, this, &CWeatherDlg::runTest);

    if (m_fields.enabled) {
        m_enable->setChecked(true);
        loadLists();
    }
}

void CWeatherDlg::loadLists()
{
    std::optional<std::vector<PlaceEntry>> list = m_ops.prefectures ? m_ops.prefectures() : std::nullopt;
    if (!list)
        return;  // the combo keeps what it had; the user was told
    const QSignalBlocker block(m_prefecture);
    m_prefectures = std::move(*list);
    m_prefecture->clear();
    int saved = -1;
    for (size_t i = 0; i < m_prefectures.size(); ++i) {
        m_prefecture->addItem(QString::fromStdString(m_prefectures[i].name));
        if (m_fields.savedPref != -1 && m_prefectures[i].code == m_fields.savedPref && saved < 0)
            saved = static_cast<int>(i);
    }
    m_prefecture->setCurrentIndex(saved);
    m_prefecture->setEnabled(true);
    if (saved >= 0) {
        loadStations(true);
    } else {
        // Stations of a prefecture no longer chosen would be paired with the wrong one.
        const QSignalBlocker blockStations(m_station);
        m_stations.clear();
        m_station->clear();
    }
}

void CWeatherDlg::loadStations(bool selectSaved)
{
    m_test->setEnabled(false);
    int p = m_prefecture->currentIndex();
    if (p < 0 || p >= static_cast<int>(m_prefectures.size()))
        return;
    std::optional<std::vector<PlaceEntry>> list =
        m_ops.stations ? m_ops.stations(m_prefectures[p].code) : std::nullopt;
    if (!list)
        return;  // the station list stays as it was
    const QSignalBlocker block(m_station);
    m_stations = std::move(*list);
    m_station->clear();
    int saved = -1;
    for (size_t i = 0; i < m_stations.size(); ++i) {
        m_station->addItem(QString::fromStdString(m_stations[i].name));
        if (selectSaved && m_fields.savedPlace != -1 && m_stations[i].code == m_fields.savedPlace
            && saved < 0)
            saved = static_cast<int>(i);
    }
    m_station->setCurrentIndex(saved);
    m_test->setEnabled(saved >= 0 && m_enable->isChecked());
    m_station->setEnabled(true);
}

void CWeatherDlg::enableToggled(bool ticked)
{
    // Until the internet is allowed, every tick asks first and builds the lists afresh.
    if (!m_fields.enabled && ticked) {
        if (!m_ops.confirmEnable || !m_ops.confirmEnable()) {
            m_enable->setChecked(false);
            return;
        }
        loadLists();
    }
    // The test works without a station chosen too: it tries the saved place.
    m_prefecture->setEnabled(ticked);
    m_station->setEnabled(ticked);
    m_test->setEnabled(ticked);
}

std::optional<std::pair<int, int>> CWeatherDlg::chosenPlace() const
{
    const int p = m_prefecture->currentIndex(), s = m_station->currentIndex();
    if (p < 0 || s < 0 || p >= static_cast<int>(m_prefectures.size())
        || s >= static_cast<int>(m_stations.size()))
        return std::nullopt;
    return std::make_pair(p, s);
}

void CWeatherDlg::runTest()
{
    if (!m_ops.test)
        return;
    // A chosen station goes with its own prefecture; without one the saved place is tried
    // (none saved: no place, which the fetch reports).
    int prefecture = std::max(m_fields.savedPref, 0);
    int station = m_fields.savedPlace == -1 ? 0 : m_fields.savedPlace;
    if (const auto chosen = chosenPlace()) {
        prefecture = m_prefectures[chosen->first].code;
        station = m_stations[chosen->second].code;
    }
    std::optional<DayWeather> w = m_ops.test(prefecture, station);
    if (!w)
        return;
    m_low->setText(QString::fromStdString(TemperatureText(w->LowTemp)));
    m_high->setText(QString::fromStdString(TemperatureText(w->HighTemp)));
    m_daylight->setText(QString::fromStdString(LengthText(w->Daylight)));
    m_weather->setText(QString::fromStdString(w->Weather));
}

void CWeatherDlg::accept()
{
    InternetSettingsChoice c;
    c.enabled = m_enable->isChecked();
    if (const auto chosen = chosenPlace()) {
        c.prefecture = m_prefectures[chosen->first];
        c.station = m_stations[chosen->second];
    }
    if (m_ops.apply)
        m_ops.apply(c);
    QDialog::accept();
}
