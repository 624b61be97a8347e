// CSkinButton: an owner-drawn push button for skinned windows. It takes over
// a dialog button, paints the parent's own background (transparent mode)
// or a filled face, an optional icon, the caption in colours that follow the
// hover / pressed / focus state, and a flat or raised border. It tracks the
// pointer for the flat hover look and carries its own tooltip.
//
// CSkinButtonXP is the same button with a hand cursor and no hover tracking.
#pragma once

#include <windows.h>

#include <string>

#include "controls/skin_face.h"
#include "core/controls/button_paint_rules.h"
#include "platform/handles.h"
#include "platform/wnd.h"

// The button's tooltip window. The platform makes it belong to the button's
// top-level window, so it dies with that window (a dialog's run ends, say)
// while the button object lives on. The object lets go of the handle when the
// window goes (WM_NCDESTROY detaches it), so a dead or reused handle is never
// relayed to or destroyed.
class CButtonTip : public CWnd {
public:
    ~CButtonTip() override { Destroy(); }
    bool Create(HWND button);
    // Destroys the window if it is still this object's own.
    void Destroy();
};

class CSkinButton : public CSkinFace {
public:
    CSkinButton();
    ~CSkinButton() override;

    // Takes ownership of `icon` and shows it (the in-icon). Its size is
    // `size` square when the caller made it at that size, else taken from
    // its hotspot, which is an icon's centre (reading it copies the icon's
    // bitmaps). A null or unreadable icon leaves the button without an image.
    void AssignIcon(HICON icon, int size = 0);
    void SetFlatStyle(bool flat);
    void SetBorderDrawn(bool draw);
    // Transparent: at every paint, the parent paints its own background
    // under the button (WM_ERASEBKGND, WM_PRINTCLIENT into the button's DC);
    // never a copy of the screen, which may show another window there. A
    // parent that draws in WM_PAINT only shows its erased background.
    void SetTransparentBack(bool transparent);
    // index: ButtonColourSlot (0 background-in, 1 text-in, 2 background-out,
    // 3 text-out, 4 background-focus, 5 text-focus).
    void SetStateColour(int index, COLORREF colour);
    // Null does nothing; "" keeps a tool with no text, so no tip shows. The
    // same text again costs nothing. The tip window itself is made with the
    // first mouse message the button relays.
    void SetTipText(const char* text);
    // A bare button shows it has the keyboard focus with a mark of the
    // skin's own: a rounded frame in the caption's colour (white without a
    // caption), unless the window's keyboard cues hide the focus
    // (UISF_HIDEFOCUS, as the system setting and the last input say).
    void SetFocusMark(bool on) { m_focusMark = on; }
    // A bar along the bottom edge, in the caption's colour: a shape, so that
    // it reads without telling colours apart (high contrast included). The
    // same value again costs nothing.
    void SetCornerMark(bool on);
    bool HasCornerMark() const { return m_cornerMark; }
    COLORREF StateColour(int index) const;
    bool IsHovered() const { return m_hover; }
    bool IsFlat() const { return m_flat; }
    bool IsTransparent() const { return m_transparent; }
    bool HasIcon() const { return m_icon.Valid(); }
    HWND TooltipWindow() const { return m_tooltip.m_hWnd; }
    // The text last given to SetTipText.
    const std::string& TipText() const { return m_tipText; }

    // Relays the message to the tooltip; a double click becomes a second
    // press, so it counts as two clicks.
    bool PreTranslateMessage(MSG* msg) override;

    DECLARE_MESSAGE_MAP()

protected:
    // Owner-draw entry, reached through the reflected WM_DRAWITEM.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    virtual void PaintFace(HDC dc, RECT& rect);
    virtual void PaintEdge(HDC dc, const RECT& rect);
    virtual void PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& caption, bool pressed,
                           bool disabled);
    virtual void PaintCaption(HDC dc, const char* caption, const RECT& item, RECT& captionRect,
                              bool pressed, bool disabled);

    // Also starts the button afresh: a dialog attaches the same object again
    // each time it runs, and nothing of the last run's window may carry over.
    void PreSubclassWindow() override;
    void PostNcDestroy() override;
    bool OnReflectedCommand(UINT code) override;
    bool OnReflectedDrawItem(const DRAWITEMSTRUCT& item) override;
    HBRUSH OnReflectedCtlColor(UINT msg, HDC dc) override;

    void OnMouseMove(UINT keys, POINT at);
    void OnMouseLeave();
    void OnKillFocus(HWND gaining);
    void OnCancelMode();
    void OnActivate(UINT state, HWND other, bool minimized);
    void OnEnable(bool enabled);
    void OnSysColorChange();
    UINT OnGetDlgCode(UINT key, const MSG* msg);
    void OnSetStyle(UINT style, BOOL redraw);
    HANDLE OnGetImage(UINT type);
    void OnWindowPosChanged(const WINDOWPOS* pos);
    void OnUpdateUiState(UINT action, UINT state);

    void LeaveHover();
    void RepaintIfShown();
    void RepaintFace() override { RepaintIfShown(); }
    // Draws through the owner-draw entry, as the button class would ask.
    void DrawAtScratch(HDC scratch, const RECT& client, HWND parent, POINT place,
                       HDC background) override;
    POINT PlaceInParent(HWND parent, const RECT& client) override;
    ButtonState CurrentState() const;

private:
    void CreateTooltip();
    void ApplyTipText();
    void PaintParentBackground(HDC dc, const RECT& rect);
    void PaintFocusMark(HDC dc, const RECT& rect, bool hasCaption);
    void PaintCornerMark(HDC dc, const RECT& rect);
    void ResetColours();

    ImageMetrics m_metrics;  // margins 3, 3 and press offsets 1, 1
    bool m_flat = true;
    bool m_hover = false;
    bool m_transparent = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;
    bool m_defaultButton = false;
    ImageAlign m_align = ImageAlign::Left;
    bool m_drawBorder = true;
    bool m_flatFocus = false;
    bool m_focusMark = false;
    bool m_cornerMark = false;
    COLORREF m_colours[6] = {};
    CButtonTip m_tooltip;
    std::string m_tipText;
    bool m_alwaysTrack = true;
    IconHandle m_icon;
    int m_iconWidth = 0;
    int m_iconHeight = 0;
    // Where the button sits in its parent's client area, kept from the moves
    // it is told of: asking the window system at every paint of a
    // transparent button costs it a trip (and a display lookup) each time.
    POINT m_placeInParent{};
    bool m_placeKnown = false;
    HDC m_background = nullptr;  // PaintOnto's, while it draws
};

class CSkinButtonXP : public CSkinButton {
public:
    DECLARE_MESSAGE_MAP()

protected:
    // Hand cursor, then the platform's own handling; never hovers.
    void OnMouseMoveXP(UINT keys, POINT at);
};
