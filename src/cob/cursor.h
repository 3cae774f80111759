// A bounds-checked reading position over the bytes of the input file.
#pragma once

#include "keelforge.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kf {

// Every read is checked against the end of the data, and, while a chunk is
// being read, against that chunk's end: no read ever trusts a size field.
struct Cursor {
    std::span<const uint8_t> data;
    size_t pos = 0;
    size_t limit = SIZE_MAX; // end of the chunk being read; SIZE_MAX outside chunks
    const char* chunk = "";  // tag of that chunk, for the error message

    // Throws when n more bytes would pass the chunk's end or the end of the data.
    void need(size_t n) const;

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32();
    float f32();
    void bytes(void* out, size_t n);
};

} // namespace kf
