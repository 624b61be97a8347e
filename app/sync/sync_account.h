// The calendar server account, per Windows user: its values under
// HKEY_CURRENT_USER\Software\Brakkon\Torvane08\CalendarServer, the password
// sealed for that user by the system's data protection (never kept as
// text), and what the last sync agreed with the server in
// %APPDATA%\Vellumo\Sync\state.txt.
#pragma once

#include <string>

#include "core/sync/sync_engine.h"

struct SyncAccount {
    std::string address;  // as typed: the server, or a calendar's own address
    std::string user;
    std::string password;      // in memory only
    std::string calendar;      // the calendar synced with; "" until one is chosen
    std::string calendarName;  // its display name
    bool reminders = false;    // remind of the timed events Vellumo did not write
    bool Configured() const { return !address.empty(); }
};

SyncAccount LoadSyncAccount();
// "" when kept; else why not, for the user.
std::string SaveSyncAccount(const SyncAccount& account);
// The last sync's status line, kept for the dialog across restarts.
std::string LoadSyncStatus();
void SaveSyncStatus(const std::string& status);

// The state of the last sync; empty when there is none (or it was damaged:
// the next sync then compares everything, which loses nothing).
SyncState LoadSyncState();
bool SaveSyncState(const SyncState& state);
// The server's events Vellumo did not write, as one calendar file
// (%APPDATA%\Vellumo\Sync\others.ics): read at start-up without the state,
// so that they show before anything else is read. "" removes it.
std::string LoadOtherEvents();
void SaveOtherEvents(const std::string& ics);
// The account gone: the state and the other events with it, so that a later
// account, even of the same calendar, starts as a first sync (which sends
// again rather than taking a memo for deleted on the server).
void ForgetSyncState();
