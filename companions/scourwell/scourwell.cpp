// Scourwell: the history-cleaner plug-in shipped with Vellumo. Each item
// removes only its own data and nothing around it: cache entries of its own
// kind, the list entries of well-known list keys (never the settings beside
// them, never the browser's saved passwords), the recent-documents shortcuts,
// the recycle bin, and temporary files nobody has touched for a day. What
// cannot be removed (in use, access denied) is left and counted. What each
// item looked at, removed and failed goes to Scourwell.log beside the
// library, so that "Completed !" can be checked.
#define SCOURWELL_BUILDING_PLUGIN
#include "core/tools/history_eraser.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/tools/clean_rules.h"
#include "platform/handles.h"

namespace {

using namespace scourwell;

// (URL, entry type) of every cache entry reachable through `pattern`.
std::vector<std::pair<std::string, DWORD>> CacheEntries(const char* pattern) {
    std::vector<std::pair<std::string, DWORD>> entries;
    std::vector<char> buffer(4096);
    auto entry = [&] { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data()); };
    DWORD size = static_cast<DWORD>(buffer.size());
    HANDLE find = ::FindFirstUrlCacheEntryA(pattern, entry(), &size);
    if (!find && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        find = ::FindFirstUrlCacheEntryA(pattern, entry(), &size);
    }
    if (!find) return entries;
    for (;;) {
        if (entry()->lpszSourceUrlName)
            entries.emplace_back(entry()->lpszSourceUrlName, entry()->CacheEntryType);
        size = static_cast<DWORD>(buffer.size());
        if (::FindNextUrlCacheEntryA(find, entry(), &size)) continue;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(size);
        size = static_cast<DWORD>(buffer.size());
        if (!::FindNextUrlCacheEntryA(find, entry(), &size)) break;
        if (entry()->lpszSourceUrlName)
            entries.emplace_back(entry()->lpszSourceUrlName, entry()->CacheEntryType);
    }
    ::FindCloseUrlCache(find);
    return entries;
}

// The history and cookie containers are reached by their prefix on Windows,
// by a plain enumeration on other implementations: look both ways, and let
// the entry's own prefix (any case) and type decide.
void CleanCache(CacheKind wanted, ItemReport& report) {
    report.lookedAt = "the URL cache";
    std::set<std::string> seen;
    for (const char* pattern : {static_cast<const char*>(nullptr), "Visited:", "Cookie:"}) {
        for (const auto& [url, type] : CacheEntries(pattern)) {
            if (ClassifyCacheEntry(url, type) != wanted || !seen.insert(url).second) continue;
            if (::DeleteUrlCacheEntryA(url.c_str()))
                ++report.removed;
            else
                ++report.failed;
        }
    }
}

// Deletes the values of HKCU\<path> that are list entries of `kind`.
void CleanListKey(const std::string& path, ListKind kind, ItemReport& report) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> names;
    std::vector<char> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (::RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        std::string n(name.data(), length);
        if (IsListEntry(kind, n)) names.push_back(std::move(n));
    }
    for (const std::string& n : names) {
        if (::RegDeleteValueA(key, n.c_str()) == ERROR_SUCCESS)
            ++report.removed;
        else
            ++report.failed;
    }
    ::RegCloseKey(key);
}

std::vector<std::string> SubkeysOf(const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) !=
        ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
}

void CleanOfficeHistory(ItemReport& report) {
    report.lookedAt = "HKCU\\Software\\Microsoft\\Office (File MRU, Place MRU, User MRU, Recent Files, "
                      "Recent File List, Access MRU, Open Find lists)";
    for (const OfficeListKey& key : OfficeFixedListKeys()) CleanListKey(key.path, key.kind, report);
    for (const std::string& root : OfficeUserMruRoots())
        for (const std::string& id : SubkeysOf(root))
            for (const char* list : kOfficeUserMruLists)
                CleanListKey(root + "\\" + id + "\\" + list, ListKind::kOfficeItems, report);
}

ULONGLONG AsNumber(const FILETIME& t) {
    ULARGE_INTEGER n;
    n.LowPart = t.dwLowDateTime;
    n.HighPart = t.dwHighDateTime;
    return n.QuadPart;
}

// Plain files in `dir` (ending in a backslash) matching `pattern`.
std::vector<WIN32_FIND_DATAA> FilesIn(const std::string& dir, const char* pattern) {
    std::vector<WIN32_FIND_DATAA> files;
    WIN32_FIND_DATAA data;
    const FindHandle find(::FindFirstFileA((dir + pattern).c_str(), &data));
    if (!find) return files;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(data);
    } while (::FindNextFileA(find.Get(), &data));
    return files;
}

