#include "core/controls/progress_cells.h"

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

// Each display scale's layout places the cells; at 100 % exactly as before.
TEST(ProgressCells, LayoutOfEachScalePlacesTheCells) {
    const artwork::ProgressLayout base = artwork::progress_layout(0);
    for (int cell = 1; cell <= kProgressCellCount; ++cell) {
        for (bool running : {false, true}) {
            const ProgressCellBlit a = ProgressCell(cell, running, 3);
            const ProgressCellBlit b = ProgressCell(cell, running, 3, base);
            EXPECT_EQ(a.destX, b.destX);
            EXPECT_EQ(a.destY, b.destY);
            EXPECT_EQ(a.srcX, b.srcX);
            EXPECT_EQ(a.srcY, b.srcY);
        }
    }
    const artwork::ProgressLayout doubled = artwork::progress_layout(3);
    const ProgressCellBlit last = ProgressCell(8, true, 8, doubled);
    EXPECT_EQ(last.destX, 2 * 150);
    EXPECT_EQ(last.destY, 12);
    EXPECT_EQ(last.srcX, 2 * 170);
    EXPECT_EQ(ProgressCell(8, false, 8, doubled).srcX, 2 * 150);
}
