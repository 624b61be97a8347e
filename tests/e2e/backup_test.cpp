// The real backup program (companions' Sandrel.exe) in a throwaway program
// folder: silent backups and restores by exit code and files, and its window
// driven from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "companions/sandrel/sandrel_ids.h"
#include "platform/handles.h"
#include "tests/support/dialogs.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

const char kWindowTitle[] = "Sandrel: memo backups";

std::string Today() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return std::to_string(now.wYear) + "-" + std::to_string(now.wMonth) + "-" + std::to_string(now.wDay);
}

class Backup : public ::testing::Test {
protected:
    Backup() : dir_(false) {
        ::CopyFileA((TestProgramDir() + "\\..\\companions\\out\\Sandrel.exe").c_str(), dir_.File("Sandrel.exe").c_str(),
                    FALSE);
    }
    ~Backup() override {
        for (const KernelHandle& p : processes_) {
            if (::WaitForSingleObject(p.Get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(p.Get(), 1);
            ::WaitForSingleObject(p.Get(), 5000);
        }
    }

    void Memo(const std::string& name, const std::string& text, const std::string& time = "9:05") {
        ::CreateDirectoryA(dir_.File("Remark").c_str(), nullptr);
        ::CreateDirectoryA(dir_.File("Notice").c_str(), nullptr);
        WriteFileBytes(dir_.File("Remark\\" + name), "[" + name + "] " + text);
        WriteFileBytes(dir_.File("Notice\\" + name), time);
    }

    HANDLE Start(const std::string& arguments) {
        const std::string line =
            "\"" + dir_.File("Sandrel.exe") + "\"" + (arguments.empty() ? "" : " " + arguments);
        HANDLE process = LaunchProcess(line, dir_.Path());
        if (process) processes_.emplace_back(process);
        return process;
    }

    // Runs Sandrel.exe silently; its exit code, or -1 when it did not end.
    int Run(const std::string& arguments) {
        HANDLE p = Start(arguments);
        DWORD code = 0;
        if (!ProgramDir::WaitExit(p, 30000) || !::GetExitCodeProcess(p, &code)) return -1;
        return static_cast<int>(code);
    }

    std::string TodayDir(const std::string& sub = "") const {
        return dir_.File("Backup\\" + Today() + (sub.empty() ? "" : "\\" + sub));
    }

    // Every file of the memo folders, by "Remark\\name", with its bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const char* folder : {"Remark", "Notice"})
            for (const std::string& name : FolderEntries(dir_.File(folder))) {
                const std::string key = std::string(folder) + "\\" + name;
                files[key] = ReadFileText(dir_.File(key));
            }
        return files;
    }

    ProgramDir dir_;
    std::vector<KernelHandle> processes_;
};

TEST_F(Backup, AutoCopiesExactlyTheCurrentMemosAndASecondRunReplacesTheDay) {
    Memo("2026-1-5", "dentist");
    Memo("2026-1-6", "train");
    ASSERT_EQ(Run("auto"), 0);
    EXPECT_EQ(FolderEntries(TodayDir("Remark")), (std::vector<std::string>{"2026-1-5", "2026-1-6"}));
    EXPECT_EQ(FolderEntries(TodayDir("Notice")), (std::vector<std::string>{"2026-1-5", "2026-1-6"}));
    EXPECT_EQ(ReadFileText(TodayDir("Remark\\2026-1-5")), "[2026-1-5] dentist");

    ::DeleteFileA(dir_.File("Remark\\2026-1-6").c_str());
    ::DeleteFileA(dir_.File("Notice\\2026-1-6").c_str());
    Memo("2026-1-5", "dentist at ten");
    ASSERT_EQ(Run("auto"), 0);
    EXPECT_EQ(FolderEntries(TodayDir("Remark")), (std::vector<std::string>{"2026-1-5"}));
    EXPECT_EQ(FolderEntries(TodayDir("Notice")), (std::vector<std::string>{"2026-1-5"}));
    EXPECT_EQ(ReadFileText(TodayDir("Remark\\2026-1-5")), "[2026-1-5] dentist at ten");
    EXPECT_EQ(FolderEntries(dir_.File("Backup")), (std::vector<std::string>{Today()})) << "no half-written folders";
}

TEST_F(Backup, AwayFromMemosFailsClearlyAndBacksUpNothing) {
    EXPECT_EQ(Run("auto"), 3);
    ::CreateDirectoryA(dir_.File("Remark").c_str(), nullptr);  // empty: still nothing to back up
    EXPECT_EQ(Run("auto"), 3);
    EXPECT_FALSE(FileExists(TodayDir()));
    const std::string log = ReadFileText(dir_.File("Sandrel.log"));
    EXPECT_NE(log.find("auto (exit 3): No memos to back up"), std::string::npos) << log;
    EXPECT_NE(log.find(dir_.File("Remark")), std::string::npos) << "says where it looked: " << log;
    EXPECT_EQ(Run("restore 2001-1-1"), 4);
    EXPECT_EQ(Run("now please"), 5);
}

TEST_F(Backup, RestoreKeepsAChangedMemoBesideTheRestoredOne) {
    Memo("2026-2-1", "original");
    Memo("2026-2-2", "unchanged");
    Memo("2026-2-3", "deleted later");
    ASSERT_EQ(Run("auto"), 0);
    Memo("2026-2-1", "changed since");
    ::DeleteFileA(dir_.File("Remark\\2026-2-3").c_str());

    ASSERT_EQ(Run("restore " + Today()), 0);
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-1")), "[2026-2-1] original");
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-1.before-restore")), "[2026-2-1] changed since");
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-3")), "[2026-2-3] deleted later");
    EXPECT_FALSE(FileExists(dir_.File("Remark\\2026-2-2.before-restore")));
    EXPECT_FALSE(FileExists(dir_.File("Notice\\2026-2-1.before-restore"))) << "same notice: nothing kept";

    // A second restore over another change keeps both earlier versions.
    Memo("2026-2-1", "changed again");
    ASSERT_EQ(Run("restore " + Today()), 0);
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-1.before-restore")), "[2026-2-1] changed since");
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-1.before-restore.2")), "[2026-2-1] changed again");
}

TEST_F(Backup, RepeatingMemosAreBackedUpAndRestoredWithTheDayFiles) {
    ::CreateDirectoryA(dir_.File("Repeat").c_str(), nullptr);
    const std::string birthday = "first=2026-3-12\r\nrepeat=yearly\r\nevery=1\r\n\r\nBirthday";
    WriteFileBytes(dir_.File("Repeat\\Repeat_1.txt"), birthday);
    ASSERT_EQ(Run("auto"), 0) << "repeating memos alone are memos to back up";
    EXPECT_EQ(ReadFileText(TodayDir("Repeat\\Repeat_1.txt")), birthday);

    ::DeleteFileA(dir_.File("Repeat\\Repeat_1.txt").c_str());
    ASSERT_EQ(Run("restore " + Today()), 0);
    EXPECT_EQ(ReadFileText(dir_.File("Repeat\\Repeat_1.txt")), birthday);
}

TEST_F(Backup, ACutOffRestoreThatCannotBeFinishedIsDroppedAndSaidSo) {
    Memo("2026-2-1", "as it is");
    ::CreateDirectoryA(dir_.File("Backup").c_str(), nullptr);
    ::CreateDirectoryA(dir_.File("Remark\\restore.tmp").c_str(), nullptr);  // left by the cut
    WriteFileBytes(dir_.File("Remark\\restore.tmp\\2026-2-1"), "[2026-2-1] half");
    const std::string journal = dir_.File("Backup\\restore.journal");
    WriteFileBytes(journal, std::string("Sandrel restore journal 1\r\nbackup ..\\..\\x\0\r\n", 44));
    EXPECT_EQ(Run("auto"), 0) << "the backup asked for still runs";
    WriteFileBytes(journal, "Sandrel restore journal 1\r\nbackup 2001-1-1\r\n");  // no such backup
    EXPECT_EQ(Run("restore 2001-1-2"), 4);
    EXPECT_FALSE(FileExists(journal));
    EXPECT_FALSE(FileExists(dir_.File("Remark\\restore.tmp")));
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-2-1")), "[2026-2-1] as it is");
    const std::string log = ReadFileText(dir_.File("Sandrel.log"));
    EXPECT_NE(log.find("finish restore (exit 2): Found an unreadable restore journal"), std::string::npos) << log;
    EXPECT_NE(log.find("finish restore (exit 4): A restore of backup 2001-1-1 was cut off and cannot be finished"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("auto (exit 0): Backed up 2 memo file(s) to"), std::string::npos) << log;
}

TEST_F(Backup, KeepsTheNewestThirtyDatedBackups) {
    Memo("2026-3-1", "kept");
    ::CreateDirectoryA(dir_.File("Backup").c_str(), nullptr);
    ::CreateDirectoryA(dir_.File("Backup\\notes").c_str(), nullptr);  // not a backup: left alone
    // Thirty older backups across a month end: 2020-9-1 .. 2020-9-30, then
    // 2020-10-1 is newer than all of them though it sorts first as text.
    std::vector<std::string> planted;
    for (int day = 2; day <= 30; ++day) planted.push_back("2020-9-" + std::to_string(day));
    planted.push_back("2020-10-1");
    planted.push_back("2020-9-1");
    for (const std::string& name : planted) ::CreateDirectoryA(dir_.File("Backup\\" + name).c_str(), nullptr);

    ASSERT_EQ(Run("auto"), 0);  // 32 dated backups now; the two oldest go
    const std::vector<std::string> left = FolderEntries(dir_.File("Backup"));
    EXPECT_EQ(left.size(), 31u);  // 30 dated + notes
    for (const char* gone : {"2020-9-1", "2020-9-2"})
        EXPECT_EQ(std::count(left.begin(), left.end(), gone), 0) << gone;
    for (const char* kept : {"2020-9-3", "2020-10-1", "notes"})
        EXPECT_EQ(std::count(left.begin(), left.end(), kept), 1) << kept;
    EXPECT_TRUE(FileExists(TodayDir("Remark\\2026-3-1")));
}

TEST_F(Backup, WindowListsBacksUpRestoresAndCloses) {
    ::CreateDirectoryA(dir_.File("Backup").c_str(), nullptr);
    ::CreateDirectoryA(dir_.File("Backup\\2020-5-1").c_str(), nullptr);
    HANDLE p = Start("");
    HWND window = nullptr;
    // Shown once its initialisation has filled the list.
    ASSERT_TRUE(WaitFor([&] {
        window = ::FindWindowA(nullptr, kWindowTitle);
        return window && ::IsWindowVisible(window);
    }, 30000));
    HWND list = ::GetDlgItem(window, IDC_BACKUPS);
    EXPECT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 1);

    // No memos yet: "Back up now" says where it looked.
    ::PostMessageA(window, WM_COMMAND, IDC_BACKUP_NOW, 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ::FindWindowA("#32770", "Sandrel")) != nullptr; }));
    EXPECT_NE(MessageBoxText(box).find(dir_.File("Remark")), std::string::npos) << MessageBoxText(box);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_FALSE(FileExists(TodayDir()));

    Memo("2026-4-1", "before");
    ::PostMessageA(window, WM_COMMAND, IDC_BACKUP_NOW, 0);
    ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(list, LB_GETCOUNT, 0, 0) == 2; }));
    EXPECT_TRUE(FileExists(TodayDir("Remark\\2026-4-1")));
    // Read as wide text: Wine hands another process's LB_GETTEXT back
    // unconverted.
    wchar_t first[64] = {};
    ::SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    const std::string today = Today();
    EXPECT_EQ(std::wstring(first), std::wstring(today.begin(), today.end())) << "newest first";
    EXPECT_EQ(::SendMessageA(list, LB_GETCURSEL, 0, 0), 0);

    Memo("2026-4-1", "after");
    ::PostMessageA(window, WM_COMMAND, IDC_RESTORE, 0);
    // The kept copy comes first, then the restored file is written.
    ASSERT_TRUE(WaitFor([&] {
        return FileExists(dir_.File("Remark\\2026-4-1.before-restore")) &&
               ReadFileText(dir_.File("Remark\\2026-4-1")) == "[2026-4-1] before";
    }));
    EXPECT_EQ(ReadFileText(dir_.File("Remark\\2026-4-1")), "[2026-4-1] before");

    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    DWORD code = 99;
    ASSERT_TRUE(ProgramDir::WaitExit(p, 10000));
    ::GetExitCodeProcess(p, &code);
    EXPECT_EQ(code, 0u);
}

