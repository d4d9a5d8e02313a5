#pragma once
// "Now" and "today" come from here, so tests can fix the date.
//
// KELTO_TODAY=YYYY-MM-DD in the environment fixes "today" for the whole process (read once, at
// the first question): the end-to-end scripts start the program and the sample notebook maker
// on the same day whatever the machine's date. A value that is not a real date is ignored.
#include <QDate>

#include <string_view>

namespace Clock {
QDate Today();
// An invalid date returns to the start-up day: KELTO_TODAY's, or the system clock's.
void SetToday(const QDate& date);
// The day a KELTO_TODAY value names; invalid unless exactly YYYY-MM-DD of a real date.
QDate ParseFixedToday(std::string_view text);

// Fixes today for as long as it lives and then gives back the day that was fixed before it
// (an outer FixedToday's, or none), however the scope is left: a failed check in a test leaves
// no date behind for the next one.
class FixedToday {
public:
    explicit FixedToday(const QDate& date);
    ~FixedToday();
    FixedToday(const FixedToday&) = delete;
    FixedToday& operator=(const FixedToday&) = delete;

private:
    qint64 m_previous;
};
}  // namespace Clock
