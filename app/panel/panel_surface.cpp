#include "app/panel/panel_surface.h"

#include <algorithm>

#include "platform/display_scale.h"
#include "res/resource.h"

// What a month step repaints (the cells and headings), and what the first
// show's paint draws: every face, less where the clock or ticker lies (the
// paint that draws the faces spares them their own, and must spare no other).
void PanelSurface::RebuildFaceRegions(std::initializer_list<HWND> selfPainted) {
    const HWND panel = m_panel.m_hWnd;
    auto placeOf = [panel](HWND item) {
        RECT r{};
        ::GetWindowRect(item, &r);
        ::MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
        return RegionHandle(::CreateRectRgnIndirect(&r));
    };
    m_gridRegion.Reset(::CreateRectRgn(0, 0, 0, 0));
    m_facesRegion.Reset(::CreateRectRgn(0, 0, 0, 0));
    m_biggestFace = {};
    m_visitFaces(true, [&](CSkinFace& face) {
        const RegionHandle part = placeOf(face.m_hWnd);
        ::CombineRgn(m_facesRegion.Get(), m_facesRegion.Get(), part.Get(), RGN_OR);
        RECT r{};
        ::GetClientRect(face.m_hWnd, &r);
        m_biggestFace = {std::max(m_biggestFace.cx, r.right), std::max(m_biggestFace.cy, r.bottom)};
    });
    m_visitFaces(false, [&](CSkinFace& face) {
        const RegionHandle part = placeOf(face.m_hWnd);
        ::CombineRgn(m_gridRegion.Get(), m_gridRegion.Get(), part.Get(), RGN_OR);
    });
    // The panel's other children, which paint themselves. Listing them from
    // the window system would cost a trip through it per child.
    for (HWND other : selfPainted) {
        if (!other) continue;
        const RegionHandle part = placeOf(other);
        ::CombineRgn(m_facesRegion.Get(), m_facesRegion.Get(), part.Get(), RGN_DIFF);
    }
}

// The faces of a relayout, and at the first show all of them, are not
// repainted one by one: they go onto the skin here, at their places. A paint
// that leaves part of them out leaves the rest pending for the next one; one
// that takes in all of them spares them their own paints.
void PanelSurface::PaintPendingFaces(HDC dc, const RECT& area) {
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
    m_visitFaces(all, [&](CSkinFace& face) {
        if (::GetWindowLongA(face.m_hWnd, GWL_STYLE) & WS_VISIBLE)
            face.PaintOnto(dc, m_faceSurface.Get(), m_stretchedSkin.Get());
    });
    if (!whole) return;
    m_facesPending = FacesPending::None;
    ::RedrawWindow(m_panel.m_hWnd, nullptr, region, RDW_VALIDATE | RDW_ALLCHILDREN);
}

void PanelSurface::PaintSkin(HDC dc) {
    RECT client{};
    ::GetClientRect(m_panel.m_hWnd, &client);
    if (!StretchSkinTo(client.right, client.bottom)) return;
    ::BitBlt(dc, 0, 0, client.right, client.bottom, m_stretchedSkin.Get(), 0, 0, SRCCOPY);
}

bool PanelSurface::StretchSkinTo(int width, int height) {
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

void PanelSurface::DropStretchedSkin() {
    m_stretchedSkin.Reset();
    m_stretchedSize = {};
}

void PanelSurface::RepaintGrid() {
    if (m_facesPending == FacesPending::None) m_facesPending = FacesPending::Grid;
    if (!::IsWindowVisible(m_panel.m_hWnd)) return;  // the first show paints everything
    ::RedrawWindow(m_panel.m_hWnd, nullptr, m_gridRegion.Get(), RDW_INVALIDATE | RDW_NOCHILDREN);
}
