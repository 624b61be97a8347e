#include "tests/support/dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "tests/support/windows_and_processes.h"

namespace {
bool IsVisibleDialog(HWND wnd) {
    char cls[32] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    return std::string(cls) == "#32770" && ::IsWindowVisible(wnd);
}

std::string Caption(HWND wnd) {
    char title[256] = {};
    ::GetWindowTextA(wnd, title, sizeof title);
    return title;
}

BOOL CALLBACK CollectDialogs(HWND wnd, LPARAM lp) {
    if (IsVisibleDialog(wnd)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
    return TRUE;
}

std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> found;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found;
}
}  // namespace

HWND FindThreadDialog(const char* caption) {
    for (HWND wnd : ThreadDialogs())
        if (Caption(wnd) == caption) return wnd;
    return nullptr;
}

HWND FindDialog(const char* caption, bool owned) {
    for (HWND w = ::FindWindowExA(nullptr, nullptr, "#32770", caption); w;
         w = ::FindWindowExA(nullptr, w, "#32770", caption)) {
        if ((::GetWindow(w, GW_OWNER) != nullptr) == owned) return w;
    }
    return nullptr;
}

std::string MessageBoxText(HWND box) {
    char text[8192] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

void AnswerBox(HWND box, int button) { ::PostMessageA(box, WM_COMMAND, button, 0); }

void PostClick(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void CloseThreadDialogs() {
    ::EndMenu();
    for (HWND wnd : ThreadDialogs()) ::PostMessageA(wnd, WM_COMMAND, IDCANCEL, 0);
}

namespace {
// Scripts whose run is going on; a step may start a nested run.
std::vector<ModalScript*>& Running() {
    static std::vector<ModalScript*> running;
    return running;
}
std::vector<UINT_PTR>& RunningTimers() {
    static std::vector<UINT_PTR> timers;
    return timers;
}
}  // namespace

ModalScript::ModalScript(DWORD timeoutMs, std::vector<Step> steps)
    : steps_(std::move(steps)), onTimeout_(&CloseThreadDialogs), timeoutMs_(timeoutMs) {}

ModalScript::~ModalScript() {
    if (timer_) Stop(false);
}

ModalScript& ModalScript::Then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

ModalScript& ModalScript::Do(std::function<void()> action) {
    return Then([action] {
        action();
        return true;
    });
}

ModalScript& ModalScript::Pause(DWORD ms) {
    auto start = std::make_shared<std::optional<DWORD>>();
    return Then([start, ms] {
        if (!*start) *start = ::GetTickCount();
        return ::GetTickCount() - **start >= ms;
    });
}

ModalScript& ModalScript::WaitShown(std::function<HWND()> window) {
    return Then([window] {
        HWND wnd = window();
        return wnd && ::IsWindowVisible(wnd);
    });
}

ModalScript& ModalScript::Answer(const std::string& caption, int button, std::string* text) {
    // Done once the box is gone, so that a later step cannot meet it again.
    // A run that ends with the answer (the box's button closed the dialog
    // under it too) counts the step as done.
    auto answered = std::make_shared<HWND>(nullptr);
    return Then([this, caption, button, text, answered] {
        if (*answered) return !::IsWindow(*answered) || !::IsWindowVisible(*answered);
        HWND box = FindThreadDialog(caption.c_str());
        if (!box) return false;
        if (text) *text = MessageBoxText(box);
        AnswerBox(box, button);
        *answered = box;
        answeredStep_ = next_;
        return false;
    });
}

ModalScript& ModalScript::OnTimeout(std::function<void()> action) {
    onTimeout_ = std::move(action);
    return *this;
}

void ModalScript::Start() {
    started_ = ::GetTickCount();
    timer_ = ::SetTimer(nullptr, 0, 10, &ModalScript::Tick);
    Running().push_back(this);
    RunningTimers().push_back(timer_);
}

void ModalScript::Stop(bool checkSteps) {
    ::KillTimer(nullptr, timer_);
    auto& running = Running();
    auto& timers = RunningTimers();
    const auto at = std::find(running.begin(), running.end(), this);
    if (at != running.end()) {
        timers.erase(timers.begin() + (at - running.begin()));
        running.erase(at);
    }
    timer_ = 0;
    if (!Finished() && answeredStep_ == next_) ++next_;
    if (checkSteps && !timedOut_ && !Finished())
        ADD_FAILURE() << "the modal run ended with step " << next_ + 1 << " of " << steps_.size()
                      << " not played";
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto& timers = RunningTimers();
    const auto at = std::find(timers.begin(), timers.end(), id);
    if (at != timers.end()) Running()[at - timers.begin()]->Play();
}

void ModalScript::Play() {
    const DWORD now = ::GetTickCount();
    if (now - started_ > timeoutMs_) {
        // The watchdog: also while a step of this script is itself inside a
        // nested run (busy), since that run may be what is stuck.
        if (!timedOut_) {
            timedOut_ = true;
            ADD_FAILURE() << "the modal run was still going after " << timeoutMs_ << " ms, at step "
                          << next_ + 1 << " of " << steps_.size();
        } else if (now - lastRescue_ < 500) {
            return;
        }
        lastRescue_ = now;
        if (onTimeout_) onTimeout_();
        return;
    }
    if (busy_ || Finished()) return;
    busy_ = true;
    while (!Finished() && steps_[next_]()) ++next_;
    busy_ = false;
}

const char kReminderBoxCaption[] = "Vellumo reminds you.";

HWND FindAnnouncementBox() { return FindDialog(kReminderBoxCaption, true); }
HWND FindReminderBox() { return FindDialog(kReminderBoxCaption, false); }

std::string DismissAnnouncement(DWORD timeoutMs) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindAnnouncementBox()) != nullptr; }, timeoutMs)) return "";
    const std::string text = MessageBoxText(box);
    AnswerBox(box, IDOK);
    WaitFor([&] { return !::IsWindow(box); }, 3000);
    return text;
}

HWND WaitForReminderBox(DWORD timeoutMs) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            if (HWND announcement = FindAnnouncementBox()) AnswerBox(announcement, IDOK);
            return (box = FindReminderBox()) != nullptr;
        },
        timeoutMs);
    return box;
}

