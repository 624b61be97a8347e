#include "core/controls/button_paint_rules.h"

#include <gtest/gtest.h>

TEST(ButtonPaintRules, DayCellColoursAndNoEdge) {
    ButtonState s;  // a day cell: flat, no border, caption only
    s.drawBorder = false;
    EXPECT_EQ(CaptionColourSlots(s).text, ButtonColourSlot::TextOut);
    s.hovered = true;
    EXPECT_EQ(CaptionColourSlots(s).text, ButtonColourSlot::TextIn);
    EXPECT_EQ(EdgeKind(s), ButtonEdge::None);
    s.hovered = false;
    s.pressed = s.focused = true;  // pressing wins over focus
    EXPECT_EQ(CaptionColourSlots(s).text, ButtonColourSlot::TextIn);
    EXPECT_EQ(FaceColourSlot(s), ButtonColourSlot::BackgroundIn);
    EXPECT_EQ(EdgeKind(s), ButtonEdge::None);
    s.pressed = false;
    EXPECT_EQ(CaptionColourSlots(s).text, ButtonColourSlot::TextFocus);
    EXPECT_FALSE(DrawsFocusRect(s));
    s.disabled = true;
    EXPECT_TRUE(CaptionColourSlots(s).engraved);

    ButtonState editor;  // the memo editor's buttons are not flat
    editor.flat = false;
    EXPECT_EQ(EdgeKind(editor), ButtonEdge::ClassicRaised);
    editor.pressed = true;
    EXPECT_EQ(EdgeKind(editor), ButtonEdge::ShadowFrame);
}

TEST(ButtonPaintRules, IconChoice) {
    ButtonState s;
    EXPECT_EQ(ChooseIcon(s, true), ButtonIconChoice::Out);
    EXPECT_EQ(ChooseIcon(s, false), ButtonIconChoice::In);
    s.hovered = s.checkBox = true;
    EXPECT_EQ(ChooseIcon(s, true), ButtonIconChoice::Out);
    EXPECT_TRUE(ButtonPressed(false, true, 1, false));
    EXPECT_FALSE(ButtonPressed(false, true, 2, true));
}

TEST(ButtonPaintRules, ImagePlacementAndPressOffset) {
    const ButtonRect item{0, 0, 40, 20};
    ImageMetrics icon;
    icon.width = icon.height = 16;
    ButtonState s;
    s.pressed = true;  // a pressed arrow: centred, one pixel right and down
    ImageLayout l = PlaceImage(item, ImageAlign::Left, false, s, icon);
    EXPECT_EQ(l.x, 13);
    EXPECT_EQ(l.y, 3);
    EXPECT_EQ(CaptionRect(item, s).left, 1);
    s.checkBox = true;  // a check box does not move
    EXPECT_EQ(PlaceImage(item, ImageAlign::Left, false, s, icon).x, 12);
    EXPECT_EQ(CaptionRect(item, s).left, 0);

    s = ButtonState{};
    l = PlaceImage(item, ImageAlign::Left, true, s, icon);
    EXPECT_EQ(l.x, 3);
    EXPECT_EQ(l.caption.left, 19);
    l = PlaceImage(item, ImageAlign::Above, true, s, icon);
    EXPECT_EQ(l.y, 3);
    EXPECT_EQ(l.caption.top, 16);
    l = PlaceImage(item, ImageAlign::Right, true, s, icon);
    EXPECT_EQ(l.x, 21);
    EXPECT_EQ(l.caption.right, 21);  // caption stops where the image starts
    l = PlaceImage(item, ImageAlign::Right, false, s, icon);
    EXPECT_EQ(l.y, 2);  // an image alone is centred vertically too
}
