// Writing the preview as a PNG file.
#include "pofinfo/preview_parts.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace pofinfo::preview {

// The picture as rows of 8-bit red, green and blue.
std::vector<uint8_t> rgb_bytes(const Image& img) {
    std::vector<uint8_t> rgb(img.pixels.size() * 3);
    auto byte = [](double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
    for (size_t i = 0; i < img.pixels.size(); ++i) {
        rgb[3 * i] = byte(img.pixels[i].r);
        rgb[3 * i + 1] = byte(img.pixels[i].g);
        rgb[3 * i + 2] = byte(img.pixels[i].b);
    }
    return rgb;
}

namespace {

std::string write_png_file(const std::string& path, ImageSize size, const std::vector<uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return "cannot create " + path;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return "cannot write " + path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size.width), static_cast<png_uint_32>(size.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(size.width) * 3;
    for (int y = 0; y < size.height; ++y) png_write_row(png, rgb.data() + static_cast<size_t>(y) * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) return "cannot write " + path;
    return "";
}

} // namespace

} // namespace pofinfo::preview

namespace pofinfo {

std::string write_preview(const pofread::Model& m, const std::string& png_path) {
    return preview::write_png_file(png_path, preview_size(m), render_preview(m));
}

} // namespace pofinfo
