// Windows bitmap and icon files, written byte by byte (little-endian).
#pragma once

#include "core/artwork/raster.h"

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

using Bytes = std::vector<std::uint8_t>;

// 24-bit BMP, bottom-up, rows padded to 4 bytes; alpha is ignored.
Bytes encode_bmp(const Canvas& image);

// ICO with one 32-bit BGRA image per canvas (straight alpha) and an AND mask
// that marks fully transparent pixels, for renderers that ignore alpha.
Bytes encode_ico(const std::vector<Canvas>& images);

// Every bitmap and icon of the artwork at one display scale (artwork_scale.h),
// named as in res/art: "skin.bmp" at 100 %, "skin_150.bmp" at 150 %.
struct NamedFile {
    std::string name;
    Bytes bytes;
};
std::vector<NamedFile> art_files(int index);

// Throws std::runtime_error when the file cannot be written.
void write_file(const std::string& path, const Bytes& bytes);

} // namespace artwork
