#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"
#include "core/artwork/image_files.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <queue>
#include <string>

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
    const ClockLayout at100 = clock_layout(0);
    EXPECT_EQ(at100.time_x[1], 32);
    EXPECT_EQ(at100.indicator_y, 33);
    EXPECT_EQ(at100.blank_x, 162);
    for (int i = 0; i < kScaleCount; ++i) {
        SCOPED_TRACE(kScalePercent[i]);
        const ClockLayout l = clock_layout(i);
        const Canvas face = make_clock_face(i), digits = make_clock_digits(i), glyphs = make_clock_glyphs(i);
        ASSERT_EQ(face.width(), i == 0 ? 151 : l.face.width);
        ASSERT_EQ(face.height(), i == 0 ? 72 : l.face.height);
        ASSERT_EQ(digits.width(), i == 0 ? 240 : l.digits_strip.width);
        ASSERT_EQ(digits.height(), i == 0 ? 34 : l.large.height);
        ASSERT_EQ(glyphs.width(), i == 0 ? 185 : l.glyph_strip.width);
        ASSERT_EQ(glyphs.height(), i == 0 ? 17 : l.small.height);
        // Every cell the clock copies lies in the face and clear of the others.
        struct Cell { int x, y, w, h; };
        std::vector<Cell> cells;
        for (int x : l.time_x)
            cells.push_back({x, l.time_y, l.large.width, l.large.height});
        for (int x : l.second_x)
            cells.push_back({x, l.second_y, l.small.width, l.small.height});
        for (int x : l.date_x)
            cells.push_back({x, l.date_y, l.small.width, l.small.height});
        cells.push_back({l.indicator_x, l.indicator_y, l.indicator_width, l.small.height});
        for (std::size_t a = 0; a < cells.size(); ++a) {
            const Cell& p = cells[a];
            EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x + p.w <= l.face.width && p.y + p.h <= l.face.height) << a;
            for (std::size_t b = a + 1; b < cells.size(); ++b) {
                const Cell& q = cells[b];
                EXPECT_TRUE(p.x + p.w <= q.x || q.x + q.w <= p.x || p.y + p.h <= q.y || q.y + q.h <= p.y)
                    << a << " overlaps " << b;
            }
        }
        ASSERT_LE(l.blank_x + l.indicator_width, l.glyph_strip.width);
        for (int n = 0; n < 10; ++n) {
            for (int x : l.time_x)
                expect_seamless(digits, l.large.width * n, face, x, l.time_y, l.large.width, l.large.height);
            for (int x : l.date_x)
                expect_seamless(glyphs, l.small.width * n, face, x, l.date_y, l.small.width, l.small.height);
            for (int x : l.second_x)
                expect_seamless(glyphs, l.small.width * n, face, x, l.second_y, l.small.width, l.small.height);
        }
        for (int y = 0; y < l.small.height; ++y) {
            for (int x = l.blank_x; x < l.blank_x + l.indicator_width; ++x)
                ASSERT_TRUE(same_colour(glyphs.at(x, y), kLcdPanel)) << x << "," << y;
            for (int x = l.indicator_x; x < l.indicator_x + l.indicator_width; ++x) // plain panel in the face
                ASSERT_TRUE(same_colour(face.at(x, l.indicator_y + y), kLcdPanel)) << x << "," << y;
        }
    }
}

TEST(ArtworkImages, EditorPictureUsesItsKeyColourOnlyAroundThePicture)
{
    for (int i = 0; i < kScaleCount; ++i) {
        SCOPED_TRACE(kScalePercent[i]);
        const Canvas pic = make_editor_picture(i);
        const int w = pic.width(), h = pic.height();
        ASSERT_EQ(w, scale_length(48, i));
        ASSERT_EQ(h, scale_length(42, i));
        // Flood the key colour in from the border; any key pixel left is a hole.
        std::vector<bool> seen(static_cast<std::size_t>(w * h), false);
        std::queue<std::pair<int, int>> todo;
        for (int x = 0; x < w; ++x)
            for (int y : {0, h - 1})
                todo.push({x, y});
        for (int y = 0; y < h; ++y)
            for (int x : {0, w - 1})
                todo.push({x, y});
        int outside = 0;
        while (!todo.empty()) {
            auto [x, y] = todo.front();
            todo.pop();
            if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x] || !same_colour(pic.at(x, y), kEditorKey))
                continue;
            seen[y * w + x] = true;
            ++outside;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                todo.push({x + dx, y + dy});
        }
        int key = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                key += same_colour(pic.at(x, y), kEditorKey);
        EXPECT_EQ(key, outside);
        EXPECT_GT(outside, 0);
        EXPECT_LT(outside, w * h / 2);
    }
}

