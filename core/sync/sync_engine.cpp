#include "core/sync/sync_engine.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/memo/ical_export.h"
#include "core/memo/ical_reader.h"
#include "core/memo/memo_format.h"
#include "core/memo/repeat_memo.h"

namespace {

constexpr char kStateHead[] = "Vellumo sync state 1";
// How many events one multiget asks for, and how many steps pass between
// two writes of the state during a long first sync.
constexpr std::size_t kFetchBatch = 200;
constexpr int kStepsBetweenKeeps = 50;

std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out += c;
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            default: return false;
        }
    }
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos) return fields;
        from = tab + 1;
    }
}

bool ParseHash(const std::string& text, std::uint64_t& hash) {
    if (text.empty() || text.size() > 16) return false;
    hash = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        hash = hash << 4 | static_cast<std::uint64_t>(digit);
    }
    return true;
}

std::string HashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// A memo's text with its line ends as CR LF and without trailing blanks, so
// that a text that went through a calendar and back compares equal.
// The text as above, without a memo file's head.
std::string PlainLines(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            continue;
        }
        out += text[i];
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t' || out.back() == '\r' ||
                            out.back() == '\n'))
        out.pop_back();
    return out;
}

std::string PlainText(const std::string& memoFile) { return PlainLines(CutMemoHead(memoFile)); }

std::optional<NoticeTime> RemindTimeOf(const MemoFiles& files) {
    return files.notice ? ParseNoticeTime(*files.notice) : std::nullopt;
}

bool SameMemo(const std::string& uid, const MemoFiles& a, const MemoFiles& b) {
    if (!DateOfEventUid(uid)) {
        // A repeating memo: the same rule, times and text, however written.
        const std::optional<RepeatMemo> ra = ReadRepeatFile(a.memoFile), rb = ReadRepeatFile(b.memoFile);
        if (!ra || !rb) return a.memoFile == b.memoFile;
        RepeatMemo ca = *ra, cb = *rb;
        ca.text = PlainLines(ca.text);
        cb.text = PlainLines(cb.text);
        return RepeatFileText(ca) == RepeatFileText(cb);
    }
    const std::optional<NoticeTime> ta = RemindTimeOf(a), tb = RemindTimeOf(b);
    const bool sameTime = ta.has_value() == tb.has_value() &&
                          (!ta || (ta->hour == tb->hour && ta->minute == tb->minute));
    return sameTime && PlainText(a.memoFile) == PlainText(b.memoFile);
}

std::string DateTimeText(const LocalDateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d", t.date.year, t.date.month, t.date.day,
                  t.time.hour, t.time.minute);
    return text;
}

bool IsSuccess(int status) { return status >= 200 && status < 300; }

bool HasText(const std::string& uid, const MemoFiles& files) {
    if (DateOfEventUid(uid)) return !PlainText(files.memoFile).empty();
    const std::optional<RepeatMemo> memo = ReadRepeatFile(files.memoFile);
    return memo && !PlainLines(memo->text).empty();
}

// How a memo is named in a failure.
std::string NameOf(const std::string& uid) {
    if (const std::optional<Date> date = DateOfEventUid(uid))
        return "The memo of " + DateText(date->year, date->month, date->day);
    return "The repeating memo " + RepeatFileOfUid(uid);
}

// One run of SyncMemos.
class Run {
public:
    Run(SyncState& state, MemoSide& memos, CalendarLink& link, const SyncContext& context)
        : state_(state), memos_(memos), link_(link), context_(context) {}
    SyncReport Go();

private:
    enum class Here { kAbsent, kSame, kChanged, kGone, kUnreadable };
    struct Local {
        Here here = Here::kAbsent;
        std::optional<MemoFiles> files;
        std::string look;
    };
    Local LookAt(const std::string& uid, const MemoSide::Listed* listed);
    void Sync(const std::string& uid, const Local& local, const CalendarLink::Event* changed,
              bool gone);
    void TakeTheirs(const std::string& uid, const CalendarLink::Event& event,
                    const std::optional<MemoFiles>& there);
    void Upload(const std::string& uid, const MemoFiles& here, const std::string& look);
    void Merge(const std::string& uid, const MemoFiles& here, const CalendarLink::Event& event,
               const MemoFiles& there);
    bool FetchOne(const std::string& href, CalendarLink::Event& event);
    void Fail(const std::string& error) {
        if (report_.error.empty()) report_.error = error;
    }
    void Step() {
        if (++steps_ % kStepsBetweenKeeps == 0 && context_.keep) context_.keep(state_, false);
    }

