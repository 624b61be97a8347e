#include "app/panel/vellumo_dlg.h"

#include <algorithm>

#include "app/panel/panel_look.h"
#include "platform/display_scale.h"
#include "res/resource.h"

using namespace panel;

std::array<CSkinButton*, 8> CVellumoDlg::BareButtons() {
    return {&m_menuButton,     &m_logoButton,      &m_exitButton, &m_minimizeButton,
            &m_prevMonthButton, &m_nextMonthButton, &m_prevYear,   &m_nextYear};
}

void CVellumoDlg::VisitFaces(bool all, const std::function<void(CSkinFace&)>& visit) {
    for (CSkinButton& cell : m_dayCells) visit(cell);
    visit(m_yearLabel);
    visit(m_monthLabel);
    if (!all) return;
    for (CSkinLabel& letter : m_weekdays) visit(letter);
    for (CSkinButton* button : BareButtons()) visit(*button);
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
    VisitFaces(true, [&](CSkinFace& face) {
        const RegionHandle part = placeOf(face.m_hWnd);
        ::CombineRgn(m_facesRegion.Get(), m_facesRegion.Get(), part.Get(), RGN_OR);
        RECT r{};
        ::GetClientRect(face.m_hWnd, &r);
        m_biggestFace = {std::max(m_biggestFace.cx, r.right), std::max(m_biggestFace.cy, r.bottom)};
    });
    VisitFaces(false, [&](CSkinFace& face) {
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
    PaintSkin(paint.Get());
    PaintPendingFaces(paint.Get(), paint.Info().rcPaint);
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
        if (!m_faceSurface.Create(dc, m_biggestFace.cx, m_biggestFace.cy)) return;
        m_faceSurfaceSize = m_biggestFace;
    }
    // The skin the paint has just put down is the faces' background.
    VisitFaces(all, [&](CSkinFace& face) {
        if (::GetWindowLongA(face.m_hWnd, GWL_STYLE) & WS_VISIBLE)
            face.PaintOnto(dc, m_faceSurface.Get(), m_stretchedSkin.Get());
    });
    if (!whole) return;
    m_facesPending = FacesPending::None;
    ::RedrawWindow(m_hWnd, nullptr, region, RDW_VALIDATE | RDW_ALLCHILDREN);
}

// Transparent controls ask for the pixels under them this way.
BOOL CVellumoDlg::OnPrintClient(HDC dc, UINT) {
    PaintSkin(dc);
    return 1;
}

// The skin covers the whole client area: nothing to erase first.
BOOL CVellumoDlg::OnEraseBackground(HDC) { return 1; }

void CVellumoDlg::PaintSkin(HDC dc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (!StretchSkinTo(client.right, client.bottom)) return;
    ::BitBlt(dc, 0, 0, client.right, client.bottom, m_stretchedSkin.Get(), 0, 0, SRCCOPY);
}

bool CVellumoDlg::StretchSkinTo(int width, int height) {
    if (m_stretchedSkin.Valid() && m_stretchedSize.cx == width && m_stretchedSize.cy == height)
        return true;
    DropStretchedSkin();
    // Loaded for the stretch only, at its scale's own size (stretched over
    // the client area anyway): only the stretched copy is kept.
    const BitmapHandle skin(LoadScaledBitmap(IDB_SKIN, 0, false));
    BITMAP info{};
    if (!skin.Valid() || !::GetObjectA(skin.Get(), sizeof info, &info)) return false;
    WindowDC screen(nullptr);
    MemoryDC from(screen.Get());
    if (!from.Valid() || !m_stretchedSkin.Create(screen.Get(), width, height)) {
        DropStretchedSkin();
        return false;
    }
    from.SelectBitmap(skin.Get());
    ::SetStretchBltMode(m_stretchedSkin.Get(), COLORONCOLOR);
    ::StretchBlt(m_stretchedSkin.Get(), 0, 0, width, height, from.Get(), 0, 0, info.bmWidth,
                 info.bmHeight, SRCCOPY);
    m_stretchedSize = {width, height};
    return true;
}

void CVellumoDlg::DropStretchedSkin() {
    m_stretchedSkin.Reset();
    m_stretchedSize = {};
}

HICON CVellumoDlg::OnQueryDragIcon() { return m_artwork.Icon(); }
