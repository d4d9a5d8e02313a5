#pragma once
// "Now" and "today" come from here, so tests can fix the date.
#include <QDate>

namespace Clock {
QDate Today();
// An invalid date returns to the system clock.
void SetToday(const QDate& date);
} // namespace Clock
