// Dialogs and message boxes: finding and answering them, in this thread or
// in another process, the program's reminder boxes, and the modal driver.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A visible dialog or message box of this thread with this caption, or null.
HWND FindThreadDialog(const char* caption);
// A top-level dialog-class window (any process) with this caption whose
// owner is set (`owned`) or not, or null.
HWND FindDialog(const char* caption, bool owned);
// The text of a message box.
std::string MessageBoxText(HWND box);
// Presses one of a box's buttons (IDOK, IDYES, ...) without waiting.
void AnswerBox(HWND box, int button);
// Posts a click of button `id` of `dialog`.
void PostClick(HWND dialog, int id);
// Posts IDCANCEL to every visible dialog of this thread and ends a tracked
// menu: what a stuck modal run is ended with.
void CloseThreadDialogs();

// The program's reminder boxes share one caption, written out here apart from
// the program's: the start-up announcement of the coming memos is owned by
// the panel, a reminder has no owner.
extern const char kReminderBoxCaption[];
HWND FindAnnouncementBox();
HWND FindReminderBox();
// Closes the announcement if one shows; returns its text ("" if none).
std::string DismissAnnouncement(DWORD timeoutMs);
// Waits for a reminder box, closing any announcement met on the way.
HWND WaitForReminderBox(DWORD timeoutMs);

// The modal driver, the one way the window tests act inside a modal loop: a
// script of steps played from a timer of this thread (every 10 ms) while the
// caller sits in DoModal, a tracked menu or a command that opens a dialog,
// guarded by a watchdog so that a stuck run fails its test instead of
// hanging the suite.
class ModalScript {
public:
    // A step returns true when it is done; the ready ones run in one tick.
    // Steps must not wait for the loop they run in: click with PostMessage.
    using Step = std::function<bool()>;

    explicit ModalScript(DWORD timeoutMs = 30000, std::vector<Step> steps = {});
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& Then(Step step);
    // A step that is done at once.
    ModalScript& Do(std::function<void()> action);
    // Lets `ms` pass with the loops running (for checks that nothing happens).
    ModalScript& Pause(DWORD ms);
    // Waits until `window()` is a visible window.
    ModalScript& WaitShown(std::function<HWND()> window);
    // Waits for a dialog or box of this thread with `caption`, keeps its
    // text in `*text` (if given), presses `button` and waits for it to go.
    ModalScript& Answer(const std::string& caption, int button, std::string* text = nullptr);
    // What the watchdog does, again every half second, until the run
    // returns; by default CloseThreadDialogs().
    ModalScript& OnTimeout(std::function<void()> action);

    // Runs `modal` (which returns once the modal loop ends) while the script
    // plays. The test fails when the watchdog fired, or when the run ended
    // before every step was played.
    template <class Modal>
    auto Run(Modal&& modal) -> decltype(modal()) {
        Start();
        Stopper stop{this, true};
        return modal();
    }
    // The same, but steps left unplayed are no failure (a box that may or
    // may not show); only the watchdog fails the test.
    template <class Modal>
    auto RunUnchecked(Modal&& modal) -> decltype(modal()) {
        Start();
        Stopper stop{this, false};
        return modal();
    }

    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }
    size_t StepReached() const { return next_; }

private:
    struct Stopper {
        ModalScript* script;
        bool checkSteps;
        ~Stopper() { script->Stop(checkSteps); }
    };
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    void Start();
    void Stop(bool checkSteps);
    void Play();

    std::vector<Step> steps_;
    std::function<void()> onTimeout_;
    DWORD timeoutMs_;
    DWORD started_ = 0;
    DWORD lastRescue_ = 0;
    size_t next_ = 0;
    size_t answeredStep_ = static_cast<size_t>(-1);  // the step whose box was answered
    bool timedOut_ = false;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};
