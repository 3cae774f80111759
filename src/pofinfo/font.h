// The preview's bitmap font.
#pragma once

#include <cstdint>

namespace pofinfo {

constexpr int FONT_WIDTH = 5;
constexpr int FONT_HEIGHT = 7;

extern const uint8_t font_rows[95][7];

} // namespace pofinfo
