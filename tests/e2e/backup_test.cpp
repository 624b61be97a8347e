// The real backup program (companions' Sandrel.exe) in a throwaway program
// folder: silent backups and restores by exit code and files, and its window
// driven from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "companions/sandrel/sandrel_ids.h"
#include "tests/e2e/e2e_support.h"

namespace {

const char kWindowTitle[] = "Sandrel: memo backups";

std::string Today() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return std::to_string(now.wYear) + "-" + std::to_string(now.wMonth) + "-" + std::to_string(now.wDay);
}

std::vector<std::string> Names(const std::string& dir) { return FolderEntries(dir); }

class Backup : public ::testing::Test {
protected:
    Backup() : dir_(false) {
        ::CopyFileA((TestBinDir() + "\\..\\companions\\out\\Sandrel.exe").c_str(), dir_.File("Sandrel.exe").c_str(),
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

    ProgramDir dir_;
    std::vector<KernelHandle> processes_;
};

TEST_F(Backup, AutoCopiesExactlyTheCurrentMemosAndASecondRunReplacesTheDay) {
    Memo("2026-1-5", "dentist");
    Memo("2026-1-6", "train");
    ASSERT_EQ(Run("auto"), 0);
    EXPECT_EQ(Names(TodayDir("Remark")), (std::vector<std::string>{"2026-1-5", "2026-1-6"}));
    EXPECT_EQ(Names(TodayDir("Notice")), (std::vector<std::string>{"2026-1-5", "2026-1-6"}));
    EXPECT_EQ(ReadFileText(TodayDir("Remark\\2026-1-5")), "[2026-1-5] dentist");

    ::DeleteFileA(dir_.File("Remark\\2026-1-6").c_str());
    ::DeleteFileA(dir_.File("Notice\\2026-1-6").c_str());
    Memo("2026-1-5", "dentist at ten");
    ASSERT_EQ(Run("auto"), 0);
    EXPECT_EQ(Names(TodayDir("Remark")), (std::vector<std::string>{"2026-1-5"}));
    EXPECT_EQ(Names(TodayDir("Notice")), (std::vector<std::string>{"2026-1-5"}));
    EXPECT_EQ(ReadFileText(TodayDir("Remark\\2026-1-5")), "[2026-1-5] dentist at ten");
    EXPECT_EQ(Names(dir_.File("Backup")), (std::vector<std::string>{Today()})) << "no half-written folders";
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
    const std::vector<std::string> left = Names(dir_.File("Backup"));
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
    EXPECT_NE(BoxText(box).find(dir_.File("Remark")), std::string::npos) << BoxText(box);
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

}  // namespace
