#include "platform/logon_task.h"

#include <windows.h>
#include <oleauto.h>
#include <sddl.h>
#include <taskschd.h>
#define SECURITY_WIN32
#include <security.h>

#include <vector>

#include "platform/handles.h"
#include "platform/system_library.h"

namespace {

// COM and its automation strings, loaded when the log-on setting first asks
// the Task Scheduler: importing them would load them (and the COM run-time
// beneath) at every start, for a setting seldom looked at. All of them or
// none: without them no task is read or set.
struct ComLibraries {
    decltype(&::CoInitializeEx) coInitializeEx = nullptr;
    decltype(&::CoUninitialize) coUninitialize = nullptr;
    decltype(&::CoCreateInstance) coCreateInstance = nullptr;
    decltype(&::SysAllocStringLen) sysAllocStringLen = nullptr;
    decltype(&::SysFreeString) sysFreeString = nullptr;
    decltype(&::SysStringLen) sysStringLen = nullptr;
    decltype(&::VariantInit) variantInit = nullptr;
    decltype(&::VariantClear) variantClear = nullptr;
    bool loaded = false;
};

const ComLibraries& Com() {
    static const ComLibraries com = [] {
        ComLibraries found;
        const HMODULE ole = LoadSystemLibrary("ole32.dll");
        const HMODULE automation = ole != nullptr ? LoadSystemLibrary("oleaut32.dll") : nullptr;
        found.loaded = BindExport(ole, "CoInitializeEx", found.coInitializeEx) &&
                       BindExport(ole, "CoUninitialize", found.coUninitialize) &&
                       BindExport(ole, "CoCreateInstance", found.coCreateInstance) &&
                       BindExport(automation, "SysAllocStringLen", found.sysAllocStringLen) &&
                       BindExport(automation, "SysFreeString", found.sysFreeString) &&
                       BindExport(automation, "SysStringLen", found.sysStringLen) &&
                       BindExport(automation, "VariantInit", found.variantInit) &&
                       BindExport(automation, "VariantClear", found.variantClear);
        return found.loaded ? found : ComLibraries{};
    }();
    return com;
}

void FreeString(BSTR text) {
    if (Com().loaded) Com().sysFreeString(text);
}

void ClearVariant(VARIANT& value) {
    if (Com().loaded) Com().variantClear(&value);
}

// COM for the length of one call. A thread that has COM already (of either
// kind) keeps it as it is.
class ComScope {
public:
    ComScope()
        : m_hr(Com().loaded ? Com().coInitializeEx(nullptr, COINIT_APARTMENTTHREADED)
                            : CO_E_NOTINITIALIZED) {}
    ~ComScope() {
        if (SUCCEEDED(m_hr)) Com().coUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return SUCCEEDED(m_hr) || m_hr == RPC_E_CHANGED_MODE; }

private:
    HRESULT m_hr;
};

// One reference to a COM object, released when the scope ends.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T** Out() {
        Reset();
        return &m_p;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// A BSTR of our own, freed when the scope ends.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::string& text) {
        const std::wstring wide = Wide(text);
        if (Com().loaded) m_b = Com().sysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }
    ~Bstr() { FreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return m_b; }
    BSTR* Out() {
        FreeString(m_b);
        m_b = nullptr;
        return &m_b;
    }
    std::string Narrow() const {
        const int length = m_b != nullptr ? static_cast<int>(Com().sysStringLen(m_b)) : 0;
        if (length == 0) return {};
        const int n = ::WideCharToMultiByte(CP_ACP, 0, m_b, length, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
        if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, m_b, length, &text[0], n, nullptr, nullptr);
        return text;
    }

private:
    BSTR m_b = nullptr;
};

VARIANT Empty() {
    VARIANT v{};  // all zero is empty too, for when the library is missing
    if (Com().loaded) Com().variantInit(&v);
    return v;
}

// The service connected, and one of its folders open.
class TaskFolder {
public:
    explicit TaskFolder(const std::string& path) {
        if (!m_com.Usable() ||
            FAILED(Com().coCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_ITaskService, m_service.OutVoid())) ||
            FAILED(m_service->Connect(Empty(), Empty(), Empty(), Empty())))
            return;
        const Bstr folder(path);
        m_open = SUCCEEDED(m_service->GetFolder(folder.Get(), m_folder.Out())) && m_folder;
    }
    ITaskFolder* operator->() const { return m_folder.Get(); }
    explicit operator bool() const { return m_open; }

private:
    ComScope m_com;  // first in, last out
    ComPtr<ITaskService> m_service;
    ComPtr<ITaskFolder> m_folder;
    bool m_open = false;
};

// The user a log-on trigger is for, through its scripting property (the
// headers here declare no ILogonTrigger); "" for anyone's log-on.
std::string LogOnTriggerUser(ITrigger* trigger) {
    OLECHAR name[] = L"UserId";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    if (FAILED(trigger->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};
    DISPPARAMS none{};
    VARIANT value = Empty();
    if (FAILED(trigger->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               &value, nullptr, nullptr)))
        return {};
    Bstr user;
    if (value.vt == VT_BSTR) *user.Out() = value.bstrVal;  // the variant's string, now owned here
    else ClearVariant(value);
    return user.Narrow();
}

