#include "app/sync/calendar_sync.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "app/calendars/calendar_layer.h"
#include "app/sync/stored_memos.h"
#include "core/sync/dav_url.h"
#include "platform/ansi_code_page.h"
#include "platform/local_time.h"

namespace {

constexpr ULONGLONG kNever = ~0ULL;
constexpr ULONGLONG kPeriodMs = 15 * 60 * 1000;
// Changes close together go in one sync.
constexpr ULONGLONG kAfterChangeMs = 3000;
// After a failure: half a minute, doubling, at most half an hour.
constexpr ULONGLONG kFirstRetryMs = 30 * 1000;
constexpr ULONGLONG kLongestRetryMs = 30 * 60 * 1000;
constexpr auto kStopWait = std::chrono::seconds(3);

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
    ULONGLONG dueAt = 0;
    int failures = 0;
    Status status;

    void Work();
    // One sync; the status line it ends with, and whether memos changed.
    bool SyncOnce(SyncAccount account, std::string& line, bool& failed);
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

bool CalendarSync::Shared::SyncOnce(SyncAccount account, std::string& line,
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
    line = DescribeSync(report, context.nowLocal);
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
        const SyncAccount job = fromDialog ? *once : account;
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
        ++status.serial;
        if (SameServer(job, account)) SaveSyncStatus(line);
        if (account.Configured()) {
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

CalendarSync::CalendarSync() : m_shared(std::make_shared<Shared>()) {}

CalendarSync::~CalendarSync() {
    if (!m_worker.joinable()) return;
    std::unique_lock<std::mutex> hold(m_shared->lock);
    m_shared->stop = true;
    m_shared->window = nullptr;
    m_shared->layer = nullptr;
    m_shared->wake.notify_all();
    // A request under way ends at its own time limits; the worker keeps what
    // it needs alive by itself.
    const bool ended =
        m_shared->ended.wait_for(hold, kStopWait, [this] { return m_shared->workerEnded; });
    hold.unlock();
    if (ended)
        m_worker.join();
    else
        m_worker.detach();
}

void CalendarSync::Start(HWND window, UINT message, CalendarLayer* layer) {
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
}

void CalendarSync::MemoChanged() {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    if (!m_shared->account.Configured()) return;
    m_shared->dueAt = std::min(m_shared->dueAt, ::GetTickCount64() + kAfterChangeMs);
    m_shared->wake.notify_all();
}

void CalendarSync::SyncSoon() {
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        if (!m_shared->account.Configured()) return;
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
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        const bool changed = !SameServer(account, m_shared->account) ||
                             account.calendar != m_shared->account.calendar ||
                             account.password != m_shared->account.password;
        m_shared->account = account;
        if (!account.Configured()) return std::string();
        if (changed) m_shared->dueAt = 0;
        m_shared->failures = 0;
        m_shared->wake.notify_all();
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
