// CWnd: one object per window handle, with table-driven message dispatch.
//
// A window object either creates its window (CreateEx) or takes over an
// existing one (SubclassWindow / SubclassDlgItem, through a CWndHook, so it
// shares the window fairly with other hooks). Messages go through the
// class's message map, a static table that chains to the base class's table;
// an entry names the message and a handler that takes its parameters
// unpacked (see the crackers at the end). Anything not found goes to the
// window procedure the window had before.
// Notifications a control sends its parent (WM_COMMAND from a control,
// WM_DRAWITEM, WM_CTLCOLOR*) are first offered to the control's own object
// (OnReflectedCommand and the like), so controls can draw and answer for
// themselves.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

#include "platform/wnd_hook.h"

class CException;
class CWnd;

// A message entry's call: unpacks the parameters, runs the handler, answers.
using MsgHandler = LRESULT (*)(CWnd& wnd, WPARAM wp, LPARAM lp);
using CmdHandler = void (CWnd::*)();
using CmdRangeHandler = void (CWnd::*)(UINT);

struct MessageMapEntry {
    enum class Kind { End, Message, Command, CommandRange };
    Kind kind;
    UINT message;     // WM_COMMAND for commands
    UINT code;        // notification code for commands (0: menu item or BN_CLICKED)
    UINT idFirst;     // command id range
    UINT idLast;
    MsgHandler onMessage;
    CmdHandler onCommand;
    CmdRangeHandler onRange;
};

struct MessageMap {
    const MessageMap* (*base)();
    const MessageMapEntry* entries;  // ends with a Kind::End entry
};

#define DECLARE_MESSAGE_MAP()                          \
public:                                                \
    static const MessageMap* ThisMessageMap();         \
                                                       \
protected:                                             \
    const MessageMap* GetMessageMap() const override;  \
                                                       \
private:

#define BEGIN_MESSAGE_MAP(Class, Base)                                          \
    const MessageMap* Class::GetMessageMap() const { return ThisMessageMap(); } \
    const MessageMap* Class::ThisMessageMap() {                                 \
        using ThisClass = Class;                                                \
        static const MessageMap* (*const baseMap)() = &Base::ThisMessageMap;    \
        static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                            \
    EndOfMessageMap()                                \
    }                                                \
    ;                                                \
    static const MessageMap map{baseMap, entries};   \
    (void)sizeof(ThisClass*);                        \
    return &map;                                     \
    }

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND m_hWnd = nullptr;

    // The object attached to a window, or null.
    static CWnd* FromHandle(HWND wnd);

    // Takes over an existing window: its messages now reach this object.
    bool SubclassWindow(HWND wnd);
    bool SubclassDlgItem(UINT id, CWnd* parent);

    // Creates a window of a class whose procedure is this layer's; the object
    // is attached from WM_NCCREATE on. Register the class with RegisterClass.
    bool CreateEx(DWORD exStyle, const char* className, const char* name, DWORD style,
                  const RECT& rect, HWND parent, UINT id);
    static bool RegisterWindowClass(const char* className, UINT style, HCURSOR cursor,
                                    HBRUSH background);

    // Small conveniences used across the program.
    void ShowWindow(int cmd) const { ::ShowWindow(m_hWnd, cmd); }
    bool IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    std::string GetWindowText() const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::PostMessageA(m_hWnd, msg, wp, lp);
    }

    // Called for every queued message addressed to this window or one of its
    // children while a modal loop of this layer runs. Return true to eat it.
    virtual bool PreTranslateMessage(MSG* msg);

    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    static const MessageMap* ThisMessageMap();

protected:
    virtual const MessageMap* GetMessageMap() const;
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Notifications this window sent to its parent, handed back unpacked.
    // A command: true keeps it from the parent (which answers 0).
    virtual bool OnReflectedCommand(UINT code);
    // An owner-drawn item of this control: true when drawn (the parent answers TRUE).
    virtual bool OnReflectedDrawItem(const DRAWITEMSTRUCT& item);
    // A WM_CTLCOLOR* message for this control: the brush the parent
    // answers, or none to let the parent answer.
    virtual HBRUSH OnReflectedCtlColor(UINT msg, HDC dc);
    // Called right after the window was taken over.
    virtual void PreSubclassWindow() {}
    // Called after WM_NCDESTROY, once the object is detached.
    virtual void PostNcDestroy() {}

    // Default processing of the message being handled now, or of another one.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);

