#include "controls/progress_cells.h"

#include <gtest/gtest.h>

TEST(ProgressCells, HighlightRunsOneToEightAndOnlyWhileRunning) {
    int active = 0;
    for (int expected : {1, 2, 3, 4, 5, 6, 7, 8, 1}) {
        active = NextActiveCell(active);
        EXPECT_EQ(active, expected);
    }
    EXPECT_EQ(NextActiveCell(-3), 6);

    EXPECT_EQ(ProgressCell(1, false, 0).destX, 10);
    EXPECT_EQ(ProgressCell(8, false, 0).destX, 150);
    EXPECT_EQ(ProgressCell(8, false, 0).destY, 6);
    EXPECT_EQ(ProgressCell(3, true, 3).srcX, 170);
    EXPECT_EQ(ProgressCell(4, true, 3).srcX, 70);
    EXPECT_EQ(ProgressCell(3, false, 3).srcX, 50);
}
