#include "app/calendars/calendar_layer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/calendars/subscription_store.h"
#include "core/calendar/month_model.h"
#include "platform/ansi_code_page.h"
#include "platform/handles.h"
#include "platform/http_client.h"
#include "platform/worker_end.h"

namespace {

constexpr std::size_t kAnswerLimit = 20u * 1024 * 1024;
// Nothing sleeps longer than this between looks at the schedule, so a
// changed clock or a sleep of the machine is caught within the hour.
constexpr std::int64_t kLongestWait = 3600;
// How long the panel's end waits for a fetch under way to end.
constexpr auto kStopWait = std::chrono::seconds(3);

struct Calendar {
    Subscription sub;
    std::shared_ptr<const CalendarEvents> events;  // null until its copy is read
    bool loadCopy = true;                           // the worker reads the kept copy
    bool forced = false;                            // fetch now, due or not
    bool extra = false;                             // shown only: see ShowExtra
};

constexpr char kExtraId[] = "extra";

ImportContext EventContext() {
    ImportContext context;
    context.codePage = SystemAnsiCodePage();
    context.utcToLocal = UtcToLocalTime;
    return context;
}

std::shared_ptr<const CalendarEvents> EventsOf(const std::string& bytes) {
    const IcalDocument document = ReadIcalendar(bytes);
    if (!document.error.empty()) return nullptr;
    return std::make_shared<const CalendarEvents>(document, EventContext());
}

FetchAnswer ReadLocalFile(const std::string& path) {
    FetchAnswer answer;
    FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.Valid() || !::GetFileSizeEx(file.Get(), &size)) {
        answer.error = "The calendar file cannot be opened.";
        return answer;
    }
    if (size.QuadPart > static_cast<LONGLONG>(kAnswerLimit)) {
        answer.error = "The calendar file is larger than the limit of 20 MB.";
        return answer;
    }
    answer.body.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!answer.body.empty() &&
        (!::ReadFile(file.Get(), &answer.body[0], static_cast<DWORD>(answer.body.size()), &read,
                     nullptr) ||
         read != answer.body.size()))
        answer.error = "The calendar file cannot be read.";
    return answer;
}

// One fetch; with a kept copy, a conditional one (a local file the same as
// the copy counts as unchanged).
FetchAnswer Fetch(const Subscription& sub, bool haveCopy) {
    const CalendarAddress address = CheckCalendarAddress(sub.location);
    if (!address.error.empty()) {
        FetchAnswer refused;
        refused.error = address.error;
        return refused;
    }
    if (address.localFile) {
        FetchAnswer answer = ReadLocalFile(address.location);
        if (answer.error.empty() && haveCopy && ReadCalendarCopy(sub.id) == answer.body)
            answer.status = 304;
        return answer;
    }
    HttpRequest request;
    request.url = address.location;
    request.answerLimit = kAnswerLimit;
    request.headers.emplace_back("Accept", "text/calendar, */*");
    if (haveCopy && !sub.etag.empty()) request.headers.emplace_back("If-None-Match", sub.etag);
    if (haveCopy && !sub.lastModified.empty())
        request.headers.emplace_back("If-Modified-Since", sub.lastModified);
    const HttpResult result = HttpSend(request);
    FetchAnswer answer;
    answer.error = result.error;
    answer.status = result.status;
    answer.body = result.body;
    answer.etag = result.Header("ETag");
    answer.lastModified = result.Header("Last-Modified");
    return answer;
}

// "<calendar>: <event>", "<calendar>: <time> <event>" for a timed one, on a
// line of its own.
void AddLine(std::string& text, const CalendarLayer::Entry& entry) {
    if (!text.empty()) text += "\r\n";
    text += entry.calendar + ": ";
    const TimeOfDay& t = entry.event.time;
    if (entry.event.timed)
        text += std::to_string(t.hour) + ":" + (t.minute < 10 ? "0" : "") + std::to_string(t.minute) + " ";
    text += entry.event.text;
}

}  // namespace

struct CalendarLayer::Shared {
    mutable std::mutex lock;
    std::condition_variable wake;
    std::condition_variable ended;
    bool stop = false;
    bool workerEnded = false;
    bool copiesRead = false;
    bool workerStarted = false;
    std::vector<Calendar> calendars;
    HWND window = nullptr;
    UINT message = 0;
    int reads = 0;
    unsigned generation = 1;  // changes whenever what the layer shows changes

    Calendar* Find(const std::string& id) {
        for (Calendar& c : calendars)
            if (c.sub.id == id) return &c;
        return nullptr;
    }
    void Changed() {
        ++generation;
        if (window != nullptr) ::PostMessageA(window, message, 0, 0);
    }
    void Work();
    bool LoadOneCopy();
    bool FetchOneDue();
};

