#include "app/panel/vellumo_dlg.h"

#include <algorithm>
#include <string>

#include "app/panel/panel_look.h"
#include "core/base/text_number.h"
#include "core/calendar/month_model.h"
#include "platform/local_time.h"

using namespace panel;

void CVellumoDlg::SetUpGrid() {
    // The month's layout hides the cells it leaves empty.
    for (CSkinButton& cell : m_dayCells) {
        cell.SetBorderDrawn(false);
        cell.SetTransparentBack(true);
        cell.KeepCaptionHere();  // renumbered at every month step
    }
    ApplyDayFont();
    ApplyHeadingLook(m_yearLabel);
    ApplyHeadingLook(m_monthLabel);
    RebuildFaceRegions();

    m_today = LocalDateNow();
    m_month.year = m_today.year;
    m_month.month = m_today.month;
    m_month.todayDay = m_today.day;
    RefreshMonth();
}

bool CVellumoDlg::CurrentMonthShown() const {
    return m_month.year == m_today.year && m_month.month == m_today.month;
}

void CVellumoDlg::SetDayColours(CSkinButton& cell, COLORREF in, COLORREF out, COLORREF focus) {
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextIn), in);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), out);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextFocus), focus);
}

void CVellumoDlg::MarkDayCell(CSkinButton& cell, bool memo, bool today) {
    if (today) {
        SetDayColours(cell, kTodayColour, kTodayColour, kTodayColour);
    } else if (memo) {
        SetDayColours(cell, kMemoColour, kMemoColour, kMemoColour);
    } else {
        SetDayColours(cell, kDayTextIn, kDayTextOut, kDayTextFocus);
    }
}

int CVellumoDlg::FocusedDay() const {
    const HWND focus = ::GetFocus();
    for (const CSkinButton& cell : m_dayCells) {
        if (focus && cell.m_hWnd == focus) {
            const std::string number = cell.GetWindowText();
            return ParseLeadingInt(number.c_str());
        }
    }
    return 0;  // no cell has the focus
}

// Cells are hidden by their style bit, which, unlike hiding a window, leaves
// the focus where it was: a hidden cell would take Enter for a day the month
// does not have. The focus goes to the same day number, or the month's last.
void CVellumoDlg::KeepFocusOnAShownDay(const MonthLayout& layout, int focusedDay) {
    const HWND focus = ::GetFocus();
    int lastDay = 0;
    bool focusHidden = false;
    for (int i = 0; i < kDayCellCount; ++i) {
        lastDay = std::max(lastDay, layout.dayOfCell[i]);
        if (focus && m_dayCells[i].m_hWnd == focus && layout.dayOfCell[i] == 0) focusHidden = true;
    }
    if (!focusHidden) return;
    const int day = focusedDay >= 1 && focusedDay <= lastDay ? focusedDay : lastDay;
    for (int i = 0; i < kDayCellCount; ++i) {
        if (layout.dayOfCell[i] == day) {
            SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_dayCells[i].m_hWnd), TRUE);
            return;
        }
    }
}

