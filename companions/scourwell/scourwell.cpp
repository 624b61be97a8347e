// Scourwell: the history-cleaner plug-in shipped with Vellumo. It removes
// only what each item names and nothing around it: entries through the
// platform's own interfaces (cache, recent documents, recycle bin), values of
// well-known list keys, and temporary files nobody has touched for a day.
// Whatever cannot be removed (in use, access denied) is left as it is.
#define SCOURWELL_BUILDING_PLUGIN
#include "tools/history_eraser.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kItems = 12;

enum Item {
    kVisitHistory = 0,
    kCookies,
    kCacheFiles,
    kTypedUrls,
    kAutoCompleteForms,
    kRecentDocuments,
    kRecycleBin,
    kTempFolder,
    kOfficeHistory,
};

// URLs of the cache entries matching `pattern` (null: the ordinary cache)
// whose type passes `wanted`.
template <class Wanted>
std::vector<std::string> CacheEntries(const char* pattern, Wanted wanted) {
    std::vector<std::string> urls;
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
    HANDLE find = ::FindFirstUrlCacheEntryA(pattern, entry, &size);
    if (!find && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(size);
        entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        find = ::FindFirstUrlCacheEntryA(pattern, entry, &size);
    }
    if (!find) return urls;
    for (;;) {
        if (entry->lpszSourceUrlName && wanted(entry->CacheEntryType))
            urls.emplace_back(entry->lpszSourceUrlName);
        size = static_cast<DWORD>(buffer.size());
        if (::FindNextUrlCacheEntryA(find, entry, &size)) continue;
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
        buffer.resize(size);
        entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer.data());
        if (!::FindNextUrlCacheEntryA(find, entry, &size)) break;
        if (entry->lpszSourceUrlName && wanted(entry->CacheEntryType))
            urls.emplace_back(entry->lpszSourceUrlName);
    }
    ::FindCloseUrlCache(find);
    return urls;
}

template <class Wanted>
void DeleteCacheEntries(const char* pattern, Wanted wanted) {
    for (const std::string& url : CacheEntries(pattern, wanted)) ::DeleteUrlCacheEntryA(url.c_str());
}

// Deletes every value (not the subkeys) of HKCU\<path>.
void DeleteValuesOf(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        &key) != ERROR_SUCCESS)
        return;
    std::vector<std::string> names;
    char name[16384];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (::RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    for (const std::string& n : names) ::RegDeleteValueA(key, n.c_str());
    ::RegCloseKey(key);
}

void DeleteOldTempFiles() {
    char dir[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathA(sizeof dir, dir);
    if (n == 0 || n >= sizeof dir) return;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER limit;
    limit.LowPart = now.dwLowDateTime;
    limit.HighPart = now.dwHighDateTime;
    limit.QuadPart -= 24ull * 60 * 60 * 10000000;  // one day in 100 ns steps
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((std::string(dir) + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                     FILE_ATTRIBUTE_SYSTEM))
            continue;
        ULARGE_INTEGER written;
        written.LowPart = data.ftLastWriteTime.dwLowDateTime;
        written.HighPart = data.ftLastWriteTime.dwHighDateTime;
        if (written.QuadPart < limit.QuadPart)
            ::DeleteFileA((std::string(dir) + data.cFileName).c_str());  // in use: stays
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}

void DeleteOfficeHistory() {
    static const char* const versions[] = {"8.0", "9.0", "10.0", "11.0", "12.0", "14.0", "15.0", "16.0"};
    static const char* const apps[] = {"Word", "Excel", "PowerPoint", "Access"};
    for (const char* version : versions) {
        for (const char* app : apps) {
            const std::string base = std::string("Software\\Microsoft\\Office\\") + version + "\\" + app;
            DeleteValuesOf(base + "\\File MRU");
            DeleteValuesOf(base + "\\Recent Files");
        }
    }
}

void Clean(int item) {
    switch (item) {
    case kVisitHistory:
        DeleteCacheEntries("visited:", [](DWORD) { return true; });
        break;
    case kCookies:
        DeleteCacheEntries("cookie:", [](DWORD) { return true; });
        break;
    case kCacheFiles:
        DeleteCacheEntries(nullptr, [](DWORD type) {
            return (type & (COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY)) == 0;
        });
        break;
    case kTypedUrls:
        DeleteValuesOf("Software\\Microsoft\\Internet Explorer\\TypedURLs");
        break;
    case kAutoCompleteForms:
        DeleteValuesOf("Software\\Microsoft\\Internet Explorer\\IntelliForms\\Storage1");
        DeleteValuesOf("Software\\Microsoft\\Internet Explorer\\IntelliForms\\Storage2");
        break;
    case kRecentDocuments:
        ::SHAddToRecentDocs(SHARD_PIDL, nullptr);  // empties the list
        break;
    case kRecycleBin:
        ::SHEmptyRecycleBinA(nullptr, nullptr,
                             SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
        break;
    case kTempFolder:
        DeleteOldTempFiles();
        break;
    case kOfficeHistory:
        DeleteOfficeHistory();
        break;
    default:
        break;  // 9..11: nothing defined yet
    }
}

class Eraser final : public IHistoryEraser {
public:
    int SCOURWELL_THISCALL SelectItem(int item, int selected) override {
        if (item < 0 || item >= kItems) return 0;
        selected_[item] = selected != 0;
        return 1;
    }

    // Reports (item, percent of the selected items done) after each item.
    int SCOURWELL_THISCALL Execute(IReportState* reporter) override {
        int total = 0;
        for (bool s : selected_) total += s ? 1 : 0;
        int done = 0;
        for (int item = 0; item < kItems; ++item) {
            if (!selected_[item]) continue;
            Clean(item);
            ++done;
            if (reporter) reporter->Report(item, done * 100 / total);
        }
        return 1;
    }

private:
    bool selected_[kItems] = {};
};

}  // namespace

extern "C" IHistoryEraser* SCOURWELL_CDECL CreateScourwellClassInstance(void) {
    return new (std::nothrow) Eraser();
}

extern "C" int SCOURWELL_CDECL DestroyScourwellClassInstance(IHistoryEraser* eraser) {
    delete static_cast<Eraser*>(eraser);
    return 1;
}