private:
    template <class Handler, class... Args>
    friend LRESULT CallHandler(CWnd& wnd, Handler fn, Args... args);

    // What the default processing answered the message being handled, if
    // the handler ran it, else 0: the answer of a handler with nothing of
    // its own to say.
    LRESULT DefaultAnswer() const { return m_current.defaulted ? m_current.defaultAnswer : 0; }

    // Hands a subclassed window's messages to its object; what the object
    // does not handle goes on down the window's hook chain.
    class SubclassHook : public CWndHook {
    public:
        explicit SubclassHook(CWnd& owner) : m_owner(owner) {}
        LRESULT CallNext(UINT msg, WPARAM wp, LPARAM lp) {
            return CWndHook::HandleMessage(msg, wp, lp);
        }

    protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
            return m_owner.Dispatch(msg, wp, lp);
        }

    private:
        CWnd& m_owner;
    };

    void Attach(HWND wnd);
    void Detach();
    // One message through WindowProc, exceptions caught; detaches after
    // WM_NCDESTROY.
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    bool DispatchThroughMap(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

    SubclassHook m_hook{*this};  // hooked only while subclassing a window
    struct Current {
        UINT msg = 0;
        WPARAM wp = 0;
        LPARAM lp = 0;
        bool defaulted = false;  // DefWindowProc ran for this message
        LRESULT defaultAnswer = 0;
    } m_current;
};

// ------------------------------------------------------------ crackers --
//
// Each window message a handler takes has one cracker here: the handler's
// signature for it, and how the parameters unpack into what they mean. A
// handler answers as the message asks (a flag, a handle, a code); one that
// returns nothing answers what the default processing answered if it ran
// that (Default()), else 0, as a handler that passed the default's answer on
// did. Coordinates are signed: a point on a monitor left of or above the
// primary one is negative.
//
// A map names a handler with its message: OnMessage<WM_PAINT, &C::OnPaint>().
// A message without a cracker, or a handler of the wrong signature, does not
// compile. The program's own messages (WM_USER and up) take their raw
// parameters, or none: OnPrivateMessage.

template <UINT Msg>
struct MessageCracker;

#ifndef WM_DPICHANGED  // older headers name it only for newer systems
#define WM_DPICHANGED 0x02E0
#endif

