// The panel's day grid: the 37 day cells and the month and year headings,
// the shown month and today, the month's memos (each date's own and the
// repeating ones on it), the day font, and publishing the cells' texts to
// other processes once the month stands still.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/calendars/calendar_layer.h"
#include "app/memo/month_memos.h"
#include "app/memo/repeat_occurrences.h"
#include "controls/skin_button.h"
#include "controls/skin_face.h"
#include "controls/skin_label.h"
#include "core/base/basic_types.h"
#include "core/calendar/month_model.h"
#include "core/memo/memo_format.h"
#include "platform/handles.h"
#include "platform/wnd.h"

class DayGrid {
public:
    // `calendars` marks the days with the subscribed calendars' events.
    DayGrid(CWnd& panel, const CalendarLayer& calendars) : m_panel(panel), m_calendars(calendars) {}

    // Binds the cells and the headings to the panel's items.
    void Bind();
    // The cells' and headings' fixed look and the day font.
    void SetUp();
    // Shows today's month.
    void StartAtToday();
    // Lays out the shown month again and resets the month and year labels;
    // nothing repaints yet. The texts are published once the month stands
    // still.
    void Refresh();
    // The publishing timer's tick.
    void PublishTexts();

    const CalendarMonth& Month() const { return m_month; }
    const Date& Today() const { return m_today; }
    bool CurrentMonthShown() const;
    void SetShownMonth(int year, int month);
    // One step of the shown month or year; false when nothing visible changes.
    bool StepMonth(int direction);
    bool StepYear(int direction);
    // The date has changed: today moves, and the shown month with it when
    // it was today's.
    void MoveToNewDay(const Date& today);

    CSkinButton& Cell(int id) { return m_dayCells[id - kFirstDayCellId]; }
    CSkinLabel& YearLabel() { return m_yearLabel; }
    CSkinLabel& MonthLabel() { return m_monthLabel; }
    // The day number of the cell with the keyboard focus, 0 when none has it.
    int FocusedDay() const;
    HWND CellWindow(int day) const;
    const std::string& DayTip(int day) const;
    void ShowFocusMarks();
    // The cells, then the headings.
    void VisitFaces(const std::function<void(CSkinFace&)>& visit);
    // The day font at the current scale; the cells take it.
    void ApplyDayFont();

    // After the editor closed on the cell `id` of `day`: its colours from
    // the day's memo as the store now has it (today only in the current
    // month, as `now` says).
    void RemarkCell(int id, int day, const Date& now);
    // A day's text as the digest reads it: its own memo and the repeating
    // ones on it. With `gridJustRead` (right after Refresh), the shown
    // month's days come from the memos the layout has just read, and the
    // repeating memos are taken as it left them.
    DayTextReader MemoReader(bool gridJustRead);
    // Another program changed a memo of the shown month.
    bool MemosChangedElsewhere() { return m_monthMemos.LoadedMonthChanged(); }

private:
    // Fills the grid for the shown month: which cells show, numbers,
    // colours, memo tips. Touches only what changed.
    void LayoutMonth();
    void SetDayColours(CSkinButton& cell, COLORREF in, COLORREF out, COLORREF focus);
    // A day's colours: today over a memo over plain.
    void MarkDayCell(CSkinButton& cell, bool memo, bool today);
    // After a layout: a cell that went hidden hands the focus to the cell of
    // the same day, or of the month's last day.
    void KeepFocusOnAShownDay(const MonthLayout& layout, int focusedDay);
    void ApplyHeadingLook(CSkinLabel& label);

    CWnd& m_panel;
    const CalendarLayer& m_calendars;
    MonthMemos m_monthMemos;      // the grid's memos, read once while unchanged
    RepeatOccurrences m_repeats;  // the repeating memos' dates, per shown month
    FontHandle m_dayFont;         // outlives every cell that draws with it
    CalendarMonth m_month;
    Date m_today;  // the local date at start (or at a failed restart)
    CSkinButton m_dayCells[kDayCellCount];
    CSkinLabel m_yearLabel;
    CSkinLabel m_monthLabel;
    bool m_publishPending = false;  // the texts' timer runs
    DWORD m_lastRelayoutTick = 0;
};
