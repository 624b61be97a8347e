// Regenerate: g++ -std=c++17 -O2 -Wall -Wextra -Werror res/artwork/*.cpp -o /tmp/make_artwork && /tmp/make_artwork res/art
//
// Writes every bitmap and icon the program's resources use into the given
// directory. The output depends on nothing but this code.
#include "artwork.h"
#include "image_files.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    using namespace artwork;
    if (argc != 2) {
        std::cerr << "usage: make_artwork <output directory>\n";
        return 2;
    }
    const std::string dir = argv[1];
    try {
        write_file(dir + "/skin.bmp", encode_bmp(make_skin()));
        write_file(dir + "/clock_digits.bmp", encode_bmp(make_clock_digits()));
        write_file(dir + "/clock_face.bmp", encode_bmp(make_clock_face()));
        write_file(dir + "/clock_glyphs.bmp", encode_bmp(make_clock_glyphs()));
        write_file(dir + "/editor_picture.bmp", encode_bmp(make_editor_picture()));
        write_file(dir + "/progress_cells.bmp", encode_bmp(make_progress_cells()));
        write_file(dir + "/app.ico", encode_ico(make_app_icon()));
        write_file(dir + "/ok.ico", encode_ico(make_ok_icon()));
        write_file(dir + "/cancel.ico", encode_ico(make_cancel_icon()));
        write_file(dir + "/prev_month.ico", encode_ico({make_arrow_icon(Arrow::PrevMonth)}));
        write_file(dir + "/next_month.ico", encode_ico({make_arrow_icon(Arrow::NextMonth)}));
        write_file(dir + "/prev_year.ico", encode_ico({make_arrow_icon(Arrow::PrevYear)}));
        write_file(dir + "/next_year.ico", encode_ico({make_arrow_icon(Arrow::NextYear)}));
    } catch (const std::exception& e) {
        std::cerr << "make_artwork: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
