// Regenerate: g++ -std=c++17 -O2 -Wall -Wextra -Werror -I. core/artwork/*.cpp res/make_artwork.cpp -o /tmp/make_artwork && /tmp/make_artwork res/art
//
// Writes every bitmap and icon the program's resources use, at every display
// scale, into the given directory. The output depends on nothing but this code.
#include "core/artwork/artwork_scale.h"
#include "core/artwork/image_files.h"

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
        for (int i = 0; i < kScaleCount; ++i)
            for (const NamedFile& file : art_files(i))
                write_file(dir + "/" + file.name, file.bytes);
    } catch (const std::exception& e) {
        std::cerr << "make_artwork: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
