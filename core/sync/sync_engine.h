// Two-way sync of the memos with one calendar on a CalDAV server: what was
// agreed at the last sync (the state kept per user), what changed on each
// side since, and what to do about it. No network and no file access: the
// window code gives the server's link and the memo files behind the two
// interfaces below, and keeps the state where it says.
//
// Each date's memo is one event, UID "vellumo-<date>@vellumo", and each
// repeating memo one event with its rule, UID "vellumo-repeat-<n>@vellumo"
// (as the export writes them). Local changes are found by comparing the memo files
// with the hash kept at the last sync, so a change made offline, or before a
// restart, is simply still different the next time: nothing else needs
// queueing. A step killed half way is found again the same way, and a PUT
// whose answer was lost meets its own event ("If-None-Match: *" fails) and
// is recognised by its text, so nothing is sent twice.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/basic_types.h"
#include "core/memo/ical_import.h"
#include "core/memo/ical_text.h"

// One memo as agreed at the last sync.
struct SyncedMemo {
    std::string href;        // the event's address on the server
    std::string etag;        // of the server's copy then
    std::uint64_t hash = 0;  // of the memo's files then
    std::string look;        // the files' sizes and times then: a quick "unchanged"
};

// An event on the calendar that Vellumo did not write (made on a phone).
struct OtherEvent {
    std::string etag;
    std::string data;  // its iCalendar text
};

struct SyncState {
    std::string calendar;  // the calendar's address the rest belongs to
    std::string token;     // the server's sync token; "" for a full listing
    std::map<std::string, SyncedMemo> memos;  // by UID
    std::map<std::string, OtherEvent> others;  // by href
};
// The state as kept in its file, and back. Parse gives false for a text
// that is not one (half a file, another program's), leaving `state` empty.
std::string SyncStateText(const SyncState& state);
bool ParseSyncState(const std::string& text, SyncState& state);

// A date's two files as the memo store holds them; for a repeating memo its
// one file's text in `memoFile`, and no notice.
struct MemoFiles {
    std::string memoFile;               // "[date] text"
    std::optional<std::string> notice;  // the remind time, when there is a notice file
};
std::uint64_t HashOfMemo(const MemoFiles& files);

// The memos beside the program.
class MemoSide {
public:
    virtual ~MemoSide() = default;
    struct Listed {
        std::string uid;   // of its event (EventUid, RepeatUid)
        std::string look;  // sizes and write times of its files: changes when they do
    };
    // Every date with a memo file, and every repeating memo.
    virtual std::vector<Listed> List() = 0;
    // False when a file of the memo exists but cannot be read now.
    virtual bool Read(const std::string& uid, std::optional<MemoFiles>& files) = 0;
    // Replace or remove a memo (nullopt removes it), keeping what it held
    // where Restore finds it. False when that could not be done.
    virtual bool Write(const std::string& uid, const std::optional<MemoFiles>& files) = 0;
};

// The calendar on the server.
class CalendarLink {
public:
    virtual ~CalendarLink() = default;
    struct Member {
        std::string href;
        std::string etag;
        bool removed = false;
    };
    struct Changes {
        std::string error;          // for the status line; nothing else is set
        bool authFailed = false;    // the server refused the user name or password
        bool tokenRefused = false;  // the token is too old: ask again with none
        bool complete = false;      // every member is listed: those missing are gone
        std::vector<Member> members;
        std::string token;  // to ask with next time ("" when the server has none)
    };
    // What changed since `token` ("" for everything).
    virtual Changes ChangesSince(const std::string& token) = 0;
    struct Event {
        std::string href, etag, data;
    };
    // The events at `hrefs`; one gone meanwhile is left out. "" or the error.
    virtual std::string Fetch(const std::vector<std::string>& hrefs, std::vector<Event>& events) = 0;
    struct Written {
        std::string error;  // no answer, or an answer that is neither success nor 412/404
        int status = 0;
        std::string etag;   // of the new copy, when the server said
    };
    // PUT with "If-Match: <etag>", or "If-None-Match: *" when `etag` is "".
    virtual Written Put(const std::string& href, const std::string& data, const std::string& etag) = 0;
    // DELETE with "If-Match: <etag>".
    virtual Written Delete(const std::string& href, const std::string& etag) = 0;
    // Where a new event of that UID goes.
    virtual std::string HrefFor(const std::string& uid) = 0;
};

struct SyncContext {
    AnsiCodePage codePage;
    // The local time of a UTC time (the import's conversion).
    std::function<bool(const LocalDateTime& utc, LocalDateTime& local)> utcToLocal;
    LocalDateTime nowUtc;
    LocalDateTime nowLocal;
    std::string server;  // the server's host, named in a merged memo
    // Called after steps that changed the state, so that a sync killed
    // later loses none of them; `last` on the final call.
    std::function<void(const SyncState& state, bool last)> keep;
};

struct SyncReport {
    std::string error;  // the first failure; the sync went on where it could
    bool authFailed = false;
    int sent = 0;        // memos written to the server
    int deletedThere = 0;
    int received = 0;    // memos changed here by the server's copies
    int deletedHere = 0;
    int merged = 0;      // changed on both sides: both texts kept
    int others = 0;      // events of the calendar Vellumo did not write, now shown
    int requests = 0;    // asked of the server
};
// "Synced at 14:05: 2 sent, 1 received, 1 merged (both texts kept)." or the
// error; "nothing changed" when nothing did.
std::string DescribeSync(const SyncReport& report, const LocalDateTime& nowLocal);

SyncReport SyncMemos(SyncState& state, MemoSide& memos, CalendarLink& link, const SyncContext& context);

// The mapping each way, as the export and the import do it.
std::string EventOfMemo(const std::string& uid, const MemoFiles& files, const SyncContext& context);
// The memo an event gives: none when it gives nothing (no text, cancelled,
// or a rule a repeating memo cannot hold).
std::optional<MemoFiles> MemoOfEvent(const std::string& uid, const std::string& data,
                                     const SyncContext& context);
// Both texts of a memo changed on both sides: this PC's first, then the
// server's under a line that says where and when it came from. The remind
// time (and a repeating memo's rule) is this PC's.
MemoFiles MergeMemos(const std::string& uid, const MemoFiles& here, const MemoFiles& there,
                     const std::string& server, const LocalDateTime& whenLocal);
// The date of a UID the export gives a date's memo.
std::optional<Date> DateOfEventUid(const std::string& uid);
// A repeating memo's UID by its file name ("Repeat_3.txt"), and back ("" for
// any other UID).
std::string RepeatUid(const std::string& fileName);
std::string RepeatFileOfUid(const std::string& uid);
// Whether the UID is one this program gives its memos.
bool IsMemoUid(const std::string& uid);
// The UID of an event's text ("" when it has none).
std::string UidOfEvent(const std::string& data);
// The events Vellumo did not write, as one calendar for the panel's layer.
std::string JoinOtherEvents(const std::map<std::string, OtherEvent>& others);