    SyncState& state_;
    MemoSide& memos_;
    CalendarLink& link_;
    const SyncContext& context_;
    SyncReport report_;
    int steps_ = 0;
};

SyncReport Run::Go() {
    CalendarLink::Changes changes = link_.ChangesSince(state_.token);
    ++report_.requests;
    if (changes.tokenRefused) {
        changes = link_.ChangesSince(std::string());
        ++report_.requests;
    }
    if (!changes.error.empty()) {
        report_.error = changes.error;
        report_.authFailed = changes.authFailed;
        return report_;
    }

    // Which known events changed or went, by the etags kept.
    std::map<std::string, std::string> uidOfHref;
    for (const auto& memo : state_.memos) uidOfHref[memo.second.href] = memo.first;
    std::vector<std::string> toFetch;
    std::set<std::string> goneHrefs, listed;
    for (const CalendarLink::Member& member : changes.members) {
        if (member.removed) {
            goneHrefs.insert(member.href);
            continue;
        }
        listed.insert(member.href);
        const auto memo = uidOfHref.find(member.href);
        const auto other = state_.others.find(member.href);
        const std::string* kept = memo != uidOfHref.end() ? &state_.memos[memo->second].etag
                                  : other != state_.others.end() ? &other->second.etag
                                                                 : nullptr;
        if (kept == nullptr || kept->empty() || member.etag.empty() || *kept != member.etag)
            toFetch.push_back(member.href);
    }
    if (changes.complete) {
        for (const auto& known : uidOfHref)
            if (!listed.count(known.first)) goneHrefs.insert(known.first);
        for (const auto& other : state_.others)
            if (!listed.count(other.first)) goneHrefs.insert(other.first);
    }

    std::map<std::string, CalendarLink::Event> theirs;  // Vellumo's events changed there, by UID
    for (std::size_t from = 0; from < toFetch.size(); from += kFetchBatch) {
        const std::vector<std::string> batch(
            toFetch.begin() + static_cast<std::ptrdiff_t>(from),
            toFetch.begin() + static_cast<std::ptrdiff_t>(std::min(toFetch.size(), from + kFetchBatch)));
        std::vector<CalendarLink::Event> events;
        const std::string error = link_.Fetch(batch, events);
        ++report_.requests;
        if (!error.empty()) {
            report_.error = error;
            return report_;
        }
        for (CalendarLink::Event& event : events) {
            const std::string uid = UidOfEvent(event.data);
            if (IsMemoUid(uid)) {
                theirs.emplace(uid, std::move(event));
            } else {
                state_.others[event.href] = OtherEvent{event.etag, std::move(event.data)};
            }
        }
    }
    std::set<std::string> goneUids;
    for (const std::string& href : goneHrefs) {
        const auto memo = uidOfHref.find(href);
        if (memo != uidOfHref.end())
            goneUids.insert(memo->second);
        else
            state_.others.erase(href);
    }

    std::map<std::string, MemoSide::Listed> here;
    for (MemoSide::Listed& entry : memos_.List()) here.emplace(entry.uid, std::move(entry));
    std::set<std::string> uids;
    for (const auto& memo : state_.memos) uids.insert(memo.first);
    for (const auto& entry : here) uids.insert(entry.first);
    for (const auto& event : theirs) uids.insert(event.first);
    for (const std::string& uid : uids) {
        if (!IsMemoUid(uid)) continue;
        const auto entry = here.find(uid);
        const Local local = LookAt(uid, entry == here.end() ? nullptr : &entry->second);
        if (local.here == Here::kUnreadable) continue;
        const auto event = theirs.find(uid);
        Sync(uid, local, event == theirs.end() ? nullptr : &event->second, goneUids.count(uid) > 0);
    }

    report_.others = static_cast<int>(state_.others.size());
    // The token moves on only when everything it reported was taken: else the
    // next sync is told again.
    if (report_.error.empty()) state_.token = changes.token;
    if (context_.keep) context_.keep(state_, true);
    return report_;
}

