#include "app/panel/vellumo_dlg.h"

#include <optional>
#include <string>
#include <vector>

#include "app/calendars/calendars_dlg.h"
#include "app/instance/app_state.h"
#include "app/memo/find_memo_dlg.h"
#include "app/memo/memo_store.h"
#include "app/memo/reminder_thread.h"
#include "app/panel/panel_look.h"
#include "app/settings/dlg_setting.h"
#include "app/settings/settings_store.h"
#include "app/sync/calendar_reminders.h"
#include "app/sync/server_dlg.h"
#include "app/tools/calendar_files.h"
#include "app/tools/launchers.h"
#include "controls/menus/menu_look.h"
#include "controls/menus/menu_window.h"
#include "core/app/command_line.h"
#include "core/memo/announcement.h"
#include "core/memo/digest.h"
#include "platform/display_scale.h"
#include "platform/message_box_fit.h"
#include "platform/private_messages.h"
#include "platform/win_app.h"
#include "res/resource.h"

using namespace panel;

namespace {
// lParam of the WM_SHOWWINDOW the panel posts itself to start hidden.
constexpr UINT kHideAfterFirstShow = 2;
// How long the start-up waits for the calendars' kept copies (never for the
// network) before it announces the coming days.
constexpr unsigned kCopiesWaitMs = 2000;

const char* const kWeekdayLetters[7] = {"S", "M", "T", "W", "T", "F", "S"};
}  // namespace

BEGIN_MESSAGE_MAP(CVellumoDlg, CDialog)
    OnCommandRange(IDC_DAY_FIRST, IDC_DAY_LAST, &ThisClass::OnDayClick),
    OnCommand(IDC_PREV_MONTH, &ThisClass::OnPrevMonth),
    OnCommand(IDC_NEXT_MONTH, &ThisClass::OnNextMonth),
    OnCommand(IDC_PREV_YEAR, &ThisClass::OnPrevYear),
    OnCommand(IDC_NEXT_YEAR, &ThisClass::OnNextYear),
    OnCommand(IDC_MINIMIZE_MARK, &ThisClass::OnHide),
    OnCommand(ID_TRAY_HIDE, &ThisClass::OnHide),
    OnCommand(ID_TRAY_SHOW, &ThisClass::OnShow),
    OnCommand(IDC_EXIT_MARK, &ThisClass::OnExit),
    OnCommand(ID_TRAY_EXIT, &ThisClass::OnExit),
    OnCommand(ID_TOOLS_EXIT, &ThisClass::OnExit),
    OnCommand(IDC_MENU_BUTTON, &ThisClass::OnToolsMenu),
    OnCommand(ID_CLEAR_HISTORY, &ThisClass::OnClearHistory),
    OnCommand(ID_EXPORT_CALENDAR, &ThisClass::OnExportCalendar),
    OnCommand(ID_IMPORT_CALENDAR, &ThisClass::OnImportCalendar),
    OnCommand(ID_OUR_PRODUCTS, &ThisClass::OnHomePage),
    OnCommand(IDC_LOGO, &ThisClass::OnHomePage),
    OnCommand(ID_UPDATE, &ThisClass::OnUpdatePage),
    OnCommand(ID_HELP, &ThisClass::OnHelp),
    OnCommand(ID_APP_HELP, &ThisClass::OnHelp),
    OnMessage<WM_HELP, &ThisClass::OnHelpKey>(),
    OnCommand(ID_BACKUP, &ThisClass::OnBackup),
    OnCommand(ID_PRODUCT_INFO, &ThisClass::OnProductInfo),
    OnCommand(ID_SETTING, &ThisClass::OnSetting),
    OnCommand(ID_FIND_MEMO, &ThisClass::OnFindMemo),
    OnCommand(ID_CALENDARS, &ThisClass::OnCalendars),
    OnPrivateMessage<WM_CALENDARS_CHANGED, &ThisClass::OnCalendarsChanged>(),
    OnCommand(ID_CALENDAR_SERVER, &ThisClass::OnCalendarServer),
    OnCommand(ID_SYNC_NOW, &ThisClass::OnSyncNow),
    OnPrivateMessage<WM_SYNC_DONE, &ThisClass::OnSyncDone>(),
    OnMessage<WM_TIMER, &ThisClass::OnTimer>(),
    OnMessage<WM_POWERBROADCAST, &ThisClass::OnPowerBroadcast>(),
    OnMessage<WM_TIMECHANGE, &ThisClass::OnTimeChange>(),
    OnMessage<WM_LBUTTONDBLCLK, &ThisClass::OnDoubleClick>(),
    OnPrivateMessage<WM_TRAY_NOTIFY, &ThisClass::OnTrayNotify>(),
    OnPrivateMessage<WM_CLEAN_COMPLETE, &ThisClass::OnCleanComplete>(),
    OnPrivateMessage<WM_BACKUP_NOW, &ThisClass::OnBackupNow>(),
    OnMessage<WM_SHOWWINDOW, &ThisClass::OnShowWindowRequest>(),
    OnMessage<WM_PAINT, &ThisClass::OnPaint>(),
    OnMessage<WM_PRINTCLIENT, &ThisClass::OnPrintClient>(),
    OnMessage<WM_ERASEBKGND, &ThisClass::OnEraseBackground>(),
    OnMessage<WM_QUERYDRAGICON, &ThisClass::OnQueryDragIcon>(),
    OnMessage<WM_LBUTTONDOWN, &ThisClass::OnLeftButtonDown>(),
    OnMessage<WM_ACTIVATE, &ThisClass::OnActivateChange>(),
    OnMessage<WM_SYSCOMMAND, &ThisClass::OnSysCommand>(),
    OnMessage<WM_DPICHANGED, &ThisClass::OnDpiChanged>(),
