#include "core/sync/sync_engine.h"

#include <gtest/gtest.h>

#include "core/memo/ical_export.h"
#include "tests/support/fake_code_pages.h"

namespace {

// A calendar collection that keeps a change log for its sync tokens; a PUT
// can be made to lose its answer (the server took it, the client never heard).
class FakeCalendar : public CalendarLink {
public:
    struct Stored {
        std::string etag, data;
    };
    std::map<std::string, Stored> events;
    std::vector<std::pair<std::string, bool>> log;  // href, removed
    int requests = 0;
    bool loseNextPutAnswer = false;
    bool down = false;

    void PhoneWrites(const std::string& href, const std::string& data) {
        events[href] = Stored{NextEtag(), data};
        log.emplace_back(href, false);
    }
    void PhoneDeletes(const std::string& href) {
        events.erase(href);
        log.emplace_back(href, true);
    }

    Changes ChangesSince(const std::string& token) override {
        ++requests;
        Changes changes;
        if (down) {
            changes.error = "The server did not answer.";
            return changes;
        }
        const bool full = token.empty();
        const std::size_t from = full ? 0 : std::stoul(token.substr(1));
        if (full) {
            for (const auto& e : events) changes.members.push_back({e.first, e.second.etag, false});
        } else {
            for (std::size_t i = from; i < log.size(); ++i) {
                const auto it = events.find(log[i].first);
                changes.members.push_back({log[i].first, it == events.end() ? "" : it->second.etag,
                                           it == events.end()});
            }
        }
        changes.token = "t" + std::to_string(log.size());
        return changes;
    }
    std::string Fetch(const std::vector<std::string>& hrefs, std::vector<Event>& out) override {
        ++requests;
        for (const std::string& href : hrefs) {
            const auto it = events.find(href);
            if (it != events.end()) out.push_back({href, it->second.etag, it->second.data});
        }
        return down ? "The server did not answer." : "";
    }
    Written Put(const std::string& href, const std::string& data, const std::string& etag) override {
        ++requests;
        Written w;
        const auto it = events.find(href);
        if (etag.empty() ? it != events.end() : (it == events.end() || it->second.etag != etag)) {
            w.status = it == events.end() ? 404 : 412;
            return w;
        }
        PhoneWrites(href, data);
        if (loseNextPutAnswer) {
            loseNextPutAnswer = false;
            w.error = "The connection was reset.";
            return w;
        }
        w.status = etag.empty() ? 201 : 204;
        w.etag = events[href].etag;
        return w;
    }
    Written Delete(const std::string& href, const std::string& etag) override {
        ++requests;
        Written w;
        const auto it = events.find(href);
        if (it == events.end()) {
            w.status = 404;
        } else if (it->second.etag != etag) {
            w.status = 412;
        } else {
            PhoneDeletes(href);
            w.status = 204;
        }
        return w;
    }
    std::string HrefFor(const std::string& uid) override { return "/cal/" + uid + ".ics"; }

private:
    std::string NextEtag() { return "\"" + std::to_string(++etags_) + "\""; }
    int etags_ = 0;
};

class FakeMemos : public MemoSide {
public:
    std::map<std::string, MemoFiles> files;  // by UID
    std::vector<std::pair<std::string, std::optional<MemoFiles>>> keptForRestore;

