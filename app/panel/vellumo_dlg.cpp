#include "app/panel/vellumo_dlg.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/instance/app_state.h"
#include "app/memo/memo_store.h"
#include "app/memo/reminder_thread.h"
#include "app/settings/dlg_setting.h"
#include "app/settings/settings_store.h"
#include "app/tools/launchers.h"
#include "controls/menus/menu_look.h"
#include "controls/menus/menu_window.h"
#include "core/app/command_line.h"
#include "core/memo/digest.h"
#include "platform/display_scale.h"
#include "platform/private_messages.h"
#include "platform/shell_calls.h"
#include "platform/win_app.h"
#include "res/resource.h"

namespace {
constexpr UINT_PTR kDayWatchTimer = 1;
constexpr UINT_PTR kTrayIconTimer = 3;
constexpr UINT kDayWatchPeriodMs = 1000;
// lParam of the WM_SHOWWINDOW the panel posts itself to start hidden.
constexpr LPARAM kHideAfterFirstShow = 2;

constexpr COLORREF kDayTextIn = RGB(255, 255, 0);
constexpr COLORREF kDayTextOut = RGB(255, 255, 255);
constexpr COLORREF kDayTextFocus = RGB(255, 255, 255);
constexpr COLORREF kMemoColour = RGB(255, 216, 0);
constexpr COLORREF kTodayColour = RGB(255, 80, 50);
constexpr COLORREF kWeekendColour = RGB(255, 128, 128);
constexpr COLORREF kWeekdayColour = RGB(0, 64, 255);
constexpr COLORREF kHeadingColour = RGB(0, 0, 255);
constexpr COLORREF kTickerBack = RGB(204, 204, 255);
constexpr COLORREF kTickerText = RGB(0, 115, 255);

const char* const kWeekdayLetters[7] = {"S", "M", "T", "W", "T", "F", "S"};

struct ArrowSetup {
    int id;
    int icon;
    const char* tip;
};

HINSTANCE Instance() { return ::GetModuleHandleA(nullptr); }

bool IsLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }

// The memo file of a date, read as every panel reader does (4096 bytes).
std::optional<std::string> ReadMemo(int year, int month, int day) {
    std::string text;
    if (!ReadDayFile(MakeDayFilePath(RemarkPrefix, year, month, day), kMemoReadLimit, text))
        return std::nullopt;
    return text;
}
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
    OnCommand(ID_OUR_PRODUCTS, &ThisClass::OnHomePage),
    OnCommand(IDC_LOGO, &ThisClass::OnHomePage),
    OnCommand(ID_UPDATE, &ThisClass::OnUpdatePage),
    OnCommand(ID_HELP, &ThisClass::OnHelp),
    OnCommand(ID_APP_HELP, &ThisClass::OnHelp),
    OnMessage(WM_HELP, &ThisClass::OnHelpKey),
    OnCommand(ID_BACKUP, &ThisClass::OnBackup),
    OnCommand(ID_PRODUCT_INFO, &ThisClass::OnProductInfo),
    OnCommand(ID_SETTING, &ThisClass::OnSetting),
    OnMessage(WM_TIMER, &ThisClass::OnTimer),
    OnMessage(WM_LBUTTONDBLCLK, &ThisClass::OnDoubleClick),
    OnMessage(WM_TRAY_NOTIFY, &ThisClass::OnTrayNotify),
    OnMessage(WM_CLEAN_COMPLETE, &ThisClass::OnCleanComplete),
    OnMessage(WM_BACKUP_NOW, &ThisClass::OnBackupNow),
    OnMessage(WM_SHOWWINDOW, &ThisClass::OnShowWindowRequest),
    OnMessage(WM_PAINT, &ThisClass::OnPaint),
    OnMessage(WM_PRINTCLIENT, &ThisClass::OnPrintClient),
    OnMessage(WM_ERASEBKGND, &ThisClass::OnEraseBackground),
    OnMessage(WM_QUERYDRAGICON, &ThisClass::OnQueryDragIcon),
    OnMessage(WM_LBUTTONDOWN, &ThisClass::OnLeftButtonDown),
    OnMessage(WM_SYSCOMMAND, &ThisClass::OnSysCommand),
    OnMessage(WM_DPICHANGED, &ThisClass::OnDpiChanged),
END_MESSAGE_MAP()

