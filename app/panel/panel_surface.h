// The panel's painted surface: the skin stretched over the client area, the
// faces (cells, headings, letters, bare buttons) drawn onto it in one piece
// through a scratch surface, and the regions they cover.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <utility>

#include "controls/skin_face.h"
#include "platform/handles.h"
#include "platform/wnd.h"

class PanelSurface {
public:
    // The faces painted onto the skin: the grid's (cells and headings), with
    // `all` the weekday letters and the bare buttons too.
    using FaceVisitor = std::function<void(bool all, const std::function<void(CSkinFace&)>& visit)>;

    PanelSurface(CWnd& panel, FaceVisitor visitFaces)
        : m_panel(panel), m_visitFaces(std::move(visitFaces)) {}

    // The skin stretched over the client area, from the one cached copy; the
    // panel's paint and the transparent controls' backgrounds both use it.
    void PaintSkin(HDC dc);
    // The next paint stretches the skin anew (a new scale's).
    void DropStretchedSkin();
    void PaintPendingFaces(HDC dc, const RECT& area);
    // After the faces moved or were made; `selfPainted` are the panel's
    // other children, which paint themselves.
    void RebuildFaceRegions(std::initializer_list<HWND> selfPainted);
    // The grid's faces changed: they go onto the skin at the next paint,
    // which comes at once when the panel shows.
    void RepaintGrid();

private:
    // The skin stretched to `width` x `height`, made once per size.
    bool StretchSkinTo(int width, int height);

    CWnd& m_panel;
    FaceVisitor m_visitFaces;
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
};
