#include "platform/wnd.h"

#include <cstdio>
#include <exception>
#include <unordered_map>

#include "platform/exception.h"
#include "platform/win_app.h"

namespace {
// Window -> object, kept in this process: a window property would cost a
// round trip to the window system on every message. Windows of this layer
// may live on more than one thread (the tests make some), so the map is
// guarded; the lock is a user-mode one and costs nothing uncontended.
// Never freed: objects with static lifetime detach after static
// destructors have run.
struct ObjectMap {
    SRWLOCK lock = SRWLOCK_INIT;
    std::unordered_map<HWND, CWnd*> objects;
};
ObjectMap& Objects() {
    static ObjectMap* map = new ObjectMap;
    return *map;
}

void ReportUnexpected(const char* what) {
    // A bug: say so once and stop, rather than unwinding through the
    // platform's frames or carrying on in an unknown state.
    char text[512];
    std::snprintf(text, sizeof text, "Internal error: %s", what);
    ::MessageBoxA(nullptr, text, "Vellumo", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    std::terminate();
}
}  // namespace

CWnd::~CWnd() {
    // A window that outlives its object must not call into freed memory.
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandle(HWND wnd) {
    if (!wnd) return nullptr;
    ObjectMap& map = Objects();
    ::AcquireSRWLockShared(&map.lock);
    const auto found = map.objects.find(wnd);
    CWnd* object = found != map.objects.end() ? found->second : nullptr;
    ::ReleaseSRWLockShared(&map.lock);
    return object;
}

void CWnd::Attach(HWND wnd) {
    m_hWnd = wnd;
    ObjectMap& map = Objects();
    ::AcquireSRWLockExclusive(&map.lock);
    map.objects[wnd] = this;
    ::ReleaseSRWLockExclusive(&map.lock);
}

void CWnd::Detach() {
    m_hook.Subclass(nullptr);
    if (m_hWnd) {
        ObjectMap& map = Objects();
        ::AcquireSRWLockExclusive(&map.lock);
        const auto found = map.objects.find(m_hWnd);
        if (found != map.objects.end() && found->second == this) map.objects.erase(found);
        ::ReleaseSRWLockExclusive(&map.lock);
    }
    m_hWnd = nullptr;
}

bool CWnd::SubclassWindow(HWND wnd) {
    if (!wnd || m_hWnd || FromHandle(wnd)) return false;
    Attach(wnd);
    m_hook.Subclass(wnd);
    PreSubclassWindow();
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    return parent && SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

bool CWnd::RegisterWindowClass(const char* className, UINT style, HCURSOR cursor,
                               HBRUSH background) {
    WNDCLASSA existing{};
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    if (::GetClassInfoA(inst, className, &existing)) return true;
    WNDCLASSA wc{};
    wc.style = style;
    wc.lpfnWndProc = &StaticWndProc;
    wc.hInstance = inst;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return ::RegisterClassA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* name, DWORD style,
                    const RECT& rect, HWND parent, UINT id) {
    if (m_hWnd) return false;
    HWND wnd = ::CreateWindowExA(exStyle, className, name, style, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), this);
    return wnd != nullptr && m_hWnd == wnd;
}

std::string CWnd::GetWindowText() const {
    int length = ::GetWindowTextLengthA(m_hWnd);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    int got = ::GetWindowTextA(m_hWnd, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

const MessageMap* CWnd::ThisMessageMap() {
    static const MessageMapEntry entries[] = {EndOfMessageMap()};
    static const MessageMap map{nullptr, entries};
    return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return ThisMessageMap(); }

bool CWnd::PreTranslateMessage(MSG*) { return false; }

bool CWnd::OnReflectedCommand(UINT) { return false; }
bool CWnd::OnReflectedDrawItem(const DRAWITEMSTRUCT&) { return false; }
HBRUSH CWnd::OnReflectedCtlColor(UINT, HDC) { return nullptr; }

LRESULT CWnd::Default() { return DefWindowProc(m_current.msg, m_current.wp, m_current.lp); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // A hooked window's own procedure, else (our own class's window) the system's.
    const LRESULT answer = m_hook.IsHooked() ? m_hook.CallNext(msg, wp, lp)
                                             : ::DefWindowProcA(m_hWnd, msg, wp, lp);
    // The answer of a handler with nothing of its own to say (DefaultAnswer).
    if (msg == m_current.msg) {
        m_current.defaulted = true;
        m_current.defaultAnswer = answer;
    }
    return answer;
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    // The control a notification comes from, when it is one of ours.
    const auto control = [this](HWND child) {
        CWnd* target = FromHandle(child);
        return target == this ? nullptr : target;
    };
    switch (msg) {
    case WM_COMMAND: {
        CWnd* target = control(reinterpret_cast<HWND>(lp));
        if (!target || !target->OnReflectedCommand(HIWORD(wp))) return false;
        *result = 0;
        return true;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (!item || item->CtlType == ODT_MENU) return false;
        CWnd* target = control(item->hwndItem);
        if (!target || !target->OnReflectedDrawItem(*item)) return false;
        *result = TRUE;
        return true;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: {
        CWnd* target = control(reinterpret_cast<HWND>(lp));
        const HBRUSH brush = target ? target->OnReflectedCtlColor(msg, reinterpret_cast<HDC>(wp)) : nullptr;
        if (!brush) return false;
        *result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    default:
        return false;
    }
}

bool CWnd::DispatchThroughMap(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    const UINT id = LOWORD(wp);
    const UINT code = HIWORD(wp);
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->kind != MessageMapEntry::Kind::End; ++e) {
            if (e->message != msg) continue;
            switch (e->kind) {
            case MessageMapEntry::Kind::Message:
                *result = e->onMessage(*this, wp, lp);
                return true;
            case MessageMapEntry::Kind::Command:
                if (e->code != code || id != e->idFirst) continue;
                (this->*(e->onCommand))();
                *result = 0;
                return true;
            case MessageMapEntry::Kind::CommandRange:
                if (e->code != code || id < e->idFirst || id > e->idLast) continue;
                (this->*(e->onRange))(id);
                *result = 0;
                return true;
            case MessageMapEntry::Kind::End:
                break;
            }
        }
    }
    return false;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, &result)) return result;
    if (DispatchThroughMap(msg, wp, lp, &result)) return result;
    return DefWindowProc(msg, wp, lp);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandle(wnd);
    if (!self && msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) self->Attach(wnd);
    }
    if (!self) return ::DefWindowProcA(wnd, msg, wp, lp);
    return self->Dispatch(msg, wp, lp);
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    const Current saved = m_current;
    m_current = {msg, wp, lp};
    LRESULT result = 0;
    try {
        result = WindowProc(msg, wp, lp);
    } catch (const CException& e) {
        ReportException(e);
    } catch (const std::exception& e) {
        ReportUnexpected(e.what());
    } catch (...) {
        ReportUnexpected("unknown exception");
    }
    if (msg == WM_NCDESTROY) {
        Detach();
        PostNcDestroy();  // may end this object: nothing of it is touched after
    } else {
        m_current = saved;
    }
    return result;
}

int AppMessageBox(const char* text, UINT type, HWND owner) {
    CWinApp* app = CWinApp::Current();
    if (!owner && app && app->m_pMainWnd && app->m_pMainWnd->m_hWnd) {
        HWND popup = ::GetLastActivePopup(app->m_pMainWnd->m_hWnd);
        if (popup && ::IsWindowEnabled(popup)) owner = popup;
    }
    const char* caption = app ? app->AppName().c_str() : "Vellumo";
    return ::MessageBoxA(owner, text, caption, type);
}

void ReportException(const CException& e) {
    AppMessageBox(e.ErrorMessage().c_str(), MB_OK | MB_ICONEXCLAMATION);
}
