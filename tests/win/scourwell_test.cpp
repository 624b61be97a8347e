// The real history-cleaner plug-in (companions' Scourwell.dll), loaded
// in-process, against data planted for every item in this test's own prefix:
// each item alone removes exactly its own data, and its log line counts it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "app/tools/dlg_clear_history.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"

namespace {

const char kIE[] = "Software\\Microsoft\\Internet Explorer\\";
const char kOffice[] = "Software\\Microsoft\\Office\\";

// A copy of the built plug-in in a folder of its own, so that its log lands
// there and not among the build's outputs.
std::string PluginDir() {
    static const std::string dir = [] {
        const std::string copy = FreshTempDir("scourwell-plugin");
        ::CopyFileA((ParentDir(TestProgramDir()) + "\\companions\\out\\Scourwell.dll").c_str(),
                    (copy + "\\Scourwell.dll").c_str(), FALSE);
        return copy;
    }();
    return dir;
}

void SetValue(const std::string& key, const char* name, const char* data = "x") {
    ASSERT_TRUE(StoreTextValue(HKEY_CURRENT_USER, key.c_str(), name, data)) << key;
}

bool HasValue(const std::string& key, const char* name) {
    return ::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// Registry values of the list items, and the settings and passwords beside
// them that no item may touch.
struct Value {
    std::string key;
    const char* name;
};
const std::vector<Value> kTypedUrls = {{std::string(kIE) + "TypedURLs", "url1"},
                                       {std::string(kIE) + "TypedURLs", "url2"}};
const std::vector<Value> kForms = {{std::string(kIE) + "IntelliForms\\Storage1", "4A2F09C1E1D2"},
                                   {std::string(kIE) + "IntelliForms\\Storage1", "77BE01AA3C5F"}};
const std::vector<Value> kOfficeLists = {
    {std::string(kOffice) + "16.0\\Word\\User MRU\\ADAL_1234\\File MRU", "Item 1"},
    {std::string(kOffice) + "16.0\\Word\\User MRU\\ADAL_1234\\File MRU", "Item Metadata 1"},
    {std::string(kOffice) + "16.0\\Excel\\User MRU\\LiveId_99\\Place MRU", "Item 1"},
    {std::string(kOffice) + "14.0\\Word\\File MRU", "Item 1"},
    {std::string(kOffice) + "14.0\\Word\\File MRU", "Item 2"},
    {std::string(kOffice) + "12.0\\PowerPoint\\File MRU", "Item 1"},
    {std::string(kOffice) + "11.0\\Excel\\Recent Files", "File1"},
    {std::string(kOffice) + "11.0\\PowerPoint\\Recent File List", "File1"},
    {std::string(kOffice) + "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU", "Value"},
};
const std::vector<Value> kKeptAlways = {
    {std::string(kIE) + "IntelliForms\\Storage2", "E1A5C0F3B9D7"},  // a saved password
    {std::string(kOffice) + "16.0\\Word\\User MRU\\ADAL_1234\\File MRU", "Max Display"},
    {std::string(kOffice) + "14.0\\Word\\File MRU", "Max Display"},
    {std::string(kOffice) + "11.0\\PowerPoint\\Recent File List", "Max Display"},
    {std::string(kOffice) + "10.0\\Common\\Open Find\\Microsoft Word\\Settings\\Open\\File Name MRU", "Flags"},
};

int CountValues(const std::vector<Value>& values) {
    int n = 0;
    for (const Value& v : values) n += HasValue(v.key, v.name) ? 1 : 0;
    return n;
}

const std::vector<std::string> kVisited = {"Visited: tester@http://a.example/one.htm",
                                           "Visited: tester@http://a.example/two.htm"};
const std::vector<std::string> kCookies = {"Cookie:tester@b.example/", "Cookie:tester@c.example/"};
const std::vector<std::string> kPages = {"http://d.example/page.htm", "http://d.example/style.css"};

void PlantCacheEntry(const std::string& url, DWORD type) {
    char file[MAX_PATH] = {};
    ASSERT_TRUE(::CreateUrlCacheEntryA(url.c_str(), 0, "htm", file, 0)) << url;
    ASSERT_TRUE(WriteFileBytes(file, "data")) << file;
    FILETIME zero{};
    ASSERT_TRUE(::CommitUrlCacheEntryA(url.c_str(), file, zero, zero, type, nullptr, 0, nullptr, nullptr)) << url;
}

int CountCacheEntries(const std::vector<std::string>& urls) {
    int n = 0;
    for (const std::string& url : urls) {
        DWORD size = 0;
        ::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size);
        n += ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? 1 : 0;
    }
    return n;
}

std::string RecentFolder() {
    char dir[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, dir);
    return dir;
}

int CountFiles(const std::string& pattern) {
    int n = 0;
    WIN32_FIND_DATAA data;
    const FindHandle find(::FindFirstFileA(pattern.c_str(), &data));
    if (!find) return 0;
    do n += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
    while (::FindNextFileA(find.Get(), &data));
    return n;
}

LONGLONG RecycleBinItems() {
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(::SHQueryRecycleBinA(nullptr, &info)) ? info.i64NumItems : -1;
}

// The Unix folder the recycle bin lives in, as a path of this prefix.
std::string TrashFilesFolder() {
    char unixDir[1024] = {};
    if (!::GetEnvironmentVariableA("XDG_DATA_HOME", unixDir, sizeof unixDir)) return std::string();
    using ToDos = WCHAR* (*)(const char*);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return std::string();
    WCHAR* dos = toDos((std::string(unixDir) + "/Trash/files").c_str());
    if (!dos) return std::string();
    char path[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, dos, -1, path, sizeof path, nullptr, nullptr);
    ::HeapFree(::GetProcessHeap(), 0, dos);
    return path;
}

void WriteFile(const std::string& path, int daysOld) {
    const FileHandle h(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(h.Valid()) << path;
    DWORD written = 0;
    ::WriteFile(h.Get(), "planted", 7, &written, nullptr);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<ULONGLONG>(daysOld) * 24 * 3600 * 10000000ull;
    const FILETIME when{t.LowPart, t.HighPart};
    ::SetFileTime(h.Get(), nullptr, nullptr, &when);
}

class Scourwell : public ::testing::Test {
protected:
    // Two entries of every item's data (nine Office list entries).
    static constexpr int kPlanted[9] = {2, 2, 2, 2, 2, 2, 2, 2, 9};

    void Plant() {
        for (const auto& url : kVisited) PlantCacheEntry(url, URLHISTORY_CACHE_ENTRY);
        for (const auto& url : kCookies) PlantCacheEntry(url, COOKIE_CACHE_ENTRY);
        for (const auto& url : kPages) PlantCacheEntry(url, NORMAL_CACHE_ENTRY);
        for (const auto* list : {&kTypedUrls, &kForms, &kOfficeLists, &kKeptAlways})
            for (const Value& v : *list) SetValue(v.key, v.name);

        const std::string docs = FreshTempDir("scourwell-docs");
        for (const char* name : {"letter.txt", "plan.txt"}) {
            WriteFile(docs + "\\" + name, 0);
            ::SHAddToRecentDocs(SHARD_PATHA, (docs + "\\" + name).c_str());
        }
        for (const char* name : {"a.txt", "b.txt"}) {
            const std::string file = docs + "\\trash-" + name;
            WriteFile(file, 0);
            std::string from = file + '\0';
            SHFILEOPSTRUCTA op{};
            op.wFunc = FO_DELETE;
            op.pFrom = from.c_str();
            op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
            ASSERT_EQ(::SHFileOperationA(&op), 0);
        }
        // The temp folder holds only what this test planted: two old files
        // and a new one.
        for (const char* name : {"scourwell-old-1.tmp", "scourwell-old-2.tmp"}) WriteFile(TempFolder() + name, 3);
        WriteFile(TempFolder() + "scourwell-new.tmp", 0);
    }

    // How much of item `i`'s planted data is still there.
    int Remaining(int item) {
        switch (item) {
        case 0: return CountCacheEntries(kVisited);
        case 1: return CountCacheEntries(kCookies);
        case 2: return CountCacheEntries(kPages);
        case 3: return CountValues(kTypedUrls);
        case 4: return CountValues(kForms);
        case 5: return CountFiles(RecentFolder() + "\\*.lnk");
        case 6: return static_cast<int>(RecycleBinItems());
        case 7: return CountFiles(TempFolder() + "scourwell-old-*.tmp");
        case 8: return CountValues(kOfficeLists);
        }
        return -1;
    }

    // Runs the plug-in with only `item` (-1: every item 0..8) selected;
    // returns its log.
    std::string RunOnly(int item) {
        const std::string dir = PluginDir();
        ::DeleteFileA((dir + "\\Scourwell.log").c_str());
        HMODULE library = ::LoadLibraryA((dir + "\\Scourwell.dll").c_str());
        EXPECT_NE(library, nullptr);
        if (!library) return std::string();
        auto create = reinterpret_cast<CreateScourwellClassInstanceFn>(
            reinterpret_cast<void*>(::GetProcAddress(library, SCOURWELL_CREATE_EXPORT)));
        auto destroy = reinterpret_cast<DestroyScourwellClassInstanceFn>(
            reinterpret_cast<void*>(::GetProcAddress(library, SCOURWELL_DESTROY_EXPORT)));
        IHistoryEraser* eraser = create ? create() : nullptr;
        EXPECT_NE(eraser, nullptr);
        if (eraser) {
            for (int i = 0; i < 12; ++i) eraser->SelectItem(i, i == item || (item < 0 && i < 9) ? 1 : 0);
            CReportState reporter;
            eraser->Execute(&reporter);
            if (destroy) destroy(eraser);
        }
        ::FreeLibrary(library);
        return ReadFileText(dir + "\\Scourwell.log");
    }
};

// The count in the log line of `item` ("removed N"), or -1.
int RemovedInLog(const std::string& log, int item) {
    const std::string head = "item " + std::to_string(item) + " (";
    const auto line = log.find(head);
    if (line == std::string::npos) return -1;
    const auto removed = log.find("removed ", line);
    if (removed == std::string::npos || removed > log.find('\n', line)) return -1;
    return std::atoi(log.c_str() + removed + 8);
}

TEST_F(Scourwell, EachItemRemovesExactlyItsOwnData) {
    for (int item = 0; item < 9; ++item) {
        SCOPED_TRACE("item " + std::to_string(item));
        // Start from nothing but the planted data: clear every item first,
        // again if a shortcut the shell still held stayed (a busy machine).
        auto cleared = [this] {
            for (int i = 0; i < 9; ++i)
                if (Remaining(i) != 0) return false;
            return true;
        };
        RunOnly(-1);
        for (int attempt = 1; attempt < 5 && !cleared(); ++attempt) {
            ::Sleep(100);
            RunOnly(-1);
        }
        for (int i = 0; i < 9; ++i) ASSERT_EQ(Remaining(i), 0) << "item " << i << " before planting";
        Plant();
        for (int i = 0; i < 9; ++i) ASSERT_EQ(Remaining(i), kPlanted[i]) << "item " << i << " planted";

        const std::string log = RunOnly(item);
        for (int other = 0; other < 9; ++other)
            EXPECT_EQ(Remaining(other), other == item ? 0 : kPlanted[other]) << "item " << other;
        EXPECT_EQ(CountValues(kKeptAlways), static_cast<int>(kKeptAlways.size()))
            << "saved passwords and list settings stay";
        EXPECT_EQ(CountFiles(TempFolder() + "scourwell-new.tmp"), 1) << "a new temp file stays";
        EXPECT_EQ(RemovedInLog(log, item), kPlanted[item]) << log;
        EXPECT_EQ(log.find("could not run"), std::string::npos) << log;
    }
}

TEST_F(Scourwell, RecycleBinIsTheTrashInsideTheBuildFolder) {
    const std::string trash = TrashFilesFolder();
    ASSERT_FALSE(trash.empty()) << "run the tests through scripts/test.sh (XDG_DATA_HOME unset)";
    const std::string build = ParentDir(ParentDir(TestProgramDir()));  // <build>\<tree>\tests
    EXPECT_EQ(_strnicmp(trash.c_str(), build.c_str(), build.size()), 0)
        << "trash " << trash << " lies outside " << build;
    RunOnly(-1);
    Plant();
    EXPECT_EQ(CountFiles(trash + "\\trash-*.txt"), 2) << "deleted files went to " << trash;
    RunOnly(6);
    EXPECT_EQ(CountFiles(trash + "\\trash-*.txt"), 0);
}

TEST_F(Scourwell, ItemsWithoutMeaningSayTheyDidNothing) {
    const std::string log = RunOnly(10);
    EXPECT_NE(log.find("item 10 (unused): could not run"), std::string::npos) << log;
}

}  // namespace