Run::Local Run::LookAt(const std::string& uid, const MemoSide::Listed* listed) {
    Local local;
    const auto known = state_.memos.find(uid);
    const SyncedMemo* kept = known == state_.memos.end() ? nullptr : &known->second;
    if (listed == nullptr) {
        local.here = kept ? Here::kGone : Here::kAbsent;
        return local;
    }
    local.look = listed->look;
    if (kept && !kept->look.empty() && kept->look == listed->look) {
        local.here = Here::kSame;
        return local;
    }
    if (!memos_.Read(uid, local.files)) {
        local.here = Here::kUnreadable;
        return local;
    }
    // A memo without text is no event: as good as none.
    if (local.files && !HasText(uid, *local.files)) local.files.reset();
    if (!local.files) {
        local.here = kept ? Here::kGone : Here::kAbsent;
        return local;
    }
    if (kept && kept->hash == HashOfMemo(*local.files)) {
        local.here = Here::kSame;
        state_.memos[uid].look = listed->look;
        return local;
    }
    local.here = Here::kChanged;
    return local;
}

void Run::Sync(const std::string& uid, const Local& local, const CalendarLink::Event* changed,
               bool gone) {
    const auto known = state_.memos.find(uid);
    if (changed != nullptr) {
        const std::optional<MemoFiles> there = MemoOfEvent(uid, changed->data, context_);
        if (local.here == Here::kChanged) {
            if (!there) {
                SyncedMemo& memo = state_.memos[uid];
                memo.href = changed->href;
                memo.etag = changed->etag;
                Upload(uid, *local.files, local.look);
            } else if (SameMemo(uid, *local.files, *there)) {
                state_.memos[uid] = SyncedMemo{changed->href, changed->etag, HashOfMemo(*local.files), local.look};
            } else {
                Merge(uid, *local.files, *changed, *there);
            }
            return;
        }
        if (local.here == Here::kSame && there && known != state_.memos.end() &&
            known->second.hash == HashOfMemo(*there)) {
            known->second.href = changed->href;
            known->second.etag = changed->etag;  // our own change coming back
            return;
        }
        // Unchanged here, or deleted here while the server's copy changed:
        // the server's text is taken (a delete loses no words that way).
        TakeTheirs(uid, *changed, there);
        return;
    }
    if (gone) {
        if (local.here == Here::kChanged) {
            state_.memos.erase(uid);
            Upload(uid, *local.files, local.look);  // a change here outlives the delete there
            return;
        }
        if (local.here == Here::kSame) {
            if (memos_.Write(uid, std::nullopt)) {
                ++report_.deletedHere;
                state_.memos.erase(uid);
            } else {
                Fail(NameOf(uid) + " could not be removed.");
            }
        } else {
            state_.memos.erase(uid);
        }
        Step();
        return;
    }
    if (local.here == Here::kChanged) {
        Upload(uid, *local.files, local.look);
    } else if (local.here == Here::kGone && known != state_.memos.end()) {
        const CalendarLink::Written written = link_.Delete(known->second.href, known->second.etag);
        ++report_.requests;
        if (IsSuccess(written.status) || written.status == 404) {
            ++report_.deletedThere;
            state_.memos.erase(known);
        } else if (written.status == 412) {
            // Changed there meanwhile: its text comes back here.
            CalendarLink::Event event;
            if (FetchOne(known->second.href, event))
                TakeTheirs(uid, event, MemoOfEvent(uid, event.data, context_));
        } else {
            Fail(written.error);
        }
        Step();
    }
}

void Run::TakeTheirs(const std::string& uid, const CalendarLink::Event& event,
                     const std::optional<MemoFiles>& there) {
    if (!memos_.Write(uid, there)) {
        Fail(NameOf(uid) + " could not be written.");
        return;
    }
    if (there) {
        ++report_.received;
        state_.memos[uid] = SyncedMemo{event.href, event.etag, HashOfMemo(*there), std::string()};
    } else {
        ++report_.deletedHere;
        state_.memos.erase(uid);
    }
    Step();
}

