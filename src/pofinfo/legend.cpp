// The legend under the preview's panels: one swatch per texture, a line for
// flat polygons.
#include "pofinfo/font.h"
#include "pofinfo/preview_parts.h"

#include <algorithm>

namespace pofinfo::preview {

namespace {

struct Legend {
    std::string text;
    Rgb colour;
    bool swatch;
};

std::vector<Legend> legend_entries(const Model& m) {
    std::vector<Legend> out;
    std::vector<int32_t> used;
    bool flat = false;
    for (const Subobject& s : m.subobjects)
        for (const pofread::Polygon& p : s.polygons) {
            if (p.kind == kf::POLY_FLAT) flat = true;
            else if (std::find(used.begin(), used.end(), p.color_or_texture) == used.end())
                used.push_back(p.color_or_texture);
        }
    for (size_t t = 0; t < m.textures.size(); ++t)
        if (std::find(used.begin(), used.end(), static_cast<int32_t>(t)) == used.end())
            used.push_back(static_cast<int32_t>(t));
    std::sort(used.begin(), used.end());
    for (int32_t t : used) {
        std::string name = t >= 0 && static_cast<size_t>(t) < m.textures.size()
                               ? m.textures[static_cast<size_t>(t)]
                               : std::string("(no TXTR entry)");
        out.push_back({"texture " + std::to_string(t) + ": " + name, texture_colour(t), true});
    }
    if (flat) out.push_back({"flat polygons: their own colour", {}, false});
    return out;
}

} // namespace

int legend_height(const Model& m) {
    const auto n = static_cast<int>(legend_entries(m).size());
    const int rows = std::max(1, (n + LEGEND_COLUMNS - 1) / LEGEND_COLUMNS);
    return 18 + rows * LEGEND_ROW + MARGIN;
}

void draw_legend(Image& img, const Model& m) {
    const int width = img.width;
    const int legend_y = TITLE_H + 2 * (CAPTION_H + PANEL + MARGIN);
    draw_text(img, MARGIN, legend_y + 2, "colours:", text_colour);
    const auto entries = legend_entries(m);
    const int column_w = (width - 2 * MARGIN) / LEGEND_COLUMNS;
    if (entries.empty()) draw_text(img, MARGIN, legend_y + 18, "no polygons", dim_text);
    for (size_t k = 0; k < entries.size(); ++k) {
        const int x = MARGIN + static_cast<int>(k % LEGEND_COLUMNS) * column_w;
        const int y = legend_y + 16 + static_cast<int>(k / LEGEND_COLUMNS) * LEGEND_ROW;
        int text_x = x;
        if (entries[k].swatch) {
            img.fill(x, y, 10, 10, entries[k].colour);
            text_x += 14;
        }
        draw_text(img, text_x, y + 2, fit_text(entries[k].text, column_w - (text_x - x) - 6), text_colour);
    }

}

} // namespace pofinfo::preview