    void Set(const Date& d, const std::string& text, std::optional<std::string> notice = std::nullopt) {
        files[EventUid(d)] = MemoFiles{"[" + std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                                           std::to_string(d.day) + "] " + text,
                                       notice};
    }
    std::vector<Listed> List() override {
        std::vector<Listed> all;
        for (const auto& f : files) all.push_back({f.first, std::to_string(HashOfMemo(f.second))});
        return all;
    }
    bool Read(const std::string& uid, std::optional<MemoFiles>& out) override {
        const auto it = files.find(uid);
        out = it == files.end() ? std::nullopt : std::optional<MemoFiles>(it->second);
        return true;
    }
    bool Write(const std::string& uid, const std::optional<MemoFiles>& f) override {
        std::optional<MemoFiles> old;
        Read(uid, old);
        keptForRestore.emplace_back(uid, old);
        if (f)
            files[uid] = *f;
        else
            files.erase(uid);
        return true;
    }
    std::string Text(const Date& d) { return files.count(EventUid(d)) ? files[EventUid(d)].memoFile : "<none>"; }
};

SyncContext Context(SyncState* kept = nullptr) {
    SyncContext context;
    context.codePage = fake_code_pages::Windows1252();
    context.nowUtc = LocalDateTime{Date{2026, 12, 9}, TimeOfDay{20, 0, 0}};
    context.nowLocal = context.nowUtc;
    context.server = "cal.example";
    if (kept) context.keep = [kept](const SyncState& s, bool) { *kept = s; };
    return context;
}

std::string PhoneEvent(const std::string& uid, const std::string& start, const std::string& summary) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261209T100000Z\r\nDTSTART;VALUE=DATE:" + start + "\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

const Date kDay{2026, 12, 24};
const Date kOther{2026, 12, 31};

TEST(SyncEngine, FirstSyncSendsEveryMemoAndANoChangeSyncAsksOnce) {
    FakeCalendar server;
    FakeMemos memos;
    memos.Set(kDay, "Christmas Eve\r\nbuy candles", std::string("9:30"));
    memos.Set(kOther, "New Year's Eve");
    SyncState state;
    SyncReport first = SyncMemos(state, memos, server, Context());
    EXPECT_EQ("", first.error);
    EXPECT_EQ(2, first.sent);
    ASSERT_EQ(2u, server.events.size());
    const std::string& data = server.events["/cal/" + EventUid(kDay) + ".ics"].data;
    EXPECT_NE(std::string::npos, data.find("SUMMARY:Christmas Eve"));
    EXPECT_NE(std::string::npos, data.find("BEGIN:VALARM"));

    // Its own changes come back in the log with the etags it already has.
    server.requests = 0;
    const SyncReport second = SyncMemos(state, memos, server, Context());
    EXPECT_EQ(1, server.requests);
    EXPECT_EQ("Synced at 20:00: nothing changed.", DescribeSync(second, Context().nowLocal));
    EXPECT_TRUE(memos.keptForRestore.empty());
}

TEST(SyncEngine, ThePhonesEditsAndDeletesReachTheMemosAndKeepWhatTheyReplace) {
    FakeCalendar server;
    FakeMemos memos;
    memos.Set(kDay, "Christmas Eve");
    memos.Set(kOther, "New Year's Eve");
    SyncState state;
    SyncMemos(state, memos, server, Context());

    const std::string dayHref = "/cal/" + EventUid(kDay) + ".ics";
    server.PhoneWrites(dayHref, PhoneEvent(EventUid(kDay), "20261224", "Christmas Eve at Anna's"));
    server.PhoneDeletes("/cal/" + EventUid(kOther) + ".ics");
    server.PhoneWrites("/cal/phone-1.ics", PhoneEvent("phone-1@example", "20261225", "Dentist"));
    const SyncReport report = SyncMemos(state, memos, server, Context());
    EXPECT_EQ("", report.error);
    EXPECT_EQ(1, report.received);
    EXPECT_EQ(1, report.deletedHere);
    EXPECT_EQ("[2026-12-24] Christmas Eve at Anna's", memos.Text(kDay));
    EXPECT_EQ("<none>", memos.Text(kOther));
    ASSERT_EQ(2u, memos.keptForRestore.size());
    EXPECT_EQ("[2026-12-24] Christmas Eve", memos.keptForRestore[0].second->memoFile);
    // The phone's own event is shown, never made a memo.
    ASSERT_EQ(1u, state.others.size());
    EXPECT_NE(std::string::npos, JoinOtherEvents(state.others).find("SUMMARY:Dentist"));
    EXPECT_EQ(1u, memos.files.size());

    // A memo deleted here goes there too; the phone's delete of its event
    // takes it off the panel.
    memos.files.clear();
    server.PhoneDeletes("/cal/phone-1.ics");
    const SyncReport third = SyncMemos(state, memos, server, Context());
    EXPECT_EQ(1, third.deletedThere);
    EXPECT_TRUE(server.events.empty());
    EXPECT_TRUE(state.others.empty());
}

TEST(SyncEngine, AMemoChangedOnBothSidesKeepsBothTextsHereAndThere) {
    FakeCalendar server;
    FakeMemos memos;
    memos.Set(kDay, "Christmas Eve", std::string("18:00"));
    SyncState state;
    SyncMemos(state, memos, server, Context());

    memos.Set(kDay, "Christmas Eve: bring the cake", std::string("18:00"));
    server.PhoneWrites("/cal/" + EventUid(kDay) + ".ics",
                       PhoneEvent(EventUid(kDay), "20261224", "Christmas Eve: bring wine"));
    const SyncReport report = SyncMemos(state, memos, server, Context());
    EXPECT_EQ(1, report.merged);
    const std::string text = memos.Text(kDay);
    const std::size_t ours = text.find("bring the cake"), theirs = text.find("bring wine");
    ASSERT_NE(std::string::npos, ours);
    ASSERT_NE(std::string::npos, theirs);
    EXPECT_LT(ours, theirs);
    EXPECT_NE(std::string::npos, text.find("cal.example, synced 2026-12-9 20:00"));
    EXPECT_EQ("18:00", *memos.files.begin()->second.notice);
    EXPECT_NE(std::string::npos, server.events.begin()->second.data.find("bring the cake"));
    EXPECT_NE(std::string::npos, DescribeSync(report, Context().nowLocal).find("both texts kept"));
    // Settled: the next sync has nothing to do.
    const SyncReport again = SyncMemos(state, memos, server, Context());
    EXPECT_EQ("Synced at 20:00: nothing changed.", DescribeSync(again, Context().nowLocal));
}

TEST(SyncEngine, ASyncCutOffAnywhereLosesAndDuplicatesNothing) {
    FakeCalendar server;
    FakeMemos memos;
    memos.Set(kDay, "Christmas Eve");
    SyncState state, kept;
    // The server took the memo but its answer was lost, and the state of that
    // step was never written.
    server.loseNextPutAnswer = true;
    const SyncReport cut = SyncMemos(state, memos, server, Context(&kept));
    EXPECT_NE("", cut.error);
    SyncState restarted;
    ASSERT_TRUE(ParseSyncState(SyncStateText(kept), restarted));
    EXPECT_EQ("", restarted.token);  // told again next time

    // Offline: the change waits in the files themselves.
    memos.Set(kOther, "New Year's Eve");
    server.down = true;
    EXPECT_EQ("The server did not answer.", SyncMemos(restarted, memos, server, Context()).error);
    server.down = false;
    const SyncReport next = SyncMemos(restarted, memos, server, Context());
    EXPECT_EQ("", next.error);
    EXPECT_EQ(2u, server.events.size());
    EXPECT_EQ("[2026-12-24] Christmas Eve", memos.Text(kDay));
    EXPECT_EQ(0, next.merged);
}

TEST(SyncEngine, TheStateFileRefusesWhatItDidNotWriteWhole) {
    SyncState state;
    state.calendar = "https://cal.example/u/vellumo/";
    state.token = "http://radicale.org/ns/sync/42";
    state.memos[EventUid(kDay)] = SyncedMemo{"/u/vellumo/a.ics", "\"7\"", 0xfedcba9876543210ULL, "12 34"};
    state.others["/u/vellumo/b.ics"] = OtherEvent{"\"8\"", "BEGIN:VCALENDAR\r\n\tfolded\\\r\n"};
    const std::string text = SyncStateText(state);
    SyncState back;
    ASSERT_TRUE(ParseSyncState(text, back));
    EXPECT_EQ(text, SyncStateText(back));
    EXPECT_FALSE(ParseSyncState(text.substr(0, text.size() - 4), back));
    EXPECT_TRUE(back.memos.empty());
    EXPECT_FALSE(ParseSyncState("Vellumo sync state 1\nmemo\tx\nend\n", back));

    EXPECT_EQ(kDay, *DateOfEventUid(EventUid(kDay)));
    EXPECT_FALSE(DateOfEventUid("vellumo-2026-12-09@vellumo"));
    EXPECT_FALSE(DateOfEventUid("vellumo-repeat-3@vellumo"));
    EXPECT_FALSE(DateOfEventUid("vellumo-99999999999-1-1@vellumo"));
}

}  // namespace

