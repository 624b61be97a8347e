// Memos to and from iCalendar files with the real programs: Sandrel's
// "export" and "import" switches on a throwaway program folder, and the
// Tools menu's two commands through the standard file dialogs.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/moved_clock.h"
#include "tests/support/pictures.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kShowMs = 15000;
constexpr COLORREF kGold = RGB(255, 216, 0);

std::string RealSandrel() { return TestProgramDir() + "\\..\\companions\\out\\Sandrel.exe"; }

std::string DateText(int year, int month, int day) {
    return std::to_string(year) + "-" + std::to_string(month) + "-" + std::to_string(day);
}

std::string TodayText() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return DateText(now.wYear, now.wMonth, now.wDay);
}

// Every file of the memo folders, by "Remark\name", with its bytes.
std::map<std::string, std::string> MemoFiles(const ProgramDir& dir) {
    std::map<std::string, std::string> files;
    for (const char* folder : {"Remark", "Notice"})
        for (const std::string& name : FolderEntries(dir.File(folder)))
            files[std::string(folder) + "\\" + name] = ReadFileText(dir.File(std::string(folder) + "\\" + name));
    return files;
}

// A program folder with the real backup program and no Vellumo running.
class SandrelFolder {
public:
    SandrelFolder() : dir_(false) { ::CopyFileA(RealSandrel().c_str(), dir_.File("Sandrel.exe").c_str(), FALSE); }

    const ProgramDir& Dir() const { return dir_; }
    std::string File(const std::string& name) const { return dir_.File(name); }

    void Memo(const std::string& date, const std::string& content, const std::string& notice = "") {
        ::CreateDirectoryA(dir_.File("Remark").c_str(), nullptr);
        ::CreateDirectoryA(dir_.File("Notice").c_str(), nullptr);
        WriteFileBytes(dir_.File("Remark\\Remark_" + date + ".txt"), "[" + date + "] " + content);
        if (!notice.empty()) WriteFileBytes(dir_.File("Notice\\Notice_" + date + ".txt"), notice);
    }

    // Runs Sandrel.exe silently; its exit code, or -1 when it did not end.
    int Run(const std::string& arguments) {
        KernelHandle p(LaunchProcess("\"" + dir_.File("Sandrel.exe") + "\" " + arguments, dir_.Path()));
        DWORD code = 0;
        if (!p || !ProgramDir::WaitExit(p.Get(), 30000) || !::GetExitCodeProcess(p.Get(), &code)) {
            if (p) ::TerminateProcess(p.Get(), 1);
            return -1;
        }
        return static_cast<int>(code);
    }

    std::string Log() const { return ReadFileText(dir_.File("Sandrel.log")); }

private:
    ProgramDir dir_;
};

std::string Event(const std::string& uid, const std::string& date, const std::string& summary) {
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:" + date +
           "\r\nSUMMARY:" + summary + "\r\nEND:VEVENT\r\n";
}

std::string Calendar(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + events + "END:VCALENDAR\r\n";
}

}  // namespace

