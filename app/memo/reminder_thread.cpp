#include "app/memo/reminder_thread.h"

#include "app/memo/memo_store.h"
#include "app/memo/repeat_occurrences.h"
#include "app/settings/settings_store.h"
#include "core/calendar/day_number.h"
#include "core/memo/repeat_choices.h"
#include "platform/handles.h"
#include "platform/local_time.h"

namespace {
constexpr DWORD kPassInterval = 27000;  // ms; every minute sees at least two passes

// Plain handles, never closed while the thread may run: it outlives every
// static destructor at exit, so nothing it waits on may go before it.
HANDLE g_stop = nullptr;  // manual-reset; set only by StopReminderThread
HANDLE g_wake = nullptr;  // auto-reset; a pass now
HANDLE g_thread = nullptr;
DWORD g_threadId = 0;

std::optional<std::string> ReadMemo(int year, int month, int day) {
    return Memos().ReadMemo(year, month, day);
}

std::optional<std::string> ReadNotice(int year, int month, int day) {
    return Memos().ReadNotice(year, month, day);
}

// Set before the thread starts, only read after.
ExtraReminderReader g_extraReminders = nullptr;

// The passes' own view of the repeating memos, never destroyed: the thread
// runs on past static destructors.
RepeatOccurrences& PassRepeats() {
    static RepeatOccurrences* const repeats = new RepeatOccurrences;
    return *repeats;
}

// A reminder `ahead` minutes before a memo due on `due`, when that falls on `date`.
void AddAhead(std::vector<DayReminder>& found, const Date& date, const Date& due, int hour,
              int minute, int ahead, const std::string& content) {
    const LocalDateTime at = LocalDateTimeOf(WallMinuteOf(due, hour, minute) - ahead);
    if (at.date != date) return;
    found.push_back(DayReminder{at.time.hour, at.time.minute,
                                AheadReminderText(due, hour, minute, date, content)});
}

// The repeating memos' reminders on `date`, the reminders ahead that fall on
// it (of memos due then or up to a week later, plain or repeating), and the
// timed events of the calendars whose reminders are wanted.
std::vector<DayReminder> ReadRepeatReminders(const Date& date) {
    std::vector<DayReminder> found;
    for (const RepeatMemo* memo : PassRepeats().On(date.year, date.month, date.day))
        if (memo->hasTime)
            found.push_back(DayReminder{memo->hour, memo->minute,
                                        MemoRecord(DateText(date.year, date.month, date.day),
                                                   memo->text)});
    for (int k = 0; k * kMinutesPerDay <= kMaxRemindAheadMinutes; ++k) {
        const Date due = DateOfDayNumber(DayNumber(date) + k);
        if (const int ahead = Memos().ReadAhead(due))
            if (const std::optional<DayReminder> own = ReadDayReminder(due, ReadMemo, ReadNotice))
                AddAhead(found, date, due, own->hour, own->minute, ahead, CutMemoHead(own->memoText));
        for (const RepeatMemo* memo : PassRepeats().On(due.year, due.month, due.day))
            if (memo->hasTime && memo->aheadMinutes > 0)
                AddAhead(found, date, due, memo->hour, memo->minute, memo->aheadMinutes, memo->text);
    }
    if (ExtraReminderReader extra = g_extraReminders)
        for (DayReminder& event : extra(date)) found.push_back(std::move(event));
    return found;
}

WallMinute Now() { return WallMinuteOf(LocalDateTimeNow()); }

// Every copy of the program this user runs reads, changes and writes the
// kept state (at midnight the old copy's answer meets the new copy's pass):
// one mutex by name makes each read-change-write whole.
constexpr char kStateMutexName[] = "Vellumo reminder state";
constexpr DWORD kStateWaitMs = 5000;  // held for one registry read and write

class StateLock {
public:
    StateLock() : m_mutex(::CreateMutexA(nullptr, FALSE, kStateMutexName)) {
        if (!m_mutex) return;
        const DWORD got = ::WaitForSingleObject(m_mutex.Get(), kStateWaitMs);
        // A copy that ended while holding it left the value whole: one write each.
        m_held = got == WAIT_OBJECT_0 || got == WAIT_ABANDONED;
    }
    ~StateLock() {
        if (m_held) ::ReleaseMutex(m_mutex.Get());
    }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    // False when another holder kept it past the wait (or there is no mutex).
    bool Held() const { return m_held; }

private:
    KernelHandle m_mutex;
    bool m_held = false;
};
}  // namespace

