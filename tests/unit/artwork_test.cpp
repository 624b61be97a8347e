#include "res/artwork/artwork.h"
#include "res/artwork/image_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <queue>

using namespace artwork;

namespace {

std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

double luminance(Rgba p) { return 0.299 * p.r + 0.587 * p.g + 0.114 * p.b; }

// Every pixel of the stamped glyph is either the glyph's own ink or exactly
// what the face shows there, so copying it over the face leaves no seam.
void expect_seamless(const Canvas& strip, int sx, const Canvas& face, int fx, int fy, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgba g = strip.at(sx + x, y), f = face.at(fx + x, fy + y);
            if (!same_colour(g, f)) {
                ASSERT_LT(luminance(g), luminance(f)) << "glyph at " << sx << " pixel " << x << "," << y;
            }
        }
}

} // namespace

TEST(ArtworkFiles, BmpRowsAreBottomUpBgrAndPaddedToFourBytes)
{
    Canvas c(3, 2, rgb(0, 0, 0));
    c.set(0, 0, rgb(1, 2, 3));
    c.set(2, 1, rgb(10, 20, 30));
    const Bytes b = encode_bmp(c);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(b[28], 24);
    // First stored row is the bottom one; its last pixel is (2, 1).
    EXPECT_EQ(b[54 + 6], 30);
    EXPECT_EQ(b[54 + 8], 10);
    EXPECT_EQ(b[54 + 9], 0); // padding
    EXPECT_EQ(b[54 + 12], 3);
    EXPECT_EQ(b[54 + 14], 1);
}

TEST(ArtworkFiles, IcoDirectoryPointsAtEachImageWithItsMask)
{
    Canvas small(16, 16, rgb(0, 0, 0, 0));
    small.set(1, 15, rgb(200, 100, 50));
    const Bytes b = encode_ico({small, Canvas(32, 32, rgb(9, 9, 9))});
    ASSERT_EQ(b[4], 2);
    const std::uint32_t first = le32(b, 6 + 12), second = le32(b, 6 + 16 + 12);
    const std::uint32_t mask = 16 * 4; // 2 bytes a row, padded to 4
    EXPECT_EQ(le32(b, 6 + 8), 40 + 16 * 16 * 4 + mask);
    EXPECT_EQ(first, 6u + 2 * 16);
    EXPECT_EQ(second, first + le32(b, 6 + 8));
    EXPECT_EQ(second + le32(b, 6 + 16 + 8), b.size());
    EXPECT_EQ(le32(b, first + 8), 32u); // height counts colour and mask rows
    EXPECT_EQ(le32(b, second + 8), 64u);
    // Bottom row first: pixel (1, 15) is BGRA at index 1; its mask bit is clear.
    EXPECT_EQ(b[first + 40 + 4], 50);
    EXPECT_EQ(b[first + 40 + 7], 255);
    const std::size_t mask_at = first + 40 + 16 * 16 * 4;
    EXPECT_EQ(b[mask_at], 0xBF);
    EXPECT_EQ(b[mask_at + 4], 0xFF);
}

TEST(ArtworkImages, ClockGlyphsDropOntoTheFaceWithoutSeams)
{
    const Canvas face = make_clock_face(), digits = make_clock_digits(), glyphs = make_clock_glyphs();
    ASSERT_EQ(face.width(), 151);
    ASSERT_EQ(face.height(), 72);
    ASSERT_EQ(digits.width(), 240);
    ASSERT_EQ(digits.height(), 34);
    ASSERT_EQ(glyphs.width(), 185);
    ASSERT_EQ(glyphs.height(), 17);
    for (int n = 0; n < 10; ++n) {
        for (int x : {5, 32, 65, 92})
            expect_seamless(digits, 24 * n, face, x, 33, 24, 34);
        for (int x : {5, 19, 41, 55, 77, 91, 105, 119})
            expect_seamless(glyphs, 12 * n, face, x, 5, 12, 17);
        for (int x : {120, 134})
            expect_seamless(glyphs, 12 * n, face, x, 50, 12, 17);
    }
    for (int y = 0; y < 17; ++y) {
        for (int x = 162; x < 185; ++x)
            ASSERT_TRUE(same_colour(glyphs.at(x, y), kLcdPanel)) << x << "," << y;
        for (int x = 122; x < 144; ++x) // the indicator cell of the face is plain panel
            ASSERT_TRUE(same_colour(face.at(x, 33 + y), kLcdPanel)) << x << "," << y;
    }
}

TEST(ArtworkImages, EditorPictureUsesItsKeyColourOnlyAroundThePicture)
{
    const Canvas pic = make_editor_picture();
    ASSERT_EQ(pic.width(), 48);
    ASSERT_EQ(pic.height(), 42);
    // Flood the key colour in from the border; any key pixel left is a hole.
    std::vector<bool> seen(48 * 42, false);
    std::queue<std::pair<int, int>> todo;
    for (int x = 0; x < 48; ++x)
        for (int y : {0, 41})
            todo.push({x, y});
    for (int y = 0; y < 42; ++y)
        for (int x : {0, 47})
            todo.push({x, y});
    int outside = 0;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop();
        if (x < 0 || y < 0 || x >= 48 || y >= 42 || seen[y * 48 + x] || !same_colour(pic.at(x, y), kEditorKey))
            continue;
        seen[y * 48 + x] = true;
        ++outside;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
            todo.push({x + dx, y + dy});
    }
    int key = 0;
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 48; ++x)
            key += same_colour(pic.at(x, y), kEditorKey);
    EXPECT_EQ(key, outside);
    EXPECT_GT(outside, 0);
    EXPECT_LT(outside, 48 * 42 / 2);
}

TEST(ArtworkImages, SkinKeepsTextAreasReadableAndIconsHaveTheirSizes)
{
    const Canvas skin = make_skin();
    ASSERT_EQ(skin.width(), 180);
    ASSERT_EQ(skin.height(), 489);
    // Weekday letters (blue and pink) sit on a pale band; white day numbers on dark blue.
    for (int x = 10; x < 170; x += 5) {
        EXPECT_GT(luminance(skin.at(x, 242)), 200) << x;
        for (int y = 262; y < 388; y += 7)
            EXPECT_LT(luminance(skin.at(x, y)), 130) << x << "," << y;
    }
    const Canvas cells = make_progress_cells();
    ASSERT_EQ(cells.width(), 190);
    ASSERT_EQ(cells.height(), 20);
    EXPECT_TRUE(same_colour(cells.at(5, 10), cells.at(185, 2)));
    EXPECT_LT(luminance(cells.at(175, 7)), luminance(cells.at(15, 7)));

    const std::vector<Canvas> app = make_app_icon();
    ASSERT_EQ(app.size(), 3u);
    EXPECT_EQ(app[0].width(), 16);
    EXPECT_EQ(app[2].height(), 48);
    for (Arrow a : {Arrow::PrevMonth, Arrow::NextMonth, Arrow::PrevYear, Arrow::NextYear}) {
        const Canvas icon = make_arrow_icon(a);
        EXPECT_EQ(icon.width(), 16);
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += icon.at(x, y).a == 255;
        EXPECT_EQ(icon.at(0, 0).a, 0);
        EXPECT_GT(opaque, 20);
    }
}
