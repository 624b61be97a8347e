// The one way the window tests act inside a modal loop: a script of steps
// played from a timer of this thread (every 10 ms) while the caller sits in
// DoModal, a tracked menu or a command that opens a dialog, guarded by a
// watchdog so that a stuck run fails its test instead of hanging the suite.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