// The users of the definition's enabled log-on triggers.
std::vector<std::string> LogOnUsers(ITaskDefinition* definition) {
    std::vector<std::string> users;
    ComPtr<ITriggerCollection> triggers;
    LONG count = 0;
    if (FAILED(definition->get_Triggers(triggers.Out())) || FAILED(triggers->get_Count(&count)))
        return users;
    for (LONG i = 1; i <= count; ++i) {  // the collection counts from 1
        ComPtr<ITrigger> trigger;
        TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_EVENT;
        VARIANT_BOOL enabled = VARIANT_FALSE;
        if (SUCCEEDED(triggers->get_Item(i, trigger.Out())) && SUCCEEDED(trigger->get_Type(&type)) &&
            type == TASK_TRIGGER_LOGON && SUCCEEDED(trigger->get_Enabled(&enabled)) &&
            enabled != VARIANT_FALSE)
            users.push_back(LogOnTriggerUser(trigger.Get()));
    }
    return users;
}

}  // namespace

bool RegisterScheduledTask(const std::string& folderPath, const std::string& name,
                           const std::string& xml, const std::string& account) {
    TaskFolder folder(folderPath);
    if (!folder) return false;
    const Bstr taskName(name), definition(xml), user(account);
    VARIANT userId = Empty();
    userId.vt = VT_BSTR;
    userId.bstrVal = user.Get();  // still owned by `user`
    ComPtr<IRegisteredTask> task;
    return SUCCEEDED(folder->RegisterTask(taskName.Get(), definition.Get(), TASK_CREATE_OR_UPDATE,
                                          userId, Empty(), TASK_LOGON_INTERACTIVE_TOKEN, Empty(),
                                          task.Out()));
}

ScheduledTask ReadScheduledTask(const std::string& folderPath, const std::string& name) {
    ScheduledTask result;
    TaskFolder folder(folderPath);
    const Bstr taskName(name);
    ComPtr<IRegisteredTask> task;
    if (!folder) return result;
    const HRESULT found = folder->GetTask(taskName.Get(), task.Out());
    result.answered = SUCCEEDED(found) || found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (FAILED(found)) return result;
    result.exists = true;

    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    LONG count = 0;
    if (FAILED(task->get_Definition(definition.Out()))) return result;
    result.logOnUsers = LogOnUsers(definition.Get());
    if (FAILED(definition->get_Actions(actions.Out())) || FAILED(actions->get_Count(&count)))
        return result;
    for (LONG i = 1; i <= count; ++i) {  // the collection counts from 1
        ComPtr<IAction> action;
        TASK_ACTION_TYPE type = TASK_ACTION_EXEC;
        ComPtr<IExecAction> exec;
        if (FAILED(actions->get_Item(i, action.Out())) || FAILED(action->get_Type(&type)) ||
            type != TASK_ACTION_EXEC || FAILED(action->QueryInterface(IID_IExecAction, exec.OutVoid())))
            continue;
        Bstr path, arguments;
        if (SUCCEEDED(exec->get_Path(path.Out()))) result.command = path.Narrow();
        if (SUCCEEDED(exec->get_Arguments(arguments.Out()))) result.arguments = arguments.Narrow();
        break;
    }
    return result;
}

bool DeleteScheduledTask(const std::string& folderPath, const std::string& name) {
    TaskFolder folder(folderPath);
    if (!folder) return false;
    const Bstr taskName(name);
    const HRESULT hr = folder->DeleteTask(taskName.Get(), 0);
    return SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

std::string CurrentUserAccount() {
    // From secur32.dll when first asked: only the log-on setting asks, and
    // importing it would load it at every start.
    static decltype(&::GetUserNameExA) getUserNameEx = [] {
        decltype(&::GetUserNameExA) found = nullptr;
        BindExport(LoadSystemLibrary("secur32.dll"), "GetUserNameExA", found);
        return found;
    }();
    if (getUserNameEx == nullptr) return {};
    ULONG size = 0;
    getUserNameEx(NameSamCompatible, nullptr, &size);  // asks for the size
    if (size == 0) return {};
    std::vector<char> name(size + 1, '\0');
    if (!getUserNameEx(NameSamCompatible, name.data(), &size)) return {};
    return std::string(name.data());
}

std::string CurrentUserSid() {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const KernelHandle token(opened);
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);  // asks for the size
    if (size == 0) return {};
    std::vector<DWORD> buffer(size / sizeof(DWORD) + 1, 0);  // aligned for the SID it holds
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(),
                               static_cast<DWORD>(buffer.size() * sizeof(DWORD)), &size))
        return {};
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return {};
    const std::string sid(text);
    ::LocalFree(text);
    return sid;
}
