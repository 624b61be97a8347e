// The tools commands of the real program: the backup program, the help file,
// the product information, the history cleaner and the tools menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/moved_clock.h"
#include "tests/support/registry.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

// Waits that only catch a hang.
constexpr DWORD kShowMs = 10000;
constexpr DWORD kStartMs = 30000;

std::string SupportFile(const std::string& relative) { return TestProgramDir() + "\\support\\" + relative; }

void Command(HWND panel, UINT id) { ::PostMessageA(panel, WM_COMMAND, id, 0); }

std::string ItemText(HWND dialog, int id) {
    char text[128] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The program copied to `exe`, started with `cwd` as its working folder
// and ended when this goes.
struct ProgramAt {
    KernelHandle process;
    ProgramAt(const std::string& exe, const std::string& cwd)
        : process(LaunchProcess("\"" + exe + "\"", cwd)) {}
    ~ProgramAt() {
        if (!process) return;
        ::TerminateProcess(process.Get(), 1);
        ::WaitForSingleObject(process.Get(), 5000);
    }
};

std::string CleanOption() {
    char text[64] = {};
    DWORD size = sizeof text - 1;
    RegKey key(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
    if (!key) return "<none>";
    const LONG got = ::RegQueryValueExA(key.Get(), "CleanOption", nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(text), &size);
    return got == ERROR_SUCCESS ? text : "<none>";
}

}  // namespace

TEST(ToolsE2E, BackupCommandStartsTheProgramAndHidesThePanelOrSaysItIsMissing) {
    {
        ProgramDir dir;
        dir.Start();
        HWND panel = WaitForPanel(true, kStartMs);
        ASSERT_NE(panel, nullptr);
        Command(panel, ID_BACKUP);
        ASSERT_TRUE(WaitFor([&] { return !dir.BackupRuns().empty(); }, kShowMs));
        EXPECT_EQ(dir.BackupRuns(), std::vector<std::string>({"[]"}));  // no arguments
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
    }
    {
        ProgramDir dir(false);
        dir.Start();
        HWND panel = WaitForPanel(true, kStartMs);
        ASSERT_NE(panel, nullptr);
        Command(panel, ID_BACKUP);
        HWND box = WaitForWindow(panel, "#32770", "Vellumo");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), "Can not find file  \"Sandrel.exe\" in installation directory");
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }, kShowMs));
        EXPECT_TRUE(::IsWindowVisible(panel));

        // The automatic backup says nothing, even without the program: a
        // box would hold the sent message until it closed.
        DWORD_PTR ignored = 0;
        EXPECT_NE(::SendMessageTimeoutA(panel, WM_USER + 2, 0, 0, SMTO_NORMAL, kShowMs, &ignored), 0);
        EXPECT_EQ(FindOf(panel, "#32770", "Vellumo"), nullptr);
    }
}

TEST(ToolsE2E, HelpIsFoundBesideTheProgramOrAboveItButNotFourLevelsUp) {
    const std::string chm = TestProgramDir() + "\\..\\companions\\out\\Help.chm";
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
        ProgramAt program(deep + "\\Vellumo.exe", deep);
        ASSERT_TRUE(program.process.Valid());
        HWND panel = WaitForPanel(true, kStartMs);
        ASSERT_NE(panel, nullptr);
        Command(panel, ID_HELP);
        if (c.opens) {
            EXPECT_NE(WaitForWindow(panel, "HH Parent", ""), nullptr);
        } else {
            HWND box = WaitForWindow(panel, "#32770", "Vellumo");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(MessageBoxText(box), "Can not find file  \"Help.chm\" in installation directory");
        }
    }
}

TEST(ToolsE2E, ProductInfoFromTheLibraryDisablesThePanelUntilItsBoxCloses) {
    ProgramDir dir;
    ::CopyFileA(SupportFile("tressle\\Tressle.dll").c_str(), dir.File("Tressle.dll").c_str(), FALSE);
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    for (bool systemMenu : {false, true}) {
        if (systemMenu) ::PostMessageA(panel, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        else Command(panel, ID_PRODUCT_INFO);
        HWND box = WaitForWindow(panel, "#32770", "Tressle stand-in");
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(::IsWindowEnabled(panel));
        EXPECT_EQ(FindOf(panel, "#32770", "About Vellumo"), nullptr);
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(panel) != FALSE; }, kShowMs));
    }
    EXPECT_EQ(ReadFileText(dir.File("Tressle.log")), "DLLFunction 1\nclosed 1\nDLLFunction 1\nclosed 1\n");
}

TEST(ToolsE2E, ALibraryOnlyInTheWorkingFolderIsNotLoaded) {
    ProgramDir dir;
    ProgramDir elsewhere(false);
    ::CopyFileA(SupportFile("tressle\\Tressle.dll").c_str(), elsewhere.File("Tressle.dll").c_str(),
                FALSE);
    ProgramAt program(dir.File("Vellumo.exe"), elsewhere.Path());
    ASSERT_TRUE(program.process.Valid());
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    Command(panel, ID_PRODUCT_INFO);
    HWND about = WaitForWindow(panel, "#32770", "About Vellumo");
    EXPECT_NE(about, nullptr);  // the built-in dialog
    EXPECT_FALSE(FileExists(elsewhere.File("Tressle.log")));
    if (about) ::PostMessageA(about, WM_COMMAND, IDOK, 0);
}

