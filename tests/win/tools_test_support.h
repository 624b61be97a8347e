// Helpers of the tools tests: stand-in folders, the stored clean option,
// boxes and dialogs of this thread, and scripts run from a timer while a
// modal loop of the code under test is running.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// tests\support\<name> beside the test program.
std::string SupportDir(const std::string& name);
std::string ReadWholeFile(const std::string& path);
// An empty folder of its own under the temp folder (made afresh).
std::string FreshTempDir(const std::string& name);

// The CleanOption value: store a text, or delete it with nullptr. The
// settings key is created first, as the settings dialog would have.
void StoreCleanOption(const char* text);
// The stored text, or "<none>".
std::string StoredCleanOption();

// A visible dialog or message box of this thread with this caption, or null.
HWND FindThreadDialog(const char* caption);
// The text of a message box.
std::string MessageBoxText(HWND box);

// Runs `steps` in order from a timer of this thread (every 10 ms) while the
// caller sits in a modal loop. A step returns true when it is done. After
// `timeoutMs` the script stops and `onTimeout` runs (it should end the modal
// loop). Steps must not block: click with PostMessage.
class TimerScript {
public:
    using Step = std::function<bool()>;
    TimerScript(std::vector<Step> steps, std::function<void()> onTimeout, DWORD timeoutMs = 10000);
    ~TimerScript();
    TimerScript(const TimerScript&) = delete;
    TimerScript& operator=(const TimerScript&) = delete;

    bool Finished() const { return next_ == steps_.size(); }
    bool TimedOut() const { return timedOut_; }
    size_t StepReached() const { return next_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Run();

    std::vector<Step> steps_;
    std::function<void()> onTimeout_;
    DWORD deadline_;
    size_t next_ = 0;
    bool timedOut_ = false;
    bool busy_ = false;
    UINT_PTR timer_ = 0;
};

// Posts a click of button `id` of `dialog`.
void PostClick(HWND dialog, int id);