void Run::Upload(const std::string& uid, const MemoFiles& here, const std::string& look) {
    const auto known = state_.memos.find(uid);
    const bool isNew = known == state_.memos.end();
    const std::string href = isNew ? link_.HrefFor(uid) : known->second.href;
    const std::string etag = isNew ? std::string() : known->second.etag;
    CalendarLink::Written written = link_.Put(href, EventOfMemo(uid, here, context_), etag);
    ++report_.requests;
    if (written.status == 404 && !etag.empty()) {
        // Deleted there meanwhile: the change here makes it anew.
        written = link_.Put(href, EventOfMemo(uid, here, context_), std::string());
        ++report_.requests;
    }
    if (IsSuccess(written.status)) {
        ++report_.sent;
        state_.memos[uid] = SyncedMemo{href, written.etag, HashOfMemo(here), look};
    } else if (written.status == 412) {
        // Someone changed (or, for a new one, made) it meanwhile; perhaps
        // this very program, whose answer was lost.
        CalendarLink::Event event;
        if (FetchOne(href, event)) {
            const std::optional<MemoFiles> there = MemoOfEvent(uid, event.data, context_);
            if (there && SameMemo(uid, here, *there))
                state_.memos[uid] = SyncedMemo{href, event.etag, HashOfMemo(here), look};
            else if (there)
                Merge(uid, here, event, *there);
        }
    } else {
        Fail(written.error.empty() ? "The server did not take " + NameOf(uid) + "." : written.error);
    }
    Step();
}

void Run::Merge(const std::string& uid, const MemoFiles& here, const CalendarLink::Event& event,
                const MemoFiles& there) {
    const MemoFiles merged = MergeMemos(uid, here, there, context_.server, context_.nowLocal);
    if (!memos_.Write(uid, merged)) {
        Fail(NameOf(uid) + " could not be written.");
        return;
    }
    ++report_.merged;
    // Until the server has the merged text, the memo counts as changed here.
    state_.memos[uid] = SyncedMemo{event.href, event.etag, HashOfMemo(there), std::string()};
    const CalendarLink::Written written = link_.Put(event.href, EventOfMemo(uid, merged, context_), event.etag);
    ++report_.requests;
    if (IsSuccess(written.status))
        state_.memos[uid] = SyncedMemo{event.href, written.etag, HashOfMemo(merged), std::string()};
    else if (written.status != 412)
        Fail(written.error);
    Step();
}

bool Run::FetchOne(const std::string& href, CalendarLink::Event& event) {
    std::vector<CalendarLink::Event> events;
    const std::string error = link_.Fetch({href}, events);
    ++report_.requests;
    if (!error.empty()) {
        Fail(error);
        return false;
    }
    if (events.empty()) return false;
    event = std::move(events.front());
    return true;
}

}  // namespace

std::string SyncStateText(const SyncState& state) {
    std::string text = std::string(kStateHead) + "\n";
    text += "calendar\t" + Escape(state.calendar) + "\n";
    text += "token\t" + Escape(state.token) + "\n";
    for (const auto& memo : state.memos)
        text += "memo\t" + Escape(memo.first) + "\t" + Escape(memo.second.href) + "\t" +
                Escape(memo.second.etag) + "\t" + HashText(memo.second.hash) + "\t" +
                Escape(memo.second.look) + "\n";
    for (const auto& other : state.others)
        text += "other\t" + Escape(other.first) + "\t" + Escape(other.second.etag) + "\t" +
                Escape(other.second.data) + "\n";
    return text + "end\n";
}

bool ParseSyncState(const std::string& text, SyncState& state) {
    state = SyncState{};
    SyncState read;
    std::size_t from = 0;
    bool head = false, ended = false;
    while (from < text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos) return false;  // the last line is cut
        const std::string line = text.substr(from, end - from);
        from = end + 1;
        if (ended) return false;
        if (!head) {
            if (line != kStateHead) return false;
            head = true;
            continue;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        std::vector<std::string> f = SplitTabs(line);
        for (std::string& field : f) {
            std::string plain;
            if (!Unescape(field, plain)) return false;
            field = std::move(plain);
        }
        if (f[0] == "calendar" && f.size() == 2) {
            read.calendar = f[1];
        } else if (f[0] == "token" && f.size() == 2) {
            read.token = f[1];
        } else if (f[0] == "memo" && f.size() == 6) {
            SyncedMemo memo{f[2], f[3], 0, f[5]};
            if (!ParseHash(f[4], memo.hash)) return false;
            read.memos[f[1]] = memo;
        } else if (f[0] == "other" && f.size() == 4) {
            read.others[f[1]] = OtherEvent{f[2], f[3]};
        } else {
            return false;
        }
    }
    if (!ended) return false;
    state = std::move(read);
    return true;
}

