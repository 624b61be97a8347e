#include "app/panel/day_watch.h"

#include <cstring>
#include <string>
#include <utility>

#include "app/instance/app_state.h"
#include "app/memo/reminder_thread.h"
#include "app/panel/panel_look.h"
#include "platform/local_time.h"
#include "platform/shell_calls.h"
#include "platform/win_app.h"

using namespace panel;

namespace {
constexpr UINT kRestartRetryMs = 250;

// What of the user's is open in this process, as the restart has to know.
struct OpenWindows {
    HWND panel = nullptr;
    bool menu = false;    // a popup menu: holds nothing of the user's
    bool dialog = false;  // a dialog or message box besides the panel, or a move
};

BOOL CALLBACK NoteOpenWindow(HWND wnd, LPARAM param) {
    auto* open = reinterpret_cast<OpenWindows*>(param);
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(wnd, &process);
    if (wnd == open->panel || process != ::GetCurrentProcessId() || !::IsWindowVisible(wnd))
        return TRUE;
    // The reminder window holds no input of the user's; what it shows is
    // kept as not yet dismissed, and the new copy shows it again.
    if (thread == ReminderThreadId()) return TRUE;
    char className[16] = {};
    ::GetClassNameA(wnd, className, sizeof className);
    if (std::strcmp(className, "#32768") == 0) open->menu = true;
    if (std::strcmp(className, "#32770") == 0) open->dialog = true;
    return TRUE;
}

OpenWindows FindOpenWindows(HWND panel) {
    OpenWindows open;
    open.panel = panel;
    ::EnumWindows(&NoteOpenWindow, reinterpret_cast<LPARAM>(&open));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (::GetGUIThreadInfo(::GetCurrentThreadId(), &gui)) {
        if (gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) open.menu = true;
        // A move of the panel runs its own loop, which would take the quit.
        if (gui.flags & GUI_INMOVESIZE) open.dialog = true;
    }
    // A modal run disables its owner, whatever window it shows.
    if (!::IsWindowEnabled(panel)) open.dialog = true;
    return open;
}
}  // namespace

void DayWatch::Start(HWND owner, NewDayHandler onNewDay) {
    m_owner = owner;
    m_onNewDay = std::move(onNewDay);
    ::SetTimer(m_owner, kDayWatchTimer, kDayWatchPeriodMs, nullptr);
}

void DayWatch::CheckDayChange() {
    if (LocalDateNow() == AppState::Get().StartDate()) return;
    // One hand-over per change of date: nothing may start a second copy
    // while this one waits or while the start itself runs a loop. The watch
    // timer exists until then, so killing it is what makes this once.
    if (::KillTimer(m_owner, kDayWatchTimer)) RestartWhenFree();
}

void DayWatch::RestartWhenFree() {
    ::KillTimer(m_owner, kRestartTimer);
    const OpenWindows open = FindOpenWindows(m_owner);
    // A menu's own loop would swallow the quit; close it and go on once it
    // has gone. A dialog may hold what the user is typing: wait for it.
    if (open.menu) ::EndMenu();
    if (open.menu || open.dialog) {
        ::SetTimer(m_owner, kRestartTimer, kRestartRetryMs, nullptr);
        return;
    }
    RestartForNewDay(LocalDateNow());
}

void DayWatch::RestartForNewDay(const Date& today) {
    AppState& state = AppState::Get();
    // A path that cannot be had whole counts as a failed start: a cut one
    // would start nothing, or something else.
    const std::string program = ModuleFilePath();
    if (!program.empty()) {
        // Let the new copy be the first copy.
        state.CloseInstanceMutex();
        const auto started = reinterpret_cast<INT_PTR>(
            ShellOpen(nullptr, nullptr, program.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (started > 32) {
            ::PostMessageA(m_owner, WM_QUIT, 0, 0);
            return;
        }
        if (state.CreateInstanceMutex()) {
            // Some other copy did start after all; it is the one to keep.
            ::PostMessageA(m_owner, WM_QUIT, 0, 0);
            return;
        }
    }
    // No fresh copy: rather than leave the user without calendar and
    // reminders, stay and live in the new day, as a fresh copy would show it.
    state.SetStartDate(today);
    m_onNewDay(today);
    ::SetTimer(m_owner, kDayWatchTimer, kDayWatchPeriodMs, nullptr);
}
