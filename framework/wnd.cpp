#include "framework/wnd.h"

#include <cstdio>
#include <exception>

#include "framework/exception.h"

namespace {
const char kObjectProp[] = "Vellumo.CWnd";

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
    if (m_hWnd) {
        if (m_ownsProc && m_prevProc &&
            reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) == &StaticWndProc) {
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
        }
        ::RemovePropA(m_hWnd, kObjectProp);
        m_hWnd = nullptr;
    }
}

CWnd* CWnd::FromHandle(HWND wnd) {
    if (!wnd) return nullptr;
    return static_cast<CWnd*>(::GetPropA(wnd, kObjectProp));
}

void CWnd::Attach(HWND wnd, WNDPROC previous) {
    m_hWnd = wnd;
    m_prevProc = previous;
    ::SetPropA(wnd, kObjectProp, this);
}

void CWnd::Detach() {
    if (m_hWnd) {
        if (m_ownsProc && m_prevProc)
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
        ::RemovePropA(m_hWnd, kObjectProp);
    }
    m_hWnd = nullptr;
    m_prevProc = nullptr;
    m_ownsProc = false;
}

bool CWnd::SubclassWindow(HWND wnd) {
    if (!wnd || m_hWnd || FromHandle(wnd)) return false;
    Attach(wnd, nullptr);
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc)));
    m_ownsProc = true;
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

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CWnd::Default() { return DefWindowProc(m_current.msg, m_current.wp, m_current.lp); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_prevProc) return ::CallWindowProcA(m_prevProc, m_hWnd, msg, wp, lp);
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY:
        if (lp) child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item && item->CtlType != ODT_MENU) child = item->hwndItem;
        break;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = reinterpret_cast<HWND>(lp);
        break;
    default:
        return false;
    }
    CWnd* target = FromHandle(child);
    if (!target || target == this) return false;
    return target->OnChildNotify(msg, wp, lp, result);
}

bool CWnd::DispatchThroughMap(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    const UINT id = LOWORD(wp);
    const UINT code = HIWORD(wp);
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry* e = map->entries; e->kind != MessageMapEntry::Kind::End; ++e) {
            if (e->message != msg) continue;
            switch (e->kind) {
            case MessageMapEntry::Kind::Message:
                *result = (this->*(e->onMessage))(wp, lp);
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
        if (self) self->Attach(wnd, nullptr);  // class procedure: default is DefWindowProc
    }
    if (!self) return ::DefWindowProcA(wnd, msg, wp, lp);

    const Current saved = self->m_current;
    self->m_current = {msg, wp, lp};
    LRESULT result = 0;
    try {
        result = self->WindowProc(msg, wp, lp);
    } catch (const CException& e) {
        e.ReportError();
    } catch (const std::exception& e) {
        ReportUnexpected(e.what());
    } catch (...) {
        ReportUnexpected("unknown exception");
    }
    if (msg == WM_NCDESTROY) {
        self->Detach();
        self->PostNcDestroy();
    } else {
        self->m_current = saved;
    }
    return result;
}