END_MESSAGE_MAP()

CVellumoDlg::CVellumoDlg()
    : CDialog(IDD_VELLUMO_DIALOG),
      m_clock(ClockBitmapIds{IDB_CLOCK_FACE, IDB_CLOCK_DIGITS, IDB_CLOCK_GLYPHS},
              AppState::Get().DisplayLock(), HourFormatFromStored(ReadSettingValue(kTimeFormatValue))),
      m_days(DaysFromStored(ReadSettingValue(kDaysValue))) {}

CVellumoDlg::~CVellumoDlg() = default;

void CVellumoDlg::DoDataExchange() {
    m_grid.Bind();
    for (int i = 0; i < 7; ++i) m_weekdays[i].SubclassDlgItem(IDC_WEEKDAY_FIRST + i, this);
    m_prevYear.SubclassDlgItem(IDC_PREV_YEAR, this);
    m_prevMonthButton.SubclassDlgItem(IDC_PREV_MONTH, this);
    m_nextMonthButton.SubclassDlgItem(IDC_NEXT_MONTH, this);
    m_nextYear.SubclassDlgItem(IDC_NEXT_YEAR, this);
    m_clock.SubclassDlgItem(IDC_CLOCK, this);
    m_exitButton.SubclassDlgItem(IDC_EXIT_MARK, this);
    m_menuButton.SubclassDlgItem(IDC_MENU_BUTTON, this);
    m_logoButton.SubclassDlgItem(IDC_LOGO, this);
    m_minimizeButton.SubclassDlgItem(IDC_MINIMIZE_MARK, this);
}

BOOL CVellumoDlg::OnInitDialog() {
    CDialog::OnInitDialog();  // binds the controls
    if (!InstallMenuWindowHook()) {
        // No menu-window hook: the system is out of resources; say so and end.
        AppMessageBox("A required resource was unavailable.", MB_OK | MB_ICONEXCLAMATION);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    // Themed menus are slightly see-through on systems before version 6.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version) && version.dwMajorVersion < 6) SetMenuTransparency(230);
    SetCurrentDpi(WindowDpi(m_hWnd));
    ScaledArtwork::FitLayoutToScale(m_hWnd);
    Memos().InitMemoPaths();  // beside the program
    // The kept copies are read while the panel sets up; fetches follow.
    m_calendars.Start(m_hWnd, WM_CALENDARS_CHANGED);
    m_sync.Start(m_hWnd, WM_SYNC_DONE, &m_calendars);
    m_trayIcon.SetSyncItem(m_sync.Account().Configured());
    // The title names the taskbar button; a second start finds us by it.
    SetWindowText(kPanelTitle);
    SetUpButtons();
    LoadScaleArtwork();
    m_clock.BeginClock();  // a clock that cannot start stays the plain static
    SetUpTicker();
    SetUpWeekdayLetters();
    SetUpGrid();
    // The window's icons, the tray icon and the system menu's About item
    // come once the panel has shown (a timer waits for the first paint): the
    // panel is what the user waits for, and the system menu is made only
    // when first asked for, a few milliseconds of work.
    ::SetTimer(m_hWnd, kTrayIconTimer, 0, nullptr);
    // Before the announcement, whose box holds this start until it is
    // closed: a reminder due meanwhile comes over it.
    SetExtraReminders(&CalendarRemindersOn);
    StartReminderThread();  // runs for the rest of the process
    // The memos of the coming days: into the ticker, and announced once,
    // with the events of the calendars' kept copies.
    m_calendars.WaitForCopies(kCopiesWaitMs);
    RefreshDigest(m_days, true, true);
    m_dayWatch.Start(m_hWnd, [this](const Date& today) { LiveInNewDay(today); });
    ApplyStartMode();
    return TRUE;
}

void CVellumoDlg::AddAboutItem() {
    char about[64] = {};
    ::LoadStringA(Instance(), IDS_ABOUTBOX, about, sizeof about);
    HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu && about[0]) {
        ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
    }
}

