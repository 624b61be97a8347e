// The program's whole artwork at one scale, as the files its resources name.
#include "core/artwork/artwork.h"
#include "core/artwork/artwork_scale.h"
#include "core/artwork/image_files.h"

namespace artwork {

std::vector<NamedFile> art_files(int index)
{
    const std::string sfx = scale_suffix(index);
    auto bmp = [&](const char* name, const Canvas& c) { return NamedFile{name + sfx + ".bmp", encode_bmp(c)}; };
    auto ico = [&](const char* name, const std::vector<Canvas>& c) {
        return NamedFile{name + sfx + ".ico", encode_ico(c)};
    };
    return {
        bmp("skin", make_skin(index)),
        bmp("clock_digits", make_clock_digits(index)),
        bmp("clock_face", make_clock_face(index)),
        bmp("clock_glyphs", make_clock_glyphs(index)),
        bmp("editor_picture", make_editor_picture(index)),
        bmp("progress_cells", make_progress_cells(index)),
        ico("app", make_app_icon(index)),
        ico("ok", make_ok_icon(index)),
        ico("cancel", make_cancel_icon(index)),
        ico("prev_month", {make_arrow_icon(Arrow::PrevMonth, index)}),
        ico("next_month", {make_arrow_icon(Arrow::NextMonth, index)}),
        ico("prev_year", {make_arrow_icon(Arrow::PrevYear, index)}),
        ico("next_year", {make_arrow_icon(Arrow::NextYear, index)}),
    };
}

} // namespace artwork