CVellumoDlg::CVellumoDlg()
    : CDialog(IDD_VELLUMO_DIALOG),
      m_hIcon(::LoadIconA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_clock(ClockBitmapIds{IDB_CLOCK_FACE, IDB_CLOCK_DIGITS, IDB_CLOCK_GLYPHS},
              AppState::Get().DisplayLock(), HourFormatFromStored(ReadSettingValue(kTimeFormatValue))),
      m_days(DaysFromStored(ReadSettingValue(kDaysValue))) {}

CVellumoDlg::~CVellumoDlg() = default;

void CVellumoDlg::DoDataExchange() {
    for (int i = 0; i < kDayCellCount; ++i) m_dayCells[i].SubclassDlgItem(IDC_DAY_FIRST + i, this);
    m_yearLabel.SubclassDlgItem(IDC_YEAR_LABEL, this);
    m_monthLabel.SubclassDlgItem(IDC_MONTH_LABEL, this);
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
    AddAboutItem();
    // Themed menus are slightly see-through on systems before version 6.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (::GetVersionExA(&version) && version.dwMajorVersion < 6) SetMenuTransparency(230);
    SetCurrentDpi(WindowDpi(m_hWnd));
    FitLayoutToScale();
    InitMemoPaths();  // beside the program
    // The title names the taskbar button; a second start finds us by it.
    SetWindowText(kPanelTitle);
    SetUpButtons();
    LoadScaleArtwork();
    m_clock.BeginClock();  // a clock that cannot start stays the plain static
    SetUpTicker();
    SetUpWeekdayLetters();
    SetUpGrid();
    // The window's icons and the tray icon come once the panel has shown (a
    // timer waits for the first paint): the panel is what the user waits for.
    ::SetTimer(m_hWnd, kTrayIconTimer, 0, nullptr);
    // The memos of the coming days: into the ticker, and announced once.
    RefreshDigest(m_days, true, true);
    StartReminderThread();  // runs for the rest of the process
    ::SetTimer(m_hWnd, kDayWatchTimer, kDayWatchPeriodMs, nullptr);
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

namespace {
// Moves and sizes every child of `parent` by x * numX / denX and
// y * numY / denY, keeping each one's place in proportion.
void ScaleChildren(HWND parent, int numX, int denX, int numY, int denY) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        const int left = ::MulDiv(r.left, numX, denX), top = ::MulDiv(r.top, numY, denY);
        ::SetWindowPos(child, nullptr, left, top, ::MulDiv(r.right, numX, denX) - left,
                       ::MulDiv(r.bottom, numY, denY) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The dialog base units of `font` (made for `dpi`) at 100 %, as the dialog
// manager works them out: the average width of the letters and the height.
SIZE BaseUnitsAt96(HFONT font, int dpi) {
    LOGFONTA at96{};
    if (!font || !::GetObjectA(font, sizeof at96, &at96)) return SIZE{};
    at96.lfHeight = ::MulDiv(at96.lfHeight, 96, dpi);
    const FontHandle measured(::CreateFontIndirectA(&at96));
    WindowDC screen(nullptr);
    SelectGuard select(screen.Get(), measured.Get());
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    TEXTMETRICA metrics{};
    if (!::GetTextExtentPoint32A(screen.Get(), kLetters, 52, &extent) ||
        !::GetTextMetricsA(screen.Get(), &metrics))
        return SIZE{};
    return SIZE{(extent.cx / 26 + 1) / 2, metrics.tmHeight};
}
}  // namespace

// The template is in dialog units, which follow the dialog font's metrics
// and so do not grow in step with the scale: the panel would come out wider
// and shorter than its artwork at 125 % and more, its parts out of place.
// Instead every part takes its 100 % place and size, scaled.
void CVellumoDlg::FitLayoutToScale() {
    const int dpi = CurrentDpi();
    if (dpi == 96) return;
    RECT units{0, 0, 4, 8};
    if (!::MapDialogRect(m_hWnd, &units) || units.right <= 0 || units.bottom <= 0) return;
    const SIZE at96 = BaseUnitsAt96(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)), dpi);
    if (at96.cx <= 0 || at96.cy <= 0) return;
    const int numX = at96.cx * dpi, denX = units.right * 96;
    const int numY = at96.cy * dpi, denY = units.bottom * 96;
    ScaleChildren(m_hWnd, numX, denX, numY, denY);
    RECT client{}, frame{};
    ::GetClientRect(m_hWnd, &client);
    ::GetWindowRect(m_hWnd, &frame);
    const int width = ::MulDiv(client.right, numX, denX), height = ::MulDiv(client.bottom, numY, denY);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                   frame.bottom - frame.top + height - client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::array<CSkinButton*, 8> CVellumoDlg::BareButtons() {
    return {&m_menuButton,     &m_logoButton,      &m_exitButton, &m_minimizeButton,
            &m_prevMonthButton, &m_nextMonthButton, &m_prevYear,   &m_nextYear};
}

template <typename Visit>
void CVellumoDlg::VisitFaces(bool all, Visit&& visit) {
    for (CSkinButton& cell : m_dayCells) visit(cell);
    visit(m_yearLabel);
    visit(m_monthLabel);
    if (!all) return;
    for (CSkinLabel& letter : m_weekdays) visit(letter);
    for (CSkinButton* button : BareButtons()) visit(*button);
}

void CVellumoDlg::SetUpButtons() {
    // All of them let the skin show through, bare.
    for (CSkinButton* button : BareButtons()) {
        button->SetBorderDrawn(false);
        button->SetTransparentBack(true);
    }
    m_exitButton.SetTipText("Exit");
    m_minimizeButton.SetTipText("Minimize");
    const ArrowSetup arrows[] = {
        {IDC_PREV_MONTH, IDI_PREV_MONTH, "Turn to Previous Month"},
        {IDC_NEXT_MONTH, IDI_NEXT_MONTH, "Turn to Next Month"},
        {IDC_PREV_YEAR, IDI_PREV_YEAR, "Turn to Previous Year"},
        {IDC_NEXT_YEAR, IDI_NEXT_YEAR, "Turn to Next Year"},
    };
    CSkinButton* arrowButtons[] = {&m_prevMonthButton, &m_nextMonthButton, &m_prevYear,
                                   &m_nextYear};
    for (int i = 0; i < 4; ++i) arrowButtons[i]->SetTipText(arrows[i].tip);
}

void CVellumoDlg::LoadArrowIcons() {
    const std::pair<CSkinButton*, UINT> arrows[] = {{&m_prevMonthButton, IDI_PREV_MONTH},
                                                    {&m_nextMonthButton, IDI_NEXT_MONTH},
                                                    {&m_prevYear, IDI_PREV_YEAR},
                                                    {&m_nextYear, IDI_NEXT_YEAR}};
    const int size = ScalePixels(16);
    for (const auto& arrow : arrows)
        arrow.first->AssignIcon(LoadScaledIconAtSize(arrow.second, size), size);
}

void CVellumoDlg::LoadScaleArtwork() {
    DropStretchedSkin();  // the next paint stretches the new scale's skin
    LoadArrowIcons();
}

void CVellumoDlg::ApplyWindowIcons() {
    // The old icons go only after the window holds the new ones.
    IconHandle scaled, scaledSmall;
    if (CurrentDpi() != 96) {
        scaled.Reset(LoadScaledIconAtSize(IDR_MAINFRAME, ::GetSystemMetrics(SM_CXICON)));
        scaledSmall.Reset(LoadScaledIconAtSize(IDR_MAINFRAME, ::GetSystemMetrics(SM_CXSMICON)));
    }
    HICON big = scaled ? scaled.Get() : m_hIcon;
    HICON small = scaledSmall ? scaledSmall.Get() : m_hIcon;
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    m_scaledIcon = std::move(scaled);
    m_scaledSmallIcon = std::move(scaledSmall);
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

namespace {
// The day font of the given cell height and width.
FontHandle MakeDayFont(int height, int width) {
    return FontHandle(
        ::CreateFontA(height, width, 2, 0, 100, FALSE, TRUE, TRUE, 1, 1, 1, 1, 1, "Verdana"));
}

// Height in pixels of the ink of a digit in `font`, 0 when unknown.
int DigitHeight(HDC dc, HFONT font) {
    SelectGuard select(dc, font);
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    if (::GetGlyphOutlineA(dc, '8', GGO_METRICS, &metrics, 0, nullptr, &identity) == GDI_ERROR)
        return 0;
    return static_cast<int>(metrics.gmBlackBoxY);
}

// The cell height at which the digits are as tall, in proportion to the
// scale, as at 100 %: small sizes round the ink up, so a height scaled
// alone draws the digits a pixel or two short.
int ScaledDayFontHeight(HDC dc) {
    const int scaled = ScalePixels(10);
    const int at100 = DigitHeight(dc, MakeDayFont(10, 8).Get());
    if (at100 <= 0) return scaled;
    const int target = ::MulDiv(at100, CurrentDpi(), 96);
    for (int height = scaled; height <= scaled + scaled / 3; ++height) {
        const int digits = DigitHeight(dc, MakeDayFont(height, ScalePixels(8)).Get());
        if (digits <= 0) return scaled;
        if (digits >= target) return height;
    }
    return scaled;
}

// The day font above 100 % for cells `cellWidth` wide. The cells grow with
// the dialog's font, which need not keep pace with the day font's width:
// narrowed until the widest day fits as it does at 100 % (there "28" spans
// 16 pixels of a 14-pixel cell, its ink the whole cell). Narrowing further
// would change the font's look.
FontHandle ScaledDayFont(int cellWidth) {
    WindowDC screen(nullptr);
    const int height = ScaledDayFontHeight(screen.Get());
    int width = ScalePixels(8);
    FontHandle font = MakeDayFont(height, width);
    for (SIZE extent{}; width > 1; font = MakeDayFont(height, --width)) {
        SelectGuard select(screen.Get(), font.Get());
        if (!::GetTextExtentPoint32A(screen.Get(), "28", 2, &extent) || extent.cx * 14 <= cellWidth * 16)
            break;
    }
    return font;
}
}  // namespace

void CVellumoDlg::ApplyDayFont() {
    // The cells take the new font before the old one goes.
    RECT cell{};
    FontHandle font = CurrentDpi() != 96 && ::GetClientRect(m_dayCells[0].GetSafeHwnd(), &cell)
                          ? ScaledDayFont(cell.right)
                          : MakeDayFont(ScalePixels(10), ScalePixels(8));
    for (CSkinButton& each : m_dayCells)
        each.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
    m_dayFont = std::move(font);
}

// What a month step repaints (the cells and headings), and what the first
// show's paint draws: every face, less where the clock or ticker lies (the
// paint that draws the faces spares them their own, and must spare no other).
void CVellumoDlg::RebuildFaceRegions() {
    auto placeOf = [this](HWND item) {
        RECT r{};
        ::GetWindowRect(item, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return RegionHandle(::CreateRectRgnIndirect(&r));
    };
    m_gridRegion.Reset(::CreateRectRgn(0, 0, 0, 0));
    m_facesRegion.Reset(::CreateRectRgn(0, 0, 0, 0));
    m_biggestFace = {};
    VisitFaces(true, [&](CWnd& face) {
        const RegionHandle part = placeOf(face.m_hWnd);
        ::CombineRgn(m_facesRegion.Get(), m_facesRegion.Get(), part.Get(), RGN_OR);
        RECT r{};
        ::GetClientRect(face.m_hWnd, &r);
        m_biggestFace = {std::max(m_biggestFace.cx, r.right), std::max(m_biggestFace.cy, r.bottom)};
    });
    VisitFaces(false, [&](CWnd& face) {
        const RegionHandle part = placeOf(face.m_hWnd);
        ::CombineRgn(m_gridRegion.Get(), m_gridRegion.Get(), part.Get(), RGN_OR);
    });
    // The panel's other children, which paint themselves. Listing them from
    // the window system would cost a trip through it per child.
    for (HWND other : {m_clock.GetSafeHwnd(), m_ticker.GetSafeHwnd()}) {
        if (!other) continue;
        const RegionHandle part = placeOf(other);
        ::CombineRgn(m_facesRegion.Get(), m_facesRegion.Get(), part.Get(), RGN_DIFF);
    }
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

// ------------------------------------------------------------------ grid --

bool CVellumoDlg::CurrentMonthShown() const {
    return m_month.year == m_today.year && m_month.month == m_today.month;
}

void CVellumoDlg::SetDayColours(CSkinButton& cell, COLORREF in, COLORREF out, COLORREF focus) {
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextIn), in);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextOut), out);
    cell.SetStateColour(static_cast<int>(ButtonColourSlot::TextFocus), focus);
}

void CVellumoDlg::LayoutMonth() {
    const MonthLayout layout = LayOutMonth(m_month, CurrentMonthShown());
    m_monthMemos.Load(m_month.year, m_month.month);
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
        if (day == 0) continue;
        const std::string number = std::to_string(day);
        if (cell.GetWindowText() != number) cell.SetWindowText(number.c_str());
        if (const auto& memo = m_monthMemos.Memo(day)) {
            SetDayColours(cell, kMemoColour, kMemoColour, kMemoColour);
            cell.SetTipText(memo->c_str());
        } else {
            SetDayColours(cell, kDayTextIn, kDayTextOut, kDayTextFocus);
            cell.SetTipText("");
        }
    }
    // Today keeps its colour over a memo; its tip stays the memo.
    if (layout.todayCellId) {
        CSkinButton& today = m_dayCells[layout.todayCellId - kFirstDayCellId];
        SetDayColours(today, kTodayColour, kTodayColour, kTodayColour);
    }
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
    VisitFaces(false, [](auto& face) { face.HoldRepaints(true); });
    const std::string year = YearText(m_month.year);
    if (m_yearLabel.GetWindowText() != year) m_yearLabel.SetWindowText(year.c_str());
    if (m_monthLabel.GetWindowText() != MonthAbbrev(m_month.month))
        m_monthLabel.SetWindowText(MonthAbbrev(m_month.month));
    LayoutMonth();
    VisitFaces(false, [](auto& face) { face.HoldRepaints(false); });
    if (m_facesPending == FacesPending::None) m_facesPending = FacesPending::Grid;
    if (!::IsWindowVisible(m_hWnd)) return;  // the first show paints everything
    ::RedrawWindow(m_hWnd, nullptr, m_gridRegion.Get(), RDW_INVALIDATE | RDW_NOCHILDREN);
}

