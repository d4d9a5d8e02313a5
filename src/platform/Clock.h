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
}  // namespace Clock