void SetExtraReminders(ExtraReminderReader reader) { g_extraReminders = reader; }

void RunReminderPass(WallMinute now, ReminderWindow& window) {
    const bool catchUp = RemindMissedFromStored(ReadSettingValue(kRemindMissedValue));
    PassRepeats().Update();  // outside the lock: it reads the folder
    ReminderPass pass;
    {
        const StateLock lock;
        // A holder that does not let go: the next pass tries again, rather
        // than write over what it keeps.
        if (!lock.Held()) return;
        const std::string kept = ReadReminderStateText();
        pass = RunSchedule(ParseReminderState(kept), now, catchUp, ReadMemo, ReadNotice,
                           ReadRepeatReminders);
        // Kept before anything shows: a crash with the window open shows the
        // same reminders again at the next start instead of losing them.
        const std::string text = ReminderStateText(pass.state);
        if (text != kept) WriteReminderStateText(text);
    }
    window.Update(pass.toShow, pass.olderMissed, pass.firstMissed, now);
}

void AnswerReminders(const std::vector<ReminderKey>& keys, int snoozeMinutes) {
    // The user's answer is kept even past a holder that does not let go.
    const StateLock lock;
    // Read again: another copy (the day change's new one) may have kept more.
    ReminderState state = ParseReminderState(ReadReminderStateText());
    state = snoozeMinutes > 0 ? Snooze(std::move(state), keys, Now() + snoozeMinutes)
                              : Dismiss(std::move(state), keys);
    WriteReminderStateText(ReminderStateText(state));
}

DWORD WINAPI ReminderThread(LPVOID) {
    ReminderWindow window(&AnswerReminders);
    MSG msg;
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue, for StopReminderThread's quit
    DWORD nextPass = ::GetTickCount();
    for (;;) {
        if (static_cast<LONG>(::GetTickCount() - nextPass) >= 0) {
            RunReminderPass(Now(), window);
            nextPass = ::GetTickCount() + kPassInterval;
        }
        const LONG left = static_cast<LONG>(nextPass - ::GetTickCount());
        const HANDLE handles[2] = {g_stop, g_wake};
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(2, handles, left > 0 ? static_cast<DWORD>(left) : 0,
                                                         QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) break;
        if (woke == WAIT_OBJECT_0 + 1) nextPass = ::GetTickCount();
        if (woke != WAIT_OBJECT_0 + 2) continue;
        bool quit = false;
        while (!quit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) quit = true;
            else if (!window.PreTranslate(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
        if (quit) break;
    }
    window.Close();
    return 0;
}

DWORD StartReminderThread() {
    if (g_thread != nullptr && ::WaitForSingleObject(g_thread, 0) == WAIT_TIMEOUT)
        return g_threadId;
    StopReminderThread();  // lets go of an ended one
    if (g_stop == nullptr) g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_wake == nullptr) g_wake = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (g_stop == nullptr || g_wake == nullptr) return 0;
    ::ResetEvent(g_stop);
    ::ResetEvent(g_wake);
    DWORD id = 0;
    g_thread = ::CreateThread(nullptr, 0, &ReminderThread, nullptr, 0, &id);
    g_threadId = g_thread != nullptr ? id : 0;
    return g_threadId;
}

void WakeReminderThread() {
    if (g_wake != nullptr) ::SetEvent(g_wake);
}

DWORD ReminderThreadId() { return g_threadId; }

bool StopReminderThread() {
    if (g_thread == nullptr) return true;
    ::SetEvent(g_stop);
    // A nested loop (the snooze list open, a move of the window) would take
    // the quit; posted again until the thread ends.
    DWORD waited = 0;
    for (;;) {
        ::PostThreadMessageA(g_threadId, WM_QUIT, 0, 0);
        if (::WaitForSingleObject(g_thread, 50) == WAIT_OBJECT_0) break;
        if ((waited += 50) >= 10000) return false;
    }
    KernelHandle ended(g_thread);
    g_thread = nullptr;
    g_threadId = 0;
    return true;
}