// A restore cut off and then left for days. The runs that are no restore
// (an automatic backup, an export, an import) leave the memos as they are
// and say so; the window, once its user agrees, finishes it only for the
// files no one has changed since, and names those it left.
TEST_F(Backup, ACutOffRestoreIsFinishedOnlyWithConsentAndNeverOverNewerEdits) {
    constexpr int kMemos = 300;
    std::vector<std::string> names;
    for (int i = 0; i < kMemos; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "memo-%03d", i);
        names.push_back(name);
        Memo(name, "backed up");
    }
    ASSERT_EQ(Run("auto"), 0);
    // Restored from an older backup: today's is replaced by the backup below.
    const std::string older = "2020-5-1";
    ASSERT_TRUE(::MoveFileA(TodayDir().c_str(), dir_.File("Backup\\" + older).c_str()));
    for (const std::string& name : names) Memo(name, "changed", "10:30");
    const auto text = [&](const std::string& name) { return ReadFileText(dir_.File("Remark\\" + name)); };
    const auto kept = [&] {
        int n = 0;
        for (const std::string& name : FolderEntries(dir_.File("Remark")))
            n += name.find(".before-restore") != std::string::npos;
        return n;
    };

    HANDLE p = Start("restore " + older);
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(WaitFor([&] { return kept() >= 20 || ::WaitForSingleObject(p, 0) != WAIT_TIMEOUT; }, 30000));
    ::TerminateProcess(p, 99);
    ASSERT_TRUE(ProgramDir::WaitExit(p, 10000));
    const std::string journal = dir_.File("Backup\\restore.journal");
    ASSERT_TRUE(FileExists(journal)) << "cut off";
    std::vector<std::string> done;
    std::string pending;
    for (const std::string& name : names) {
        if (text(name) == "[" + name + "] backed up")
            done.push_back(name);
        else if (pending.empty() && !FileExists(dir_.File("Remark\\" + name + ".before-restore")))
            pending = name;
    }
    ASSERT_TRUE(done.size() >= 2 && !pending.empty()) << "cut off half way: " << done.size();
    const std::string restored = done[0], deleted = done[1];

    // Edits since: one memo the restore had put back, one it had not reached
    // yet; one it had put back is deleted.
    ASSERT_TRUE(WriteFileBytes(dir_.File("Remark\\" + restored), "edited since"));
    ASSERT_TRUE(WriteFileBytes(dir_.File("Remark\\" + pending), "edited since"));
    ASSERT_TRUE(::DeleteFileA(dir_.File("Remark\\" + deleted).c_str()));
    const std::map<std::string, std::string> before = Files();

    ASSERT_EQ(Run("auto"), 0);
    EXPECT_TRUE(FileExists(journal));
    std::map<std::string, std::string> after = Files();
    EXPECT_EQ(after, before) << "the automatic backup finished nothing";
    const std::string log = ReadFileText(dir_.File("Sandrel.log"));
    EXPECT_NE(log.find("auto (exit 0): A restore of backup " + older + " was cut off and is not finished"),
              std::string::npos)
        << log;

    // The window asks; yes finishes it where nothing changed since.
    p = Start("");
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (box = ::FindWindowA("#32770", "Sandrel")) != nullptr; }, 30000));
    EXPECT_NE(MessageBoxText(box).find("A restore of backup " + older + " was cut off"), std::string::npos)
        << MessageBoxText(box);
    AnswerBox(box, IDYES);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    ASSERT_TRUE(WaitFor([&] { return (box = ::FindWindowA("#32770", "Sandrel")) != nullptr; }, 30000));
    const std::string account = MessageBoxText(box);
    EXPECT_NE(account.find("Finished the restore of backup " + older + " that was cut off"), std::string::npos)
        << account;
    EXPECT_NE(account.find("were left as they are: Remark\\" + pending), std::string::npos) << account;
    const auto now = account.find("restored now, ");
    ASSERT_NE(now, std::string::npos) << account;
    EXPECT_GE(std::atoi(account.c_str() + now + 14), static_cast<int>(done.size())) << account;
    AnswerBox(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    HWND window = ::FindWindowA(nullptr, kWindowTitle);
    ASSERT_NE(window, nullptr);
    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(ProgramDir::WaitExit(p, 10000));

    EXPECT_FALSE(FileExists(journal));
    after = Files();
    EXPECT_EQ(after["Remark\\" + restored], "edited since");
    EXPECT_EQ(after["Remark\\" + pending], "edited since");
    EXPECT_EQ(after.count("Remark\\" + deleted), 0u) << "a memo deleted since stays deleted";
    EXPECT_EQ(after.count("Remark\\" + pending + ".before-restore"), 0u) << "nothing replaced, nothing kept";
    for (const std::string& name : names) {
        if (name == restored || name == pending || name == deleted) continue;
        EXPECT_EQ(after["Remark\\" + name], "[" + name + "] backed up") << name;
        EXPECT_EQ(after["Notice\\" + name], "9:05") << name;
    }
}