TEST(ArtworkImages, SkinKeepsTextAreasReadableAndIconsHaveTheirSizes)
{
    for (int i = 0; i < kScaleCount; ++i) {
        SCOPED_TRACE(kScalePercent[i]);
        auto px = [i](int v) { return scale_length(v, i); };
        const Canvas skin = make_skin(i);
        ASSERT_EQ(skin.width(), i == 0 ? 180 : px(180));
        ASSERT_EQ(skin.height(), i == 0 ? 489 : px(489));
        // Weekday letters (blue and pink) sit on a pale band; white day numbers on dark blue.
        for (int x = 10; x < 170; x += 5) {
            EXPECT_GT(luminance(skin.at(px(x), px(242))), 200) << x;
            for (int y = 262; y < 388; y += 7)
                EXPECT_LT(luminance(skin.at(px(x), px(y))), 130) << x << "," << y;
        }
        // The outer rim is drawn, not stretched: round(scale) pixels of one dark colour.
        for (int d = 0; d < px(1); ++d)
            EXPECT_TRUE(same_colour(skin.at(d, px(300)), skin.at(0, px(300)))) << d;
        EXPECT_FALSE(same_colour(skin.at(px(1), px(300)), skin.at(0, px(300))));

        const ProgressLayout pl = progress_layout(i);
        const Canvas cells = make_progress_cells(i);
        ASSERT_EQ(cells.width(), px(190));
        ASSERT_EQ(cells.height(), px(20));
        ASSERT_EQ(pl.highlight_x, px(170));
        ASSERT_LE(pl.highlight_x + pl.width, cells.width());
        EXPECT_TRUE(same_colour(cells.at(px(5), px(10)), cells.at(px(185), px(2))));
        EXPECT_LT(luminance(cells.at(pl.highlight_x + pl.width / 2, pl.y + 1)),
                  luminance(cells.at(pl.first_x + pl.width / 2, pl.y + 1)));

        const std::vector<Canvas> app = make_app_icon(i);
        ASSERT_EQ(app.size(), 3u);
        EXPECT_EQ(app[0].width(), px(16)); // the small (tray) icon: 16, 20, 24, 32
        EXPECT_EQ(app[1].width(), px(32)); // large: 32, 40, 48, 64
        EXPECT_EQ(app[2].height(), px(48));
        EXPECT_EQ(make_ok_icon(i)[0].width(), px(20));
        EXPECT_EQ(make_cancel_icon(i)[0].height(), px(20));
        for (Arrow a : {Arrow::PrevMonth, Arrow::NextMonth, Arrow::PrevYear, Arrow::NextYear}) {
            const Canvas icon = make_arrow_icon(a, i);
            EXPECT_EQ(icon.width(), px(16));
            int opaque = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    opaque += icon.at(x, y).a == 255;
            EXPECT_EQ(icon.at(0, 0).a, 0);
            EXPECT_GT(opaque, px(20) * px(20) / 20);
        }
    }
    EXPECT_EQ(make_app_icon(0)[0].width(), 16);
    EXPECT_EQ(make_arrow_icon(Arrow::NextYear, 0).width(), 16);
}

