// The subscribed calendars as the panel shows them: their events by date,
// beside the memos. A worker thread of its own does all the network and file
// work (reading the kept copies at start, fetching those due, retrying after
// failures); the panel's thread only reads what the worker last published
// and never waits for a fetch. When what it shows changed, the worker posts
// the panel its message.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/calendars/calendar_events.h"
#include "core/calendars/subscription.h"
#include "core/memo/memo_format.h"

class CalendarLayer {
public:
    CalendarLayer();
    ~CalendarLayer();
    CalendarLayer(const CalendarLayer&) = delete;
    CalendarLayer& operator=(const CalendarLayer&) = delete;

    // Reads the subscriptions (a few registry values, on the caller's
    // thread) and starts the worker when there are any: it reads their kept
    // copies, then fetches those due, and posts `message` to `window` after
    // each change. Without subscriptions the worker starts with the first
    // one Apply adds. A second call does nothing.
    void Start(HWND window, UINT message);

    // One event of a date with its calendar's name.
    struct Entry {
        std::string calendar;
        bool reminders = false;  // the calendar's reminders are wanted
        CalendarEvent event;
    };
    // The events within [from, to], by date, calendar by calendar.
    std::vector<Entry> Between(const Date& from, const Date& to) const;
    // The events of one date as lines "<calendar>: <event>" ("<time> <event>"
    // for a timed one), for tooltips, the digest and the announcement.
    std::string DayText(const Date& date) const;
    // Which days of the month have events: bit d set for day d. Kept per
    // month until the worker publishes a change.
    unsigned MonthMarks(int year, int month) const;
    // A reader of a date's memo that adds the date's events after the memo
    // (a day with events and no memo reads as "[date] " and the events),
    // for the digest and the start-up announcement.
    DayTextReader WithEvents(DayTextReader readMemo) const;
    // Waits at most `ms` for the worker to have read the kept copies: the
    // start-up announcement lists their events. Never waits for a fetch,
    // and not at all when no worker runs.
    void WaitForCopies(unsigned ms) const;

    // The subscriptions as kept now, for the dialog.
    std::vector<Subscription> Subscriptions() const;
    // Takes the dialog's list: subscriptions not in it are removed (their
    // copies deleted), the others take its names and reminder choices, and
    // new ones (fetched already, see FetchNew) are added with their copies.
    void Apply(const std::vector<Subscription>& list);
    // A calendar kept up to date elsewhere (the calendar server's events that
    // Vellumo did not write), shown as the subscriptions are but never
    // fetched, listed or kept by the layer. Empty `ics` takes it away.
    void ShowExtra(const std::string& name, const std::string& ics);
    // Fetches every calendar soon, due or not.
    void RefreshAll();
    // How many times a calendar's text was read into events: a 304 answer
    // reads nothing.
    int ReadsDone() const;

    // For the dialog's Add, on a thread of the caller's choosing (never the
    // panel's): fetches the address, and on success writes the copy and
    // fills `s` (id, name from X-WR-CALNAME when empty, result). Returns the
    // failure for the user, "" on success.
    static std::string FetchNew(Subscription& s);

    struct Shared;

private:
    // One month's marks and texts, made once per change (panel's thread only).
    struct MonthCache {
        int year = 0, month = 0;
        unsigned generation = 0;
        unsigned marks = 0;
        std::string texts[32];
    };
    const MonthCache& Month(int year, int month) const;
    // Starts the worker unless it runs already.
    void StartWorker();

    std::shared_ptr<Shared> m_shared;  // the worker holds it too
    std::thread m_worker;
    bool m_started = false;  // Start was called
    mutable MonthCache m_month;
};

// The time now as the schedule counts it: seconds since 1970 (UTC).
std::int64_t CalendarClockNow();