// A restore killed at random moments, again and again (a power cut, a
// log-off, the task manager). After every kill each memo and remind time is
// whole: its earlier text or the restored one, never missing, never empty,
// never half written; an earlier text is kept aside whole or not at all. A
// later run of any kind finishes the restore.
class KilledRestore : public Backup {
protected:
    static constexpr int kMemos = 250;
    static constexpr int kKills = 24;

    struct Day {
        std::string remark, notice;  // file names
        std::string backedUp, newer;  // memo texts; newer empty: deleted since the backup
        std::string backedUpTime, newerTime;
        bool inBackup = true;
    };

    void MakeDays() {
        for (int i = 0; static_cast<int>(days_.size()) < kMemos; ++i) {
            const std::string date = std::to_string(2020 + i / 336) + "-" + std::to_string(i / 28 % 12 + 1) + "-" +
                                     std::to_string(i % 28 + 1);
            Day d;
            d.remark = "Remark_" + date + ".txt";
            d.notice = "Notice_" + date + ".txt";
            d.backedUp = "[" + date + "] backed up " + std::string(static_cast<std::size_t>(i % 97), 'b');
            d.backedUpTime = "9:05";
            switch (i % 8) {  // most were changed since, some not, a few deleted or new
            case 0:
                d.newer = d.backedUp;
                d.newerTime = d.backedUpTime;
                break;
            case 1:
                d.newer.clear();
                d.newerTime = d.backedUpTime;
                break;
            case 2:
                d.inBackup = (i % 16 != 2);
                [[fallthrough]];
            default:
                d.newer = "[" + date + "] written since " + std::to_string(i);
                d.newerTime = i % 3 ? "10:30" : d.backedUpTime;
            }
            days_.push_back(d);
        }
    }

