// Sandrel: Vellumo's backup program. Copies the memo folders beside it
// (Remark and Notice) into Backup\<year>-<month>-<day> beside it; a second
// backup on the same day refreshes that folder. With the argument "auto" it
// works silently, otherwise it says how it went.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    char* slash = std::strrchr(path, '\\');
    if (!slash) return std::string();
    *slash = '\0';
    return path;
}

bool IsAuto(const char* commandLine) {
    std::string arg = commandLine ? commandLine : "";
    const auto first = arg.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const auto last = arg.find_last_not_of(" \t");
    arg = arg.substr(first, last - first + 1);
    return ::lstrcmpiA(arg.c_str(), "auto") == 0;
}

// Copies the files of `from` (not its subfolders) into `to`; counts them.
bool CopyFolder(const std::string& from, const std::string& to, int* copied) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((from + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return true;  // nothing to back up
    ::CreateDirectoryA(to.c_str(), nullptr);
    bool ok = true;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = data.cFileName;
        if (::CopyFileA((from + "\\" + name).c_str(), (to + "\\" + name).c_str(), FALSE))
            ++*copied;
        else
            ok = false;
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const bool silent = IsAuto(commandLine);
    const std::string dir = ProgramDir();
    if (dir.empty()) return 1;

    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char day[32];
    std::snprintf(day, sizeof day, "%d-%d-%d", now.wYear, now.wMonth, now.wDay);
    const std::string backupRoot = dir + "\\Backup";
    const std::string target = backupRoot + "\\" + day;
    ::CreateDirectoryA(backupRoot.c_str(), nullptr);
    ::CreateDirectoryA(target.c_str(), nullptr);

    int copied = 0;
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    bool ok = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (ok) {
        ok = CopyFolder(dir + "\\Remark", target + "\\Remark", &copied) && ok;
        ok = CopyFolder(dir + "\\Notice", target + "\\Notice", &copied) && ok;
    }

    if (!silent) {
        char text[MAX_PATH + 128];
        if (ok)
            std::snprintf(text, sizeof text, "Backup complete: %d file(s) copied to\r\n%s", copied,
                          target.c_str());
        else
            std::snprintf(text, sizeof text, "Backup incomplete: some files could not be copied to\r\n%s",
                          target.c_str());
        ::MessageBoxA(nullptr, text, "Sandrel", MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONWARNING));
    }
    return ok ? 0 : 2;
}