TEST(ToolsE2E, CleanerRunsThePluginAndStoresTheSelection) {
    ProgramDir dir;
    ::CopyFileA(SupportFile("scourwell\\Scourwell.dll").c_str(), dir.File("Scourwell.dll").c_str(),
                FALSE);
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    Command(panel, ID_CLEAR_HISTORY);
    HWND dialog = WaitForWindow(panel, "#32770", "Clear Histroy");
    ASSERT_NE(dialog, nullptr);
    for (UINT i = 0; i < 9; ++i)
        ::SendDlgItemMessageA(dialog, IDC_CLEAN_FIRST + i, BM_SETCHECK, i == 0 || i == 2, 0);
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return ItemText(dialog, IDC_STATUS) == "Completed !"; }, kShowMs));
    std::string expected = "create\n";
    for (int i = 0; i < 12; ++i)
        expected += "select " + std::to_string(i) + (i == 0 || i == 2 ? " 1\n" : " 0\n");
    expected += "execute\nreport 1\nexecute done\ndestroy\n";
    EXPECT_EQ(ReadFileText(dir.File("Scourwell.log")), expected);
    EXPECT_EQ(CleanOption(), std::string(29, '0') + "101");
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, kShowMs));
    EXPECT_TRUE(::IsWindowEnabled(panel));
}

TEST(ToolsE2E, MenuButtonOpensTheToolsMenuAboveIt) {
    ProgramDir dir;
    dir.Start();
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    HWND button = ::GetDlgItem(panel, IDC_MENU_BUTTON);
    ASSERT_NE(button, nullptr);
    RECT at{};
    ::GetWindowRect(button, &at);
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(IDC_MENU_BUTTON, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = ::FindWindowA("#32768", nullptr)) && ::IsWindowVisible(menu); }, kShowMs));
    RECT shown{};
    ::GetWindowRect(menu, &shown);
    EXPECT_NEAR((shown.top + shown.bottom) / 2.0, at.top - 75, 4.0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

namespace {

// The libraries a PE file (32- or 64-bit) names in its import directory,
// lower-cased: what the loader must find before the program runs.
std::vector<std::string> ImportedLibraries(const std::string& file) {
    const std::string b = ReadFileText(file);
    auto u16 = [&](size_t at) -> std::uint32_t {
        return at + 2 <= b.size() ? std::uint32_t(std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8) : 0;
    };
    auto u32 = [&](size_t at) -> std::uint32_t { return u16(at) | u16(at + 2) << 16; };
    std::vector<std::string> names;
    const size_t pe = u32(0x3C);
    if (b.size() < pe + 24 || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return names;
    const size_t sections = u16(pe + 6), optional = pe + 24, table = optional + u16(pe + 20);
    const size_t directories = optional + (u16(optional) == 0x20B ? 112 : 96);
    auto offsetOf = [&](std::uint32_t rva) -> size_t {
        for (size_t i = 0; i < sections; ++i) {
            const size_t s = table + i * 40;
            const std::uint32_t va = u32(s + 12), size = std::max(u32(s + 8), u32(s + 16));
            if (rva >= va && rva < va + size) return u32(s + 20) + (rva - va);
        }
        return std::string::npos;
    };
    for (size_t d = offsetOf(u32(directories + 8)); d != std::string::npos && d + 20 <= b.size(); d += 20) {
        const size_t name = u32(d + 12) ? offsetOf(u32(d + 12)) : std::string::npos;
        if (name == std::string::npos || name >= b.size()) break;
        std::string text = b.c_str() + name;
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(text);
    }
    return names;
}

// F1 pressed on the keyboard while the panel is in front: the platform turns
// the key into WM_HELP only for input that comes from the keyboard driver,
// not for a posted WM_KEYDOWN. A window closing just before may still hand
// the activation elsewhere (to the desktop, say): the panel is brought to
// the front until it stays there with a focused control.
void PressF1(HWND panel) {
    // The focus events of a viewer or box that has just closed can still
    // move the foreground: the panel must hold it a moment before the key
    // goes, or the key lands nowhere.
    DWORD heldSince = 0;
    WaitFor(
        [&] {
            if (::GetForegroundWindow() != panel) ::SetForegroundWindow(panel);
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            const bool holds = ::GetForegroundWindow() == panel &&
                               ::GetGUIThreadInfo(::GetWindowThreadProcessId(panel, nullptr), &info) &&
                               info.hwndActive == panel && info.hwndFocus != nullptr;
            if (!holds) heldSince = 0;
            else if (heldSince == 0) heldSince = ::GetTickCount() | 1;
            return holds && ::GetTickCount() - heldSince >= 300;
        },
        kShowMs);
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_F1;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, keys, sizeof(INPUT));
}

// Closes the help viewer and waits until it has gone.
void CloseViewer(HWND viewer) {
    ::PostMessageA(viewer, WM_CLOSE, 0, 0);
    WaitFor([&] { return !::IsWindow(viewer); }, kShowMs);
}

// Long-path file operations of the test itself (the "\\?\" form).
std::wstring Extended(const std::string& path) { return L"\\\\?\\" + std::wstring(path.begin(), path.end()); }

}  // namespace

TEST(ToolsE2E, TheProgramStartsWithoutTheHelpViewerInstalled) {
    const std::vector<std::string> imports =
        ImportedLibraries(TestProgramDir() + "\\..\\bin\\Vellumo.exe");
    ASSERT_NE(std::find(imports.begin(), imports.end(), "user32.dll"), imports.end());
    EXPECT_EQ(std::find(imports.begin(), imports.end(), "hhctrl.ocx"), imports.end());
}

TEST(ToolsE2E, HelpCommandAndF1OpenTheHelpFileOrSayItIsMissing) {
    const std::string chm = TestProgramDir() + "\\..\\companions\\out\\Help.chm";
    if (!FileExists(chm)) GTEST_SKIP() << "Help.chm was not built (no chmcmd)";
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "with Help.chm" : "without Help.chm");
        ProgramDir dir(false);
        if (present) ::CopyFileA(chm.c_str(), dir.File("Help.chm").c_str(), FALSE);
        dir.Start();
        HWND panel = WaitForPanel(true, kStartMs);
        ASSERT_NE(panel, nullptr);
        for (int way = 0; way < 3; ++way) {
            SCOPED_TRACE(way == 0 ? "Help command" : way == 1 ? "help command 57670" : "F1");
            if (way == 0) Command(panel, ID_HELP);
            else if (way == 1) Command(panel, ID_APP_HELP);
            else PressF1(panel);
            if (present) {
                HWND viewer = WaitForWindow(panel, "HH Parent", "");
                ASSERT_NE(viewer, nullptr);
                CloseViewer(viewer);
            } else {
                HWND box = WaitForWindow(panel, "#32770", "Vellumo");
                ASSERT_NE(box, nullptr);
                EXPECT_EQ(MessageBoxText(box), "Can not find file  \"Help.chm\" in installation directory");
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                WaitFor([&] { return !::IsWindow(box); }, kShowMs);
            }
        }
    }
}

