#pragma once
// Dialog 134 "気象データ入力ダイアログ": the day's date and its typed-in weather.
#include "app/ViewHost.h"

#include <QDialog>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QDateEdit;
class QLineEdit;
class QPushButton;

class CDataDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "気象データ入力ダイアログ";

    // Opens with `fields`; OK hands what was entered to `apply` (see ViewHost).
    CDataDlg(const DayDataFields& fields, DialogApply<DayDataFields> apply, QWidget* parent = nullptr);
    ~CDataDlg() override;

    void accept() override;
    void reject() override;
    // What button 3 runs for the date shown: starts the fetch and returns at once with its
    // handle (null when nothing was started; the user was told why). `done` later gets the
    // weather, or nothing (the user was told why). Dropping the handle ends the request.
    using WeatherDone = std::function<void(std::optional<DayWeather>)>;
    using WeatherFetch = std::function<std::shared_ptr<void>(const QDate&, WeatherDone done)>;
    void setWeatherFetch(WeatherFetch fetch);
    // Whether a fetch is under way (button 3 is disabled meanwhile).
    bool fetching() const { return m_pending != nullptr; }

private:
    QLineEdit* edit(int id) const { return m_edits.at(id); }
    void startFetch();
    void endFetch();
    void fetched(const std::optional<DayWeather>& w);

    DialogApply<DayDataFields> m_apply;
    std::map<int, QLineEdit*> m_edits;
    QDateEdit* m_date = nullptr;
    QPushButton* m_fetch = nullptr;
    bool m_fetchAllowed = false;
    WeatherFetch m_weatherFetch;
    std::shared_ptr<void> m_pending;
};