TEST(CalendarFiles, SandrelExportThenImportGivesTheSameFilesAndASecondImportOrABrokenFileChangesNothing) {
    SandrelFolder from;
    from.Memo("2026-1-5", "Dentist; bring the card, \\ and the form\r\nsecond line", "9:05");
    from.Memo("2028-2-29", "Leap day party");
    // A letter past ASCII, where the code page is the usual Western one.
    from.Memo("2026-12-31", ::GetACP() == 1252 ? "Caf\xE9 at noon" : "Cafe at noon", "12:00");
    from.Memo("2027-3-1", "Train\r\n\r\n\tplatform 4", "7:30");
    WriteFileBytes(from.File("Notice\\Ahead_2026-1-5.txt"), "1440");  // a day before
    const std::string ics = from.File("memos.ics");
    ASSERT_EQ(from.Run("export \"" + ics + "\""), 0) << from.Log();
    EXPECT_NE(ReadFileText(ics).find("TRIGGER:-P1D\r\n"), std::string::npos);
    EXPECT_NE(from.Log().find("export (exit 0): 4 memos exported."), std::string::npos) << from.Log();
    ASSERT_EQ(from.Run("export \"" + from.File("part.ics") + "\" 2026-1-5 2026-12-31"), 0);
    EXPECT_NE(from.Log().find("export (exit 0): 2 memos exported."), std::string::npos) << from.Log();

    SandrelFolder into;
    ASSERT_EQ(into.Run("import \"" + ics + "\""), 0) << into.Log();
    const std::map<std::string, std::string> original = MemoFiles(from.Dir());
    EXPECT_EQ(MemoFiles(into.Dir()), original);
    EXPECT_NE(into.Log().find("no memos before the import"), std::string::npos) << into.Log();

    // Again, into both folders: nothing to add, so nothing written and no backup.
    ASSERT_EQ(into.Run("import " + ics), 0) << "unquoted: the rest of the line";
    ASSERT_EQ(from.Run("import \"" + ics + "\""), 0);
    EXPECT_EQ(MemoFiles(into.Dir()), original);
    EXPECT_EQ(MemoFiles(from.Dir()), original);
    EXPECT_FALSE(FileExists(into.File("Backup")));
    EXPECT_FALSE(FileExists(from.File("Backup")));
    EXPECT_NE(from.Log().find("Memos unchanged (the text was already there): 4"), std::string::npos) << from.Log();

    // A good event before the break is not taken either.
    std::string broken = ReadFileText(ics);
    broken.insert(broken.rfind("END:VCALENDAR"), Event("new@test", "20260707", "Picnic"));
    broken.resize(broken.rfind("END:VCALENDAR"));
    WriteFileBytes(into.File("broken.ics"), broken);
    WriteFileBytes(into.File("notes.ics"), "Dentist on Monday\r\n");
    EXPECT_EQ(into.Run("import \"" + into.File("broken.ics") + "\""), 8);
    EXPECT_EQ(into.Run("import \"" + into.File("notes.ics") + "\""), 8);
    EXPECT_EQ(into.Run("import \"" + into.File("missing.ics") + "\""), 7);
    EXPECT_EQ(MemoFiles(into.Dir()), original);
    EXPECT_FALSE(FileExists(into.File("Backup")));
    const std::string log = into.Log();
    EXPECT_NE(log.find("it is incomplete. No memo was changed."), std::string::npos) << log;
    EXPECT_NE(log.find("not an iCalendar file"), std::string::npos) << log;
}

TEST(CalendarFiles, AYearlyBirthdayImportsAsOneRepeatingMemoThatExportsAndComesBackTheSame) {
    SandrelFolder into;
    WriteFileBytes(into.File("birthday.ics"),
                   Calendar("BEGIN:VEVENT\r\nUID:anna@test\r\nDTSTAMP:20260101T000000Z\r\n"
                            "DTSTART;VALUE=DATE:19900312\r\nRRULE:FREQ=YEARLY\r\nSUMMARY:Anna's birthday\r\n"
                            "END:VEVENT\r\n"));
    ASSERT_EQ(into.Run("import \"" + into.File("birthday.ics") + "\""), 0) << into.Log();
    EXPECT_NE(into.Log().find("Repeating memos added: 1"), std::string::npos) << into.Log();
    EXPECT_EQ(FolderEntries(into.File("Repeat")), std::vector<std::string>{"Repeat_1.txt"});
    EXPECT_TRUE(MemoFiles(into.Dir()).empty()) << "no dated copies";
    const std::string stored = ReadFileText(into.File("Repeat\\Repeat_1.txt"));
    EXPECT_NE(stored.find("first=1990-3-12\r\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Anna's birthday"), std::string::npos) << stored;

    // Again: the same one is there, nothing is written.
    ASSERT_EQ(into.Run("import \"" + into.File("birthday.ics") + "\""), 0) << into.Log();
    EXPECT_EQ(FolderEntries(into.File("Repeat")).size(), 1u);

    // Out and into another folder: the same file.
    const std::string ics = into.File("out.ics");
    ASSERT_EQ(into.Run("export \"" + ics + "\""), 0) << into.Log();
    EXPECT_NE(into.Log().find("1 repeating memo exported."), std::string::npos) << into.Log();
    EXPECT_NE(ReadFileText(ics).find("RRULE:FREQ=YEARLY\r\n"), std::string::npos);
    SandrelFolder other;
    ASSERT_EQ(other.Run("import \"" + ics + "\""), 0) << other.Log();
    EXPECT_EQ(ReadFileText(other.File("Repeat\\Repeat_1.txt")), stored);
    EXPECT_TRUE(MemoFiles(other.Dir()).empty());
}

