#include "tests/win/tools_test_support.h"

#include <fstream>
#include <sstream>

#include "settings/settings_rules.h"

namespace {
TimerScript* g_script = nullptr;

std::string ExeDir() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

void RemoveFilesIn(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileA((dir + "\\" + data.cFileName).c_str());
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
}
}  // namespace

std::string SupportDir(const std::string& name) { return ExeDir() + "\\support\\" + name; }

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string FreshTempDir(const std::string& name) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + name;
    ::CreateDirectoryA(dir.c_str(), nullptr);
    RemoveFilesIn(dir);
    return dir;
}

void StoreCleanOption(const char* text) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (text) {
        ::RegSetValueExA(key, kCleanOptionValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>(std::string(text).size() + 1));
    } else {
        ::RegDeleteValueA(key, kCleanOptionValue);
    }
    ::RegCloseKey(key);
}

std::string StoredCleanOption() {
    char text[128] = {};
    DWORD size = sizeof text - 1;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    const LONG got = ::RegQueryValueExA(key, kCleanOptionValue, nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    return got == ERROR_SUCCESS ? std::string(text) : "<none>";
}

namespace {
struct DialogSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    char cls[32] = {};
    char title[128] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    ::GetWindowTextA(wnd, title, sizeof title);
    if (std::string(cls) == "#32770" && std::string(title) == s->caption && ::IsWindowVisible(wnd)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindThreadDialog(const char* caption) {
    DialogSearch search{caption, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string MessageBoxText(HWND box) {
    char text[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

TimerScript::TimerScript(std::vector<Step> steps, std::function<void()> onTimeout, DWORD timeoutMs)
    : steps_(std::move(steps)), onTimeout_(std::move(onTimeout)),
      deadline_(::GetTickCount() + timeoutMs) {
    g_script = this;
    timer_ = ::SetTimer(nullptr, 0, 10, &TimerScript::Tick);
}

TimerScript::~TimerScript() {
    ::KillTimer(nullptr, timer_);
    if (g_script == this) g_script = nullptr;
}

void CALLBACK TimerScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_script) g_script->Run();
}

void TimerScript::Run() {
    if (busy_ || timedOut_ || Finished()) return;
    busy_ = true;
    while (!Finished() && steps_[next_]()) ++next_;
    if (!Finished() && static_cast<LONG>(::GetTickCount() - deadline_) > 0) {
        timedOut_ = true;
        if (onTimeout_) onTimeout_();
    }
    busy_ = false;
}

void PostClick(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
