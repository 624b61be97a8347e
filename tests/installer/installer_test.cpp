// The setup program as administrators and deployment tools run it: silently,
// into a folder with a blank in its name; then upgrade and uninstall.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/settings/settings_rules.h"
#include "platform/handles.h"
#include "tests/support/registry.h"
#include "tests/support/task_scheduler.h"
#include "tests/support/test_files.h"
#include "tests/support/windows_and_processes.h"

namespace {

constexpr char kSetup[] = VELLUMO_SETUP_PATH;
constexpr char kStage[] = VELLUMO_STAGE_PATH;
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vellumo";
const std::vector<std::string> kProgramFiles = {"Vellumo.exe", "Scourwell.dll", "Tressle.dll",
                                                "Sandrel.exe", "Help.chm"};

// Runs a command line to its end; its exit code, or -1 when it did not end.
long RunToEnd(const std::string& commandLine) {
    const KernelHandle process(LaunchProcess(commandLine));
    if (!process) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<long>(code);
}

// A REG_SZ value, or "<none>" when it is missing.
std::string RegText(HKEY root, const char* path, const char* name) {
    char data[1024] = {};
    DWORD size = sizeof data;
    if (::RegGetValueA(root, path, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return "<none>";
    return data;
}

std::string StartMenuFolder() {
    char programs[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs);
    return std::string(programs) + "\\Vellumo";
}

struct Shortcut {
    std::string target, workingDirectory;
};

Shortcut ReadShortcut(const std::string& path) {
    Shortcut result;
    ::CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                     reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::wstring wide(path.begin(), path.end());
            char text[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
                if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) result.target = text;
                if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                    result.workingDirectory = text;
            }
            file->Release();
        }
        link->Release();
    }
    ::CoUninitialize();
    return result;
}

// The product version in a program's version resource ("" when none).
std::string ProductVersion(const std::string& path) {
    DWORD ignored = 0;
    std::vector<char> block(::GetFileVersionInfoSizeA(path.c_str(), &ignored));
    char* text = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !::VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                          reinterpret_cast<void**>(&text), &length))
        return "";
    return std::string(text);
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(kSetup)) << kSetup;
        root_ = TempFolder() + "vellumo setup " + std::to_string(::GetCurrentProcessId());
        dir_ = root_ + "\\My Programs\\Vellumo Calendar";
        RemoveDirectoryTree(root_);
    }
    void TearDown() override {
        EndAllCopies();
        // In place (_?=), so that it has finished when it returns.
        if (FileExists(File("Uninstall.exe")))
            RunToEnd("\"" + File("Uninstall.exe") + "\" /S _?=" + dir_);
        RemoveDirectoryTree(root_);
    }

    std::string File(const std::string& name) const { return dir_ + "\\" + name; }
    long Install(const std::string& options = "") {
        return RunToEnd("\"" + std::string(kSetup) + "\" /S " + options + " /D=" + dir_);
    }
    // Memo, notice and backup files of every kind of content, by path.
    std::map<std::string, std::string> PutMemos() {
        const std::map<std::string, std::string> memos = {
            {"Remark\\Remark_2001-1-5.txt", "[2001-1-5] dentist\r\nbring the card"},
            {"Notice\\Notice_2001-1-5.txt", "9:05"},
            {"Remark\\Remark_2001-2-28.txt", std::string("[2001-2-28] \xB2\xE2\0x", 16)},
            {"Backup\\memos.bak", std::string("\0\1\2\xFF binary", 11)}};
        for (const char* sub : {"Remark", "Notice", "Backup"})
            ::CreateDirectoryA(File(sub).c_str(), nullptr);
        for (const auto& [name, bytes] : memos) WriteFileBytes(File(name), bytes);
        return memos;
    }
    void ExpectMemosKept(const std::map<std::string, std::string>& memos) {
        for (const auto& [name, bytes] : memos) EXPECT_EQ(ReadFileText(File(name)), bytes) << name;
    }

    std::string root_, dir_;
};