void CleanTempFolder(ItemReport& report) {
    char dir[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathA(sizeof dir, dir);
    if (n == 0 || n >= sizeof dir) {
        report.error = "the temp folder is unknown";
        return;
    }
    report.lookedAt = std::string(dir) + " (files older than a day)";
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    for (const WIN32_FIND_DATAA& file : FilesIn(dir, "*")) {
        if (file.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) continue;
        if (!IsOlderThanADay(AsNumber(file.ftLastWriteTime), AsNumber(now))) continue;
        if (::DeleteFileA((std::string(dir) + file.cFileName).c_str()))
            ++report.removed;
        else
            ++report.failed;  // in use: stays
    }
}

void CleanRecentDocuments(ItemReport& report) {
    char dir[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, dir))) {
        report.error = "the Recent folder is unknown";
        return;
    }
    const std::string folder = std::string(dir) + "\\";
    report.lookedAt = folder + "*.lnk";
    const size_t before = FilesIn(folder, "*.lnk").size();
    ::SHAddToRecentDocs(SHARD_PIDL, nullptr);  // empties the shell's list
    // Whatever shortcuts the shell left are still entries of the list.
    for (const WIN32_FIND_DATAA& file : FilesIn(folder, "*.lnk"))
        ::DeleteFileA((folder + file.cFileName).c_str());
    const size_t after = FilesIn(folder, "*.lnk").size();
    report.removed = static_cast<int>(before > after ? before - after : 0);
    report.failed = static_cast<int>(after);
}

void CleanRecycleBin(ItemReport& report) {
    report.lookedAt = "the recycle bin of every drive";
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(::SHQueryRecycleBinA(nullptr, &info))) {
        report.error = "the recycle bin could not be read";
        return;
    }
    const LONGLONG before = info.i64NumItems;
    ::SHEmptyRecycleBinA(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    info.i64NumItems = 0;
    const LONGLONG after = SUCCEEDED(::SHQueryRecycleBinA(nullptr, &info)) ? info.i64NumItems : before;
    report.removed = static_cast<int>(before > after ? before - after : 0);
    report.failed = static_cast<int>(after);
}

ItemReport Clean(int item) {
    ItemReport report;
    report.item = item;
    switch (item) {
    case kVisitHistory:
        CleanCache(CacheKind::kHistory, report);
        break;
    case kCookies:
        CleanCache(CacheKind::kCookie, report);
        break;
    case kCacheFiles:
        CleanCache(CacheKind::kContent, report);
        break;
    case kTypedUrls:
        report.lookedAt = "HKCU\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
        CleanListKey("Software\\Microsoft\\Internet Explorer\\TypedURLs", ListKind::kTypedUrls, report);
        break;
    case kAutoCompleteForms:
        // Storage1 holds form entries. Storage2 holds the saved passwords
        // (browser version 7 and later): not this item's, never touched.
        report.lookedAt = "HKCU\\Software\\Microsoft\\Internet Explorer\\IntelliForms\\Storage1";
        CleanListKey("Software\\Microsoft\\Internet Explorer\\IntelliForms\\Storage1",
                     ListKind::kFormEntries, report);
        break;
    case kRecentDocuments:
        CleanRecentDocuments(report);
        break;
    case kRecycleBin:
        CleanRecycleBin(report);
        break;
    case kTempFolder:
        CleanTempFolder(report);
        break;
    case kOfficeHistory:
        CleanOfficeHistory(report);
        break;
    default:
        report.error = "no such item in this version";
        break;
    }
    return report;
}

// Scourwell.log in the folder of this library.
std::string LogPath() {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(&LogPath), &self))
        return std::string();
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string p(path, n);
    const auto slash = p.find_last_of('\\');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1) + "Scourwell.log";
}

// The log of the latest clean; a log that cannot be written costs nothing.
void WriteLog(const std::vector<std::string>& lines) {
    const std::string path = LogPath();
    if (path.empty()) return;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    std::fprintf(file, "Scourwell clean of %d-%d-%d %02d:%02d:%02d\r\n", now.wYear, now.wMonth,
                 now.wDay, now.wHour, now.wMinute, now.wSecond);
    for (const std::string& line : lines) std::fprintf(file, "%s\r\n", line.c_str());
    std::fclose(file);
}

class Eraser final : public IHistoryEraser {
public:
    int SCOURWELL_THISCALL SelectItem(int item, int selected) override {
        if (item < 0 || item >= kItemCount) return 0;
        selected_[item] = selected != 0;
        return 1;
    }

    // Reports (item, percent of the selected items done) after each item.
    int SCOURWELL_THISCALL Execute(IReportState* reporter) override {
        int total = 0;
        for (bool s : selected_) total += s ? 1 : 0;
        std::vector<std::string> lines;
        int done = 0;
        for (int item = 0; item < kItemCount; ++item) {
            if (!selected_[item]) continue;
            lines.push_back(FormatReport(Clean(item)));
            ++done;
            if (reporter) reporter->Report(item, done * 100 / total);
        }
        if (total == 0) lines.push_back("no item selected");
        WriteLog(lines);
        return 1;
    }

private:
    bool selected_[kItemCount] = {};
};

}  // namespace

extern "C" IHistoryEraser* SCOURWELL_CDECL CreateScourwellClassInstance(void) {
    return new (std::nothrow) Eraser();
}

extern "C" int SCOURWELL_CDECL DestroyScourwellClassInstance(IHistoryEraser* eraser) {
    delete static_cast<Eraser*>(eraser);
    return 1;
}