    void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
        if (bytes.empty())
            ::DeleteFileA(dir_.File(folder + "\\" + name).c_str());
        else
            ASSERT_TRUE(WriteFileBytes(dir_.File(folder + "\\" + name), bytes));
    }

    // Checks one listed file against its earlier and restored text, and its
    // kept-aside copy; counts it when restored. `earlier` empty: it was
    // missing. What it checked leaves `listed`.
    void CheckFile(const std::string& folder, std::set<std::string>& listed, const std::string& name,
                   const std::string& earlier, const std::string& restored, int* restoredCount) {
        const std::string path = dir_.File(folder + "\\" + name);
        if (!listed.erase(name)) {
            EXPECT_TRUE(earlier.empty()) << name << " is missing";
        } else {
            const std::string text = ReadFileText(path);
            if (text == restored)
                *restoredCount += earlier != restored;
            else
                EXPECT_EQ(text, earlier) << name << (text.empty() ? " is empty" : " is neither text");
        }
        // A kept-aside copy is the earlier text, whole.
        if (listed.erase(name + ".before-restore")) {
            EXPECT_EQ(ReadFileText(path + ".before-restore"), earlier) << name;
        }
    }

    std::set<std::string> Listing(const std::string& folder) {
        const std::vector<std::string> names = FolderEntries(dir_.File(folder));
        return std::set<std::string>(names.begin(), names.end());
    }

    // Under Wine on a busy machine a start right after a kill now and then
    // fails; a user would start it again.
    HANDLE StartAgainAndAgain(const std::string& arguments) {
        HANDLE p = Start(arguments);
        for (int again = 0; !p && again < 5; ++again) {
            std::printf("start failed (error %lu), again\n", static_cast<unsigned long>(::GetLastError()));
            ::Sleep(200);
            p = Start(arguments);
        }
        return p;
    }

    int KeptAside() {
        int kept = 0;
        for (const char* folder : {"Remark", "Notice"})
            for (const std::string& name : FolderEntries(dir_.File(folder)))
                kept += name.find(".before-restore") != std::string::npos;
        return kept;
    }

    // Every file as it must be at any moment; the number restored so far.
    // Besides them only the restore's own temp folder may be there (none
    // once it is `finished`): no file kept twice, nothing else.
    int CheckWhole(bool finished = false) {
        std::set<std::string> remark = Listing("Remark"), notice = Listing("Notice");
        int restored = 0;
        for (const Day& d : days_) {
            if (!d.inBackup) {  // not in the backup: never touched
                EXPECT_EQ(remark.erase(d.remark), 1u);
                EXPECT_EQ(ReadFileText(dir_.File("Remark\\" + d.remark)), d.newer);
                notice.erase(d.notice);
                continue;
            }
            CheckFile("Remark", remark, d.remark, d.newer, d.backedUp, &restored);
            CheckFile("Notice", notice, d.notice, d.newerTime, d.backedUpTime, &restored);
        }
        for (const std::set<std::string>* left : {&remark, &notice})
            for (const std::string& name : *left)
                EXPECT_TRUE(name == "restore.tmp" && !finished) << name << " should not be there";
        return restored;
    }

    std::vector<Day> days_;
};