std::uint64_t HashOfMemo(const MemoFiles& files) {
    std::uint64_t hash = 14695981039346656037ULL;
    auto add = [&hash](const std::string& bytes) {
        for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
        hash = (hash ^ 0xFFu) * 1099511628211ULL;  // the end of one field
    };
    add(files.memoFile);
    add(files.notice ? "1" + *files.notice : std::string("0"));
    return hash;
}

std::string DescribeSync(const SyncReport& report, const LocalDateTime& nowLocal) {
    char when[16];
    std::snprintf(when, sizeof when, "%d:%02d", nowLocal.time.hour, nowLocal.time.minute);
    if (!report.error.empty()) return "Sync failed at " + std::string(when) + ": " + report.error;
    std::string parts;
    auto add = [&parts](int n, const char* what) {
        if (n == 0) return;
        if (!parts.empty()) parts += ", ";
        parts += std::to_string(n) + " " + what;
    };
    add(report.sent, "sent");
    add(report.received, "received");
    add(report.deletedThere, "deleted on the server");
    add(report.deletedHere, "deleted here");
    add(report.merged, "changed on both sides (both texts kept in the memo)");
    return "Synced at " + std::string(when) + ": " + (parts.empty() ? "nothing changed" : parts) + ".";
}

SyncReport SyncMemos(SyncState& state, MemoSide& memos, CalendarLink& link, const SyncContext& context) {
    return Run(state, memos, link, context).Go();
}

std::string EventOfMemo(const std::string& uid, const MemoFiles& files, const SyncContext& context) {
    if (const std::optional<Date> date = DateOfEventUid(uid))
        return ExportIcs({MemoForExport{*date, files.memoFile, files.notice}}, context.codePage,
                         context.nowUtc)
            .bytes;
    const std::optional<RepeatMemo> memo = ReadRepeatFile(files.memoFile);
    if (!memo) return std::string();
    return ExportIcs({}, context.codePage, context.nowUtc, {RepeatForExport{RepeatFileOfUid(uid), *memo}}).bytes;
}

std::optional<MemoFiles> MemoOfEvent(const std::string& uid, const std::string& data,
                                     const SyncContext& context) {
    const std::optional<Date> date = DateOfEventUid(uid);
    ImportContext import;
    import.today = date ? *date : context.nowLocal.date;
    import.codePage = context.codePage;
    import.utcToLocal = context.utcToLocal;
    import.existing = [](const Date&) { return ExistingDay{}; };
    const IcsImport plan = PlanIcsImport(data, import);
    if (!date) {
        // A repeating memo's event gives a repeating memo, or nothing.
        if (plan.repeats.empty()) return std::nullopt;
        return MemoFiles{RepeatFileText(plan.repeats.front()), std::nullopt};
    }
    // The date's own plan, else the first: an event moved to another date on
    // a phone still reads as this date's memo rather than being lost.
    const PlannedDay* day = nullptr;
    for (const PlannedDay& planned : plan.plan)
        if (planned.memoFile && (day == nullptr || planned.date == *date)) day = &planned;
    if (day == nullptr) return std::nullopt;
    MemoFiles files;
    files.memoFile = MemoRecord(DateText(date->year, date->month, date->day), CutMemoHead(*day->memoFile));
    if (day->notice && !day->notice->empty()) files.notice = day->notice;
    return files;
}

