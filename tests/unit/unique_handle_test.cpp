#include "core/base/unique_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
std::vector<int> g_closed;

struct FakeTraits {
    using Handle = int;
    static int Invalid() { return 0; }
    static void Close(int h) { g_closed.push_back(h); }
};
using FakeHandle = UniqueHandle<FakeTraits>;
}  // namespace

TEST(UniqueHandle, ClosesEachHandleExactlyOnceAcrossMovesAndResets) {
    g_closed.clear();
    {
        FakeHandle a(7);
        FakeHandle b(std::move(a));
        EXPECT_FALSE(a.Valid());
        EXPECT_EQ(b.Get(), 7);

        FakeHandle c(9);
        c = std::move(b);  // closes 9, takes 7
        EXPECT_EQ(g_closed, std::vector<int>({9}));

        FakeHandle& alias = c;
        c = std::move(alias);  // self-move keeps the handle
        EXPECT_EQ(c.Get(), 7);

        c.Reset(7);  // same handle: nothing closed
        c.Reset(11);
        EXPECT_EQ(g_closed, std::vector<int>({9, 7}));

        const int released = c.Release();
        EXPECT_EQ(released, 11);
        FakeHandle d;  // empty: never closed
    }
    EXPECT_EQ(g_closed, std::vector<int>({9, 7}));
}
