#pragma once
// Dialog 137 "インターネット設定ダイアログ": whether weather is fetched from the internet, and
// the observation place (prefecture, then station) chosen from the weather site's own lists.
#include "weather/InternetSettings.h"

#include <QDialog>

#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace WeatherDlgId {
inline constexpr int Enable = 1048, Prefecture = 1011, Station = 1013, LowTemp = 1007, HighTemp = 1017,
                     Daylight = 1006, Weather = 1009, Test = 3;
}  // namespace WeatherDlgId

class CWeatherDlg : public QDialog {
    Q_OBJECT
public:
    CWeatherDlg(const InternetSettingsFields& fields, InternetSettingsOps ops, QWidget* parent = nullptr);
    void accept() override;

private:
    // The prefecture list, then (with the saved prefecture) its stations and the saved station.
    void loadLists();
    void loadStations(bool selectSaved);
    void enableToggled(bool ticked);
    // The selected prefecture and station entries, when a station is selected.
    std::optional<std::pair<int, int>> chosenPlace() const;
    void runTest();

    InternetSettingsFields m_fields;
    InternetSettingsOps m_ops;
    std::vector<PlaceEntry> m_prefectures, m_stations;
    QCheckBox* m_enable = nullptr;
    QComboBox* m_prefecture = nullptr;
    QComboBox* m_station = nullptr;
    QLineEdit* m_low = nullptr;
    QLineEdit* m_high = nullptr;
    QLineEdit* m_daylight = nullptr;
    QLineEdit* m_weather = nullptr;
    QPushButton* m_test = nullptr;
};