inline POINT PointOf(LPARAM lp) {
    return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

// Runs a handler and turns its answer into the message's result.
template <class Handler, class... Args>
LRESULT CallHandler(CWnd& wnd, Handler fn, Args... args) {
    using Answer = decltype((wnd.*fn)(args...));
    if constexpr (std::is_void_v<Answer>) {
        (wnd.*fn)(args...);
        return wnd.DefaultAnswer();
    } else if constexpr (std::is_pointer_v<Answer>) {
        return reinterpret_cast<LRESULT>((wnd.*fn)(args...));
    } else {
        return static_cast<LRESULT>((wnd.*fn)(args...));
    }
}

// One line per kind: the handler's signature, then the unpacking.
#define VELLUMO_CRACKER(msg, signature, ...)                                 \
    template <>                                                              \
    struct MessageCracker<msg> {                                             \
        using Handler = signature;                                           \
        static LRESULT Call(CWnd& wnd, Handler fn, WPARAM wp, LPARAM lp) {   \
            (void)wp;                                                        \
            (void)lp;                                                        \
            return CallHandler(wnd, fn __VA_OPT__(, ) __VA_ARGS__);          \
        }                                                                    \
    };

// Painting and erasing
VELLUMO_CRACKER(WM_PAINT, void (CWnd::*)())
VELLUMO_CRACKER(WM_ERASEBKGND, BOOL (CWnd::*)(HDC dc), reinterpret_cast<HDC>(wp))
VELLUMO_CRACKER(WM_PRINTCLIENT, BOOL (CWnd::*)(HDC dc, UINT flags), reinterpret_cast<HDC>(wp),
                static_cast<UINT>(lp))
VELLUMO_CRACKER(WM_SYSCOLORCHANGE, void (CWnd::*)())
VELLUMO_CRACKER(WM_QUERYDRAGICON, HICON (CWnd::*)())
// Life and state of the window
VELLUMO_CRACKER(WM_DESTROY, void (CWnd::*)())
VELLUMO_CRACKER(WM_SHOWWINDOW, void (CWnd::*)(bool shown, UINT status), wp != 0,
                static_cast<UINT>(lp))
VELLUMO_CRACKER(WM_ENABLE, void (CWnd::*)(bool enabled), wp != 0)
VELLUMO_CRACKER(WM_ACTIVATE, void (CWnd::*)(UINT state, HWND other, bool minimized),
                LOWORD(wp), reinterpret_cast<HWND>(lp), HIWORD(wp) != 0)
VELLUMO_CRACKER(WM_SETFOCUS, void (CWnd::*)(HWND losing), reinterpret_cast<HWND>(wp))
VELLUMO_CRACKER(WM_KILLFOCUS, void (CWnd::*)(HWND gaining), reinterpret_cast<HWND>(wp))
VELLUMO_CRACKER(WM_CANCELMODE, void (CWnd::*)())
VELLUMO_CRACKER(WM_WINDOWPOSCHANGED, void (CWnd::*)(const WINDOWPOS* pos),
                reinterpret_cast<const WINDOWPOS*>(lp))
VELLUMO_CRACKER(WM_DPICHANGED, void (CWnd::*)(UINT dpi, const RECT* suggested), HIWORD(wp),
                reinterpret_cast<const RECT*>(lp))
VELLUMO_CRACKER(WM_UPDATEUISTATE, void (CWnd::*)(UINT action, UINT state), LOWORD(wp),
                HIWORD(wp))
VELLUMO_CRACKER(WM_SETTEXT, BOOL (CWnd::*)(const char* text), reinterpret_cast<const char*>(lp))
VELLUMO_CRACKER(WM_GETTEXT, int (CWnd::*)(size_t size, char* buffer), static_cast<size_t>(wp),
                reinterpret_cast<char*>(lp))
VELLUMO_CRACKER(WM_GETTEXTLENGTH, int (CWnd::*)())
VELLUMO_CRACKER(WM_GETFONT, HFONT (CWnd::*)())
// Timers and the system; the command with the system's own low four bits off
VELLUMO_CRACKER(WM_TIMER, void (CWnd::*)(UINT_PTR id), static_cast<UINT_PTR>(wp))
VELLUMO_CRACKER(WM_SYSCOMMAND, void (CWnd::*)(UINT command), static_cast<UINT>(wp & 0xFFF0))
VELLUMO_CRACKER(WM_POWERBROADCAST, BOOL (CWnd::*)(UINT event), static_cast<UINT>(wp))
VELLUMO_CRACKER(WM_TIMECHANGE, void (CWnd::*)())
VELLUMO_CRACKER(WM_HELP, BOOL (CWnd::*)(const HELPINFO* info),
                reinterpret_cast<const HELPINFO*>(lp))
// The mouse: the keys and buttons held, and where (client coordinates, or
// the screen's for the frame)
VELLUMO_CRACKER(WM_MOUSEMOVE, void (CWnd::*)(UINT keys, POINT at), static_cast<UINT>(wp),
                PointOf(lp))
VELLUMO_CRACKER(WM_LBUTTONDOWN, void (CWnd::*)(UINT keys, POINT at), static_cast<UINT>(wp),
                PointOf(lp))
VELLUMO_CRACKER(WM_LBUTTONUP, void (CWnd::*)(UINT keys, POINT at), static_cast<UINT>(wp),
                PointOf(lp))
VELLUMO_CRACKER(WM_LBUTTONDBLCLK, void (CWnd::*)(UINT keys, POINT at), static_cast<UINT>(wp),
                PointOf(lp))
VELLUMO_CRACKER(WM_MOUSEWHEEL, void (CWnd::*)(UINT keys, int delta, POINT screenAt),
                GET_KEYSTATE_WPARAM(wp), GET_WHEEL_DELTA_WPARAM(wp), PointOf(lp))
VELLUMO_CRACKER(WM_MOUSELEAVE, void (CWnd::*)())
VELLUMO_CRACKER(WM_NCMOUSEMOVE, void (CWnd::*)(UINT hit, POINT screenAt), static_cast<UINT>(wp),
                PointOf(lp))
VELLUMO_CRACKER(WM_NCLBUTTONDOWN, void (CWnd::*)(UINT hit, POINT screenAt),
                static_cast<UINT>(wp), PointOf(lp))
VELLUMO_CRACKER(WM_NCMOUSELEAVE, void (CWnd::*)())
// The keyboard: the key, its repeat count and the flags of lParam's high word
VELLUMO_CRACKER(WM_KEYDOWN, void (CWnd::*)(UINT key, UINT repeat, UINT flags),
                static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp))
VELLUMO_CRACKER(WM_GETDLGCODE, UINT (CWnd::*)(UINT key, const MSG* msg), static_cast<UINT>(wp),
                reinterpret_cast<const MSG*>(lp))