void CVellumoDlg::SetUpButtons() {
    // All of them let the skin show through, bare.
    for (CSkinButton* button : BareButtons()) {
        button->SetBorderDrawn(false);
        button->SetTransparentBack(true);
    }
    m_exitButton.SetTipText("Exit");
    m_minimizeButton.SetTipText("Minimize");
    const struct {
        CSkinButton* button;
        const char* tip;
    } arrows[] = {
        {&m_prevMonthButton, "Turn to Previous Month"},
        {&m_nextMonthButton, "Turn to Next Month"},
        {&m_prevYear, "Turn to Previous Year"},
        {&m_nextYear, "Turn to Next Year"},
    };
    for (const auto& arrow : arrows) arrow.button->SetTipText(arrow.tip);
}

void CVellumoDlg::SetUpTicker() {
    // Over the placeholder item's rectangle.
    m_ticker.SetBackColour(kTickerBack);
    m_ticker.SetTextColour(kTickerText);
    m_ticker.SetTickerFont("Microsoft Sans Serif", 8);
    SetNoMemoText();
    RECT place{};
    ::GetWindowRect(GetDlgItem(IDC_TICKER_PLACE), &place);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    // The placeholder would otherwise paint over the ticker on a redraw.
    if (m_ticker.CreateTicker(place, m_hWnd)) ::ShowWindow(GetDlgItem(IDC_TICKER_PLACE), SW_HIDE);
}

void CVellumoDlg::SetUpWeekdayLetters() {
    for (int i = 0; i < 7; ++i) {
        CSkinLabel& label = m_weekdays[i];
        const bool weekend = i == 0 || i == 6;
        if (label.GetWindowText() != kWeekdayLetters[i]) label.SetWindowText(kWeekdayLetters[i]);
        label.ApplyTextColour(weekend ? kWeekendColour : kWeekdayColour);
        label.ApplyItalic(true);
        label.ApplyPointSize(14);
        if (weekend) label.ApplyBold(true);
        label.ApplyTransparency(true);
    }
}

void CVellumoDlg::SetUpGrid() {
    m_grid.SetUp();
    RebuildFaceRegions();
    m_grid.StartAtToday();
    RefreshMonth();
}

void CVellumoDlg::RefreshMonth() {
    // The grid only records what changed; then the panel repaints it once,
    // in one piece (OnPaint).
    m_grid.Refresh();
    m_surface.RepaintGrid();
}

void CVellumoDlg::ShowMonth(int year, int month) {
    m_grid.SetShownMonth(year, month);
    RefreshMonth();
}

void CVellumoDlg::ApplyStartMode() {
    // Start hidden for "/background" and "/now".
    const char* commandLine = CWinApp::Current() ? CWinApp::Current()->m_lpCmdLine : "";
    const StartMode mode = FirstCopyStartMode(commandLine);
    if (mode == StartMode::BackupNow) RunBackupAuto();
    if (mode != StartMode::Shown) {
        // Hide once the dialog has been shown for the first time.
        PostMessage(WM_SHOWWINDOW, FALSE, kHideAfterFirstShow);
    }
}

void CVellumoDlg::OnOK() {}

void CVellumoDlg::OnCancel() { ShowWindow(SW_HIDE); }

// ---------------------------------------------------------------- timers --