// Reads one kept copy the worker has not read yet; false when none is left.
bool CalendarLayer::Shared::LoadOneCopy() {
    std::string id;
    {
        std::lock_guard<std::mutex> hold(lock);
        for (Calendar& c : calendars)
            if (c.loadCopy) {
                c.loadCopy = false;
                id = c.sub.id;
                break;
            }
    }
    if (id.empty()) return false;
    const std::optional<std::string> copy = ReadCalendarCopy(id);
    std::shared_ptr<const CalendarEvents> events = copy ? EventsOf(*copy) : nullptr;
    std::lock_guard<std::mutex> hold(lock);
    ++reads;
    if (Calendar* c = Find(id)) {
        c->events = events;
        Changed();
    }
    return true;
}

// Fetches the calendar due first; false when none is due now.
bool CalendarLayer::Shared::FetchOneDue() {
    Subscription sub;
    bool haveCopy = false;
    {
        std::lock_guard<std::mutex> hold(lock);
        const std::int64_t now = CalendarClockNow();
        Calendar* due = nullptr;
        for (Calendar& c : calendars)
            if (!c.extra && (c.forced || NextRefreshAt(c.sub) <= now)) {
                due = &c;
                break;
            }
        if (due == nullptr) return false;
        due->forced = false;
        sub = due->sub;
        haveCopy = due->events != nullptr;
    }
    const FetchAnswer answer = Fetch(sub, haveCopy);
    FetchVerdict verdict = TakeFetch(sub, answer, CalendarClockNow());
    std::shared_ptr<const CalendarEvents> events;
    if (verdict.fresh) {
        events = std::make_shared<const CalendarEvents>(verdict.document, EventContext());
        WriteCalendarCopy(sub.id, answer.body);
    }
    std::lock_guard<std::mutex> hold(lock);
    if (verdict.fresh) ++reads;
    Calendar* c = Find(sub.id);
    if (c == nullptr) return true;  // removed meanwhile
    // The dialog may have renamed it or changed its reminders meanwhile.
    sub.name = c->sub.name;
    sub.reminders = c->sub.reminders;
    c->sub = sub;
    if (events) c->events = events;
    SaveSubscription(sub);
    Changed();
    return true;
}

void CalendarLayer::Shared::Work() {
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(lock);
            if (stop) break;
        }
        if (LoadOneCopy()) continue;
        {
            std::lock_guard<std::mutex> hold(lock);
            copiesRead = true;
            ended.notify_all();
        }
        if (FetchOneDue()) continue;
        std::unique_lock<std::mutex> hold(lock);
        std::int64_t next = CalendarClockNow() + kLongestWait;
        for (const Calendar& c : calendars) {
            if (c.extra) continue;
            if (c.forced || c.loadCopy) next = 0;
            next = std::min(next, NextRefreshAt(c.sub));
        }
        const std::int64_t wait = std::max<std::int64_t>(next - CalendarClockNow(), 0);
        if (wait > 0 && !stop) wake.wait_for(hold, std::chrono::seconds(wait));
    }
    std::lock_guard<std::mutex> hold(lock);
    workerEnded = true;
    ended.notify_all();
}

std::int64_t CalendarClockNow() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const std::int64_t ticks =
        (static_cast<std::int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000000;
}

CalendarLayer::CalendarLayer() : m_shared(std::make_shared<Shared>()) {}

CalendarLayer::~CalendarLayer() {
    if (!m_worker.joinable()) return;
    std::unique_lock<std::mutex> hold(m_shared->lock);
    m_shared->stop = true;
    m_shared->window = nullptr;
    m_shared->wake.notify_all();
    EndWorker(m_worker, hold, m_shared->ended, m_shared->workerEnded, kStopWait);
}

void CalendarLayer::Start(HWND window, UINT message) {
    if (m_started) return;
    m_started = true;
    // Most users subscribe to nothing: then no thread waits here for the
    // whole session.
    std::vector<Subscription> kept = LoadSubscriptions();
    bool any = false;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->window = window;
        m_shared->message = message;
        for (Subscription& s : kept)
            if (m_shared->Find(s.id) == nullptr)
                m_shared->calendars.push_back(Calendar{std::move(s), nullptr, true, false});
        any = !m_shared->calendars.empty();
    }
    if (any) StartWorker();
}

void CalendarLayer::StartWorker() {
    if (m_worker.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->workerStarted = true;
    }
    std::shared_ptr<Shared> shared = m_shared;
    m_worker = std::thread([shared] { shared->Work(); });
}

std::vector<CalendarLayer::Entry> CalendarLayer::Between(const Date& from, const Date& to) const {
    std::vector<std::pair<Subscription, std::shared_ptr<const CalendarEvents>>> shown;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        for (const Calendar& c : m_shared->calendars)
            if (c.events) shown.emplace_back(c.sub, c.events);
    }
    std::vector<Entry> entries;
    for (const auto& calendar : shown)
        for (CalendarEvent& e : calendar.second->Between(from, to))
            entries.push_back(Entry{calendar.first.name, calendar.first.reminders, std::move(e)});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return DayNumber(a.event.date) < DayNumber(b.event.date);
    });
    return entries;
}

