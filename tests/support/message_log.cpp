#include "tests/support/message_log.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
const char kLogProperty[] = "VellumoTestMessageLog";
}  // namespace

MessageLog::MessageLog(HWND wnd) : m_wnd(wnd) {
    if (!::IsWindow(wnd)) return;
    ::SetPropA(wnd, kLogProperty, this);
    m_previous = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageLog::Proc)));
}

MessageLog::~MessageLog() {
    if (!m_previous || !::IsWindow(m_wnd)) return;
    // Whoever stood in front of the log since has let go by now (the tests
    // end their hooks first); the window's procedure is as before.
    ::SetWindowLongPtrA(m_wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    ::RemovePropA(m_wnd, kLogProperty);
}

LRESULT CALLBACK MessageLog::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* log = static_cast<MessageLog*>(::GetPropA(wnd, kLogProperty));
    if (!log) return ::DefWindowProcA(wnd, msg, wp, lp);
    log->m_log.push_back({msg, wp, lp});
    const WNDPROC previous = log->m_previous;
    if (msg == WM_NCDESTROY) {
        // The window goes before the log: give the procedure back now.
        ::SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        ::RemovePropA(wnd, kLogProperty);
        log->m_previous = nullptr;
    }
    return ::CallWindowProcA(previous, wnd, msg, wp, lp);
}

std::vector<LoggedMessage> MessageLog::Of(UINT msg) const {
    std::vector<LoggedMessage> found;
    for (const LoggedMessage& m : m_log)
        if (m.msg == msg) found.push_back(m);
    return found;
}

int MessageLog::Count(UINT msg) const { return static_cast<int>(Of(msg).size()); }

namespace {
std::string MessageName(UINT msg) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", msg);
    return text;
}
}  // namespace

::testing::AssertionResult MessageLog::Follows(const std::vector<ExpectedMessage>& table) const {
    std::vector<UINT> seen;
    for (const LoggedMessage& m : m_log)
        if (std::any_of(table.begin(), table.end(),
                        [&m](const ExpectedMessage& row) { return row.msg == m.msg; }))
            seen.push_back(m.msg);
    // fits[i][j]: seen[i..] follows table[j..]. Filled from the ends, so an
    // optional row is taken or passed over as the rest of the sequence needs.
    const size_t n = seen.size(), rows = table.size();
    std::vector<std::vector<char>> fits(n + 1, std::vector<char>(rows + 1, 0));
    fits[n][rows] = 1;
    for (size_t j = rows; j-- > 0;) {
        for (size_t i = n + 1; i-- > 0;) {
            bool ok = table[j].optional && fits[i][j + 1];
            if (!ok && i < n && seen[i] == table[j].msg) ok = fits[i + 1][j + 1];
            fits[i][j] = ok;
        }
    }
    if (fits[0][0]) return ::testing::AssertionSuccess();
    std::string expected, got;
    for (const ExpectedMessage& row : table)
        expected += " " + MessageName(row.msg) + (row.optional ? "?" : "");
    for (UINT msg : seen) got += " " + MessageName(msg);
    return ::testing::AssertionFailure() << "expected" << expected << ", got" << (got.empty() ? " nothing" : got);
}
