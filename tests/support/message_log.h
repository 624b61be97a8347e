// What one window's own procedure receives, sent or dispatched: the log
// stands in front of the procedure it finds (a class layer's or a hook's set
// later stand in front of it, so what they keep from the window is not
// logged).
#pragma once

#include <windows.h>

#include <vector>

struct LoggedMessage {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

class MessageLog {
public:
    explicit MessageLog(HWND wnd);
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<LoggedMessage> Of(UINT msg) const;
    int Count(UINT msg) const;
    void Clear() { m_log.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND m_wnd;
    WNDPROC m_previous = nullptr;
    std::vector<LoggedMessage> m_log;
};