// Scrolling: the request, the thumb's place for the thumb requests, the bar
VELLUMO_CRACKER(WM_VSCROLL, void (CWnd::*)(UINT request, UINT thumb, HWND bar), LOWORD(wp),
                HIWORD(wp), reinterpret_cast<HWND>(lp))
// Controls and their parents
VELLUMO_CRACKER(WM_COMMAND, void (CWnd::*)(UINT id, UINT code, HWND control), LOWORD(wp),
                HIWORD(wp), reinterpret_cast<HWND>(lp))
VELLUMO_CRACKER(WM_NOTIFY, LRESULT (CWnd::*)(NMHDR* header), reinterpret_cast<NMHDR*>(lp))
VELLUMO_CRACKER(BM_SETSTYLE, void (CWnd::*)(UINT style, BOOL redraw), static_cast<UINT>(wp),
                static_cast<BOOL>(lp))
VELLUMO_CRACKER(BM_GETIMAGE, HANDLE (CWnd::*)(UINT type), static_cast<UINT>(wp))

#undef VELLUMO_CRACKER

namespace message_map_detail {
template <class Fn>
struct HandlerOf;
template <class C, class R, class... Args>
struct HandlerOf<R (C::*)(Args...)> {
    using Class = C;
    using OnCWnd = R (CWnd::*)(Args...);
};

template <class Fn, class Expected>
constexpr bool kFits = std::is_base_of_v<CWnd, typename HandlerOf<Fn>::Class> &&
                       std::is_same_v<typename HandlerOf<Fn>::OnCWnd, Expected>;

template <UINT Msg, auto Fn>
LRESULT Crack(CWnd& wnd, WPARAM wp, LPARAM lp) {
    using Cracker = MessageCracker<Msg>;
    return Cracker::Call(wnd, static_cast<typename Cracker::Handler>(Fn), wp, lp);
}

template <auto Fn>
LRESULT CallPrivate(CWnd& wnd, WPARAM wp, LPARAM lp) {
    using Raw = LRESULT (CWnd::*)(WPARAM, LPARAM);
    if constexpr (kFits<decltype(Fn), Raw>) {
        return (wnd.*static_cast<Raw>(Fn))(wp, lp);
    } else {
        return (wnd.*static_cast<LRESULT (CWnd::*)()>(Fn))();
    }
}
}  // namespace message_map_detail

template <UINT Msg, auto Fn>
MessageMapEntry OnMessage() {
    static_assert(message_map_detail::kFits<decltype(Fn), typename MessageCracker<Msg>::Handler>,
                  "the handler's signature is not its message's (see the crackers)");
    return {MessageMapEntry::Kind::Message, Msg, 0, 0, 0, &message_map_detail::Crack<Msg, Fn>,
            nullptr, nullptr};
}

// The program's own messages mean what their sender says: the handler takes
// the raw parameters, or nothing when they carry nothing.
template <UINT Msg, auto Fn>
MessageMapEntry OnPrivateMessage() {
    static_assert(Msg >= WM_USER, "a window message of the system has its cracker");
    static_assert(message_map_detail::kFits<decltype(Fn), LRESULT (CWnd::*)(WPARAM, LPARAM)> ||
                      message_map_detail::kFits<decltype(Fn), LRESULT (CWnd::*)()>,
                  "a private message's handler takes (WPARAM, LPARAM) or nothing");
    return {MessageMapEntry::Kind::Message, Msg, 0, 0, 0,
            &message_map_detail::CallPrivate<Fn>, nullptr, nullptr};
}

template <class T>
MessageMapEntry OnCommand(UINT id, void (T::*fn)(), UINT code = 0) {
    return {MessageMapEntry::Kind::Command, WM_COMMAND, code, id, id, nullptr,
            static_cast<CmdHandler>(fn), nullptr};
}
template <class T>
MessageMapEntry OnCommandRange(UINT first, UINT last, void (T::*fn)(UINT), UINT code = 0) {
    return {MessageMapEntry::Kind::CommandRange, WM_COMMAND, code, first, last, nullptr, nullptr,
            static_cast<CmdRangeHandler>(fn)};
}
inline MessageMapEntry EndOfMessageMap() {
    return {MessageMapEntry::Kind::End, 0, 0, 0, 0, nullptr, nullptr, nullptr};
}

// The application's message box: caption is the program's name, owner the
// window the user is working in.
int AppMessageBox(const char* text, UINT type = MB_OK, HWND owner = nullptr);
// How a handler's work that ended in a CException is reported: its text in
// the application's message box.
void ReportException(const CException& e);