void CVellumoDlg::OnTimer(UINT_PTR id) {
    if (id == kTrayIconTimer) {
        ::KillTimer(m_hWnd, kTrayIconTimer);
        AddAboutItem();
        m_artwork.ApplyWindowIcons(m_hWnd);
        ShowTrayIcon();
        return;
    }
    if (id == kPublishTextsTimer) {
        m_grid.PublishTexts();
        return;
    }
    if (id == kRestartTimer) {
        m_dayWatch.RestartWhenFree();
        return;
    }
    if (id == kDayWatchTimer && m_grid.MemosChangedElsewhere()) {
        // Another program changed a memo of the shown month: show it now.
        RefreshMonth();
        RefreshDigest(m_days, false, true);
    }
    if (id == kDayWatchTimer) m_dayWatch.CheckDayChange();
    Default();
}

BOOL CVellumoDlg::OnPowerBroadcast(UINT event) {
    // Both arrive after a sleep (the automatic one always, the other when a
    // user is there); a second wake-up or check finds nothing new to do.
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        WakeReminderThread();
        m_dayWatch.CheckDayChange();  // a sleep over midnight: now, not at the next tick
        m_sync.SyncSoon(false);  // what changed elsewhere meanwhile
    }
    return TRUE;
}

void CVellumoDlg::OnTimeChange() { WakeReminderThread(); }

void CVellumoDlg::LiveInNewDay(const Date& today) {
    m_grid.MoveToNewDay(today);
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    SetTrayTip();
}

// ----------------------------------------------------------------- scale --

void CVellumoDlg::LoadScaleArtwork() {
    m_surface.DropStretchedSkin();  // the next paint stretches the new scale's skin
    ScaledArtwork::LoadArrowIcons(m_prevMonthButton, m_nextMonthButton, m_prevYear, m_nextYear);
}

// Moved to a monitor of another scale: every child keeps its place in
// proportion, and the scale's artwork and day font replace the old ones.
void CVellumoDlg::OnDpiChanged(UINT dpi, const RECT* suggested) {
    if (!ScaledArtwork::Rescale(m_hWnd, dpi, *suggested)) return;
    LoadScaleArtwork();
    m_artwork.ApplyWindowIcons(m_hWnd);
    m_clock.ReloadArtwork();
    SetTrayTip();
    m_grid.ApplyDayFont();
    RebuildFaceRegions();
    Invalidate();
}

// ----------------------------------------------------------------- paint --

std::array<CSkinButton*, 8> CVellumoDlg::BareButtons() {
    return {&m_menuButton,     &m_logoButton,      &m_exitButton, &m_minimizeButton,
            &m_prevMonthButton, &m_nextMonthButton, &m_prevYear,   &m_nextYear};
}

void CVellumoDlg::VisitFaces(bool all, const std::function<void(CSkinFace&)>& visit) {
    m_grid.VisitFaces(visit);
    if (!all) return;
    for (CSkinLabel& letter : m_weekdays) visit(letter);
    for (CSkinButton* button : BareButtons()) visit(*button);
}

void CVellumoDlg::OnPaint() {
    PaintDC paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (::IsIconic(m_hWnd)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(paint.Get(), x, y, m_artwork.Icon());
        return;
    }
    m_surface.PaintSkin(paint.Get());
    m_surface.PaintPendingFaces(paint.Get(), paint.Info().rcPaint);
}

// Transparent controls ask for the pixels under them this way.
BOOL CVellumoDlg::OnPrintClient(HDC dc, UINT) {
    m_surface.PaintSkin(dc);
    return 1;
}

// The skin covers the whole client area: nothing to erase first.
BOOL CVellumoDlg::OnEraseBackground(HDC) { return 1; }

HICON CVellumoDlg::OnQueryDragIcon() { return m_artwork.Icon(); }

void CVellumoDlg::RebuildFaceRegions() {
    m_surface.RebuildFaceRegions({m_clock.GetSafeHwnd(), m_ticker.GetSafeHwnd()});
}

// -------------------------------------------------------------- commands --

void CVellumoDlg::OnDayClick(UINT id) {
    m_keys.HideKeyTip();
    Invalidate(true);
    const int day = DayOfCell(m_grid.Month(), static_cast<int>(id));
    m_remarkDlg.m_nYear = m_grid.Month().year;
    m_remarkDlg.m_nMonth = m_grid.Month().month;
    m_remarkDlg.m_nDay = day;
    const unsigned repeatChanges = Memos().RepeatChanges();
    m_remarkDlg.DoModal();  // what follows runs after OK and Cancel alike
    if (Memos().RepeatChanges() != repeatChanges) {
        // A repeating memo changed: its dates anywhere in the month.
        RefreshMonth();
        RefreshDigest(m_days, false, true);
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        return;
    }
    const Date now = LocalDateNow();
    m_grid.RemarkCell(static_cast<int>(id), day, now);
    // Compared by day number only, whatever month is shown: the digest's
    // window starts at today's day number in the shown month.
    if (day - now.day < m_days) RefreshDigest(m_days, false);
}

