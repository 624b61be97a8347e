#include "tests/support/in_process.h"

#include <gtest/gtest.h>

#include "app/instance/app_state.h"
#include "app/memo/reminder_thread.h"
#include "controls/skin_button.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"

namespace {
std::string g_announcement;

// The panel started the real reminder thread; none may outlive the run, or
// it could show a box inside a later test that points the memo paths at
// its own folder.
struct StopsReminderThread {
    ~StopsReminderThread() { EXPECT_TRUE(StopReminderThread()); }
};
}  // namespace

void RunPanel(const std::function<void(CVellumoDlg&)>& check) {
    AppState::Get().SetStartDate(LocalDateNow());  // no day-change restart from a test
    StopsReminderThread stopper;
    CVellumoDlg panel;
    g_announcement.clear();
    ModalScript script(180000);  // some checks step through hundreds of months
    script
        .Then([&] {
            if (HWND box = ::FindWindowA("#32770", "Vellumo reminds you.")) {
                g_announcement = MessageBoxText(box);
                AnswerBox(box, IDOK);
                return false;
            }
            return panel.m_hWnd && ::IsWindowVisible(panel.m_hWnd);
        })
        .Do([&] {
            if (check) check(panel);
        })
        .Do([&] { ::PostMessageA(panel.m_hWnd, WM_COMMAND, IDC_EXIT_MARK, 0); })
        .OnTimeout([&] {
            CloseThreadDialogs();
            if (panel.m_hWnd) ::PostMessageA(panel.m_hWnd, WM_COMMAND, IDC_EXIT_MARK, 0);
        });
    script.Run([&] { return panel.DoModal(); });
}

const std::string& LastAnnouncement() { return g_announcement; }

HWND TipWindowAfterHover(CSkinButton& button) {
    MSG move{button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2), ::GetTickCount(), {2, 2}};
    button.PreTranslateMessage(&move);
    return button.TooltipWindow();
}