TEST_F(InstallerTest, SilentInstallPutsEverythingInPlaceAndTheShortcutStartsThePanel) {
    ASSERT_EQ(Install(), 0);
    for (const auto& name : kProgramFiles) {
        EXPECT_EQ(ReadFileText(File(name)), ReadFileText(std::string(kStage) + "\\" + name)) << name;
    }
    EXPECT_TRUE(FileExists(File("Uninstall.exe")));

    const std::string menu = StartMenuFolder();
    EXPECT_EQ(ReadShortcut(menu + "\\Vellumo Help.lnk").target, File("Help.chm"));
    EXPECT_EQ(ReadShortcut(menu + "\\Uninstall Vellumo.lnk").target, File("Uninstall.exe"));
    const Shortcut program = ReadShortcut(menu + "\\Vellumo.lnk");
    EXPECT_EQ(program.target, File("Vellumo.exe"));
    EXPECT_EQ(program.workingDirectory, dir_);

    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Vellumo");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), VELLUMO_VERSION);
    EXPECT_EQ(ProductVersion(File("Vellumo.exe")), VELLUMO_VERSION);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Brakkon Software");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), dir_);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + File("Uninstall.exe") + "\"");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"),
              "\"" + File("Uninstall.exe") + "\" /S");
    DWORD size = 0, bytes = sizeof size;
    ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD,
                             nullptr, &size, &bytes),
              ERROR_SUCCESS);
    EXPECT_GE(size * 1024ul, ReadFileText(File("Vellumo.exe")).size());
    // Not asked for: no start at log-on.
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName), "<none>");

    const KernelHandle process(LaunchProcess("\"" + program.target + "\"", program.workingDirectory));
    ASSERT_TRUE(process);
    EXPECT_NE(WaitForPanel(true), nullptr);
}

// Wine reports a Windows after XP: the box is the program's log-on task.
TEST_F(InstallerTest, AutorunBoxRegistersTheLogOnTaskAndUntickedRemovesIt) {
    SavedTask savedTask;
    SavedRegistryValue savedEntry(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName);
    const std::string task = ThisUsersTaskName();
    // What an earlier version wrote, which cannot start the program: it
    // ticks the box, and the task replaces it.
    ::CreateDirectoryA(root_.c_str(), nullptr);
    ::CreateDirectoryA((root_ + "\\My Programs").c_str(), nullptr);
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    ASSERT_TRUE(StoreTextValue(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName,
                               AutoRunData(File("Vellumo.exe"))));
    // And the task an earlier version named by the user name alone: this
    // account's, so the new one named by its SID replaces it.
    ASSERT_TRUE(RegisterTaskRunning(EarlierTaskName(), "\"" + File("Vellumo.exe") + "\""));
    ASSERT_EQ(Install(), 0);
    EXPECT_TRUE(TaskExists(task));
    EXPECT_FALSE(TaskExists(EarlierTaskName()));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName), "<none>");
    const std::string xml = TaskXml(task);
    EXPECT_EQ(XmlText(xml, "Settings", "ExecutionTimeLimit"), "PT0S") << xml;
    if (SchedulerKeepsDefinitions()) {
        EXPECT_EQ(XmlText(xml, "LogonTrigger", "UserId"), ThisAccount()) << xml;
        EXPECT_EQ(XmlText(xml, "Principal", "RunLevel"), "HighestAvailable") << xml;
        EXPECT_EQ(XmlText(xml, "Exec", "Command") + " " + XmlText(xml, "Exec", "Arguments"),
                  AutoRunData(File("Vellumo.exe")))
            << xml;
    }
    // A later run keeps the choice unless told otherwise.
    ASSERT_EQ(Install(), 0);
    EXPECT_TRUE(TaskExists(task));
    ASSERT_EQ(Install("/AUTORUN=0"), 0);
    EXPECT_FALSE(TaskExists(task));
    ASSERT_EQ(Install(), 0);
    EXPECT_FALSE(TaskExists(task));
    ASSERT_EQ(Install("/AUTORUN=1"), 0);
    EXPECT_TRUE(TaskExists(task));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName), "<none>");
}

