#include "app/sync/calendar_sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "app/calendars/calendar_layer.h"
#include "app/memo/memo_store.h"
#include "app/sync/stored_memos.h"
#include "core/sync/dav_url.h"
#include "platform/ansi_code_page.h"
#include "platform/handles.h"
#include "platform/local_time.h"
#include "platform/system_library.h"
#include "platform/worker_end.h"

namespace {

constexpr ULONGLONG kNever = ~0ULL;
constexpr ULONGLONG kPeriodMs = 15 * 60 * 1000;
// Changes close together go in one sync.
constexpr ULONGLONG kAfterChangeMs = 3000;
// After a failure: half a minute, doubling, at most half an hour.
constexpr ULONGLONG kFirstRetryMs = 30 * 1000;
constexpr ULONGLONG kLongestRetryMs = 30 * 60 * 1000;
constexpr auto kStopWait = std::chrono::seconds(3);
// A network that came back takes a moment to answer.
constexpr ULONGLONG kAfterNetworkMs = 2000;

typedef DWORD(WINAPI NotifyAddrChangeFn)(PHANDLE, LPOVERLAPPED);
typedef BOOL(WINAPI CancelIPChangeNotifyFn)(LPOVERLAPPED);

ULONGLONG RetryPause(int failures) {
    ULONGLONG pause = kFirstRetryMs;
    for (int i = 1; i < failures && pause < kLongestRetryMs; ++i) pause *= 2;
    return std::min(pause, kLongestRetryMs);
}

LocalDateTime FromSystemTime(const SYSTEMTIME& t) {
    return LocalDateTime{Date{t.wYear, t.wMonth, t.wDay}, TimeOfDay{t.wHour, t.wMinute, t.wSecond}};
}

LocalDateTime LocalNow() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return FromSystemTime(local);
}

// A failure before the sync itself, worded as the sync's own.
std::string Failed(const std::string& error) {
    SyncReport report;
    report.error = error;
    return DescribeSync(report, LocalNow());
}

std::string LayerName(const SyncAccount& account) {
    return account.calendarName.empty() ? "Calendar server" : account.calendarName;
}

bool SameServer(const SyncAccount& a, const SyncAccount& b) {
    return a.address == b.address && a.user == b.user;
}

}  // namespace

struct CalendarSync::Shared {
    mutable std::mutex lock;
    std::condition_variable wake, ended;
    bool stop = false, workerEnded = false;
    HWND window = nullptr;
    UINT message = 0;
    CalendarLayer* layer = nullptr;
    SyncAccount account;                 // kept
    std::optional<SyncAccount> once;     // the dialog's, for the next sync only
    SyncAccount lastGood;                // of the last sync that did not fail
    bool refused = false;                // the kept account's password was refused
    ULONGLONG dueAt = 0;
    int failures = 0;
    Status status;
    KernelHandle stopWatch{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};  // ends the network's watch

    void Work();
    void WatchNetwork();
    // The machine's addresses changed: a failing sync tries again soon.
    void NetworkChanged() {
        std::lock_guard<std::mutex> hold(lock);
        if (failures == 0 || refused || !account.Configured()) return;
        dueAt = std::min(dueAt, ::GetTickCount64() + kAfterNetworkMs);
        wake.notify_all();
    }
    // One sync; the status line it ends with, and whether memos changed.
    bool SyncOnce(SyncAccount& account, std::string& line, bool& failed);
    void Publish(const std::string& ics, const SyncAccount& account) {
        CalendarLayer* shown = nullptr;
        {
            std::lock_guard<std::mutex> hold(lock);
            shown = layer;
        }
        if (shown != nullptr) shown->ShowExtra(LayerName(account), ics);
    }
    void Say(const std::string& line) {
        std::lock_guard<std::mutex> hold(lock);
        status.line = line;
        ++status.serial;
    }
};

