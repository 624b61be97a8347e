#include "core/artwork/artwork_scale.h"

#include <cstdint>

namespace artwork {

namespace {

int clamp_index(int index) { return index < 0 ? 0 : (index >= kScaleCount ? kScaleCount - 1 : index); }

// n / d rounded to nearest, halves away from zero; d > 0. Whole numbers,
// so 12.5 rounds the same in every build.
int divide_rounded(std::int64_t n, std::int64_t d)
{
    return static_cast<int>(n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)));
}

} // namespace

double scale_factor(int index) { return kScalePercent[clamp_index(index)] / 100.0; }

int scale_length(int length100, int index)
{
    return divide_rounded(static_cast<std::int64_t>(length100) * kScalePercent[clamp_index(index)], 100);
}

int fit_length(int length, const ArtworkChoice& choice)
{
    return divide_rounded(static_cast<std::int64_t>(length) * choice.display_dpi, choice.dpi);
}

const char* scale_suffix(int index)
{
    static const char* const kSuffix[kScaleCount] = {"", "_125", "_150", "_200"};
    return kSuffix[clamp_index(index)];
}

ArtworkChoice choose_artwork(int dpi)
{
    if (dpi <= 0)
        dpi = kScaleDpi[0];
    ArtworkChoice choice;
    choice.index = kScaleCount - 1;
    for (int i = 0; i < kScaleCount; ++i)
        if (dpi <= kScaleDpi[i]) {
            choice.index = i;
            break;
        }
    choice.dpi = kScaleDpi[choice.index];
    choice.display_dpi = dpi;
    return choice;
}

ClockLayout clock_layout(int index)
{
    auto s = [index](int v) { return scale_length(v, index); };
    ClockLayout l{};
    l.face = {s(151), s(72)};
    l.large = {s(24), s(34)};
    l.small = {s(12), s(17)};
    l.digits_strip = {10 * l.large.width, l.large.height};
    l.glyph_strip = {s(185), l.small.height};
    l.indicator_width = s(22);
    l.am_x = s(120);
    l.pm_x = s(142);
    l.blank_x = s(162);
    const int time_x[4] = {5, 32, 65, 92};
    for (int i = 0; i < 4; ++i)
        l.time_x[i] = s(time_x[i]);
    l.time_y = s(33);
    l.second_x[0] = s(120);
    l.second_x[1] = s(134);
    l.second_y = s(50);
    // The indicator stands right on the seconds; rounding each on its own
    // would let the two cells overlap by a row at 150 %.
    l.indicator_x = s(122);
    l.indicator_y = l.second_y - l.small.height;
    const int date_x[8] = {5, 19, 41, 55, 77, 91, 105, 119};
    for (int i = 0; i < 8; ++i)
        l.date_x[i] = s(date_x[i]);
    l.date_y = s(5);
    return l;
}

ProgressLayout progress_layout(int index)
{
    auto s = [index](int v) { return scale_length(v, index); };
    ProgressLayout l{};
    l.bitmap = {s(190), s(20)};
    l.first_x = s(10);
    l.pitch = s(20);
    l.y = s(6);
    l.width = s(10);
    l.height = s(9);
    l.highlight_x = l.first_x + 8 * l.pitch;
    return l;
}

} // namespace artwork
