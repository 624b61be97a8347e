// The tools commands of the real program: the backup program, the help file,
// the product information, the history cleaner and the tools menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr UINT kBackup = 32776, kHelp = 32777, kProductInfo = 32784, kClearHistory = 32781;
constexpr UINT kMenuButton = 1043;
constexpr UINT kCleanFirst = 1077, kStatus = 1089;

std::string SupportFile(const std::string& relative) { return TestBinDir() + "\\support\\" + relative; }

void Command(HWND panel, UINT id) { ::PostMessageA(panel, WM_COMMAND, id, 0); }

struct Search {
    HWND panel;
    DWORD pid;
    std::string className, caption;
    HWND found;
};
BOOL CALLBACK MatchWindow(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    char cls[64] = {}, title[128] = {};
    ::GetClassNameA(wnd, cls, sizeof cls);
    ::GetWindowTextA(wnd, title, sizeof title);
    if (pid == s->pid && wnd != s->panel && ::IsWindowVisible(wnd) && s->className == cls &&
        (s->caption.empty() || s->caption == title)) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the panel's process, other than the panel.
HWND FindOf(HWND panel, const std::string& className, const std::string& caption = "") {
    Search s{panel, 0, className, caption, nullptr};
    ::GetWindowThreadProcessId(panel, &s.pid);
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForWindow(HWND panel, const std::string& className, const std::string& caption,
                   DWORD timeoutMs = 5000) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindOf(panel, className, caption)) != nullptr; }, timeoutMs);
    return found;
}


std::string ItemText(HWND dialog, int id) {
    char text[128] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Starts the program copied to `exe` with `cwd` as its working folder.
HANDLE StartProgramAt(const std::string& exe, const std::string& cwd) {
    std::string commandLine = "\"" + exe + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(),
                          &startup, &info))
        return nullptr;
    ::CloseHandle(info.hThread);
    return info.hProcess;
}

std::string CleanOption() {
    char text[64] = {};
    DWORD size = sizeof text - 1;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brakkon\\Torvane08", 0, KEY_READ, &key))
        return "<none>";
    const LONG got = ::RegQueryValueExA(key, "CleanOption", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(text), &size);
    ::RegCloseKey(key);
    return got == ERROR_SUCCESS ? text : "<none>";
}

}  // namespace

TEST(ToolsE2E, BackupCommandStartsTheProgramAndHidesThePanelOrSaysItIsMissing) {
    {
        ProgramDir dir;
        dir.Start();
        HWND panel = WaitForPanel(true);
        ASSERT_NE(panel, nullptr);
        Command(panel, kBackup);
        ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, 5000));
        EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[]"}));  // no arguments
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 3000));
    }
    {
        ProgramDir dir(false);
        dir.Start();
        HWND panel = WaitForPanel(true);
        ASSERT_NE(panel, nullptr);
        Command(panel, kBackup);
        HWND box = WaitForWindow(panel, "#32770", "Vellumo");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box), "Can not find file  \"Sandrel.exe\" in installation directory");
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(::IsWindowVisible(panel));

        // The automatic backup says nothing, even without the program.
        ::PostMessageA(panel, WM_USER + 2, 0, 0);
        ::Sleep(700);
        EXPECT_EQ(FindOf(panel, "#32770", "Vellumo"), nullptr);
    }
}

TEST(ToolsE2E, HelpIsFoundBesideTheProgramOrAboveItButNotFourLevelsUp) {
    const std::string chm = TestBinDir() + "\\..\\companions\\out\\Help.chm";
    if (!FileExists(chm)) GTEST_SKIP() << "Help.chm was not built (no chmcmd)";
    struct Case {
        const char* helpAt;  // relative to the program dir's root
        bool opens;
    } cases[] = {{"L1\\L2\\L3\\L4", true}, {"L1\\L2\\L3", true}, {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.helpAt);
        ProgramDir dir(false);
        std::string deep = dir.Path();
        for (const char* level : {"L1", "L2", "L3", "L4"}) {
            deep += std::string("\\") + level;
            ::CreateDirectoryA(deep.c_str(), nullptr);
        }
        ::CopyFileA(dir.File("Vellumo.exe").c_str(), (deep + "\\Vellumo.exe").c_str(), FALSE);
        const std::string helpDir = *c.helpAt ? dir.File(c.helpAt) : dir.Path();
        ::CopyFileA(chm.c_str(), (helpDir + "\\Help.chm").c_str(), FALSE);
        HANDLE process = StartProgramAt(deep + "\\Vellumo.exe", deep);
        ASSERT_NE(process, nullptr);
        HWND panel = WaitForPanel(true);
        ASSERT_NE(panel, nullptr);
        Command(panel, kHelp);
        if (c.opens) {
            EXPECT_NE(WaitForWindow(panel, "HH Parent", ""), nullptr);
        } else {
            HWND box = WaitForWindow(panel, "#32770", "Vellumo");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(BoxText(box), "Can not find file  \"Help.chm\" in installation directory");
        }
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
    }
}