bool CalendarSync::Shared::SyncOnce(SyncAccount& account, std::string& line,
                                    bool& failed) {
    failed = true;
    if (!account.Configured()) {
        line = Failed("No calendar server is set.");
        return false;
    }
    const DavAccount credentials{account.user, account.password};
    if (account.calendar.empty() || account.calendar == kMakeVellumoCalendar) {
        Say("Looking for your calendars...");
        const Discovery found = DiscoverCalendars(account.address, credentials);
        {
            std::lock_guard<std::mutex> hold(lock);
            status.found = found.calendars;
            status.authFailed = found.authFailed;
        }
        if (!found.error.empty()) {
            line = Failed(found.error);
            return false;
        }
        const bool make = account.calendar == kMakeVellumoCalendar || found.calendars.empty();
        account.calendar.clear();
        if (make) {
            std::string url;
            const std::string error = MakeVellumoCalendar(found.home, credentials, url);
            if (!error.empty()) {
                line = Failed("The calendar \"Vellumo\" could not be made: " + error);
                return false;
            }
            account.calendar = url;
            account.calendarName = "Vellumo";
        } else {
            // The address's own calendar, or one named for this program.
            for (const FoundCalendar& c : found.calendars)
                if (found.calendars.size() == 1 || c.name == "Vellumo") {
                    account.calendar = c.url;
                    account.calendarName = c.name;
                }
            if (account.calendar.empty()) {
                failed = false;
                line = "Found " + std::to_string(found.calendars.size()) +
                       " calendars: choose the one to sync with, then Sync now.";
                return false;
            }
        }
        std::lock_guard<std::mutex> hold(lock);
        // The background syncs use it too when it is the kept account's.
        if (SameServer(account, this->account)) {
            this->account.calendar = account.calendar;
            this->account.calendarName = account.calendarName;
            SaveSyncAccount(this->account);
        }
    }
    {
        std::lock_guard<std::mutex> hold(lock);
        status.chosen = account.calendar;
        status.chosenName = account.calendarName;
    }
    Say("Syncing with " + (account.calendarName.empty() ? account.calendar : account.calendarName) + "...");

    SyncState state = LoadSyncState();
    if (state.calendar != account.calendar) {
        state = SyncState{};
        state.calendar = account.calendar;
    }
    DavLink link(account.calendar, credentials);
    StoredMemos memos(LocalDateNow());
    SYSTEMTIME utc{};
    ::GetSystemTime(&utc);
    SyncContext context;
    context.codePage = SystemAnsiCodePage();
    context.utcToLocal = UtcToLocalTime;
    context.nowUtc = FromSystemTime(utc);
    context.nowLocal = LocalNow();
    UrlParts parts;
    if (SplitUrl(account.calendar, parts)) context.server = parts.host;
    context.keep = [](const SyncState& kept, bool) { SaveSyncState(kept); };
    const SyncReport report = SyncMemos(state, memos, link, context);
    const std::string others = state.others.empty() ? std::string() : JoinOtherEvents(state.others);
    SaveOtherEvents(others);
    Publish(others, account);
    {
        std::lock_guard<std::mutex> hold(lock);
        status.authFailed = report.authFailed;
    }
    line = DescribeSync(report, LocalNow());  // when it ended
    if (!memos.BackupName().empty())
        line += " What it replaced is kept in the backup " + memos.BackupName() + ".";
    failed = !report.error.empty();
    return report.received + report.deletedHere + report.merged > 0;
}

void CalendarSync::Shared::Work() {
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (stop) break;
        if (dueAt > now) {
            if (dueAt == kNever)
                wake.wait(hold);
            else
                wake.wait_for(hold, std::chrono::milliseconds(dueAt - now));
            continue;
        }
        const bool fromDialog = once.has_value();
        SyncAccount job = fromDialog ? *once : account;
        once.reset();
        dueAt = kNever;
        status.busy = true;
        ++status.serial;
        hold.unlock();

        std::string line;
        bool failed = false;
        const bool memosChanged = SyncOnce(job, line, failed);

        hold.lock();
        status.busy = false;
        status.line = line;
        if (!failed) lastGood = job;
        ++status.serial;
        if (SameServer(job, account)) SaveSyncStatus(line);
        // A refused password is not tried again by itself (a server may lock
        // the account): the user's "Sync now" or a changed account is awaited.
        refused = status.authFailed && SameServer(job, account) && job.password == account.password;
        if (account.Configured() && !refused) {
            failures = failed ? failures + 1 : 0;
            const ULONGLONG next = ::GetTickCount64() + (failed ? RetryPause(failures) : kPeriodMs);
            // A change or a "Sync now" meanwhile keeps its sooner time.
            if (dueAt == kNever || dueAt > next) dueAt = next;
        }
        if (window != nullptr) ::PostMessageA(window, message, memosChanged ? 1 : 0, 0);
    }
    workerEnded = true;
    ended.notify_all();
}

