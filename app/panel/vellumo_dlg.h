// The calendar panel: the program's main window, run as a modal dialog. A
// caption-less skinned panel with the month grid of 37 day cells, the month
// and year with their arrows, the weekday letters and the title marks.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "app/calendars/calendar_layer.h"
#include "app/memo/month_memos.h"
#include "app/memo/repeat_occurrences.h"
#include "app/memo/remark_dlg.h"
#include "app/panel/day_watch.h"
#include "app/panel/grid_keys.h"
#include "app/panel/scaled_artwork.h"
#include "app/sync/calendar_sync.h"
#include "app/tray/tray_icon.h"
#include "controls/lcd_clock.h"
#include "controls/skin_face.h"
#include "controls/skin_button.h"
#include "controls/skin_label.h"
#include "controls/ticker_ctrl.h"
#include "core/base/basic_types.h"
#include "core/calendar/month_model.h"
#include "platform/dialog.h"
#include "platform/handles.h"

class CVellumoDlg : public CDialog, private GridKeys::Host {
public:
    CVellumoDlg();
    ~CVellumoDlg() override;

    BOOL OnInitDialog() override;
    void OnOK() override;      // Enter never closes the panel
    void OnCancel() override;  // Escape and the close command only hide it

    // Lays out the shown month again and resets the month and year labels,
    // then repaints the grid once.
    void RefreshMonth();
    // Shows the given month at once, as the arrows would after many steps.
    void ShowMonth(int year, int month);
    // Rebuilds the ticker's text from the memos of `days` dates starting at
    // today's day number in the shown month; with `announce`, a non-empty
    // digest is first shown in a message box; with `gridJustRead` (a
    // relayout just now), the shown month's days come from the grid's memos.
    void RefreshDigest(int days, bool announce, bool gridJustRead = false);
    // Hands the ticker the text for "no memo in the coming days".
    void SetNoMemoText();
    CTickerCtrl& Ticker() { return m_ticker; }
    CLcdClock& Clock() { return m_clock; }

    const CalendarMonth& ShownMonth() const { return m_month; }
    CalendarLayer& Calendars() { return m_calendars; }
    int RemindAheadDays() const { return m_days; }
    CSkinButton& DayCell(int id) { return m_dayCells[id - kFirstDayCellId]; }
    CSkinLabel& YearLabel() { return m_yearLabel; }
    CSkinLabel& MonthLabel() { return m_monthLabel; }

    DECLARE_MESSAGE_MAP()

protected:
    void DoDataExchange() override;

private:
    // The steps of OnInitDialog, in order.
    void AddAboutItem();
    void SetUpButtons();  // menu, logo, title marks and arrows
    void SetUpTicker();
    void SetUpWeekdayLetters();
    void SetUpGrid();  // the cells' fixed look, today, the month's first layout
    void ApplyStartMode();

    // Fills the grid for the shown month: which cells show, numbers,
    // colours, memo tips. Touches only what changed.
    void LayoutMonth();
    // The skin stretched over the client area, from the one cached copy; the
    // panel's paint and the transparent controls' backgrounds both use it.
    void PaintSkin(HDC dc);
    // The skin stretched to `width` x `height`, made once per size.
    bool StretchSkinTo(int width, int height);
    void DropStretchedSkin();
    void SetDayColours(CSkinButton& cell, COLORREF in, COLORREF out, COLORREF focus);
    // A day's colours: today over a memo over plain.
    void MarkDayCell(CSkinButton& cell, bool memo, bool today);
    int FocusedDay() const override;
    // After a layout: a cell that went hidden hands the focus to the cell of
    // the same day, or of the month's last day.
    void KeepFocusOnAShownDay(const MonthLayout& layout, int focusedDay);
    void ApplyHeadingLook(CSkinLabel& label);
    // The cells' and headings' texts, as other processes read them, once
    // the month has stood still for kPublishTextsDelayMs.
    void PublishGridTexts();
    bool CurrentMonthShown() const;

    // The keyboard: the grid's keys first, wherever in the panel the focus is.
    bool PreTranslateMessage(MSG* msg) override;
    const CalendarMonth& KeysMonth() const override { return m_month; }
    Date KeysToday() const override { return m_today; }
    HWND CellWindow(int day) const override;
    const std::string& DayTip(int day) const override;
    HWND TipAnchor() const override;
    std::array<HWND, 9> TabStops() const override;
    void ShowFocusMarks() override;
    void GoToMonth(int year, int month) override;
    void StepShown(bool year, int direction) override;
    void OpenDay(int day) override;
    void FindMemo() override { OnFindMemo(); }
    void OnFindMemo();