void CVellumoDlg::OnPrevMonth() { Navigate(m_grid.StepMonth(-1)); }
void CVellumoDlg::OnNextMonth() { Navigate(m_grid.StepMonth(+1)); }
void CVellumoDlg::OnPrevYear() { Navigate(m_grid.StepYear(-1)); }
void CVellumoDlg::OnNextYear() { Navigate(m_grid.StepYear(+1)); }

void CVellumoDlg::Navigate(bool relayout) {
    // A year step stopped at its bound changes nothing visible.
    if (!relayout) return;
    m_keys.HideKeyTip();  // its day is gone; a key's step shows the new day's
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    // The step shows before the click's handling ends: the grid, headings
    // and ticker in one go, not each whenever its paint comes round.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CVellumoDlg::OnToolsMenu() { ShowToolsMenu(m_hWnd, GetDlgItem(IDC_MENU_BUTTON)); }
void CVellumoDlg::OnClearHistory() { ShowCleaner(); }
void CVellumoDlg::OnExportCalendar() { ExportCalendarFile(m_hWnd); }
void CVellumoDlg::OnImportCalendar() {
    if (!ImportCalendarFile(m_hWnd)) return;
    // The imported memos show at once: the grid's gold days and the ticker.
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}
void CVellumoDlg::OnCalendars() {
    CCalendarsDlg dialog(m_calendars, this);
    dialog.DoModal();  // the worker tells what changed
}

void CVellumoDlg::OnCalendarServer() { OpenServerDialog(this); }

void CVellumoDlg::OpenServerDialog(CWnd* owner) {
    CServerDlg dialog(m_sync, owner);
    dialog.DoModal();
    m_trayIcon.SetSyncItem(m_sync.Account().Configured());
}

void CVellumoDlg::OnSyncNow() { m_sync.SyncSoon(true); }

LRESULT CVellumoDlg::OnSyncDone(WPARAM memosChanged, LPARAM) {
    if (memosChanged) {
        // The folder's watch tells the grid's memos which files changed.
        RefreshMonth();
        RefreshDigest(m_days, false, true);
    }
    return 0;
}

LRESULT CVellumoDlg::OnCalendarsChanged() {
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    return 0;
}

void CVellumoDlg::OnHomePage() { OpenHomePage(); }
void CVellumoDlg::OnUpdatePage() { OpenUpdatePage(); }
void CVellumoDlg::OnHelp() { ShowHelp(); }
BOOL CVellumoDlg::OnHelpKey(const HELPINFO*) {
    ShowHelp();
    return TRUE;
}
void CVellumoDlg::OnBackup() { RunBackup(m_hWnd); }
void CVellumoDlg::OnProductInfo() { ShowProductInfo(m_hWnd); }

void CVellumoDlg::OnSetting() {
    CDlgSetting dialog(this);
    dialog.SetServerDialog([this](CWnd* owner) { OpenServerDialog(owner); });
    if (dialog.DoModal() != IDOK) return;
    if (dialog.ChosenHourFormat() != m_clock.CurrentHourFormat())
        m_clock.SetHourFormat(dialog.ChosenHourFormat());
    if (dialog.ChosenDays() != m_days) {
        m_days = dialog.ChosenDays();
        RefreshDigest(m_days, false);
    }
}

void CVellumoDlg::OnFindMemo() {
    m_keys.HideKeyTip();
    CFindMemoDlg find(this);
    if (find.DoModal() != IDOK || !find.Chosen()) return;
    const Date date = *find.Chosen();
    if (date.year != m_grid.Month().year || date.month != m_grid.Month().month)
        GoToMonth(date.year, date.month);
    m_keys.FocusDay(date.day);
    OnDayClick(static_cast<UINT>(CellOfDay(m_grid.Month(), date.day)));
}

// -------------------------------------------------------------- keyboard --

bool CVellumoDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)) &&
        m_keys.OnKeyDown(msg->wParam))
        return true;
    return CDialog::PreTranslateMessage(msg);
}

HWND CVellumoDlg::TipAnchor() const {
    return m_ticker.GetSafeHwnd() ? m_ticker.m_hWnd : GetDlgItem(IDC_TICKER_PLACE);
}

