// The tools menu and the launchers, in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/tools/launchers.h"
#include "controls/menus/themed_menu.h"
#include "platform/handles.h"
#include "res/resource.h"
#include "tests/support/dialogs.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

struct Entry {
    std::string text;  // "-" for a separator
    UINT id;
    bool operator==(const Entry& o) const { return text == o.text && id == o.id; }
};

std::vector<Entry> Entries(const CThemedMenu& popup) {
    std::vector<Entry> entries;
    for (int i = 0; i < popup.GetMenuItemCount(); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_BITMAP;
        ::GetMenuItemInfoA(popup.GetSafeHmenu(), static_cast<UINT>(i), TRUE, &info);
        EXPECT_EQ(info.hbmpItem, nullptr);  // no images
        const CThemedMenuItemData* data = popup.ItemData(i);
        EXPECT_TRUE(data && data->iconIndex < 0);
        if (!data) continue;
        if (info.fType & MFT_SEPARATOR || data->IsSeparator()) entries.push_back({"-", 0});
        else entries.push_back({data->text, info.wID});
    }
    return entries;
}

void MakeFile(const std::string& path) {
    FileHandle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f.Valid()) << path;
}

// Catches the next box or dialog of this thread with `caption` while `call`
// runs, records its text, whether `watched` was enabled meanwhile, and closes it.
struct Caught {
    bool shown = false;
    std::string text;
    bool watchedEnabled = true;
};
template <class Call>
Caught CatchDialog(const char* caption, Call call, HWND watched = nullptr) {
    Caught caught;
    ModalScript script;
    script.Then([&] {
        HWND box = FindThreadDialog(caption);
        if (!box) return false;
        caught.shown = true;
        caught.text = MessageBoxText(box);
        if (watched) caught.watchedEnabled = ::IsWindowEnabled(watched) != FALSE;
        AnswerBox(box, IDOK);
        return true;
    });
    script.RunUnchecked([&] {
        call();
        return 0;
    });
    return caught;
}

}  // namespace

TEST(ToolsMenu, HoldsTheNineCommandsWithSeparatorsAndNoSynchronise) {
    CThemedMenu menu;
    CThemedMenu* popup = LoadToolsMenu(menu);
    ASSERT_NE(popup, nullptr);
    const std::vector<Entry> expected = {
        {"Clear History", ID_CLEAR_HISTORY}, {"-", 0},
        {"Export to calendar file...", ID_EXPORT_CALENDAR}, {"Import calendar file...", ID_IMPORT_CALENDAR},
        {"Calendars...", ID_CALENDARS},      {"Calendar server...", ID_CALENDAR_SERVER},
        {"-", 0},                            {"Our Products", ID_OUR_PRODUCTS}, {"-", 0},
        {"Setting...", ID_SETTING},         {"-", 0}, {"Update", ID_UPDATE},            {"-", 0},
        {"Help", ID_HELP},                  {"-", 0}, {"Exit", ID_TOOLS_EXIT}};
    EXPECT_EQ(Entries(*popup), expected);
}

TEST(ToolsMenu, TracksCentredSeventyFivePixelsAboveTheButton) {
    HWND parent = CreateTestParent(300, 600);
    HWND button = ::CreateWindowExA(0, "Button", "Menu", WS_CHILD | WS_VISIBLE, 40, 450, 60, 20,
                                    parent, reinterpret_cast<HMENU>(IDC_MENU_BUTTON),
                                    ::GetModuleHandleA(nullptr), nullptr);
    RECT at{};
    ::GetWindowRect(button, &at);
    RECT popup{};
    bool seen = false;
    ModalScript script;
    script.Then([&] {
        HWND menu = ::FindWindowA("#32768", nullptr);
        if (!menu || !::IsWindowVisible(menu)) return false;
        ::GetWindowRect(menu, &popup);
        seen = true;
        ::EndMenu();
        return true;
    });
    script.Run([&] {
        ShowToolsMenu(parent, button);
        return 0;
    });
    ASSERT_TRUE(seen);
    EXPECT_EQ(popup.left, at.left);
    // The themed menu's window may carry a few pixels of shadow at its bottom.
    EXPECT_NEAR((popup.top + popup.bottom) / 2.0, at.top - 75, 4.0);
    ::DestroyWindow(parent);
}

