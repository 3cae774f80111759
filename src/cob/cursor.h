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

    // Confines the reads that follow to the chunk that ends at `end`, named
    // `tag` in the error message; leave_chunk lifts that limit again.
    void enter_chunk(size_t end, const char* tag) {
        limit = end;
        chunk = tag;
    }
    void leave_chunk() {
        limit = SIZE_MAX;
        chunk = "";
    }

    // Throws when n more bytes would pass the chunk's end or the end of the data.
    void need(size_t n) const;

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32();
    float f32();
    // A uint16 that may start on the chunk's last byte and so end one byte
    // past it, as a Mat1 sub-chunk marker may.
    uint16_t u16_overhanging_end();
    void bytes(void* out, size_t n);
};

} // namespace kf