TEST(CalendarFiles, SandrelImportBacksUpFirstAndRestoreOfThatBackupUndoesIt) {
    SandrelFolder folder;
    folder.Memo("2026-1-5", "Dentist", "9:05");
    const std::string before = ReadFileText(folder.File("Remark\\Remark_2026-1-5.txt"));
    WriteFileBytes(folder.File("more.ics"),
                   Calendar(Event("a@test", "20260105", "Bring snacks") + Event("b@test", "20260106", "Gym")));
    {
        // A memo another program holds is never taken for a missing one: the
        // import (whose backup cannot copy it either) changes nothing.
        FileHandle held(::CreateFileA(folder.File("Remark\\Remark_2026-1-5.txt").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        EXPECT_EQ(folder.Run("import \"" + folder.File("more.ics") + "\""), 2) << folder.Log();
    }
    EXPECT_EQ(ReadFileText(folder.File("Remark\\Remark_2026-1-5.txt")), before);
    EXPECT_FALSE(FileExists(folder.File("Remark\\Remark_2026-1-6.txt")));

    ASSERT_EQ(folder.Run("import \"" + folder.File("more.ics") + "\""), 0) << folder.Log();
    EXPECT_EQ(ReadFileText(folder.File("Remark\\Remark_2026-1-5.txt")), before + "\r\nBring snacks");
    EXPECT_EQ(ReadFileText(folder.File("Remark\\Remark_2026-1-6.txt")), "[2026-1-6] Gym");
    const std::string backup = TodayText() + "-import-1";
    EXPECT_EQ(ReadFileText(folder.File("Backup\\" + backup + "\\Remark\\Remark_2026-1-5.txt")), before);
    EXPECT_NE(folder.Log().find("Restore of backup " + backup + " undoes the import"), std::string::npos)
        << folder.Log();

    ASSERT_EQ(folder.Run("restore " + backup), 0) << folder.Log();
    EXPECT_EQ(ReadFileText(folder.File("Remark\\Remark_2026-1-5.txt")), before);
    EXPECT_EQ(ReadFileText(folder.File("Notice\\Notice_2026-1-5.txt")), "9:05");
}

// A second import, and a backup of the day after them, leave each import's
// backup as it was: each is its own folder, and restoring it undoes its
// import.
TEST(CalendarFiles, EachImportKeepsABackupOfItsOwnThatLaterBackupsOfTheDayLeaveAlone) {
    SandrelFolder folder;
    folder.Memo("2026-1-5", "Dentist", "9:05");
    const std::string memo = folder.File("Remark\\Remark_2026-1-5.txt");
    const std::string original = ReadFileText(memo);
    ASSERT_EQ(folder.Run("auto"), 0);
    WriteFileBytes(folder.File("first.ics"), Calendar(Event("a@test", "20260105", "Bring snacks")));
    WriteFileBytes(folder.File("second.ics"), Calendar(Event("b@test", "20260105", "Call back")));
    ASSERT_EQ(folder.Run("import \"" + folder.File("first.ics") + "\""), 0) << folder.Log();
    const std::string afterFirst = ReadFileText(memo);
    ASSERT_EQ(folder.Run("import \"" + folder.File("second.ics") + "\""), 0) << folder.Log();
    ASSERT_EQ(folder.Run("auto"), 0);

    const std::string first = TodayText() + "-import-1", second = TodayText() + "-import-2";
    const std::vector<std::string> backups = FolderEntries(folder.File("Backup"));
    EXPECT_EQ(std::set<std::string>(backups.begin(), backups.end()),
              (std::set<std::string>{TodayText(), first, second}));
    for (const std::string& name : {first, second})
        EXPECT_NE(folder.Log().find("backed up to " + folder.File("Backup\\" + name) + ". Restore of backup " +
                                    name + " undoes the import"),
                  std::string::npos)
            << folder.Log();

    ASSERT_EQ(folder.Run("restore " + second), 0) << folder.Log();
    EXPECT_EQ(ReadFileText(memo), afterFirst);
    ASSERT_EQ(folder.Run("restore " + first), 0) << folder.Log();
    EXPECT_EQ(ReadFileText(memo), original);
}

// A memo saved (in Vellumo's editor, say) while a scripted import backs the
// memos up keeps its new text, and the import's event is added to it.
TEST(CalendarFiles, AMemoSavedWhileAnImportRunsKeepsItsNewTextAndGetsTheEvent) {
    SandrelFolder folder;
    for (int i = 0; i < 1500; ++i) folder.Memo(DateText(2020 + i / 336, i / 28 % 12 + 1, i % 28 + 1), "old");
    folder.Memo("2026-1-5", "Dentist", "9:05");
    WriteFileBytes(folder.File("more.ics"),
                   Calendar(Event("a@test", "20260105", "Bring snacks") + Event("b@test", "20260106", "Gym")));
    KernelHandle p(LaunchProcess("\"" + folder.File("Sandrel.exe") + "\" import \"" + folder.File("more.ics") + "\"",
                                 folder.Dir().Path()));
    ASSERT_TRUE(p);
    // The backup before the import is being written.
    const auto backingUp = [&] {
        for (const std::string& name : FolderEntries(folder.File("Backup")))
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".new") == 0) return true;
        return false;
    };
    ASSERT_TRUE(WaitFor(backingUp, 30000));
    const std::string memo = folder.File("Remark\\Remark_2026-1-5.txt");
    ASSERT_TRUE(WaitFor([&] { return WriteFileBytes(memo, "[2026-1-5] Dentist at ten"); }));
    DWORD code = 99;
    ASSERT_TRUE(ProgramDir::WaitExit(p.Get(), 60000));
    ::GetExitCodeProcess(p.Get(), &code);
    EXPECT_EQ(code, 0u) << folder.Log();
    EXPECT_EQ(ReadFileText(memo), "[2026-1-5] Dentist at ten\r\nBring snacks");
    EXPECT_EQ(ReadFileText(folder.File("Remark\\Remark_2026-1-6.txt")), "[2026-1-6] Gym");
    EXPECT_NE(folder.Log().find("1 memo was changed by another program during the import; the events were added"),
              std::string::npos)
        << folder.Log();
}