TEST(FindInInstallDir, TriesBesideTheProgramAndThreeFoldersUpOnly) {
    const std::string root = FreshTempDir("vellumo-find");
    std::string dir = root;
    for (const char* level : {"L1", "L2", "L3", "L4"}) {
        dir += std::string("\\") + level;
        ::CreateDirectoryA(dir.c_str(), nullptr);
    }
    const std::string exe = dir + "\\prog.exe";  // root\L1\L2\L3\L4\prog.exe
    MakeFile(root + "\\L1\\L2\\L3\\L4\\beside.txt");
    MakeFile(root + "\\L1\\L2\\L3\\parent.txt");
    MakeFile(root + "\\L1\\fourth.txt");
    MakeFile(root + "\\fifth.txt");
    MakeFile(root + "\\L1\\L2\\L3\\L4\\both.txt");
    MakeFile(root + "\\L1\\L2\\L3\\both.txt");

    std::string found;
    ASSERT_TRUE(FindInInstallDirFrom(exe, "beside.txt", found));
    EXPECT_EQ(std::string(found), root + "\\L1\\L2\\L3\\L4\\beside.txt");
    ASSERT_TRUE(FindInInstallDirFrom(exe, "parent.txt", found));
    EXPECT_EQ(std::string(found), root + "\\L1\\L2\\L3\\parent.txt");
    ASSERT_TRUE(FindInInstallDirFrom(exe, "fourth.txt", found));
    EXPECT_EQ(std::string(found), root + "\\L1\\fourth.txt");
    ASSERT_TRUE(FindInInstallDirFrom(exe, "both.txt", found));
    EXPECT_EQ(std::string(found), root + "\\L1\\L2\\L3\\L4\\both.txt");  // nearest wins
    EXPECT_FALSE(FindInInstallDirFrom(exe, "fifth.txt", found));
    EXPECT_FALSE(FindInInstallDirFrom(exe, "absent.txt", found));

    // A program at a drive root tries the root only.
    MakeFile("C:\\vellumo-root-test.txt");
    ASSERT_TRUE(FindInInstallDirFrom("C:\\prog.exe", "vellumo-root-test.txt", found));
    EXPECT_EQ(std::string(found), "C:\\vellumo-root-test.txt");
    ::DeleteFileA("C:\\vellumo-root-test.txt");
    EXPECT_FALSE(FindInInstallDirFrom("C:\\prog.exe", "win.ini", found));  // C:\windows\win.ini
}

TEST(Launchers, MissingBackupProgramIsReportedAndThePanelStays) {
    // Nothing named Sandrel.exe lies beside the test program or above it.
    std::string found;
    ASSERT_FALSE(FindInInstallDir("Sandrel.exe", found));
    HWND panel = CreateTestParent();
    const Caught caught = CatchDialog("Vellumo", [&] { RunBackup(panel); });
    EXPECT_TRUE(caught.shown);
    EXPECT_EQ(caught.text, "Can not find file  \"Sandrel.exe\" in installation directory");
    EXPECT_TRUE(::IsWindowVisible(panel));
    ::DestroyWindow(panel);

    const Caught help = CatchDialog("Vellumo", [] { ShowNotFound("Help.chm"); });
    EXPECT_EQ(help.text, "Can not find file  \"Help.chm\" in installation directory");
}

TEST(Launchers, AutomaticBackupSaysNothingWhenTheProgramIsMissing) {
    const Caught caught = CatchDialog("Vellumo", [] {
        EXPECT_TRUE(RunBackupAuto());
        PumpUntil([] { return false; }, 300);
    });
    EXPECT_FALSE(caught.shown);
}

TEST(Launchers, ProductInfoComesFromTheLibraryWithThePanelDisabledMeanwhile) {
    const std::string dir = SupportDir("tressle");
    const std::string log = dir + "\\Tressle.log";
    ::DeleteFileA(log.c_str());
    HWND panel = CreateTestParent();

    ASSERT_TRUE(::SetDllDirectoryA(dir.c_str()));
    bool result = false;
    Caught box = CatchDialog("Tressle stand-in", [&] { result = ShowInfoFromLibrary(panel); }, panel);
    EXPECT_TRUE(result);
    EXPECT_TRUE(box.shown);
    EXPECT_FALSE(box.watchedEnabled);
    EXPECT_TRUE(::IsWindowEnabled(panel));
    EXPECT_EQ(ReadFileText(log), "DLLFunction 1\nclosed 1\n");

    // ShowProductInfo takes the library's box and not the built-in one.
    Caught builtIn = CatchDialog("About Vellumo", [&] {
        box = CatchDialog("Tressle stand-in", [&] { ShowProductInfo(panel); });
    });
    EXPECT_TRUE(box.shown);
    EXPECT_FALSE(builtIn.shown);

    // Without the library: false, and the built-in dialog instead.
    ASSERT_TRUE(::SetDllDirectoryA(FreshTempDir("vellumo-no-tressle").c_str()));
    EXPECT_FALSE(ShowInfoFromLibrary(panel));
    EXPECT_TRUE(::IsWindowEnabled(panel));
    builtIn = CatchDialog("About Vellumo", [&] { ShowProductInfo(panel); });
    EXPECT_TRUE(builtIn.shown);
    EXPECT_EQ(ReadFileText(log), "DLLFunction 1\nclosed 1\nDLLFunction 1\nclosed 1\n");

    ::SetDllDirectoryA(nullptr);
    ::DestroyWindow(panel);
}

TEST(Launchers, ALibraryOnlyInTheWorkingDirectoryIsNotLoaded) {
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryA(SupportDir("tressle").c_str()));
    HWND panel = CreateTestParent();

    // The default search finds it there, so the check below means something.
    // (Checked first: the start-up call cannot be undone in this process.)
    HMODULE loaded = ::LoadLibraryA("Tressle.dll");
    EXPECT_NE(loaded, nullptr);
    if (loaded) ::FreeLibrary(loaded);

    // As the program starts up.
    KeepWorkingDirectoryOutOfDllSearch();
    const Caught caught = CatchDialog("Tressle stand-in", [&] {
        EXPECT_FALSE(ShowInfoFromLibrary(panel));
    });
    EXPECT_FALSE(caught.shown);

    // Folders named with SetDllDirectory still count.
    ASSERT_TRUE(::SetCurrentDirectoryA(saved));
    ::SetDllDirectoryA(SupportDir("tressle").c_str());
    loaded = ::LoadLibraryA("Tressle.dll");
    EXPECT_NE(loaded, nullptr);
    if (loaded) ::FreeLibrary(loaded);
    ::SetDllDirectoryA(nullptr);
    ::DestroyWindow(panel);
}
