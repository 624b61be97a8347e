// What the history cleaner counts as each item's own data: which cache
// entries, which registry values of a list key. Pure rules, so that what is
// removed (and what is left alone) can be checked without a registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scourwell {

// The items the cleaner knows (the plug-in's item numbers).
enum Item : int {
    kVisitHistory = 0,
    kCookies = 1,
    kCacheFiles = 2,
    kTypedUrls = 3,
    kAutoCompleteForms = 4,
    kRecentDocuments = 5,
    kRecycleBin = 6,
    kTempFolder = 7,
    kOfficeHistory = 8,
    kItemCount = 12,
};

// A short name for the log ("IE visit history"...); "unused" for 9..11.
const char* ItemName(int item);

// ASCII prefix test without regard to case.
bool StartsWithNoCase(const std::string& text, const std::string& prefix);

// Which item a cache entry belongs to, from its URL and its entry-type bits
// (the platform's URLHISTORY_CACHE_ENTRY and COOKIE_CACHE_ENTRY). Windows
// writes "Visited:" and "Cookie:"; other caches differ in case.
enum class CacheKind { kHistory, kCookie, kContent };
constexpr std::uint32_t kCookieEntryBit = 0x00100000;
constexpr std::uint32_t kHistoryEntryBit = 0x00200000;
CacheKind ClassifyCacheEntry(const std::string& url, std::uint32_t entryType);

// The kind of list a registry key holds, and so which of its values are list
// entries (everything else in the key is a setting and stays).
enum class ListKind {
    kTypedUrls,    // "url1", "url2"...
    kFormEntries,  // every value (IntelliForms\Storage1 holds nothing else)
    kOfficeItems,  // "Item 1", "Item Metadata 1"... (File MRU, Place MRU)
    kOfficeFiles,  // "File1", "File2"... (Recent Files, Recent File List)
    kAccessMru,    // "MRU1", "MRUFlags1"... in Access's Settings key
    kOpenFind,     // "Value" of an Open/Save dialog's "File Name MRU"
};
bool IsListEntry(ListKind kind, const std::string& valueName);

// A key of Office's open history under HKCU, with the kind of its values.
struct OfficeListKey {
    std::string path;
    ListKind kind;
};
// The fixed keys of every Office version (97 to 2016 and later) and
// application. Office 2013 and later also keep lists per account under
// <version>\<app>\User MRU\<id>\: see OfficeUserMruRoots and
// OfficeUserMruLists.
std::vector<OfficeListKey> OfficeFixedListKeys();
std::vector<std::string> OfficeUserMruRoots();
extern const char* const kOfficeUserMruLists[2];  // "File MRU", "Place MRU"

// True when a file last written at `written` is at least a day older than
// `now` (both in 100-ns steps, as the platform's file times).
bool IsOlderThanADay(std::uint64_t written, std::uint64_t now);

// One line of the cleaner's log for an item.
struct ItemReport {
    int item = 0;
    std::string lookedAt;  // what was searched, for the reader
    int removed = 0;
    int failed = 0;
    std::string error;  // not empty: the item could not run
};
std::string FormatReport(const ItemReport& report);

}  // namespace scourwell