// A program folder 270 characters deep inside `root`, made and removed
// through the long-path calls (the ANSI ones stop at MAX_PATH).
struct DeepFolder {
    std::vector<std::string> levels;
    std::string path;
    explicit DeepFolder(const std::string& root) : path(root) {
        while (path.size() < 270) {
            path += "\\" + std::string(std::min<size_t>(270 - path.size() - 1, 60), 'd');
            levels.push_back(path);
            ::CreateDirectoryW(Extended(path).c_str(), nullptr);
        }
    }
    ~DeepFolder() {
        EndAllCopies();
        for (const char* name : {"Help.chm", "Sandrel.exe", "Vellumo.exe"})
            ::DeleteFileW(Extended(path + "\\" + name).c_str());
        for (auto level = levels.rbegin(); level != levels.rend(); ++level)
            ::RemoveDirectoryW(Extended(*level).c_str());
    }
};

TEST(ToolsE2E, HelpAndBackupWorkFromAProgramFolderWith270Characters) {
    const std::string chm = TestProgramDir() + "\\..\\companions\\out\\Help.chm";
    ProgramDir dir;
    DeepFolder deep(dir.Path());
    ASSERT_EQ(deep.path.size(), 270u);
    std::vector<std::string> files = {"Vellumo.exe", "Sandrel.exe"};
    if (FileExists(chm)) files.push_back("Help.chm");
    for (const std::string& name : files) {
        const std::string from = name == "Help.chm" ? chm : dir.File(name);
        ASSERT_TRUE(::CopyFileW(std::wstring(from.begin(), from.end()).c_str(),
                                Extended(deep.path + "\\" + name).c_str(), FALSE))
            << name << " " << ::GetLastError();
    }

    // Wine's CreateProcess takes no path this long; its loader, started from
    // the Unix side, does.
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    ASSERT_TRUE(SpawnAtLocalTime(deep.path + "\\Vellumo.exe", now));
    HWND panel = WaitForPanel(true, kStartMs);
    ASSERT_NE(panel, nullptr);
    if (FileExists(chm)) {
        Command(panel, ID_HELP);
        HWND viewer = WaitForWindow(panel, "HH Parent", "");
        EXPECT_NE(viewer, nullptr);
        if (viewer) CloseViewer(viewer);
    }
    EXPECT_EQ(FindOf(panel, "#32770", "Vellumo"), nullptr);  // no not-found message
    // Found: the panel hides for the backup program. (Wine cannot start any
    // program that deep, whatever name it is given, so its run is not seen.)
    Command(panel, ID_BACKUP);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, kShowMs));
    EXPECT_EQ(FindOf(panel, "#32770", "Vellumo"), nullptr);
}
