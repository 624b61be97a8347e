// CWnd: one object per window handle, with table-driven message dispatch.
//
// A window object either creates its window (CreateEx) or takes over an
// existing one (SubclassWindow / SubclassDlgItem, through a CWndHook, so it
// shares the window fairly with other hooks). Messages go through the
// class's message map, a static table that chains to the base class's table;
// anything not found goes to the window procedure the window had before.
// Notifications a control sends its parent (WM_COMMAND from a control,
// WM_NOTIFY, WM_DRAWITEM, WM_CTLCOLOR*, scroll messages) are first offered to
// the control's own object (OnChildNotify), so controls can draw and answer
// for themselves.
#pragma once

#include <windows.h>

#include <string>

#include "platform/wnd_hook.h"

class CException;
class CWnd;

using MsgHandler = LRESULT (CWnd::*)(WPARAM, LPARAM);
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

template <class T>
MessageMapEntry OnMessage(UINT message, LRESULT (T::*fn)(WPARAM, LPARAM)) {
    return {MessageMapEntry::Kind::Message, message, 0, 0, 0, static_cast<MsgHandler>(fn), nullptr,
            nullptr};
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
    // A notification this window sent to its parent, handed back. Return true
    // when handled; `result` is then what the parent answers.
    virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    // Called right after the window was taken over.
    virtual void PreSubclassWindow() {}
    // Called after WM_NCDESTROY, once the object is detached.
    virtual void PostNcDestroy() {}

    // Default processing of the message being handled now, or of another one.
    LRESULT Default();
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);

private:
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
    } m_current;
};

// The application's message box: caption is the program's name, owner the
// window the user is working in.
int AppMessageBox(const char* text, UINT type = MB_OK, HWND owner = nullptr);
// How a handler's work that ended in a CException is reported: its text in
// the application's message box.
void ReportException(const CException& e);
