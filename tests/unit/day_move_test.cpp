#include "core/calendar/day_move.h"

#include <gtest/gtest.h>

TEST(DayMove, StepsCrossMonthYearAndLeapDayEdges) {
    EXPECT_EQ(AddDays({2008, 1, 31}, 1), (Date{2008, 2, 1}));
    EXPECT_EQ(AddDays({2008, 2, 1}, -1), (Date{2008, 1, 31}));
    EXPECT_EQ(AddDays({2008, 2, 28}, 1), (Date{2008, 2, 29}));  // leap year
    EXPECT_EQ(AddDays({2009, 2, 28}, 1), (Date{2009, 3, 1}));
    EXPECT_EQ(AddDays({2008, 12, 29}, 7), (Date{2009, 1, 5}));
    EXPECT_EQ(AddDays({2009, 1, 3}, -7), (Date{2008, 12, 27}));
    EXPECT_EQ(AddDays({2008, 3, 15}, 0), (Date{2008, 3, 15}));
    EXPECT_EQ(AddDays({2008, 1, 1}, 366), (Date{2009, 1, 1}));
    EXPECT_EQ(AddDays({2008, 4, 31}, 1), (Date{2008, 5, 1}));  // a day past the month's end
}
