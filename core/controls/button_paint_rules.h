// What CSkinButton paints in a given state: which colour slots, which edge,
// which icon, and where the image and caption go. The owner-draw code reads
// the drawing request into a ButtonState and draws what these rules say.
#pragma once

// The six state colours, by their slot index (SetStateColour's index).
enum class ButtonColourSlot {
    BackgroundIn = 0,  // hovered or pressed
    TextIn = 1,
    BackgroundOut = 2,  // resting
    TextOut = 3,
    BackgroundFocus = 4,  // has the focus
    TextFocus = 5,
};

struct ButtonState {
    bool pressed = false;
    bool hovered = false;
    bool focused = false;
    bool disabled = false;
    bool flat = true;
    bool checkBox = false;
    bool drawBorder = true;
    bool defaultButton = false;
    bool flatFocus = false;  // focus rectangle also in the flat look
};

// Pressed as the paint sees it: the request's selected state; a check box
// also while checked (state 1); a push button also while its drop-down menu
// is open.
bool ButtonPressed(bool selected, bool checkBox, int checkState, bool menuOpen);

// Face fill: background-in when hovered or pressed, background-focus when
// focused, else background-out.
ButtonColourSlot FaceColourSlot(const ButtonState& s);

// A non-flat button that is focused or the default button gets a black
// one-pixel frame, and the face shrinks by 1 inside it.
bool FaceHasBlackFrame(const ButtonState& s);

enum class ButtonEdge {
    None,
    Sunken3D,       // shadow top-left, highlight bottom-right
    Raised3D,       // highlight top-left, shadow bottom-right
    ShadowFrame,    // one-pixel frame in the button-shadow colour
    ClassicRaised,  // four pens: highlight/3-D light outside/inside top-left,
                    // dark shadow/shadow outside/inside bottom-right
};

ButtonEdge EdgeKind(const ButtonState& s);

// Caption colours; when `engraved`, the caption is drawn disabled instead
// (highlight shifted by (1,1), then shadow in place) and the slots are unused.
struct CaptionColours {
    bool engraved = false;
    ButtonColourSlot text = ButtonColourSlot::TextOut;
    ButtonColourSlot background = ButtonColourSlot::BackgroundOut;
};

CaptionColours CaptionColourSlots(const ButtonState& s);

// The focus rectangle (item rectangle shrunk by 3) is drawn when focused and
// either not flat or flat focus is on.
bool DrawsFocusRect(const ButtonState& s);

enum class ButtonIconChoice { In, Out };

// The in-icon when pressed, or hovered and not a check box; otherwise the
// out-icon when there is one, else the in-icon.
ButtonIconChoice ChooseIcon(const ButtonState& s, bool hasOutIcon);

struct ButtonRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

enum class ImageAlign { Left = 0, Above = 1, Right = 2 };

struct ImageLayout {
    int x = 0;  // top-left corner of the image
    int y = 0;
    ButtonRect caption;  // the caption rectangle, narrowed for the image
};

struct ImageMetrics {
    int width = 0;
    int height = 0;
    int marginX = 3;
    int marginY = 3;
    int pressOffsetX = 1;
    int pressOffsetY = 1;
};

// Where the image goes inside `item` (the client rectangle) and what room
// the caption keeps. Left: beside the caption at the left margin, or centred
// without caption; centred vertically. Above: centred horizontally, at the
// top margin with the caption moved down by the image height, or centred
// without caption. Right: at the right margin with the caption ending where
// the image starts, or centred without caption; centred vertically. A pressed
// push button moves the image by the press offset.
ImageLayout PlaceImage(const ButtonRect& item, ImageAlign align, bool hasCaption,
                       const ButtonState& s, const ImageMetrics& m);

// The caption rectangle as the caption paint uses it: moved by the press
// offset while a push button is pressed.
ButtonRect CaptionRect(const ButtonRect& caption, const ButtonState& s, int pressOffsetX = 1,
                       int pressOffsetY = 1);