TEST(SyncEngine, ARepeatingMemoIsOneEventWithItsRuleBothWays) {
    FakeCalendar server;
    FakeMemos memos;
    RepeatMemo rent;
    rent.text = "Pay the rent";
    rent.first = Date{2026, 1, 1};
    rent.unit = RepeatUnit::Months;
    memos.files[RepeatUid("Repeat_2.txt")] = MemoFiles{RepeatFileText(rent), std::nullopt};
    SyncState state;
    EXPECT_EQ(1, SyncMemos(state, memos, server, Context()).sent);
    const std::string href = "/cal/" + RepeatUid("Repeat_2.txt") + ".ics";
    ASSERT_EQ(1u, server.events.count(href));
    EXPECT_NE(std::string::npos, server.events[href].data.find("RRULE:FREQ=MONTHLY"));
    EXPECT_EQ("vellumo-repeat-Repeat_2@vellumo", RepeatUid("Repeat_2.txt"));
    EXPECT_EQ("Repeat_2.txt", RepeatFileOfUid("vellumo-repeat-Repeat_2@vellumo"));
    EXPECT_EQ("", RepeatFileOfUid("vellumo-repeat-Repeat_02@vellumo"));

    // Changed on both sides: both texts, this PC's rule.
    rent.text = "Pay the rent by transfer";
    memos.files[RepeatUid("Repeat_2.txt")] = MemoFiles{RepeatFileText(rent), std::nullopt};
    std::string theirs = server.events[href].data;
    theirs.replace(theirs.find("SUMMARY:Pay the rent"), 20, "SUMMARY:Pay the rent in cash");
    const std::size_t description = theirs.find("DESCRIPTION:");
    if (description != std::string::npos) theirs.erase(description, theirs.find("\r\n", description) + 2 - description);
    server.PhoneWrites(href, theirs);
    EXPECT_EQ(1, SyncMemos(state, memos, server, Context()).merged);
    const std::optional<RepeatMemo> merged = ReadRepeatFile(memos.files[RepeatUid("Repeat_2.txt")].memoFile);
    ASSERT_TRUE(merged);
    EXPECT_EQ(RepeatUnit::Months, merged->unit);
    EXPECT_NE(std::string::npos, merged->text.find("by transfer"));
    EXPECT_NE(std::string::npos, merged->text.find("in cash"));
}
