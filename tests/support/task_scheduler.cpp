#include "tests/support/task_scheduler.h"

#include <windows.h>
#include <oleauto.h>
#include <taskschd.h>
#define SECURITY_WIN32
#include <security.h>

#include <utility>

namespace {

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0],
                                        static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}

std::string Narrow(const wchar_t* text) {
    if (!text) return "";
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The root folder (or another) of the connected service, for one call.
struct Folder {
    explicit Folder(const std::string& path) {
        com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        VARIANT none;
        ::VariantInit(&none);
        if (SUCCEEDED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_ITaskService, reinterpret_cast<void**>(&service))) &&
            SUCCEEDED(service->Connect(none, none, none, none))) {
            BSTR name = ::SysAllocString(Wide(path).c_str());
            if (FAILED(service->GetFolder(name, &folder))) folder = nullptr;
            ::SysFreeString(name);
        }
    }
    ~Folder() {
        if (folder) folder->Release();
        if (service) service->Release();
        if (SUCCEEDED(com)) ::CoUninitialize();
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    HRESULT com;
    ITaskService* service = nullptr;
    ITaskFolder* folder = nullptr;
};

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
    char user[256] = {};
    DWORD size = sizeof user;
    ::GetUserNameA(user, &size);
    return std::string("Vellumo (") + user + ")";
}

std::string TaskXml(const std::string& name, const std::string& folderPath) {
    Folder folder(folderPath);
    if (!folder.folder) return "";
    BSTR taskName = ::SysAllocString(Wide(name).c_str());
    IRegisteredTask* task = nullptr;
    std::string xml;
    if (SUCCEEDED(folder.folder->GetTask(taskName, &task))) {
        BSTR text = nullptr;
        if (SUCCEEDED(task->get_Xml(&text))) xml = Narrow(text);
        ::SysFreeString(text);
        task->Release();
        if (xml.empty()) xml = "<Task/>";  // there, though it tells nothing
    }
    ::SysFreeString(taskName);
    return xml;
}

bool TaskExists(const std::string& name, const std::string& folder) {
    return !TaskXml(name, folder).empty();
}

void DeleteTask(const std::string& name, const std::string& folderPath) {
    Folder folder(folderPath);
    if (!folder.folder) return;
    BSTR taskName = ::SysAllocString(Wide(name).c_str());
    folder.folder->DeleteTask(taskName, 0);
    ::SysFreeString(taskName);
}

namespace {
bool RegisterXml(const std::string& name, const std::string& xml) {
    Folder folder("\\");
    if (!folder.folder) return false;
    BSTR taskName = ::SysAllocString(Wide(name).c_str());
    BSTR text = ::SysAllocString(Wide(xml).c_str());
    VARIANT none;
    ::VariantInit(&none);
    IRegisteredTask* task = nullptr;
    const HRESULT hr = folder.folder->RegisterTask(taskName, text, TASK_CREATE_OR_UPDATE, none, none,
                                                   TASK_LOGON_INTERACTIVE_TOKEN, none, &task);
    if (task) task->Release();
    ::SysFreeString(text);
    ::SysFreeString(taskName);
    return SUCCEEDED(hr);
}
}  // namespace

bool RegisterTaskRunning(const std::string& name, const std::string& command) {
    const std::string user = Escaped(ThisAccount());
    const std::string xml =
        "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
        "<Triggers><LogonTrigger><UserId>" + user + "</UserId></LogonTrigger></Triggers>"
        "<Principals><Principal id=\"Author\"><UserId>" + user +
        "</UserId><LogonType>InteractiveToken</LogonType></Principal></Principals>"
        "<Actions Context=\"Author\"><Exec><Command>" + Escaped(command) +
        "</Command></Exec></Actions></Task>";
    return RegisterXml(name, xml);
}

SavedTask::SavedTask() : xml_(TaskXml(ThisUsersTaskName())) { DeleteTask(ThisUsersTaskName()); }

SavedTask::~SavedTask() {
    DeleteTask(ThisUsersTaskName());
    if (!xml_.empty()) RegisterXml(ThisUsersTaskName(), xml_);
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
    const std::size_t from = xml.find("<" + outer);
    const std::size_t to = xml.find("</" + outer + ">", from);
    if (from == std::string::npos || to == std::string::npos) return "<none>";
    const std::string part = xml.substr(from, to - from);
    const std::size_t open = part.find("<" + inner + ">");
    const std::size_t close = part.find("</" + inner + ">", open);
    if (open == std::string::npos || close == std::string::npos) return "<none>";
    std::string text = part.substr(open + inner.size() + 2, close - open - inner.size() - 2);
    for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                    {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}}) {
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, entity.size(), c);
    }
    return text;
}
