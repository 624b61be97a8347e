#include "core/controls/button_paint_rules.h"

namespace {

ButtonRect Moved(ButtonRect r, int dx, int dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    return r;
}

bool PressMoves(const ButtonState& s) { return s.pressed && !s.checkBox; }

}  // namespace

bool ButtonPressed(bool selected, bool checkBox, int checkState, bool menuOpen) {
    if (checkBox) return selected || checkState == 1;
    return selected || menuOpen;
}

ButtonColourSlot FaceColourSlot(const ButtonState& s) {
    if (s.hovered || s.pressed) return ButtonColourSlot::BackgroundIn;
    if (s.focused) return ButtonColourSlot::BackgroundFocus;
    return ButtonColourSlot::BackgroundOut;
}

bool FaceHasBlackFrame(const ButtonState& s) {
    return !s.flat && (s.focused || s.defaultButton);
}

ButtonEdge EdgeKind(const ButtonState& s) {
    if (s.pressed) {
        if (!s.flat) return ButtonEdge::ShadowFrame;
        return s.drawBorder ? ButtonEdge::Sunken3D : ButtonEdge::None;
    }
    if (!s.flat) return ButtonEdge::ClassicRaised;
    return s.hovered && s.drawBorder ? ButtonEdge::Raised3D : ButtonEdge::None;
}

CaptionColours CaptionColourSlots(const ButtonState& s) {
    CaptionColours c;
    if (s.disabled) {
        c.engraved = true;
    } else if (s.hovered || s.pressed) {
        c.text = ButtonColourSlot::TextIn;
        c.background = ButtonColourSlot::BackgroundIn;
    } else if (s.focused) {
        c.text = ButtonColourSlot::TextFocus;
        c.background = ButtonColourSlot::BackgroundFocus;
    }
    return c;
}

bool DrawsFocusRect(const ButtonState& s) { return s.focused && (!s.flat || s.flatFocus); }

ButtonIconChoice ChooseIcon(const ButtonState& s, bool hasOutIcon) {
    if (s.pressed || (s.hovered && !s.checkBox)) return ButtonIconChoice::In;
    return hasOutIcon ? ButtonIconChoice::Out : ButtonIconChoice::In;
}

ImageLayout PlaceImage(const ButtonRect& item, ImageAlign align, bool hasCaption,
                       const ButtonState& s, const ImageMetrics& m) {
    ImageLayout out;
    out.caption = item;
    const int width = item.right - item.left;
    const int height = item.bottom - item.top;
    const int centredX = item.left + (width - m.width) / 2;
    const int centredY = item.top + (height - m.height) / 2;

    switch (align) {
        case ImageAlign::Left:
            if (hasCaption) {
                out.x = item.left + m.marginX;
                out.caption.left += m.width + m.marginX;
            } else {
                out.x = centredX;
            }
            out.y = centredY;
            break;
        case ImageAlign::Above:
            out.x = centredX;
            if (hasCaption) {
                out.y = item.top + m.marginY;
                out.caption.top += m.height;
            } else {
                out.y = centredY;
            }
            break;
        case ImageAlign::Right:
            if (hasCaption) {
                out.x = item.right - m.marginX - m.width;
                // The caption ends where the image starts.
                out.caption.right = item.left + width - m.marginX - m.width;
                out.caption.left = item.left + m.marginX;
            } else {
                out.x = centredX;
            }
            // An image alone is centred both ways, as with the other alignments.
            out.y = centredY;
            break;
    }

    if (PressMoves(s)) {
        out.x += m.pressOffsetX;
        out.y += m.pressOffsetY;
    }
    return out;
}

ButtonRect CaptionRect(const ButtonRect& caption, const ButtonState& s, int pressOffsetX,
                       int pressOffsetY) {
    return PressMoves(s) ? Moved(caption, pressOffsetX, pressOffsetY) : caption;
}
