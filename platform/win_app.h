// The application object: one global instance per program, run by WinMain.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Return false to end the program without a message loop of its own
    // (the program runs its main window as a modal dialog inside).
    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return m_exitCode; }

    // Called by WinMain: InitInstance, a message loop when it returned true,
    // then ExitInstance, whose result is the process exit code.
    int Run(HINSTANCE instance, const char* commandLine);

    static CWinApp* Current();
    // The program file's name without path and extension.
    const std::string& AppName() const { return m_appName; }

    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";  // what follows the program name
    CWnd* m_pMainWnd = nullptr;

protected:
    int m_exitCode = 0;

private:
    std::string m_appName = "Vellumo";
};

// The program file's whole path, however long (GetModuleFileNameA cuts at
// the buffer's end without saying so). Empty when it cannot be read whole.
std::string ModuleFilePath();