TEST(CalendarFiles, SandrelCarriesWholeCharactersWhereTheAnsiCodePageIsUtf8AndCutsALongMemoAtOne) {
    // The build runs this case with UTF-8 as the ANSI code page (under Wine,
    // LC_ALL names Hindi, which has no other); on Windows that is a setting
    // of the system.
    if (::GetACP() != CP_UTF8) GTEST_SKIP() << "the ANSI code page is not UTF-8 (65001)";
    SandrelFolder from;
    const std::string text = "Caf\xC3\xA9 \xE2\x82\xAC 5\r\n\xE6\x9D\xB1 \xF0\x9F\x98\x80";
    from.Memo("2026-1-5", text);
    std::string longText;  // 4200 bytes, more than a memo reader takes
    for (int i = 0; i < 1400; ++i) longText += "\xE6\x9D\xB1";
    from.Memo("2026-1-6", longText);
    const std::string ics = from.File("memos.ics");
    ASSERT_EQ(from.Run("export \"" + ics + "\""), 0) << from.Log();
    const std::string log = from.Log();
    EXPECT_NE(log.find("2 memos exported. 1 memo longer than 4096 bytes cut to fit, at a whole character."),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("replacement marks"), std::string::npos) << log;
    EXPECT_NE(ReadFileText(ics).find("DESCRIPTION:Caf\xC3\xA9 \xE2\x82\xAC 5\\n\xE6\x9D\xB1 \xF0\x9F\x98\x80\r\n"),
              std::string::npos);

    SandrelFolder into;
    ASSERT_EQ(into.Run("import \"" + ics + "\""), 0) << into.Log();
    EXPECT_EQ(ReadFileText(into.File("Remark\\Remark_2026-1-5.txt")), "[2026-1-5] " + text);
    // The head and 1361 whole characters: 4094 bytes.
    const std::string cut = ReadFileText(into.File("Remark\\Remark_2026-1-6.txt"));
    EXPECT_EQ(cut.size(), 4094u);
    EXPECT_TRUE(cut == "[2026-1-6] " + longText.substr(0, 4083));
}

