#include "platform/win_app.h"

#include <cstring>

#include "core/base/basic_types.h"

std::string ModuleFilePath() {
    std::string path(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= kLongestPath) return {};
        path.resize(path.size() * 4);
    }
}

namespace {
CWinApp* g_app = nullptr;

std::string ProgramName() {
    const std::string path = ModuleFilePath();
    if (path.empty()) return "Vellumo";
    const char* name = path.c_str();
    for (const char* p = name; *p; p = ::CharNextA(p)) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    std::string result(name);
    const auto dot = result.rfind('.');
    if (dot != std::string::npos && dot > 0) result.resize(dot);
    return result;
}
}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Current() { return g_app; }

int CWinApp::Run(HINSTANCE instance, const char* commandLine) {
    m_hInstance = instance;
    m_lpCmdLine = commandLine ? commandLine : "";
    m_appName = ProgramName();
    if (InitInstance()) {
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}