TEST(ArtworkScale, PicksTheNearestScaleAtOrAboveTheDpiAndTheSizeToDrawItAt)
{
    // fitted: a 480-pixel length of the chosen artwork on that display.
    struct Case { int dpi, index, fitted; };
    for (const Case& c : {Case{96, 0, 480}, {0, 0, 480}, {72, 0, 360}, {97, 1, 388}, {120, 1, 480},
                          {132, 2, 440}, {144, 2, 480}, {168, 3, 420}, {192, 3, 480}, {288, 3, 720}}) {
        const ArtworkChoice got = choose_artwork(c.dpi);
        EXPECT_EQ(got.index, c.index) << c.dpi;
        EXPECT_EQ(got.dpi, kScaleDpi[c.index]) << c.dpi;
        EXPECT_EQ(fit_length(480, got), c.fitted) << c.dpi;
    }
    // Halves round up: 6 x 132 / 144 = 5.5.
    EXPECT_EQ(fit_length(6, choose_artwork(132)), 6);
    // Halves round up, the same in the generator and the program.
    EXPECT_EQ(scale_length(17, 1), 21);
    EXPECT_EQ(scale_length(10, 1), 13);
    EXPECT_EQ(scale_length(151, 2), 227);
    EXPECT_EQ(scale_length(489, 3), 978);
    static_assert(scaled_resource_id(IDB_SKIN, 3) == IDB_SKIN_200);
    static_assert(scaled_resource_id(IDI_PREV_YEAR, 1) == IDI_PREV_YEAR_125);
    static_assert(scaled_resource_id(IDR_MAINFRAME, 2) == IDR_MAINFRAME_150);
}

namespace {

// The checked-in artwork, found from this file's own path.
Bytes read_art_file(const std::string& name)
{
    std::string dir = __FILE__;
    dir = dir.substr(0, dir.find_last_of("/\\"));
    dir += "/../../res/art/";
    for (const std::string& prefix : {std::string(), std::string("Z:")}) { // Z: is / under Wine
        std::ifstream f(prefix + dir + name, std::ios::binary);
        if (f)
            return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    ADD_FAILURE() << "cannot read " << dir + name;
    return {};
}

} // namespace

// The resources are the generator's output, no scale left stale after a
// change to the drawing code; and the 100 % files stay byte for byte as they
// first shipped (FNV-1a of each), even if someone regenerates them.
TEST(ArtworkFiles, CheckedInArtIsWhatTheGeneratorDraws)
{
    const std::pair<std::string, std::uint64_t> first_shipped[] = {
        {"skin.bmp", 0x3ac0263e8f8c22fcull},
        {"clock_digits.bmp", 0xc3d194df6fe4b413ull},
        {"clock_face.bmp", 0xfaf53f786e89c17eull},
        {"clock_glyphs.bmp", 0x0962e0644917ed8dull},
        {"editor_picture.bmp", 0x815731c833aea176ull},
        {"progress_cells.bmp", 0x3ba1d9b7942c8609ull},
        {"app.ico", 0x291cb7091fcb26a6ull},
        {"ok.ico", 0x05acdb5f37892b5dull},
        {"cancel.ico", 0xdeb7317bd34a422bull},
        {"prev_month.ico", 0x2ce32cd610d82beaull},
        {"next_month.ico", 0x37a17da79cf28756ull},
        {"prev_year.ico", 0x062562baee5ee013ull},
        {"next_year.ico", 0xc3b739f1a780ebd3ull},
    };
    auto fnv1a = [](const Bytes& b) {
        std::uint64_t h = 0xcbf29ce484222325ull;
        for (std::uint8_t x : b)
            h = (h ^ x) * 0x100000001b3ull;
        return h;
    };
    const std::vector<NamedFile> at100 = art_files(0);
    ASSERT_EQ(at100.size(), std::size(first_shipped));
    for (std::size_t n = 0; n < at100.size(); ++n) {
        EXPECT_EQ(at100[n].name, first_shipped[n].first);
        EXPECT_EQ(fnv1a(at100[n].bytes), first_shipped[n].second) << at100[n].name;
    }
    for (int i = 0; i < kScaleCount; ++i)
        for (const NamedFile& file : art_files(i))
            EXPECT_TRUE(read_art_file(file.name) == file.bytes) << file.name;
}
