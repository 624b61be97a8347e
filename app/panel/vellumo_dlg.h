// The calendar panel: the program's main window, run as a modal dialog. A
// caption-less skinned panel with the month grid of 37 day cells, the month
// and year with their arrows, the weekday letters and the title marks.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "app/calendars/calendar_layer.h"
#include "app/memo/remark_dlg.h"
#include "app/panel/day_grid.h"
#include "app/panel/day_watch.h"
#include "app/panel/grid_keys.h"
#include "app/panel/panel_surface.h"
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

    const CalendarMonth& ShownMonth() const { return m_grid.Month(); }
    CalendarLayer& Calendars() { return m_calendars; }
    int RemindAheadDays() const { return m_days; }
    CSkinButton& DayCell(int id) { return m_grid.Cell(id); }
    CSkinLabel& YearLabel() { return m_grid.YearLabel(); }
    CSkinLabel& MonthLabel() { return m_grid.MonthLabel(); }

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

    // The keyboard: the grid's keys first, wherever in the panel the focus is.
    bool PreTranslateMessage(MSG* msg) override;
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
    void RebuildFaceRegions();  // the surface's, around the clock and the ticker
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
    // The skin and the faces painted on it.
    PanelSurface m_surface{*this, [this](bool all, const std::function<void(CSkinFace&)>& visit) {
                               VisitFaces(all, visit);
                           }};
    CalendarLayer m_calendars;     // the subscribed calendars' events, and their worker
    CalendarSync m_sync;           // the calendar server's sync, and its worker
    DayWatch m_dayWatch;           // the new date, and the hand-over to a fresh copy
    DayGrid m_grid{*this, m_calendars};  // the cells and headings, the shown month and its memos
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
    GridKeys m_keys{*this, m_grid, *this};  // the grid's keyboard and its tip
};