TEST_F(KilledRestore, NeverLeavesAMemoMissingOrEmptyAndTheNextRunFinishesIt) {
    MakeDays();
    ::CreateDirectoryA(dir_.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir_.File("Notice").c_str(), nullptr);
    for (const Day& d : days_) {
        if (!d.inBackup) continue;
        Write("Remark", d.remark, d.backedUp);
        Write("Notice", d.notice, d.backedUpTime);
    }
    ASSERT_EQ(Run("auto"), 0);
    int changed = 0, keptExpected = 0;  // backed-up files that differ now; of them, those still there
    for (const Day& d : days_) {
        if (d.newer != d.backedUp) {
            Write("Remark", d.remark, d.newer);
            changed += d.inBackup;
            keptExpected += d.inBackup && !d.newer.empty();
        }
        if (d.newerTime != d.backedUpTime) {
            Write("Notice", d.notice, d.newerTime);
            changed += d.inBackup;
            keptExpected += d.inBackup;
        }
    }
    const std::string restore = "restore " + Today();
    const DWORD seed = ::GetTickCount();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    // Most kills land at evenly spread points of the work left (once so many
    // more earlier texts are kept aside, give or take a file or two), the
    // last one half way through what is left; every fourth at a random
    // moment from the start, in start-up or while the run finishes the
    // restore cut off before.
    // On a machine busy with other work each start of the program takes
    // longer: the kills then stop after a minute (but never before eight).
    int atWork = kKills - kKills / 4;
    const DWORD killing = ::GetTickCount();
    for (int kill = 0; kill < kKills && !HasFailure() && (kill < 8 || ::GetTickCount() - killing < 60000); ++kill) {
        const int kept = KeptAside();
        HANDLE p = StartAgainAndAgain(restore);
        ASSERT_NE(p, nullptr);
        if (kill % 4 == 2) {
            ::Sleep(std::uniform_int_distribution<DWORD>(0, 700)(random));
        } else {
            const int goal = kept + std::max(1, (keptExpected - kept) / (1 + atWork--));
            const DWORD since = ::GetTickCount();
            while (KeptAside() < goal && ::WaitForSingleObject(p, 15) == WAIT_TIMEOUT &&
                   ::GetTickCount() - since < 30000) {
            }
            ::Sleep(std::uniform_int_distribution<DWORD>(0, 20)(random));
        }
        ::TerminateProcess(p, 99);
        ASSERT_TRUE(ProgramDir::WaitExit(p, 10000));
        std::printf("kill %d: %d of %d files restored\n", kill, CheckWhole(), changed);
    }

    // Cut off once more while work is left (the journal is there): a run
    // that is no restore (an export) leaves it so, and the next restore
    // finishes it. The backup after it then backs it all up.
    const std::string journal = dir_.File("Backup\\restore.journal");
    for (int attempt = 0; attempt < 3 && !FileExists(journal) && CheckWhole() < changed; ++attempt) {
        HANDLE p = StartAgainAndAgain(restore);
        WaitFor([&] { return FileExists(journal); }, 30000);
        ::TerminateProcess(p, 99);
        ASSERT_TRUE(ProgramDir::WaitExit(p, 10000));
    }
    const bool cutOff = FileExists(journal);
    const int restoredAtTheCut = CheckWhole();
    ASSERT_TRUE(cutOff || restoredAtTheCut == changed);
    ASSERT_EQ(Run("export \"" + dir_.File("memos.ics") + "\""), 0);
    EXPECT_EQ(CheckWhole(), restoredAtTheCut);
    EXPECT_EQ(FileExists(journal), cutOff);
    ASSERT_EQ(Run(restore), 0);
    ASSERT_EQ(Run("auto"), 0);
    for (const Day& d : days_) {
        if (!d.inBackup) continue;
        EXPECT_EQ(ReadFileText(dir_.File("Remark\\" + d.remark)), d.backedUp);
        EXPECT_EQ(ReadFileText(dir_.File("Notice\\" + d.notice)), d.backedUpTime);
    }
    EXPECT_EQ(CheckWhole(true), changed);
    EXPECT_FALSE(FileExists(journal));
    const int kept = KeptAside();
    EXPECT_EQ(kept, keptExpected) << "every changed file kept aside once";
    const int memoFiles =
        static_cast<int>(FolderEntries(dir_.File("Remark")).size() + FolderEntries(dir_.File("Notice")).size()) - kept;
    const std::string log = ReadFileText(dir_.File("Sandrel.log"));
    if (cutOff) {
        EXPECT_NE(log.find("finish restore (exit 0): Finished the restore of backup " + Today() + " that was cut off: "),
                  std::string::npos)
            << log;
    }
    EXPECT_NE(log.find("auto (exit 0): Backed up " + std::to_string(memoFiles) + " memo file(s) and " +
                       std::to_string(kept) + " kept-aside file(s) (<name>.before-restore) to "),
              std::string::npos)
        << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

}  // namespace
