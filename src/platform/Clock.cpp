#include "platform/Clock.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<qint64> g_fixedJulian{0};

// 0 when the environment fixes no day.
qint64 EnvironmentJulian()
{
    static const qint64 julian = [] {
        const char* text = std::getenv("KELTO_TODAY");
        if (!text || !*text)
            return qint64(0);
        QDate d = Clock::ParseFixedToday(text);
        if (!d.isValid()) {
            std::fprintf(stderr, "KELTO_TODAY=%s is not a date YYYY-MM-DD; the system date is used\n", text);
            return qint64(0);
        }
        return d.toJulianDay();
    }();
    return julian;
}
}  // namespace

namespace Clock {

QDate Today()
{
    qint64 j = g_fixedJulian.load();
    if (!j)
        j = EnvironmentJulian();
    return j ? QDate::fromJulianDay(j) : QDate::currentDate();
}

void SetToday(const QDate& date)
{
    g_fixedJulian = date.isValid() ? date.toJulianDay() : 0;
}

FixedToday::FixedToday(const QDate& date)
    : m_previous(g_fixedJulian.exchange(date.isValid() ? date.toJulianDay() : 0))
{}

FixedToday::~FixedToday()
{
    g_fixedJulian = m_previous;
}

QDate ParseFixedToday(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return {};
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return {};
    auto number = [&](size_t at, size_t len) {
        int v = 0;
        for (size_t i = at; i < at + len; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    return QDate(number(0, 4), number(5, 2), number(8, 2));  // invalid for 2023-02-29
}

}  // namespace Clock
