// What one window's own procedure receives, sent or dispatched: the log
// stands in front of the procedure it finds (a class layer's or a hook's set
// later stand in front of it, so what they keep from the window is not
// logged).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

struct LoggedMessage {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

// One row of a message sequence: a message that must come next, or one that
// may come there (optional) and is passed over when it does not.
struct ExpectedMessage {
    UINT msg;
    bool optional = false;
};

class MessageLog {
public:
    explicit MessageLog(HWND wnd);
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<LoggedMessage> Of(UINT msg) const;
    int Count(UINT msg) const;
    // Whether the logged messages of the kinds the table names (the others
    // are left out) came in the table's order: every required row, each
    // optional one at most once in its place, and nothing more.
    ::testing::AssertionResult Follows(const std::vector<ExpectedMessage>& table) const;
    void Clear() { m_log.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND m_wnd;
    WNDPROC m_previous = nullptr;
    std::vector<LoggedMessage> m_log;
};
