#include "app/panel/day_grid.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/panel/panel_look.h"
#include "app/panel/scaled_artwork.h"
#include "core/base/text_number.h"
#include "core/calendar/month_model.h"
#include "platform/local_time.h"
#include "res/resource.h"

using namespace panel;

void DayGrid::Bind() {
    for (int i = 0; i < kDayCellCount; ++i) m_dayCells[i].SubclassDlgItem(IDC_DAY_FIRST + i, &m_panel);
    m_yearLabel.SubclassDlgItem(IDC_YEAR_LABEL, &m_panel);
    m_monthLabel.SubclassDlgItem(IDC_MONTH_LABEL, &m_panel);
}

void DayGrid::SetUp() {
    // The month's layout hides the cells it leaves empty.
    for (CSkinButton& cell : m_dayCells) {
        cell.SetBorderDrawn(false);
        cell.SetTransparentBack(true);
        cell.KeepCaptionHere();  // renumbered at every month step
    }
    ApplyDayFont();
    ApplyHeadingLook(m_yearLabel);
    ApplyHeadingLook(m_monthLabel);
}

void DayGrid::StartAtToday() {
    m_today = LocalDateNow();
    m_month.year = m_today.year;
    m_month.month = m_today.month;
    m_month.todayDay = m_today.day;
}

void DayGrid::ApplyDayFont() {
    // The cells take the new font before the old one goes.
    FontHandle font = ScaledArtwork::DayFont(m_dayCells[0].GetSafeHwnd());
    for (CSkinButton& each : m_dayCells)
        each.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    m_dayFont = std::move(font);
}

void DayGrid::SetShownMonth(int year, int month) {
    m_month.year = year;
    m_month.month = month;
}

bool DayGrid::StepMonth(int direction) { return ::StepMonth(m_month, direction); }
bool DayGrid::StepYear(int direction) { return ::StepYear(m_month, direction); }

void DayGrid::MoveToNewDay(const Date& today) {
    const bool currentShown = CurrentMonthShown();
    m_today = today;
    m_month.todayDay = today.day;
    if (currentShown) {
        m_month.year = today.year;
        m_month.month = today.month;
    }
}

HWND DayGrid::CellWindow(int day) const {
    return m_dayCells[CellOfDay(m_month, day) - kFirstDayCellId].m_hWnd;
}

const std::string& DayGrid::DayTip(int day) const {
    return m_dayCells[CellOfDay(m_month, day) - kFirstDayCellId].TipText();
}

void DayGrid::ShowFocusMarks() {
    for (CSkinButton& cell : m_dayCells) cell.SetFocusMark(true);
}

void DayGrid::VisitFaces(const std::function<void(CSkinFace&)>& visit) {
    for (CSkinButton& cell : m_dayCells) visit(cell);
    visit(m_yearLabel);
    visit(m_monthLabel);
}

void DayGrid::RemarkCell(int id, int day, const Date& now) {
    // The store told the grid's memos what the editor saved or deleted, so
    // this look is current without waiting for the folder's watch.
    m_repeats.Update();
    const auto memo = m_repeats.DayText(m_monthMemos.Read(m_month.year, m_month.month, day),
                                        m_month.year, m_month.month, day);
    // Today is today only in the current month, as in the layout.
    MarkDayCell(m_dayCells[id - kFirstDayCellId], memo && !memo->empty(),
                now.year == m_month.year && now.month == m_month.month && now.day == day);
}

DayTextReader DayGrid::MemoReader(bool gridJustRead) {
    // Days of the shown month the grid has just read need no second read,
    // nor the repeating memos it has just brought up to date (without their
    // folder, each look is a failed open and a failed listing).
    if (!gridJustRead) m_repeats.Update();
    return [this, gridJustRead](int year, int month, int day) {
        return m_repeats.DayText(gridJustRead && year == m_month.year && month == m_month.month
                                     ? m_monthMemos.Memo(day)
                                     : m_monthMemos.Read(year, month, day),
                                 year, month, day);
    };
}

bool DayGrid::CurrentMonthShown() const {
    return m_month.year == m_today.year && m_month.month == m_today.month;
}

void DayGrid::SetDayColours(CSkinButton& cell, COLORREF in, COLORREF out, COLORREF focus) {
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextIn), in);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), out);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextFocus), focus);
}

void DayGrid::MarkDayCell(CSkinButton& cell, bool memo, bool today) {
    if (today) {
        SetDayColours(cell, kTodayColour, kTodayColour, kTodayColour);
    } else if (memo) {
        SetDayColours(cell, kMemoColour, kMemoColour, kMemoColour);
    } else {
        SetDayColours(cell, kDayTextIn, kDayTextOut, kDayTextFocus);
    }
}

int DayGrid::FocusedDay() const {
    const HWND focus = ::GetFocus();
    for (const CSkinButton& cell : m_dayCells) {
        if (focus && cell.m_hWnd == focus) {
            return ParseLeadingInt(cell.CaptionText().c_str());
        }
    }
    return 0;  // no cell has the focus
}

// Cells are hidden by their style bit, which, unlike hiding a window, leaves
// the focus where it was: a hidden cell would take Enter for a day the month
// does not have. The focus goes to the same day number, or the month's last.
void DayGrid::KeepFocusOnAShownDay(const MonthLayout& layout, int focusedDay) {
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
            m_panel.SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_dayCells[i].m_hWnd), TRUE);
            return;
        }
    }
}

void DayGrid::LayoutMonth() {
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
        // them, see PublishTexts): "" for a hidden cell.
        const std::string number = day ? std::to_string(day) : std::string();
        if (cell.CaptionText() != number) cell.SetCaption(number.c_str());
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

void DayGrid::ApplyHeadingLook(CSkinLabel& label) {
    label.KeepCaptionHere();  // set at every month step
    label.ApplyTextColour(kHeadingColour);
    label.ApplyFaceName("Times New Roman", 0);
    label.ApplyPointSize(16);
    label.ApplyBold(true);
    label.ApplyTransparency(true);
}

void DayGrid::Refresh() {
    // The headings and cells only record what changed; then the panel
    // repaints them once, in one piece, with no cell shown half set up and
    // no paint of its own per cell.
    VisitFaces([](CSkinFace& face) { face.HoldRepaints(true); });
    const std::string year = YearText(m_month.year);
    if (m_yearLabel.CaptionText() != year) m_yearLabel.SetCaption(year.c_str());
    if (m_monthLabel.CaptionText() != MonthAbbrev(m_month.month))
        m_monthLabel.SetCaption(MonthAbbrev(m_month.month));
    LayoutMonth();
    VisitFaces([](CSkinFace& face) { face.HoldRepaints(false); });
    // One timer for a run of steps: setting it is a trip of its own.
    m_lastRelayoutTick = ::GetTickCount();
    if (!m_publishPending)
        m_publishPending =
            ::SetTimer(m_panel.m_hWnd, kPublishTextsTimer, kPublishTextsDelayMs, nullptr) != 0;
}

// Each changed text is a trip through the window system (two of its reads)
// and a name-change event: done once the month stands still, for the cells
// whose text differs from what other processes last read.
void DayGrid::PublishTexts() {
    if (::GetTickCount() - m_lastRelayoutTick < kPublishTextsDelayMs) return;  // still stepping
    ::KillTimer(m_panel.m_hWnd, kPublishTextsTimer);
    m_publishPending = false;
    VisitFaces([](CSkinFace& face) { face.PublishCaption(); });
}