void CVellumoDlg::ShowMonth(int year, int month) {
    m_month.year = year;
    m_month.month = month;
    RefreshMonth();
}

// -------------------------------------------------------------- commands --

void CVellumoDlg::OnDayClick(UINT id) {
    Invalidate(true);
    const int day = DayOfCell(m_month, static_cast<int>(id));
    m_remarkDlg.m_nYear = m_month.year;
    m_remarkDlg.m_nMonth = m_month.month;
    m_remarkDlg.m_nDay = day;
    m_remarkDlg.DoModal();  // what follows runs after OK and Cancel alike
    CSkinButton& cell = m_dayCells[id - IDC_DAY_FIRST];
    const auto memo = ReadMemo(m_month.year, m_month.month, day);
    if (memo && !memo->empty()) {
        SetDayColours(cell, kMemoColour, kMemoColour, kMemoColour);
    } else {
        SetDayColours(cell, kDayTextIn, kDayTextOut, kDayTextFocus);
    }
    // Today is today only in the current month, as in the layout.
    const Date now = LocalDateNow();
    if (now.year == m_month.year && now.month == m_month.month && now.day == day)
        SetDayColours(cell, kTodayColour, kTodayColour, kTodayColour);
    // Compared by day number only, whatever month is shown: the digest's
    // window starts at today's day number in the shown month.
    if (day - now.day < m_days) RefreshDigest(m_days, false);
}

