// The rasteriser's helpers: colours, text, views and the frame every view is
// fitted to. The Canvas that draws a panel is defined in preview_parts.h.
#include "pofinfo/font.h"
#include "pofinfo/preview_parts.h"

#include <algorithm>

namespace pofinfo::preview {

Rgb texture_colour(int32_t t) {
    const auto n = static_cast<long long>(PALETTE_SIZE);
    return texture_palette[static_cast<size_t>(((static_cast<long long>(t) % n) + n) % n)];
}

void draw_text(Image& img, int x, int y, const std::string& text, Rgb colour, int scale) {
    for (char ch : text) {
        const auto code = static_cast<unsigned char>(ch);
        const uint8_t* rows = font_rows[code >= 32 && code < 127 ? code - 32 : '?' - 32];
        for (int r = 0; r < FONT_HEIGHT; ++r)
            for (int c = 0; c < FONT_WIDTH; ++c)
                if (rows[r] >> (FONT_WIDTH - 1 - c) & 1) img.fill(x + c * scale, y + r * scale, scale, scale, colour);
        x += (FONT_WIDTH + 1) * scale;
    }
}

std::string fit_text(std::string text, int pixels) {
    const auto max_chars = static_cast<size_t>(std::max(0, pixels / (FONT_WIDTH + 1)));
    if (text.size() > max_chars) text = text.substr(0, max_chars >= 2 ? max_chars - 2 : 0) + "..";
    return text;
}

View make_view(const char* caption, V3 dir, V3 up_hint) {
    View v;
    v.caption = caption;
    v.dir = unit(dir);
    v.right = unit(cross(up_hint, v.dir));
    v.up = cross(v.dir, v.right);
    return v;
}

Frame frame_of(const std::vector<V3>& points) {
    Frame f;
    if (points.empty()) return f;
    V3 lo = points[0], hi = points[0];
    for (const V3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    f.center = (lo + hi) * 0.5;
    f.radius = 0;
    for (const V3& p : points) f.radius = std::max(f.radius, length(p - f.center));
    if (!(f.radius > 0) || !std::isfinite(f.radius)) f.radius = 1;
    return f;
}

} // namespace pofinfo::preview