const CalendarLayer::MonthCache& CalendarLayer::Month(int year, int month) const {
    unsigned generation = 0;
    {
        std::lock_guard<std::mutex> hold(m_shared->lock);
        generation = m_shared->generation;
    }
    if (m_month.year == year && m_month.month == month && m_month.generation == generation)
        return m_month;
    m_month = MonthCache{};
    m_month.year = year;
    m_month.month = month;
    m_month.generation = generation;
    const int days = DaysInMonth(year, month);
    for (const Entry& entry : Between(Date{year, month, 1}, Date{year, month, days})) {
        m_month.marks |= 1u << entry.event.date.day;
        AddLine(m_month.texts[entry.event.date.day], entry);
    }
    return m_month;
}

unsigned CalendarLayer::MonthMarks(int year, int month) const { return Month(year, month).marks; }

std::string CalendarLayer::DayText(const Date& date) const {
    if (date.day < 1 || date.day > 31) return std::string();
    // The grid's month from its cache; another date without disturbing it.
    if (date.year == m_month.year && date.month == m_month.month)
        return Month(date.year, date.month).texts[date.day];
    std::string text;
    for (const Entry& entry : Between(date, date)) AddLine(text, entry);
    return text;
}

DayTextReader CalendarLayer::WithEvents(DayTextReader readMemo) const {
    return [this, readMemo](int year, int month, int day) -> std::optional<std::string> {
        std::optional<std::string> memo = readMemo(year, month, day);
        const std::string events = DayText(Date{year, month, day});
        if (events.empty()) return memo;
        if (memo) return *memo + "\r\n" + events;
        return MemoRecord(DateText(year, month, day), events);
    };
}

void CalendarLayer::WaitForCopies(unsigned ms) const {
    std::unique_lock<std::mutex> hold(m_shared->lock);
    m_shared->ended.wait_for(hold, std::chrono::milliseconds(ms), [this] {
        return !m_shared->workerStarted || m_shared->copiesRead || m_shared->workerEnded;
    });
}

std::vector<Subscription> CalendarLayer::Subscriptions() const {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    std::vector<Subscription> list;
    for (const Calendar& c : m_shared->calendars)
        if (!c.extra) list.push_back(c.sub);
    return list;
}

void CalendarLayer::Apply(const std::vector<Subscription>& list) {
    std::unique_lock<std::mutex> hold(m_shared->lock);
    std::vector<Calendar>& calendars = m_shared->calendars;
    for (auto it = calendars.begin(); it != calendars.end();) {
        const bool kept = it->extra || std::any_of(list.begin(), list.end(),
                                      [&](const Subscription& s) { return s.id == it->sub.id; });
        if (kept) {
            ++it;
            continue;
        }
        RemoveSubscription(it->sub.id);
        it = calendars.erase(it);
    }
    for (const Subscription& s : list) {
        Calendar* c = m_shared->Find(s.id);
        if (c == nullptr) {
            calendars.push_back(Calendar{s, nullptr, true, false});
        } else {
            c->sub.name = s.name;
            c->sub.reminders = s.reminders;
        }
        SaveSubscription(m_shared->Find(s.id)->sub);
    }
    m_shared->Changed();
    m_shared->wake.notify_all();
    hold.unlock();
    // The first subscription of a session that started without any.
    if (m_started && !list.empty()) StartWorker();
}

void CalendarLayer::ShowExtra(const std::string& name, const std::string& ics) {
    std::shared_ptr<const CalendarEvents> events = ics.empty() ? nullptr : EventsOf(ics);
    std::lock_guard<std::mutex> hold(m_shared->lock);
    std::vector<Calendar>& calendars = m_shared->calendars;
    calendars.erase(std::remove_if(calendars.begin(), calendars.end(),
                                   [](const Calendar& c) { return c.extra; }),
                    calendars.end());
    if (events) {
        Calendar shown{Subscription{}, events, false, false, true};
        shown.sub.id = kExtraId;
        shown.sub.name = name;
        calendars.push_back(std::move(shown));
    }
    m_shared->Changed();
}

void CalendarLayer::RefreshAll() {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    for (Calendar& c : m_shared->calendars) c.forced = !c.extra;
    m_shared->wake.notify_all();
}

int CalendarLayer::ReadsDone() const {
    std::lock_guard<std::mutex> hold(m_shared->lock);
    return m_shared->reads;
}

std::string CalendarLayer::FetchNew(Subscription& s) {
    const CalendarAddress address = CheckCalendarAddress(s.location);
    if (!address.error.empty()) return address.error;
    s.location = address.location;
    const FetchAnswer answer = Fetch(s, false);
    FetchVerdict verdict = TakeFetch(s, answer, CalendarClockNow());
    if (!verdict.fresh) return s.result;
    if (s.name.empty()) s.name = CalendarNameOf(verdict.document);
    if (s.name.empty()) s.name = "Calendar " + s.id;
    if (!WriteCalendarCopy(s.id, answer.body))
        return "The calendar could not be kept in " + CalendarCopyFolder() + ".";
    return std::string();
}
