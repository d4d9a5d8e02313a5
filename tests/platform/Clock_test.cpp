// The clock seam: a date fixed by a test, and the KELTO_TODAY value the end-to-end runs use.
#include "platform/Clock.h"

#include <gtest/gtest.h>

TEST(Clock, FixedTodayValues)
{
    EXPECT_EQ(Clock::ParseFixedToday("2024-05-15"), QDate(2024, 5, 15));
    EXPECT_EQ(Clock::ParseFixedToday("2024-02-29"), QDate(2024, 2, 29));  // leap day
    EXPECT_EQ(Clock::ParseFixedToday("2000-12-31"), QDate(2000, 12, 31));
    // No such day; and the form is exact, so a typo is not some other day.
    for (const char* text : {"2023-02-29", "2024-13-01", "2024-5-15", "2024/05/15", "2024-05-15x",
                             " 2024-05-15", "20240515", ""})
        EXPECT_EQ(Clock::ParseFixedToday(text), QDate()) << '"' << text << '"';
}

TEST(Clock, FixedDayIsGivenBack)
{
    const QDate startUp = Clock::Today();
    {
        Clock::FixedToday outer(QDate(2013, 4, 1));
        EXPECT_EQ(Clock::Today(), QDate(2013, 4, 1));
        {
            Clock::FixedToday inner(QDate(2020, 2, 29));
            EXPECT_EQ(Clock::Today(), QDate(2020, 2, 29));
        }
        EXPECT_EQ(Clock::Today(), QDate(2013, 4, 1));
        {
            // An invalid date is the start-up day for as long as it lives.
            Clock::FixedToday none{QDate()};
            EXPECT_EQ(Clock::Today(), startUp);
        }
        EXPECT_EQ(Clock::Today(), QDate(2013, 4, 1));
    }
    EXPECT_EQ(Clock::Today(), startUp);
    // A day set without a scope holds until it is cleared.
    Clock::SetToday(QDate(2013, 4, 1));
    EXPECT_EQ(Clock::Today(), QDate(2013, 4, 1));
    Clock::SetToday(QDate());
    EXPECT_EQ(Clock::Today(), startUp);
}