void CVellumoDlg::LayoutMonth() {
    const int focusedDay = FocusedDay();  // before the cells change
    const MonthLayout layout = LayOutMonth(m_month, CurrentMonthShown());
    m_monthMemos.Load(m_month.year, m_month.month);
    m_repeats.Update();
    const unsigned eventDays = m_calendars.MonthMarks(m_month.year, m_month.month);
    for (int i = 0; i < kDayCellCount; ++i) {
        const int day = layout.dayOfCell[i];
        CSkinButton& cell = m_dayCells[i];
        // Shown and hidden by the style bit alone, as a window held from
        // redrawing is: the panel repaints the grid itself, and a full show
        // or hide would have the window system work out update regions for
        // nothing, three trips each.
        const LONG style = ::GetWindowLongA(cell.m_hWnd, GWL_STYLE);
        if (((style & WS_VISIBLE) != 0) != (day != 0))
            ::SetWindowLongA(cell.m_hWnd, GWL_STYLE, style ^ WS_VISIBLE);
        // The text is what other processes read (screen readers among
        // them, see PublishGridTexts): "" for a hidden cell.
        const std::string number = day ? std::to_string(day) : std::string();
        if (cell.GetWindowText() != number) cell.SetWindowText(number.c_str());
        if (day == 0) continue;
        // Other calendars' events: a corner mark, and in the tip after the memo.
        const bool events = (eventDays >> day) & 1u;
        cell.SetCornerMark(events);
        const std::string eventText =
            events ? m_calendars.DayText(Date{m_month.year, m_month.month, day}) : std::string();
        if (const auto memo =
                m_repeats.DayText(m_monthMemos.Memo(day), m_month.year, m_month.month, day)) {
            SetDayColours(cell, kMemoColour, kMemoColour, kMemoColour);
            cell.SetTipText(events ? (*memo + "\r\n" + eventText).c_str() : memo->c_str());
        } else {
            SetDayColours(cell, kDayTextIn, kDayTextOut, kDayTextFocus);
            cell.SetTipText(eventText.c_str());
        }
    }
    // Today keeps its colour over a memo; its tip stays the memo.
    if (layout.todayCellId) {
        CSkinButton& today = m_dayCells[layout.todayCellId - kFirstDayCellId];
        SetDayColours(today, kTodayColour, kTodayColour, kTodayColour);
    }
    KeepFocusOnAShownDay(layout, focusedDay);
}

void CVellumoDlg::ApplyHeadingLook(CSkinLabel& label) {
    label.KeepCaptionHere();  // set at every month step
    label.ApplyTextColour(kHeadingColour);
    label.ApplyFaceName("Times New Roman", 0);
    label.ApplyPointSize(16);
    label.ApplyBold(true);
    label.ApplyTransparency(true);
}

void CVellumoDlg::RefreshMonth() {
    // The headings and cells only record what changed; then the panel
    // repaints them once, in one piece (OnPaint), with no cell shown half set
    // up and no paint of its own per cell.
    VisitFaces(false, [](CSkinFace& face) { face.HoldRepaints(true); });
    const std::string year = YearText(m_month.year);
    if (m_yearLabel.GetWindowText() != year) m_yearLabel.SetWindowText(year.c_str());
    if (m_monthLabel.GetWindowText() != MonthAbbrev(m_month.month))
        m_monthLabel.SetWindowText(MonthAbbrev(m_month.month));
    LayoutMonth();
    VisitFaces(false, [](CSkinFace& face) { face.HoldRepaints(false); });
    if (m_facesPending == FacesPending::None) m_facesPending = FacesPending::Grid;
    // One timer for a run of steps: setting it is a trip of its own.
    m_lastRelayoutTick = ::GetTickCount();
    if (!m_publishPending)
        m_publishPending = ::SetTimer(m_hWnd, kPublishTextsTimer, kPublishTextsDelayMs, nullptr) != 0;
    if (!::IsWindowVisible(m_hWnd)) return;  // the first show paints everything
    ::RedrawWindow(m_hWnd, nullptr, m_gridRegion.Get(), RDW_INVALIDATE | RDW_NOCHILDREN);
}

void CVellumoDlg::ShowMonth(int year, int month) {
    m_month.year = year;
    m_month.month = month;
    RefreshMonth();
}

// Each changed text is a trip through the window system (two of its reads)
// and a name-change event: done once the month stands still, for the cells
// whose text differs from what other processes last read.
void CVellumoDlg::PublishGridTexts() {
    if (::GetTickCount() - m_lastRelayoutTick < kPublishTextsDelayMs) return;  // still stepping
    ::KillTimer(m_hWnd, kPublishTextsTimer);
    m_publishPending = false;
    VisitFaces(false, [](CSkinFace& face) { face.PublishCaption(); });
}
