#include <gtest/gtest.h>

#include <algorithm>

#include "core/tools/clean_rules.h"

using namespace scourwell;

TEST(ScourwellRules, CacheEntriesGoToTheirItemWhateverTheCaseOfThePrefix) {
    EXPECT_EQ(ClassifyCacheEntry("Visited: me@http://a/", 0), CacheKind::kHistory);
    EXPECT_EQ(ClassifyCacheEntry("VISITED: me@http://a/", 0), CacheKind::kHistory);
    EXPECT_EQ(ClassifyCacheEntry("cookie:me@b/", 0), CacheKind::kCookie);
    EXPECT_EQ(ClassifyCacheEntry("Cookie:me@b/", 0), CacheKind::kCookie);
    EXPECT_EQ(ClassifyCacheEntry("http://visited.example/", 0), CacheKind::kContent);
    // The entry type decides when the prefix is unusual.
    EXPECT_EQ(ClassifyCacheEntry("x:1", kHistoryEntryBit), CacheKind::kHistory);
    EXPECT_EQ(ClassifyCacheEntry("x:1", kCookieEntryBit), CacheKind::kCookie);
    EXPECT_EQ(ClassifyCacheEntry("Visit", 0), CacheKind::kContent);
}

TEST(ScourwellRules, OnlyListEntriesCountNeverTheSettingsBesideThem) {
    struct Case {
        ListKind kind;
        const char* name;
        bool entry;
    } cases[] = {
        {ListKind::kOfficeItems, "Item 1", true},       {ListKind::kOfficeItems, "item 12", true},
        {ListKind::kOfficeItems, "Item Metadata 3", true}, {ListKind::kOfficeItems, "Max Display", false},
        {ListKind::kOfficeItems, "Item ", false},       {ListKind::kOfficeItems, "Item 1a", false},
        {ListKind::kOfficeItems, "Item1", false},       {ListKind::kOfficeFiles, "File1", true},
        {ListKind::kOfficeFiles, "File 1", false},      {ListKind::kOfficeFiles, "Max Display", false},
        {ListKind::kAccessMru, "MRU4", true},           {ListKind::kAccessMru, "MRUFlags4", true},
        {ListKind::kAccessMru, "Default Database Directory", false},
        {ListKind::kOpenFind, "Value", true},           {ListKind::kOpenFind, "Flags", false},
        {ListKind::kTypedUrls, "url25", true},          {ListKind::kTypedUrls, "urlx", false},
        {ListKind::kFormEntries, "4A2F09C1", true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsListEntry(c.kind, c.name), c.entry) << c.name;
}

TEST(ScourwellRules, OfficeKeysCoverEveryVersionButNeverPasswordsOrWholeSettings) {
    bool word2010 = false, powerPoint2003 = false, word2003 = false;
    for (const OfficeListKey& key : OfficeFixedListKeys()) {
        word2010 |= key.path == "Software\\Microsoft\\Office\\14.0\\Word\\File MRU";
        powerPoint2003 |= key.path == "Software\\Microsoft\\Office\\11.0\\PowerPoint\\Recent File List";
        word2003 |= key.path.find("11.0\\Common\\Open Find\\Microsoft Office Word") != std::string::npos;
        EXPECT_EQ(key.path.find("IntelliForms"), std::string::npos);
    }
    EXPECT_TRUE(word2010 && powerPoint2003 && word2003);
    const auto roots = OfficeUserMruRoots();
    EXPECT_NE(std::find(roots.begin(), roots.end(), "Software\\Microsoft\\Office\\16.0\\Excel\\User MRU"),
              roots.end());
}

TEST(ScourwellRules, TempFilesOfADayOrMoreAndReportLines) {
    const std::uint64_t day = 24ull * 3600 * 10000000;
    EXPECT_TRUE(IsOlderThanADay(0, day));
    EXPECT_FALSE(IsOlderThanADay(1, day));
    EXPECT_FALSE(IsOlderThanADay(0, day - 1));  // no wrap below zero
    ItemReport report;
    report.item = 4;
    report.lookedAt = "Storage1";
    report.removed = 3;
    EXPECT_EQ(FormatReport(report), "item 4 (AutoComplete forms): looked at Storage1; removed 3, failed 0");
    report.error = "nope";
    EXPECT_EQ(FormatReport(report), "item 4 (AutoComplete forms): could not run: nope");
}
