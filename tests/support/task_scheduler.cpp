#include "tests/support/task_scheduler.h"

#include <windows.h>
#include <oleauto.h>
#include <sddl.h>
#include <taskschd.h>
#define SECURITY_WIN32
#include <security.h>

#include <memory>
#include <utility>

namespace {

using Bstr = std::unique_ptr<OLECHAR, decltype(&::SysFreeString)>;
Bstr MakeBstr(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    return Bstr(::SysAllocStringLen(wide.data(), n > 0 ? static_cast<UINT>(n - 1) : 0), &::SysFreeString);
}

// Calls `use` with a folder of the connected service; false when there is none.
template <class Use>
bool WithFolder(const std::string& path, Use use) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ITaskService* service = nullptr;
    ITaskFolder* folder = nullptr;
    VARIANT none;
    ::VariantInit(&none);
    if (SUCCEEDED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                     reinterpret_cast<void**>(&service))) &&
        SUCCEEDED(service->Connect(none, none, none, none)) &&
        SUCCEEDED(service->GetFolder(MakeBstr(path).get(), &folder)) && folder)
        use(folder);
    if (folder) folder->Release();
    if (service) service->Release();
    if (SUCCEEDED(com)) ::CoUninitialize();
    return folder != nullptr;
}

bool RegisterXml(const std::string& name, const std::string& xml) {
    HRESULT hr = E_FAIL;
    WithFolder("\\", [&](ITaskFolder* folder) {
        VARIANT none;
        ::VariantInit(&none);
        IRegisteredTask* task = nullptr;
        hr = folder->RegisterTask(MakeBstr(name).get(), MakeBstr(xml).get(), TASK_CREATE_OR_UPDATE, none, none,
                                  TASK_LOGON_INTERACTIVE_TOKEN, none, &task);
        if (task) task->Release();
    });
    return SUCCEEDED(hr);
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return out;
}

}  // namespace

std::string ThisAccount() {
    char name[512] = {};
    ULONG size = sizeof name;
    return ::GetUserNameExA(NameSamCompatible, name, &size) ? name : "";
}

std::string ThisUsersTaskName() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD buffer[128] = {};
    DWORD size = 0;
    char* sid = nullptr;
    if (token && ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
        ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    if (token) ::CloseHandle(token);
    const std::string name = std::string("Vellumo (") + (sid ? sid : "no SID") + ")";
    ::LocalFree(sid);
    return name;
}

std::string EarlierTaskName() {
    char user[256] = {};
    DWORD size = sizeof user;
    ::GetUserNameA(user, &size);
    return std::string("Vellumo (") + user + ")";
}

std::string TaskXml(const std::string& name, const std::string& folderPath) {
    std::string xml;
    WithFolder(folderPath, [&](ITaskFolder* folder) {
        IRegisteredTask* task = nullptr;
        if (FAILED(folder->GetTask(MakeBstr(name).get(), &task))) return;
        BSTR text = nullptr;
        if (SUCCEEDED(task->get_Xml(&text)) && text) {
            const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
            xml.assign(static_cast<size_t>(n > 0 ? n : 1), '\0');
            ::WideCharToMultiByte(CP_ACP, 0, text, -1, &xml[0], n, nullptr, nullptr);
            xml.pop_back();
        }
        ::SysFreeString(text);
        task->Release();
        if (xml.empty()) xml = "<Task/>";  // there, though it tells nothing
    });
    return xml;
}

bool TaskExists(const std::string& name, const std::string& folder) { return !TaskXml(name, folder).empty(); }

void DeleteTask(const std::string& name, const std::string& folderPath) {
    WithFolder(folderPath, [&](ITaskFolder* folder) { folder->DeleteTask(MakeBstr(name).get(), 0); });
}

bool RegisterTaskRunning(const std::string& name, const std::string& command) {
    const std::string user = Escaped(ThisAccount());
    return RegisterXml(name,
                       "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
                       "<Triggers><LogonTrigger><UserId>" + user + "</UserId></LogonTrigger></Triggers>"
                       "<Principals><Principal id=\"Author\"><UserId>" + user +
                       "</UserId><LogonType>InteractiveToken</LogonType></Principal></Principals>"
                       "<Actions Context=\"Author\"><Exec><Command>" + Escaped(command) +
                       "</Command></Exec></Actions></Task>");
}

SavedTask::SavedTask() {
    for (const std::string& name : {ThisUsersTaskName(), EarlierTaskName()}) {
        saved_.emplace_back(name, TaskXml(name));
        DeleteTask(name);
    }
}

SavedTask::~SavedTask() {
    for (const auto& [name, xml] : saved_) {
        DeleteTask(name);
        if (!xml.empty()) RegisterXml(name, xml);
    }
}

bool SchedulerKeepsDefinitions() {
    static const bool keeps = [] {
        const std::string probe = "Vellumo test probe";
        RegisterTaskRunning(probe, "\"C:\\Probe\\probe.exe\"");
        const bool kept = XmlText(TaskXml(probe), "Exec", "Command").find("probe.exe") != std::string::npos;
        DeleteTask(probe);
        return kept;
    }();
    return keeps;
}

std::string XmlText(const std::string& xml, const std::string& outer, const std::string& inner) {
    const std::size_t from = xml.find("<" + outer), to = xml.find("</" + outer + ">", from);
    if (from == std::string::npos || to == std::string::npos) return "<none>";
    const std::string part = xml.substr(from, to - from);
    const std::size_t open = part.find("<" + inner + ">"), close = part.find("</" + inner + ">", open);
    if (open == std::string::npos || close == std::string::npos) return "<none>";
    std::string text = part.substr(open + inner.size() + 2, close - open - inner.size() - 2);
    for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                    {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
        for (std::size_t at = 0; (at = text.find(entity, at)) != std::string::npos; at += c.size())
            text.replace(at, entity.size(), c);
    }
    return text;
}
