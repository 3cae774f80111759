// The preview picture of a model read by pofread: detail level 0 drawn from
// five sides, flat-shaded with a depth buffer, the shield as a wireframe and
// a legend of colours, written as a PNG file.
#pragma once

#include "pofinfo/pofread.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pofinfo {

struct ImageSize {
    int width = 0;
    int height = 0;
};

// Size of the preview picture of a model.
ImageSize preview_size(const pofread::Model& model);

// Where the drawing area of a panel lies in the preview picture. Panels:
// 0 front, 1 right side, 2 top, 3 three-quarter from front right above,
// 4 shield, 5 three-quarter from rear left below.
struct PanelRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PanelRect preview_panel(int index);

// Renders the preview picture: preview_size's rows of 8-bit red, green and
// blue, top row first.
std::vector<uint8_t> render_preview(const pofread::Model& model);

// Renders the preview picture and writes it as a PNG file. Returns an empty
// string on success, otherwise what went wrong.
std::string write_preview(const pofread::Model& model, const std::string& png_path);

} // namespace pofinfo