// Top to bottom and left to right; the 37 cells are one stop, the grid,
// entered at its day.
std::array<HWND, 9> CVellumoDlg::TabStops() const {
    return {m_minimizeButton.m_hWnd, m_exitButton.m_hWnd,  m_prevYear.m_hWnd,
            m_prevMonthButton.m_hWnd, m_nextMonthButton.m_hWnd, m_nextYear.m_hWnd,
            nullptr /* the grid */,   m_logoButton.m_hWnd,  m_menuButton.m_hWnd};
}

void CVellumoDlg::ShowFocusMarks() {
    m_grid.ShowFocusMarks();
    for (CSkinButton* button : BareButtons()) button->SetFocusMark(true);
}

void CVellumoDlg::GoToMonth(int year, int month) {
    m_grid.SetShownMonth(year, month);
    Navigate(true);
}

void CVellumoDlg::StepShown(bool year, int direction) {
    Navigate(year ? m_grid.StepYear(direction) : m_grid.StepMonth(direction));
}

void CVellumoDlg::OpenDay(int day) {
    OnDayClick(static_cast<UINT>(CellOfDay(m_grid.Month(), day)));
}

// ---------------------------------------------------------------- digest --

void CVellumoDlg::RefreshDigest(int days, bool announce, bool gridJustRead) {
    // Each date's own memo first, then the repeating memos on it, then the
    // subscribed calendars' events.
    const DayTextReader read = m_calendars.WithEvents(m_grid.MemoReader(gridJustRead));
    const CalendarMonth& shown = m_grid.Month();
    const std::vector<std::string> entries =
        DigestEntries(shown.year, shown.month, shown.todayDay, days, read, &IsAnsiLeadByte);
    const std::string digest = JoinDigest(entries);
    if (announce && !digest.empty()) {
        // Every memo whole, as long as the box fits the screen the panel is on.
        const std::string lines = AnnouncementText(
            entries, [this](const std::string& text) { return MessageBoxFits(m_hWnd, text); },
            &IsAnsiLeadByte);
        ::MessageBoxA(m_hWnd, lines.c_str(), kReminderCaption, MB_OK | MB_ICONINFORMATION);
    }
    if (digest.empty()) {
        SetNoMemoText();
    } else {
        m_ticker.SetTickerText(TickerText(digest, m_days));
    }
}

void CVellumoDlg::SetNoMemoText() { m_ticker.SetTickerText(NoMemoText(m_days)); }

void CVellumoDlg::ShowTrayIcon() {
    m_trayIcon.SetNotifyWnd(m_hWnd);
    SetTrayTip();
}

void CVellumoDlg::SetTrayTip() {
    char tip[24];
    const Date& today = m_grid.Today();
    FormatTrayTip(tip, today.year, today.month, today.day);
    m_trayIcon.SetTrayIcon(m_artwork.SmallIcon(), tip);
}

void CVellumoDlg::OnHide() { ShowWindow(SW_HIDE); }

void CVellumoDlg::OnShow() {
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

// The dialog's own cancel: OnCancel only hides.
void CVellumoDlg::OnExit() { EndDialog(IDCANCEL); }

void CVellumoDlg::OnDoubleClick(UINT, POINT) {
    ShowWindow(SW_HIDE);
    Default();
}

// The tray icon's own hook answers its callback before we see it.
LRESULT CVellumoDlg::OnTrayNotify() { return 0; }

LRESULT CVellumoDlg::OnCleanComplete() {
    AppMessageBox("Clean History Complete.", MB_OK | MB_ICONINFORMATION);
    return 1;
}

LRESULT CVellumoDlg::OnBackupNow() {
    RunBackupAuto();
    return 1;
}

void CVellumoDlg::OnShowWindowRequest(bool shown, UINT status) {
    if (!shown) m_keys.HideKeyTip();
    if (!shown && status == kHideAfterFirstShow) {
        ShowWindow(SW_HIDE);
        return;
    }
    Default();
}

void CVellumoDlg::OnLeftButtonDown(UINT, POINT at) {
    m_keys.HideKeyTip();  // it would stay where the panel was
    // Any free part of the skin is a handle for moving the panel.
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
    Default();
}

void CVellumoDlg::OnSysCommand(UINT command) {
    if (command == IDM_ABOUTBOX) {
        ShowProductInfo(m_hWnd);
        return;
    }
    Default();
}

// The keyboard's tip stays on top: it goes when the user turns elsewhere.
void CVellumoDlg::OnActivateChange(UINT state, HWND, bool) {
    if (state == WA_INACTIVE) m_keys.HideKeyTip();
    Default();
}
