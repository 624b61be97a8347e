#include "core/artwork/image_files.h"

#include <fstream>
#include <stdexcept>

namespace artwork {

namespace {

void put16(Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// BITMAPINFOHEADER; icons give twice the height (colour rows then mask rows).
void put_info_header(Bytes& out, int width, int height, int bits, std::uint32_t image_size)
{
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0); // BI_RGB
    put32(out, image_size);
    put32(out, bits == 24 ? 2835 : 0); // 72 dpi for plain bitmaps
    put32(out, bits == 24 ? 2835 : 0);
    put32(out, 0);
    put32(out, 0);
}

std::uint32_t padded_row(std::uint32_t bytes) { return (bytes + 3) & ~3u; }

Bytes encode_icon_image(const Canvas& img)
{
    const int w = img.width(), h = img.height();
    const std::uint32_t mask_row = padded_row((static_cast<std::uint32_t>(w) + 7) / 8);
    const std::uint32_t size = static_cast<std::uint32_t>(w * h * 4) + mask_row * h;
    Bytes out;
    put_info_header(out, w, h * 2, 32, size);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgba p = img.at(x, y);
            if (p.a == 0) {
                put32(out, 0);
                continue;
            }
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
            out.push_back(p.a);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(mask_row, 0);
        for (int x = 0; x < w; ++x)
            if (img.at(x, y).a == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace

Bytes encode_bmp(const Canvas& image)
{
    const int w = image.width(), h = image.height();
    const std::uint32_t row = padded_row(static_cast<std::uint32_t>(w) * 3);
    const std::uint32_t pixels = row * static_cast<std::uint32_t>(h);
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + pixels);
    put32(out, 0);
    put32(out, 14 + 40);
    put_info_header(out, w, h, 24, pixels);
    for (int y = h - 1; y >= 0; --y) {
        std::uint32_t written = 0;
        for (int x = 0; x < w; ++x, written += 3) {
            const Rgba p = image.at(x, y);
            out.push_back(p.b);
            out.push_back(p.g);
            out.push_back(p.r);
        }
        for (; written < row; ++written)
            out.push_back(0);
    }
    return out;
}

Bytes encode_ico(const std::vector<Canvas>& images)
{
    std::vector<Bytes> bodies;
    for (const Canvas& img : images)
        bodies.push_back(encode_icon_image(img));
    Bytes out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(images[i].width() >= 256 ? 0 : images[i].width()));
        out.push_back(static_cast<std::uint8_t>(images[i].height() >= 256 ? 0 : images[i].height()));
        out.push_back(0); // no palette
        out.push_back(0);
        put16(out, 1);  // planes
        put16(out, 32); // bits per pixel
        put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    for (const Bytes& b : bodies)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

} // namespace artwork
