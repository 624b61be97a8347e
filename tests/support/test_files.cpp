#include "tests/support/test_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/handles.h"

std::string ParentDir(const std::string& path) {
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string TestProgramDir() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ParentDir(path);
}

std::string SupportDir(const std::string& name) { return TestProgramDir() + "\\support\\" + name; }

namespace {
// The program opens its memo files exclusively while it reads them, so a
// test reading or writing the same file at that moment is turned away for a
// few milliseconds: try again for a while before giving up.
FileHandle OpenSharedWithRetry(const std::string& path, DWORD access, DWORD disposition) {
    for (int attempt = 0;; ++attempt) {
        FileHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        const DWORD error = ::GetLastError();
        if (file || attempt >= 250 ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION))
            return file;
        ::Sleep(20);
    }
}
}  // namespace

std::string ReadFileText(const std::string& path) {
    FileHandle file = OpenSharedWithRetry(path, GENERIC_READ, OPEN_EXISTING);
    std::string text;
    if (!file) return text;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    return text;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FileHandle file = OpenSharedWithRetry(path, GENERIC_WRITE, CREATE_ALWAYS);
    if (!file) return false;
    DWORD written = 0;
    return bytes.empty() || (::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                         &written, nullptr) &&
                             written == bytes.size());
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
// Calls `visit(name, isFolder)` for every entry of `dir`.
template <class Visit>
void ForEachEntry(const std::string& dir, Visit visit) {
    WIN32_FIND_DATAA data;
    FindHandle find(::FindFirstFileA((dir + "\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (::FindNextFileA(find.Get(), &data));
}
}  // namespace

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    ForEachEntry(dir, [&](const std::string& name, bool) { names.push_back(name); });
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveDirectoryTree(const std::string& dir) {
    ForEachEntry(dir, [&](const std::string& name, bool folder) {
        const std::string full = dir + "\\" + name;
        ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (folder) RemoveDirectoryTree(full);
        else ::DeleteFileA(full.c_str());
    });
    ::SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryA(dir.c_str());
}

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return temp;
}

std::string FreshTempDir(const std::string& name) {
    const std::string dir = TempFolder() + name;
    ::CreateDirectoryA(dir.c_str(), nullptr);
    ForEachEntry(dir, [&](const std::string& entry, bool folder) {
        if (!folder) ::DeleteFileA((dir + "\\" + entry).c_str());
    });
    return dir;
}

ScratchDir::ScratchDir(const std::string& prefix, const std::vector<std::string>& subfolders) {
    static int counter = 0;
    path_ = TempFolder() + prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveDirectoryTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
    for (const std::string& sub : subfolders) ::CreateDirectoryA(File(sub).c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveDirectoryTree(path_); }

std::string WinePathOf(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}