TEST(ToolsE2E, ProductInfoFromTheLibraryDisablesThePanelUntilItsBoxCloses) {
    ProgramDir dir;
    ::CopyFileA(SupportFile("tressle\\Tressle.dll").c_str(), dir.File("Tressle.dll").c_str(), FALSE);
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    for (bool systemMenu : {false, true}) {
        if (systemMenu) ::PostMessageA(panel, WM_SYSCOMMAND, 0x0010, 0);
        else Command(panel, kProductInfo);
        HWND box = WaitForWindow(panel, "#32770", "Tressle stand-in");
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(::IsWindowEnabled(panel));
        EXPECT_EQ(FindOf(panel, "#32770", "About Vellumo"), nullptr);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(panel) != FALSE; }, 3000));
    }
    EXPECT_EQ(ReadFileText(dir.File("Tressle.log")), "DLLFunction 1\nclosed 1\nDLLFunction 1\nclosed 1\n");
}

TEST(ToolsE2E, ALibraryOnlyInTheWorkingFolderIsNotLoaded) {
    ProgramDir dir;
    ProgramDir elsewhere(false);
    ::CopyFileA(SupportFile("tressle\\Tressle.dll").c_str(), elsewhere.File("Tressle.dll").c_str(),
                FALSE);
    HANDLE process = StartProgramAt(dir.File("Vellumo.exe"), elsewhere.Path());
    ASSERT_NE(process, nullptr);
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    Command(panel, kProductInfo);
    HWND about = WaitForWindow(panel, "#32770", "About Vellumo");
    EXPECT_NE(about, nullptr);  // the built-in dialog
    EXPECT_FALSE(FileExists(elsewhere.File("Tressle.log")));
    if (about) ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 5000);
    ::CloseHandle(process);
}

TEST(ToolsE2E, CleanerRunsThePluginAndStoresTheSelection) {
    ProgramDir dir;
    ::CopyFileA(SupportFile("scourwell\\Scourwell.dll").c_str(), dir.File("Scourwell.dll").c_str(),
                FALSE);
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    Command(panel, kClearHistory);
    HWND dialog = WaitForWindow(panel, "#32770", "Clear Histroy");
    ASSERT_NE(dialog, nullptr);
    for (UINT i = 0; i < 9; ++i)
        ::SendDlgItemMessageA(dialog, kCleanFirst + i, BM_SETCHECK, i == 0 || i == 2, 0);
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return ItemText(dialog, kStatus) == "Completed !"; }, 5000));
    std::string expected = "create\n";
    for (int i = 0; i < 12; ++i)
        expected += "select " + std::to_string(i) + (i == 0 || i == 2 ? " 1\n" : " 0\n");
    expected += "execute\nreport 1\nexecute done\ndestroy\n";
    EXPECT_EQ(ReadFileText(dir.File("Scourwell.log")), expected);
    EXPECT_EQ(CleanOption(), std::string(29, '0') + "101");
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, 3000));
    EXPECT_TRUE(::IsWindowEnabled(panel));
}

TEST(ToolsE2E, MenuButtonOpensTheToolsMenuAboveIt) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true);
    ASSERT_NE(panel, nullptr);
    HWND button = ::GetDlgItem(panel, kMenuButton);
    ASSERT_NE(button, nullptr);
    RECT at{};
    ::GetWindowRect(button, &at);
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(kMenuButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = ::FindWindowA("#32768", nullptr)) && ::IsWindowVisible(menu); }, 5000));
    RECT shown{};
    ::GetWindowRect(menu, &shown);
    EXPECT_NEAR((shown.top + shown.bottom) / 2.0, at.top - 75, 4.0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}