MemoFiles MergeMemos(const std::string& uid, const MemoFiles& here, const MemoFiles& there,
                     const std::string& server, const LocalDateTime& whenLocal) {
    const std::optional<Date> date = DateOfEventUid(uid);
    const std::optional<RepeatMemo> ourRule = date ? std::nullopt : ReadRepeatFile(here.memoFile);
    const std::optional<RepeatMemo> theirRule = date ? std::nullopt : ReadRepeatFile(there.memoFile);
    const std::string ours = ourRule ? PlainLines(ourRule->text) : PlainText(here.memoFile);
    const std::string theirs = theirRule ? PlainLines(theirRule->text) : PlainText(there.memoFile);
    std::string text = ours;
    if (theirs != ours)
        text += "\r\n\r\n--- Also changed on " + (server.empty() ? std::string("the calendar server") : server) +
                ", synced " + DateTimeText(whenLocal) + "; both texts kept ---\r\n" + theirs;
    MemoFiles merged;
    if (!date) {
        RepeatMemo memo = ourRule ? *ourRule : theirRule ? *theirRule : RepeatMemo{};
        memo.text = text;
        merged.memoFile = RepeatFileText(memo);
        return merged;
    }
    merged.memoFile = MemoRecord(DateText(date->year, date->month, date->day), text);
    merged.notice = RemindTimeOf(here) ? here.notice : there.notice;
    return merged;
}

std::optional<Date> DateOfEventUid(const std::string& uid) {
    static const char kHead[] = "vellumo-";
    if (uid.compare(0, sizeof kHead - 1, kHead) != 0) return std::nullopt;
    int numbers[3] = {0, 0, 0};
    std::size_t i = sizeof kHead - 1;
    for (int n = 0; n < 3; ++n) {
        const std::size_t start = i;
        while (i < uid.size() && uid[i] >= '0' && uid[i] <= '9' && i - start < 5)
            numbers[n] = numbers[n] * 10 + (uid[i++] - '0');
        if (i == start || i == uid.size() || uid[i] != (n < 2 ? '-' : '@')) return std::nullopt;
        ++i;
    }
    const Date date{numbers[0], numbers[1], numbers[2]};
    // Only the very text the export gives that date.
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31 || EventUid(date) != uid)
        return std::nullopt;
    return date;
}

std::string RepeatUid(const std::string& fileName) {
    const unsigned number = RepeatFileNumber(fileName);
    // As the export names it: the file name without ".txt".
    return number == 0 ? std::string()
                       : "vellumo-repeat-" + std::string(kRepeatFileStem) + std::to_string(number) + "@vellumo";
}

std::string RepeatFileOfUid(const std::string& uid) {
    static const char kHead[] = "vellumo-repeat-", kTail[] = "@vellumo";
    const std::size_t head = sizeof kHead - 1, tail = sizeof kTail - 1;
    if (uid.size() <= head + tail || uid.compare(0, head, kHead) != 0 ||
        uid.compare(uid.size() - tail, tail, kTail) != 0)
        return std::string();
    const std::string name = uid.substr(head, uid.size() - head - tail) + ".txt";
    // Only the very name the store gives a repeating memo.
    return RepeatUid(name) == uid ? name : std::string();
}

bool IsMemoUid(const std::string& uid) { return DateOfEventUid(uid) || !RepeatFileOfUid(uid).empty(); }

std::string UidOfEvent(const std::string& data) {
    const IcalDocument document = ReadIcalendar(data);
    for (const IcalComponent& calendar : document.calendars)
        for (const IcalComponent& child : calendar.children)
            if (child.name == "VEVENT")
                if (const IcalProperty* uid = child.Find("UID")) return uid->value;
    return std::string();
}

std::string JoinOtherEvents(const std::map<std::string, OtherEvent>& others) {
    std::string joined = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Vellumo//Sync//EN\r\n";
    for (const auto& other : others) {
        // The components inside each object; its own header lines stay out.
        const std::string& data = other.second.data;
        int depth = 0;
        std::size_t from = 0;
        while (from < data.size()) {
            std::size_t end = data.find('\n', from);
            if (end == std::string::npos) end = data.size();
            std::string line = data.substr(from, end - from);
            from = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const bool begin = line.compare(0, 6, "BEGIN:") == 0, finish = line.compare(0, 4, "END:") == 0;
            if (begin) ++depth;
            // The lines of the components inside the calendar object.
            if (depth >= 2) joined += line + "\r\n";
            if (finish) --depth;
        }
    }
    return joined + "END:VCALENDAR\r\n";
}