void CVellumoDlg::OnPrevMonth() { Navigate(StepMonth(m_month, -1)); }
void CVellumoDlg::OnNextMonth() { Navigate(StepMonth(m_month, +1)); }
void CVellumoDlg::OnPrevYear() { Navigate(StepYear(m_month, -1)); }
void CVellumoDlg::OnNextYear() { Navigate(StepYear(m_month, +1)); }

void CVellumoDlg::Navigate(bool relayout) {
    // A year step stopped at its bound changes nothing visible.
    if (!relayout) return;
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    // The step shows before the click's handling ends: the grid, headings
    // and ticker in one go, not each whenever its paint comes round.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CVellumoDlg::OnToolsMenu() { ShowToolsMenu(m_hWnd, GetDlgItem(IDC_MENU_BUTTON)); }
void CVellumoDlg::OnClearHistory() { ShowCleaner(); }
void CVellumoDlg::OnHomePage() { OpenHomePage(); }
void CVellumoDlg::OnUpdatePage() { OpenUpdatePage(); }
void CVellumoDlg::OnHelp() { ShowHelp(); }
LRESULT CVellumoDlg::OnHelpKey(WPARAM, LPARAM) {
    ShowHelp();
    return TRUE;
}
void CVellumoDlg::OnBackup() { RunBackup(m_hWnd); }
void CVellumoDlg::OnProductInfo() { ShowProductInfo(m_hWnd); }

void CVellumoDlg::OnSetting() {
    CDlgSetting dialog(this);
    if (dialog.DoModal() != IDOK) return;
    if (dialog.ChosenHourFormat() != m_clock.CurrentHourFormat())
        m_clock.SetHourFormat(dialog.ChosenHourFormat());
    if (dialog.ChosenDays() != m_days) {
        m_days = dialog.ChosenDays();
        RefreshDigest(m_days, false);
    }
}

// ---------------------------------------------------------------- digest --

void CVellumoDlg::RefreshDigest(int days, bool announce, bool gridJustRead) {
    // Days of the shown month the grid has just read need no second read.
    const DayTextReader read = [&](int year, int month, int day) {
        return gridJustRead && year == m_month.year && month == m_month.month
                   ? m_monthMemos.Memo(day)
                   : ReadMemo(year, month, day);
    };
    const std::vector<std::string> entries =
        DigestEntries(m_month.year, m_month.month, m_month.todayDay, days, read, &IsLeadByte);
    const std::string digest = JoinDigest(entries);
    if (announce && !digest.empty()) {
        // One short line per memo, so the box always fits the screen.
        const std::string lines = AnnouncementText(entries, kAnnouncementLineLimit, &IsLeadByte);
        ::MessageBoxA(m_hWnd, lines.c_str(), "Vellumo reminds you.", MB_OK | MB_ICONINFORMATION);
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
    FormatTrayTip(tip, m_today.year, m_today.month, m_today.day);
    HICON icon = m_scaledSmallIcon ? m_scaledSmallIcon.Get()
                                   : ::LoadIconA(Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_trayIcon.SetTrayIcon(icon, tip);
}

void CVellumoDlg::OnHide() { ShowWindow(SW_HIDE); }

void CVellumoDlg::OnShow() {
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

// The dialog's own cancel: OnCancel only hides.
void CVellumoDlg::OnExit() { EndDialog(IDCANCEL); }

// -------------------------------------------------------------- messages --

namespace {
constexpr UINT_PTR kRestartTimer = 2;
constexpr UINT kRestartRetryMs = 250;

// What of the user's is open in this process, as the restart has to know.
struct OpenWindows {
    HWND panel = nullptr;
    bool menu = false;    // a popup menu: holds nothing of the user's
    bool dialog = false;  // a dialog or message box besides the panel, or a move
};

BOOL CALLBACK NoteOpenWindow(HWND wnd, LPARAM param) {
    auto* open = reinterpret_cast<OpenWindows*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(wnd, &process);
    if (wnd == open->panel || process != ::GetCurrentProcessId() || !::IsWindowVisible(wnd))
        return TRUE;
    char className[16] = {};
    ::GetClassNameA(wnd, className, sizeof className);
    if (std::strcmp(className, "#32768") == 0) open->menu = true;
    if (std::strcmp(className, "#32770") == 0) open->dialog = true;
    return TRUE;
}

OpenWindows FindOpenWindows(HWND panel) {
    OpenWindows open;
    open.panel = panel;
    ::EnumWindows(&NoteOpenWindow, reinterpret_cast<LPARAM>(&open));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (::GetGUIThreadInfo(::GetCurrentThreadId(), &gui)) {
        if (gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) open.menu = true;
        // A move of the panel runs its own loop, which would take the quit.
        if (gui.flags & GUI_INMOVESIZE) open.dialog = true;
    }
    // A modal run disables its owner, whatever window it shows.
    if (!::IsWindowEnabled(panel)) open.dialog = true;
    return open;
}
}  // namespace

LRESULT CVellumoDlg::OnTimer(WPARAM id, LPARAM) {
    if (id == kTrayIconTimer) {
        ::KillTimer(m_hWnd, kTrayIconTimer);
        ApplyWindowIcons();
        ShowTrayIcon();
        return 0;
    }
    if (id == kRestartTimer) {
        RestartWhenFree();
        return 0;
    }
    if (id == kDayWatchTimer && LocalDateNow() != AppState::Get().StartDate()) {
        // One hand-over per change of date: nothing may start a second copy
        // while this one waits or while the start itself runs a loop.
        ::KillTimer(m_hWnd, kDayWatchTimer);
        RestartWhenFree();
    }
    return Default();
}

void CVellumoDlg::RestartWhenFree() {
    ::KillTimer(m_hWnd, kRestartTimer);
    const OpenWindows open = FindOpenWindows(m_hWnd);
    // A menu's own loop would swallow the quit; close it and go on once it
    // has gone. A dialog may hold what the user is typing: wait for it.
    if (open.menu) ::EndMenu();
    if (open.menu || open.dialog) {
        ::SetTimer(m_hWnd, kRestartTimer, kRestartRetryMs, nullptr);
        return;
    }
    RestartForNewDay(LocalDateNow());
}

void CVellumoDlg::RestartForNewDay(const Date& today) {
    AppState& state = AppState::Get();
    // A path that cannot be had whole counts as a failed start: a cut one
    // would start nothing, or something else.
    const std::string program = ModuleFilePath();
    if (!program.empty()) {
        // Let the new copy be the first copy.
        state.CloseInstanceMutex();
        const auto started = reinterpret_cast<INT_PTR>(
            ShellOpen(nullptr, nullptr, program.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (started > 32) {
            PostMessage(WM_QUIT, 0, 0);
            return;
        }
        if (state.CreateInstanceMutex()) {
            // Some other copy did start after all; it is the one to keep.
            PostMessage(WM_QUIT, 0, 0);
            return;
        }
    }
    // No fresh copy: rather than leave the user without calendar and
    // reminders, stay and live in the new day, as a fresh copy would show it.
    state.SetStartDate(today);
    const bool currentShown = CurrentMonthShown();
    m_today = today;
    m_month.todayDay = today.day;
    if (currentShown) {
        m_month.year = today.year;
        m_month.month = today.month;
    }
    RefreshMonth();
    RefreshDigest(m_days, false, true);
    SetTrayTip();
    ::SetTimer(m_hWnd, kDayWatchTimer, kDayWatchPeriodMs, nullptr);
}

LRESULT CVellumoDlg::OnDoubleClick(WPARAM, LPARAM) {
    ShowWindow(SW_HIDE);
    return Default();
}

// The tray icon's own hook answers its callback before we see it.
LRESULT CVellumoDlg::OnTrayNotify(WPARAM, LPARAM) { return 0; }

LRESULT CVellumoDlg::OnCleanComplete(WPARAM, LPARAM) {
    AppMessageBox("Clean History Complete.", MB_OK | MB_ICONINFORMATION);
    return 1;
}

LRESULT CVellumoDlg::OnBackupNow(WPARAM, LPARAM) {
    RunBackupAuto();
    return 1;
}

LRESULT CVellumoDlg::OnShowWindowRequest(WPARAM wp, LPARAM lp) {
    if (!wp && lp == kHideAfterFirstShow) {
        ShowWindow(SW_HIDE);
        return 0;
    }
    return Default();
}

LRESULT CVellumoDlg::OnPaint(WPARAM, LPARAM) {
    PaintDC paint(m_hWnd);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (::IsIconic(m_hWnd)) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(paint.Get(), x, y, m_hIcon);
        return 0;
    }
    PaintSkin(paint.Get());
    PaintPendingFaces(paint.Get(), paint.Info().rcPaint);
    return 0;
}

// The faces of a relayout, and at the first show all of them, are not
// repainted one by one: they go onto the skin here, at their places. A paint
// that leaves part of them out leaves the rest pending for the next one; one
// that takes in all of them spares them their own paints.
void CVellumoDlg::PaintPendingFaces(HDC dc, const RECT& area) {
    if (m_facesPending == FacesPending::None) return;
    const bool all = m_facesPending == FacesPending::All;
    const HRGN region = all ? m_facesRegion.Get() : m_gridRegion.Get();
    RECT box{};
    ::GetRgnBox(region, &box);
    RECT covered{};
    ::UnionRect(&covered, &area, &box);
    const bool whole = ::EqualRect(&covered, &area) != FALSE;
    // One scratch surface for every face, as big as the biggest, kept: each
    // new one costs the window system a display lookup.
    if (!m_faceSurface.Valid() || m_faceSurfaceSize.cx < m_biggestFace.cx ||
        m_faceSurfaceSize.cy < m_biggestFace.cy) {
        m_faceSurface.Reset();
        m_faceBitmap.Reset(::CreateCompatibleBitmap(dc, m_biggestFace.cx, m_biggestFace.cy));
        if (!m_faceBitmap.Valid() || !m_faceSurface.Create(dc)) return;
        m_faceSurface.SelectBitmap(m_faceBitmap.Get());
        m_faceSurfaceSize = m_biggestFace;
    }
    // The skin the paint has just put down is the faces' background.
    VisitFaces(all, [&](auto& face) {
        if (::GetWindowLongA(face.m_hWnd, GWL_STYLE) & WS_VISIBLE)
            face.PaintOnto(dc, m_faceSurface.Get(), m_stretchedSkinDc.Get());
    });
    if (!whole) return;
    m_facesPending = FacesPending::None;
    ::RedrawWindow(m_hWnd, nullptr, region, RDW_VALIDATE | RDW_ALLCHILDREN);
}

// Transparent controls ask for the pixels under them this way.
LRESULT CVellumoDlg::OnPrintClient(WPARAM wp, LPARAM) {
    PaintSkin(reinterpret_cast<HDC>(wp));
    return 1;
}

// The skin covers the whole client area: nothing to erase first.
LRESULT CVellumoDlg::OnEraseBackground(WPARAM, LPARAM) { return 1; }

void CVellumoDlg::PaintSkin(HDC dc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (!StretchSkinTo(client.right, client.bottom)) return;
    ::BitBlt(dc, 0, 0, client.right, client.bottom, m_stretchedSkinDc.Get(), 0, 0, SRCCOPY);
}

bool CVellumoDlg::StretchSkinTo(int width, int height) {
    if (m_stretchedSkinDc.Valid() && m_stretchedSize.cx == width && m_stretchedSize.cy == height)
        return true;
    DropStretchedSkin();
    // Loaded for the stretch only, at its scale's own size (stretched over
    // the client area anyway): only the stretched copy is kept.
    const BitmapHandle skin(LoadScaledBitmap(IDB_SKIN, 0, false));
    BITMAP info{};
    if (!skin.Valid() || !::GetObjectA(skin.Get(), sizeof info, &info)) return false;
    WindowDC screen(nullptr);
    m_stretchedSkin.Reset(::CreateCompatibleBitmap(screen.Get(), width, height));
    MemoryDC from(screen.Get());
    if (!m_stretchedSkin.Valid() || !from.Valid() || !m_stretchedSkinDc.Create(screen.Get())) {
        DropStretchedSkin();
        return false;
    }
    from.SelectBitmap(skin.Get());
    m_stretchedSkinDc.SelectBitmap(m_stretchedSkin.Get());
    ::SetStretchBltMode(m_stretchedSkinDc.Get(), COLORONCOLOR);
    ::StretchBlt(m_stretchedSkinDc.Get(), 0, 0, width, height, from.Get(), 0, 0, info.bmWidth,
                 info.bmHeight, SRCCOPY);
    m_stretchedSize = {width, height};
    return true;
}

void CVellumoDlg::DropStretchedSkin() {
    m_stretchedSkinDc.Reset();
    m_stretchedSkin.Reset();
    m_stretchedSize = {};
}

LRESULT CVellumoDlg::OnQueryDragIcon(WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>(m_hIcon);
}

LRESULT CVellumoDlg::OnLeftButtonDown(WPARAM, LPARAM lp) {
    // Any free part of the skin is a handle for moving the panel.
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, lp);
    return Default();
}

// Moved to a monitor of another scale: every child keeps its place in
// proportion, and the scale's artwork and day font replace the old ones.
LRESULT CVellumoDlg::OnDpiChanged(WPARAM wp, LPARAM lp) {
    const int oldDpi = CurrentDpi();
    const int newDpi = HIWORD(wp);
    if (newDpi <= 0 || newDpi == oldDpi) return 0;
    SetCurrentDpi(newDpi);
    ScaleChildren(m_hWnd, newDpi, oldDpi, newDpi, oldDpi);
    const RECT* suggested = reinterpret_cast<const RECT*>(lp);
    ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    LoadScaleArtwork();
    ApplyWindowIcons();
    m_clock.ReloadArtwork();
    SetTrayTip();
    ApplyDayFont();
    RebuildFaceRegions();
    Invalidate();
    return 0;
}

LRESULT CVellumoDlg::OnSysCommand(WPARAM wp, LPARAM) {
    if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
        ShowProductInfo(m_hWnd);
        return 0;
    }
    return Default();
}
