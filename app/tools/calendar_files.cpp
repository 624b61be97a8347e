#include "app/tools/calendar_files.h"

#include <commdlg.h>

#include <vector>

#include "app/tools/launchers.h"
#include "platform/dialog.h"
#include "platform/handles.h"
#include "platform/system_library.h"

namespace {

const char kCompanion[] = "Sandrel.exe";
const char kFilter[] = "iCalendar files (*.ics)\0*.ics\0All files (*.*)\0*.*\0";
// Room for a long path the dialog may give.
constexpr DWORD kFileBufferSize = 4096;

// The common dialogs' library, loaded when a file is first asked for: most
// runs never ask, and importing it would load it (and what it loads) at
// every start.
struct FileDialogs {
    decltype(&::GetOpenFileNameA) open = nullptr;
    decltype(&::GetSaveFileNameA) save = nullptr;
};

const FileDialogs& Dialogs() {
    static const FileDialogs dialogs = [] {
        FileDialogs found;
        const HMODULE module = LoadSystemLibrary("comdlg32.dll");
        if (!BindExport(module, "GetOpenFileNameA", found.open) ||
            !BindExport(module, "GetSaveFileNameA", found.save))
            found = FileDialogs{};
        return found;
    }();
    return dialogs;
}

// The chosen file, or empty when the user cancelled (or no dialog could be
// shown).
std::string AskForFile(HWND owner, bool save) {
    const FileDialogs& dialogs = Dialogs();
    if (dialogs.open == nullptr) return {};
    std::vector<char> file(kFileBufferSize, '\0');
    if (save) lstrcpynA(file.data(), "Vellumo memos.ics", static_cast<int>(file.size()));
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kFileBufferSize;
    dialog.lpstrDefExt = "ics";
    dialog.lpstrTitle = save ? "Export to calendar file" : "Import calendar file";
    // The working folder stays: libraries are never looked for there, and
    // nothing else should depend on where the user browsed.
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? dialogs.save(&dialog) : dialogs.open(&dialog);
    return chosen ? std::string(file.data()) : std::string();
}

void ReadAvailable(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char chunk[4096];
        DWORD got = 0;
        if (!::ReadFile(pipe, chunk, available < sizeof chunk ? available : sizeof chunk, &got, nullptr) ||
            got == 0)
            return;
        output.append(chunk, got);
    }
}

// The account as a message box shows it: CR LF line ends, no trailing one.
std::string BoxText(std::string output) {
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return output;
}

// Runs the backup program with `verb` and the file, then shows its account.
bool RunWithFile(HWND panel, const char* verb, bool save) {
    std::string companion;
    if (!FindInInstallDir(kCompanion, companion)) {
        ShowNotFound(kCompanion);
        return false;
    }
    const std::string file = AskForFile(panel, save);
    if (file.empty()) return false;
    const CompanionRun run =
        RunCompanionAndWait(LaunchablePath(companion), std::string(verb) + " \"" + file + "\"", panel);
    if (!run.started) {
        AppMessageBox(("Could not start " + companion + ".").c_str(), MB_OK | MB_ICONWARNING, panel);
        return false;
    }
    std::string text = BoxText(run.output);
    if (text.empty()) text = std::string(kCompanion) + " ended with code " + std::to_string(run.exitCode) + ".";
    AppMessageBox(text.c_str(), MB_OK | (run.exitCode == 0 ? MB_ICONINFORMATION : MB_ICONWARNING), panel);
    return true;
}

}  // namespace

CompanionRun RunCompanionAndWait(const std::string& exePath, const std::string& arguments, HWND owner) {
    CompanionRun run;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 1u << 16)) return run;
    KernelHandle reader(readEnd);
    KernelHandle writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    // Quoted: an unquoted path with blanks would let the platform try
    // "C:\Program.exe" and the like first.
    std::string commandLine = "\"" + exePath + "\" " + arguments;
    commandLine.push_back('\0');  // CreateProcessA may write into the text
    if (!::CreateProcessA(exePath.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &process))
        return run;
    run.started = true;
    KernelHandle thread(process.hThread);
    KernelHandle child(process.hProcess);
    writer.Reset();  // only the child writes now: its end closes the pipe

    // The panel keeps painting (the clock, the ticker) but takes no input
    // until the account is there.
    const BOOL wasEnabled = owner && ::IsWindowEnabled(owner);
    if (wasEnabled) ::EnableWindow(owner, FALSE);
    bool quit = false;
    int quitCode = 0;
    HANDLE waitOn = child.Get();
    while (::MsgWaitForMultipleObjects(1, &waitOn, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0) {
        ReadAvailable(reader.Get(), run.output);
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    ReadAvailable(reader.Get(), run.output);
    ::GetExitCodeProcess(child.Get(), &run.exitCode);
    if (wasEnabled) {
        ::EnableWindow(owner, TRUE);
        ::SetForegroundWindow(owner);
    }
    if (quit) ::PostQuitMessage(quitCode);
    return run;
}

void ExportCalendarFile(HWND panel) { RunWithFile(panel, "export", true); }

bool ImportCalendarFile(HWND panel) { return RunWithFile(panel, "import", false); }
