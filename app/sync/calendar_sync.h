// Sync with the calendar server: a worker thread of its own does all of it
// (finding the user's calendars, the two-way sync, keeping its state), at
// start-up, a few seconds after each change of a memo here, every 15
// minutes, on resume from sleep and on "Sync now"; after a failure it tries
// again after growing pauses, and soon after the network changes. The panel's thread never waits for it: it
// reads the status line, and is posted its message when memos changed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/sync/dav_link.h"
#include "app/sync/sync_account.h"

class CalendarLayer;

// The dialog's choice of a calendar that is to be made first.
constexpr char kMakeVellumoCalendar[] = "*new*";

class CalendarSync {
public:
    CalendarSync();
    ~CalendarSync();
    CalendarSync(const CalendarSync&) = delete;
    CalendarSync& operator=(const CalendarSync&) = delete;

    // Reads the kept account and, when there is one, starts the worker,
    // which syncs at once; from now on this program's saves of memos are
    // heard (until the object goes). `message` goes to `window` when memos or the
    // other events changed. `layer` shows the events Vellumo did not write.
    void Start(HWND window, UINT message, CalendarLayer* layer);

    // A memo changed here: sync in a few seconds (changes close together
    // go in one sync).
    void MemoChanged();
    // Sync as soon as it can, with the kept account: the tray's "Sync now"
    // (asked by the user, so also after a refused password) or resume from
    // sleep (not then).
    void SyncSoon(bool userAsked);
    // The dialog's "Sync now": with these values, not kept. An account
    // without a chosen calendar finds the calendars first; the status tells
    // what came of it.
    void SyncWith(const SyncAccount& account);
    // The dialog's OK: keeps the account and syncs with it from now on.
    // "" or why it could not be kept.
    std::string Keep(const SyncAccount& account);

    struct Status {
        unsigned serial = 0;  // moves with every change of what follows
        bool busy = false;
        std::string line;     // the last sync's result, or what is under way
        bool authFailed = false;
        std::vector<FoundCalendar> found;  // of the last discovery
        std::string chosen;                // the calendar the last sync used
        std::string chosenName;
    };
    Status CurrentStatus() const;
    SyncAccount Account() const;

    struct Shared;

private:
    void StartWorker();

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
    std::thread m_networkWatch;  // wakes a failing sync when the network changes
};
