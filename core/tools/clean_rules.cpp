#include "core/tools/clean_rules.h"

#include <cstddef>

namespace scourwell {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

// `name` is `prefix` followed by one or more decimal digits and nothing else.
bool IsPrefixAndNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || !StartsWithNoCase(name, prefix)) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9') return false;
    return true;
}

const char* const kVersions[] = {"8.0", "9.0", "10.0", "11.0", "12.0", "14.0", "15.0", "16.0"};
const char* const kApps[] = {"Word", "Excel", "PowerPoint", "Access", "Publisher", "Visio"};

}  // namespace

const char* const kOfficeUserMruLists[2] = {"File MRU", "Place MRU"};

const char* ItemName(int item) {
    static const char* const names[] = {
        "IE visit history", "IE cookies",        "cache files",     "typed URLs",
        "AutoComplete forms", "recent documents", "recycle bin",    "temp folder",
        "Office open history"};
    if (item >= 0 && item < static_cast<int>(sizeof names / sizeof names[0])) return names[item];
    return "unused";
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    return true;
}

CacheKind ClassifyCacheEntry(const std::string& url, std::uint32_t entryType) {
    if (StartsWithNoCase(url, "visited:") || (entryType & kHistoryEntryBit)) return CacheKind::kHistory;
    if (StartsWithNoCase(url, "cookie:") || (entryType & kCookieEntryBit)) return CacheKind::kCookie;
    return CacheKind::kContent;
}

bool IsListEntry(ListKind kind, const std::string& name) {
    switch (kind) {
    case ListKind::kTypedUrls:
        return IsPrefixAndNumber(name, "url");
    case ListKind::kFormEntries:
        return true;
    case ListKind::kOfficeItems:
        return IsPrefixAndNumber(name, "Item ") || IsPrefixAndNumber(name, "Item Metadata ");
    case ListKind::kOfficeFiles:
        return IsPrefixAndNumber(name, "File");
    case ListKind::kAccessMru:
        return IsPrefixAndNumber(name, "MRU") || IsPrefixAndNumber(name, "MRUFlags");
    case ListKind::kOpenFind:
        return EqualsNoCase(name, "Value");
    }
    return false;
}

std::vector<OfficeListKey> OfficeFixedListKeys() {
    std::vector<OfficeListKey> keys;
    for (const char* version : kVersions) {
        const std::string office = std::string("Software\\Microsoft\\Office\\") + version + "\\";
        for (const char* app : kApps) {
            const std::string base = office + app + "\\";
            keys.push_back({base + "File MRU", ListKind::kOfficeItems});   // 2007, 2010
            keys.push_back({base + "Place MRU", ListKind::kOfficeItems});  // 2010
        }
        keys.push_back({office + "Excel\\Recent Files", ListKind::kOfficeFiles});           // 97-2003
        keys.push_back({office + "PowerPoint\\Recent File List", ListKind::kOfficeFiles});  // 97-2003
        keys.push_back({office + "Access\\Settings", ListKind::kAccessMru});                // 97-2003
        // Word 97-2003 and PowerPoint: the open and save dialogs' file lists.
        for (const char* app : {"Microsoft Word", "Microsoft Office Word", "Microsoft PowerPoint",
                                "Microsoft Office PowerPoint"}) {
            for (const char* dialog : {"Open", "Save", "Save As"}) {
                keys.push_back({office + "Common\\Open Find\\" + app + "\\Settings\\" + dialog +
                                    "\\File Name MRU",
                                ListKind::kOpenFind});
            }
        }
    }
    return keys;
}

std::vector<std::string> OfficeUserMruRoots() {
    std::vector<std::string> roots;
    for (const char* version : {"15.0", "16.0"})
        for (const char* app : kApps)
            roots.push_back(std::string("Software\\Microsoft\\Office\\") + version + "\\" + app +
                            "\\User MRU");
    return roots;
}

bool IsOlderThanADay(std::uint64_t written, std::uint64_t now) {
    const std::uint64_t day = 24ull * 60 * 60 * 10000000;
    return now >= day && written <= now - day;
}

std::string FormatReport(const ItemReport& r) {
    std::string line = "item " + std::to_string(r.item) + " (" + ItemName(r.item) + "): ";
    if (!r.error.empty()) return line + "could not run: " + r.error;
    line += "looked at " + r.lookedAt + "; removed " + std::to_string(r.removed) + ", failed " +
            std::to_string(r.failed);
    return line;
}

}  // namespace scourwell
