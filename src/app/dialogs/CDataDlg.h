#pragma once
// Dialog 134 "気象データ入力ダイアログ": the day's date and its typed-in weather.
#include "app/ViewHost.h"

#include <QDialog>

#include <functional>
#include <map>
#include <optional>

class QDateEdit;
class QLineEdit;
class QPushButton;

class CDataDlg : public QDialog {
    Q_OBJECT
public:
    // Opens with `fields`; OK hands what was entered to `apply` (see ViewHost).
    CDataDlg(const DayDataFields& fields, DialogApply<DayDataFields> apply, QWidget* parent = nullptr);

    void accept() override;
    // What button 3 runs for the date shown: the weather, or nothing (the user was told why).
    using WeatherFetch = std::function<std::optional<DayWeather>(const QDate&)>;
    void setWeatherFetch(WeatherFetch fetch);

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }

    DialogApply<DayDataFields> m_apply;
    std::map<int, QLineEdit*> m_edits;
    QDateEdit* m_date = nullptr;
    QPushButton* m_fetch = nullptr;
    bool m_fetchAllowed = false;
    WeatherFetch m_weatherFetch;
};
