#include "platform/Clock.h"

#include <atomic>

namespace {
std::atomic<qint64> g_fixedJulian{0};
}

namespace Clock {

QDate Today()
{
    qint64 j = g_fixedJulian.load();
    return j ? QDate::fromJulianDay(j) : QDate::currentDate();
}

void SetToday(const QDate& date)
{
    g_fixedJulian = date.isValid() ? date.toJulianDay() : 0;
}

} // namespace Clock