// Waits for the machine's network addresses to change (the network came
// back, another one was joined) until told to stop. The IP helper is loaded
// only here: a program without an account never needs it. Where the system
// does not offer the notification, the retries' pauses alone remain.
void CalendarSync::Shared::WatchNetwork() {
    HMODULE helper = LoadSystemLibrary("iphlpapi.dll");
    NotifyAddrChangeFn* notify = nullptr;
    CancelIPChangeNotifyFn* cancel = nullptr;
    if (!BindExport(helper, "NotifyAddrChange", notify) || !BindExport(helper, "CancelIPChangeNotify", cancel))
        return;
    KernelHandle changed(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!changed) return;
    for (;;) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = changed.Get();
        HANDLE unused = nullptr;
        if (notify(&unused, &overlapped) != ERROR_IO_PENDING) return;
        const HANDLE waits[2] = {changed.Get(), stopWatch.Get()};
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
            cancel(&overlapped);
            return;
        }
        NetworkChanged();
    }
}

CalendarSync::CalendarSync() : m_shared(std::make_shared<Shared>()) {}

CalendarSync::~CalendarSync() {
    Memos().StopListening(this);
    if (!m_worker.joinable()) return;
    ::SetEvent(m_shared->stopWatch.Get());
    if (m_networkWatch.joinable()) m_networkWatch.join();
    std::unique_lock<std::mutex> hold(m_shared->lock);
    m_shared->stop = true;
    m_shared->window = nullptr;
    m_shared->layer = nullptr;
    m_shared->wake.notify_all();
    EndWorker(m_worker, hold, m_shared->ended, m_shared->workerEnded, kStopWait);
}

void CalendarSync::Start(HWND window, UINT message, CalendarLayer* layer) {
    // Every save and delete of a memo in this program reaches the server soon
    // after (the store tells its listeners on the saving thread).
    Memos().Listen(
        [](void* sync, const MemoStore::MemoChange&) { static_cast<CalendarSync*>(sync)->MemoChanged(); },
        this);
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->window = window;
        m_shared->message = message;
        m_shared->layer = layer;
        m_shared->account = LoadSyncAccount();
        m_shared->status.line = LoadSyncStatus();
        if (!m_shared->account.Configured()) return;
        m_shared->dueAt = 0;
    }
    // The events made elsewhere show from the last sync's copy at once, in
    // time for the start-up announcement.
    if (layer != nullptr) {
        const std::string others = LoadOtherEvents();
        if (!others.empty()) layer->ShowExtra(LayerName(Account()), others);
    }
    StartWorker();
}

void CalendarSync::StartWorker() {
    if (m_worker.joinable()) return;
    std::shared_ptr<Shared> shared = m_shared;
    m_worker = std::thread([shared] { shared->Work(); });
    m_networkWatch = std::thread([shared] { shared->WatchNetwork(); });
}

void CalendarSync::MemoChanged() {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    if (!m_shared->account.Configured() || m_shared->refused) return;
    m_shared->dueAt = std::min(m_shared->dueAt, ::GetTickCount64() + kAfterChangeMs);
    m_shared->wake.notify_all();
}

void CalendarSync::SyncSoon(bool userAsked) {
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        if (!m_shared->account.Configured() || (m_shared->refused && !userAsked)) return;
        m_shared->refused = false;
        m_shared->dueAt = 0;
        m_shared->wake.notify_all();
    }
    StartWorker();
}

void CalendarSync::SyncWith(const SyncAccount& account) {
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->once = account;
        m_shared->dueAt = 0;
        m_shared->status.line = "Syncing...";
        ++m_shared->status.serial;
        m_shared->wake.notify_all();
    }
    StartWorker();
}

std::string CalendarSync::Keep(const SyncAccount& account) {
    const std::string error = SaveSyncAccount(account);
    if (!error.empty()) return error;
    CalendarLayer* layer = nullptr;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        auto differs = [&account](const SyncAccount& other) {
            return !SameServer(account, other) || account.calendar != other.calendar ||
                   account.password != other.password;
        };
        // Not again when the dialog's "Sync now" has just synced with it.
        const bool changed = differs(m_shared->account) && differs(m_shared->lastGood);
        m_shared->account = account;
        m_shared->refused = false;
        if (!account.Configured()) {
            m_shared->dueAt = kNever;
            layer = m_shared->layer;
        } else if (changed) {
            m_shared->dueAt = 0;
        }
        m_shared->failures = 0;
        m_shared->wake.notify_all();
    }
    if (!account.Configured()) {
        // No account: nothing of its server stays shown or kept.
        ForgetSyncState();
        if (layer != nullptr) layer->ShowExtra(std::string(), std::string());
        return std::string();
    }
    StartWorker();
    return std::string();
}

CalendarSync::Status CalendarSync::CurrentStatus() const {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    return m_shared->status;
}

SyncAccount CalendarSync::Account() const {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    return m_shared->account;
}