    void OnDayClick(UINT id);
    void OnPrevMonth();
    void OnNextMonth();
    void OnPrevYear();
    void OnNextYear();
    void OnHide();
    void OnShow();
    void OnExit();
    void OnTimer(UINT_PTR id);
    BOOL OnPowerBroadcast(UINT event);
    void OnTimeChange();
    void OnDoubleClick(UINT keys, POINT at);
    LRESULT OnTrayNotify();
    LRESULT OnCleanComplete();
    LRESULT OnBackupNow();
    void OnShowWindowRequest(bool shown, UINT status);
    void OnPaint();
    void PaintPendingFaces(HDC dc, const RECT& area);
    // The faces painted onto the skin: the grid's (cells and headings), with
    // `all` the weekday letters and the bare buttons too.
    void VisitFaces(bool all, const std::function<void(CSkinFace&)>& visit);
    BOOL OnPrintClient(HDC dc, UINT flags);
    BOOL OnEraseBackground(HDC dc);
    HICON OnQueryDragIcon();
    void OnLeftButtonDown(UINT keys, POINT at);
    void OnActivateChange(UINT state, HWND other, bool minimized);
    void OnSysCommand(UINT command);
    void OnDpiChanged(UINT dpi, const RECT* suggested);
    // The skin, arrows, window and tray icons and the day font at the
    // current display scale.
    void LoadScaleArtwork();
    void ApplyDayFont();
    void RebuildFaceRegions();
    std::array<CSkinButton*, 8> BareButtons();  // skin-coloured, borderless

    void Navigate(bool relayout);
    void OnToolsMenu();
    void OnClearHistory();
    void OnExportCalendar();
    void OnImportCalendar();
    void OnHomePage();
    void OnUpdatePage();
    void OnHelp();
    BOOL OnHelpKey(const HELPINFO* info);  // F1
    void OnBackup();
    void OnProductInfo();
    void OnSetting();
    void OnCalendars();
    void OnCalendarServer();
    void OpenServerDialog(CWnd* owner);
    void OnSyncNow();
    // The sync ended: wParam 1 when memos changed here.
    LRESULT OnSyncDone(WPARAM, LPARAM);
    // The calendars' worker read or fetched something: the grid and the
    // ticker show it.
    LRESULT OnCalendarsChanged();

    // No fresh copy took over at the new date: the panel shows the new day
    // as a fresh copy would.
    void LiveInNewDay(const Date& today);
    // Adds the icon with today's date as its tip.
    void ShowTrayIcon();
    void SetTrayTip();

    ScaledArtwork m_artwork;  // the layout, icons and day font at the display's scale
    // The skin at the client's size: every cell's background is one blit
    // from here.
    BitmapDC m_stretchedSkin;
    SIZE m_stretchedSize{};
    // The children the panel's own paint draws (PaintPendingFaces): all of
    // them at the first show, the cells and headings after a month step.
    enum class FacesPending { None, Grid, All };
    FacesPending m_facesPending = FacesPending::All;
    RegionHandle m_gridRegion;     // the cells and the headings
    RegionHandle m_facesRegion;    // every face, less where other children lie
    SIZE m_biggestFace{};          // the client size the scratch surface must hold
    BitmapDC m_faceSurface;        // a face, drawn here before it goes on the skin
    SIZE m_faceSurfaceSize{};
    MonthMemos m_monthMemos;       // the grid's memos, read once while unchanged
    RepeatOccurrences m_repeats;   // the repeating memos' dates, per shown month
    CalendarLayer m_calendars;     // the subscribed calendars' events, and their worker
    CalendarSync m_sync;           // the calendar server's sync, and its worker
    DayWatch m_dayWatch;           // the new date, and the hand-over to a fresh copy
    FontHandle m_dayFont;          // outlives every cell that draws with it
    CalendarMonth m_month;
    Date m_today;  // the local date at start (or at a failed restart)
    CSkinButton m_dayCells[kDayCellCount];
    CSkinLabel m_yearLabel;
    CSkinLabel m_monthLabel;
    CRemarkDlg m_remarkDlg;
    CSkinLabel m_weekdays[7];
    CTrayIcon m_trayIcon;
    CSkinButton m_prevYear;
    CSkinButton m_prevMonthButton;
    CSkinButton m_nextMonthButton;
    CSkinButton m_nextYear;
    CLcdClock m_clock;
    CTickerCtrl m_ticker;
    CSkinButton m_exitButton;
    CSkinButton m_menuButton;
    CSkinButtonXP m_logoButton;
    int m_days;  // remind-ahead days, 1..7
    CSkinButton m_minimizeButton;
    bool m_publishPending = false;  // the texts' timer runs
    DWORD m_lastRelayoutTick = 0;
    GridKeys m_keys{*this, *this};  // the grid's keyboard and its tip
};