TEST_F(InstallerTest, TheProgramSwitchesItsLogOnTaskWhileACopyRuns) {
    SavedTask savedTask;
    const std::string task = ThisUsersTaskName();
    ASSERT_EQ(Install(), 0);
    // Hidden: a start handed over to it would show its panel.
    const KernelHandle running(LaunchProcess("\"" + File("Vellumo.exe") + "\" /background", dir_));
    ASSERT_TRUE(running);
    HWND panel = WaitForPanel(false);
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(panel); }, 10000));
    const std::string program = "\"" + File("Vellumo.exe") + "\" ";
    EXPECT_EQ(RunToEnd(program + "/logon-task=query"), 1);
    EXPECT_EQ(RunToEnd(program + "/LOGON-TASK=on"), 0);
    EXPECT_TRUE(TaskExists(task));
    EXPECT_EQ(RunToEnd(program + "/logon-task=query"), 0);
    EXPECT_EQ(RunToEnd(program + "/logon-task=maybe"), 2);
    EXPECT_TRUE(TaskExists(task));
    EXPECT_EQ(RunToEnd(program + "/logon-task=off"), 0);
    EXPECT_FALSE(TaskExists(task));
    // The running copy was left alone.
    EXPECT_EQ(::WaitForSingleObject(running.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(::IsWindowVisible(panel));
}

TEST_F(InstallerTest, UpgradeEndsTheRunningCopyReplacesProgramFilesAndKeepsMemos) {
    ASSERT_EQ(Install(), 0);
    const auto memos = PutMemos();
    for (const auto& name : kProgramFiles)
        if (name != "Vellumo.exe") WriteFileBytes(File(name), "old " + name);
    const KernelHandle running(LaunchProcess("\"" + File("Vellumo.exe") + "\"", dir_));
    ASSERT_TRUE(running);
    ASSERT_NE(WaitForPanel(true), nullptr);

    ASSERT_EQ(Install(), 0);
    EXPECT_EQ(::WaitForSingleObject(running.Get(), 0), WAIT_OBJECT_0) << "the old copy still runs";
    DWORD code = 0;
    ::GetExitCodeProcess(running.Get(), &code);
    EXPECT_NE(code, 1u) << "ended by force, not asked to exit";
    for (const auto& name : kProgramFiles)
        EXPECT_EQ(ReadFileText(File(name)), ReadFileText(std::string(kStage) + "\\" + name)) << name;
    ExpectMemosKept(memos);
}

TEST_F(InstallerTest, SilentUninstallRemovesTheProgramAndKeepsMemos) {
    SavedTask savedTask;
    ASSERT_EQ(Install("/AUTORUN=1"), 0);
    ASSERT_TRUE(TaskExists(ThisUsersTaskName()));
    const auto memos = PutMemos();
    const std::string quiet = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
    const KernelHandle running(LaunchProcess("\"" + File("Vellumo.exe") + "\"", dir_));
    ASSERT_TRUE(running);
    ASSERT_NE(WaitForPanel(true), nullptr);

    // The uninstaller hands over to a copy of itself and returns at once.
    ASSERT_EQ(RunToEnd(quiet), 0);
    EXPECT_TRUE(WaitFor(
        [&] {
            return !RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) &&
                   !FileExists(File("Uninstall.exe"));
        },
        30000));
    EXPECT_EQ(::WaitForSingleObject(running.Get(), 0), WAIT_OBJECT_0) << "the running copy was not ended";
    for (const auto& name : kProgramFiles) EXPECT_FALSE(FileExists(File(name))) << name;
    EXPECT_FALSE(FileExists(StartMenuFolder()));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kAutoRunKeyPath, kAutoRunValueName), "<none>");
    EXPECT_FALSE(TaskExists(ThisUsersTaskName()));
    ExpectMemosKept(memos);
}

TEST_F(InstallerTest, UninstallLeavesTheLogOnTaskOfAnotherCopy) {
    SavedTask savedTask;
    ASSERT_EQ(Install(), 0);
    const std::string other = "\"D:\\Elsewhere\\Vellumo.exe\"";
    ASSERT_TRUE(RegisterTaskRunning(ThisUsersTaskName(), other));
    RunToEnd("\"" + File("Uninstall.exe") + "\" /S _?=" + dir_);
    EXPECT_FALSE(FileExists(File("Vellumo.exe")));
    // Where the service tells what a task runs; Wine's does not, and a task
    // that runs nothing it can tell is removed.
    EXPECT_EQ(TaskExists(ThisUsersTaskName()), SchedulerKeepsDefinitions());
    if (SchedulerKeepsDefinitions()) {
        EXPECT_EQ(XmlText(TaskXml(ThisUsersTaskName()), "Exec", "Command"), other);
    }
}

}  // namespace
