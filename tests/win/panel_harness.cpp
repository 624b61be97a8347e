#include "tests/win/panel_harness.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "memo/reminder_thread.h"
#include "res/resource.h"

namespace {
std::function<void(CVellumoDlg&)> g_check;
CVellumoDlg* g_panel = nullptr;
std::string g_announcement;

void CALLBACK RunCheck(HWND, UINT, UINT_PTR id, DWORD) {
    if (HWND box = ::FindWindowA("#32770", "Vellumo reminds you.")) {
        char text[8192] = {};
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        g_announcement = text;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
    }
    if (!g_panel->m_hWnd || !::IsWindowVisible(g_panel->m_hWnd)) return;
    ::KillTimer(nullptr, id);
    if (g_check) g_check(*g_panel);
    ::PostMessageA(g_panel->m_hWnd, WM_COMMAND, IDC_EXIT_MARK, 0);
}
}  // namespace

std::string TestProgramDir() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s = path;
    return s.substr(0, s.find_last_of('\\'));
}

void WriteRaw(const std::string& path, const std::string& bytes) {
    HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(f);
}

void RunPanel(const std::function<void(CVellumoDlg&)>& check) {
    AppState::Get().SetStartDate(LocalDateNow());  // no day-change restart from a test
    CVellumoDlg panel;
    g_panel = &panel;
    g_check = check;
    g_announcement.clear();
    ::SetTimer(nullptr, 0, 100, &RunCheck);
    panel.DoModal();
    // The panel started the real reminder thread; none may run behind a test.
    EXPECT_TRUE(StopReminderThread());
    g_check = nullptr;
    g_panel = nullptr;
}

const std::string& LastAnnouncement() { return g_announcement; }