namespace {

// Waits for the standard file dialog of that title, types the path into its
// file name box and presses its OK button; false when it did not go.
bool ChooseInFileDialog(const char* title, const std::string& path) {
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = ::FindWindowA("#32770", title)) && ::IsWindowVisible(dialog); }, kShowMs))
        return false;
    // The name box: a combo box (cmb13) in the explorer-style dialog, an
    // edit (edt1) in others.
    HWND box = ::GetDlgItem(dialog, cmb13);
    if (!box) box = ::GetDlgItem(dialog, edt1);
    if (!box) return false;
    ::SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    return WaitFor([&] { return !::IsWindow(dialog); }, kShowMs);
}

// The report box's text once it shows, after which it is closed.
std::string TakeReport(HWND panel) {
    HWND box = WaitForWindow(panel, "#32770", "Vellumo", kStartMs);
    if (!box) return "<no report>";
    const std::string text = MessageBoxText(box);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !::IsWindow(box); }, kShowMs);
    return text;
}

int CellOfDay(const SYSTEMTIME& t, int day) { return IDC_DAY_FIRST + PlatformFirstWeekday(t.wYear, t.wMonth) + day - 1; }

}  // namespace

TEST(CalendarFiles, ToolsMenuExportsAndImportsThroughTheFileDialogsAndTheGridShowsTheImport) {
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    SYSTEMTIME today{};
    ::GetLocalTime(&today);
    const int memoDay = today.wDay == 10 ? 11 : 10;
    const int importDay = today.wDay == 20 ? 21 : 20;
    const std::string memoDate = DateText(today.wYear, today.wMonth, memoDay);
    const std::string importDate = DateText(today.wYear, today.wMonth, importDay);

    ProgramDir dir(false);
    ::CopyFileA(RealSandrel().c_str(), dir.File("Sandrel.exe").c_str(), FALSE);
    ::CreateDirectoryA(dir.File("Remark").c_str(), nullptr);
    ::CreateDirectoryA(dir.File("Notice").c_str(), nullptr);
    WriteFileBytes(dir.File("Remark\\Remark_" + memoDate + ".txt"), "[" + memoDate + "] Dentist");
    WriteFileBytes(dir.File("Notice\\Notice_" + memoDate + ".txt"), "9:05");
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    DismissAnnouncement(2000);

    ::PostMessageA(panel, WM_COMMAND, ID_EXPORT_CALENDAR, 0);
    ASSERT_TRUE(ChooseInFileDialog("Export to calendar file", dir.File("out.ics")));
    const std::string exported = TakeReport(panel);
    EXPECT_NE(exported.find("1 memo exported."), std::string::npos) << exported;
    const std::string ics = ReadFileText(dir.File("out.ics"));
    EXPECT_NE(ics.find("SUMMARY:Dentist\r\n"), std::string::npos) << ics;
    EXPECT_NE(ics.find("TRIGGER:PT0S\r\n"), std::string::npos) << ics;

    char stamp[9];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d", today.wYear, today.wMonth, importDay);
    WriteFileBytes(dir.File("in.ics"), Calendar(Event("haircut@test", stamp, "Haircut")));
    HWND cell = ::GetDlgItem(panel, CellOfDay(today, importDay));
    EXPECT_LE(ScreenPicture::OfWindow(panel).CountIn(cell, kGold), 3) << "no memo yet";
    ::PostMessageA(panel, WM_COMMAND, ID_IMPORT_CALENDAR, 0);
    ASSERT_TRUE(ChooseInFileDialog("Import calendar file", dir.File("in.ics")));
    const std::string imported = TakeReport(panel);
    EXPECT_NE(imported.find("Memos added: 1"), std::string::npos) << imported;
    EXPECT_NE(imported.find("backed up"), std::string::npos) << imported;
    EXPECT_EQ(ReadFileText(dir.File("Remark\\Remark_" + importDate + ".txt")), "[" + importDate + "] Haircut");
    EXPECT_TRUE(WaitFor([&] { return ScreenPicture::OfWindow(panel).CountIn(cell, kGold) > 3; }, kShowMs));
}
