// A bounds-checked reading position over the bytes of the input file.
#pragma once

#include "keelforge.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kf {

// Every read is checked against the end of the input, and, while a chunk is
// being read, against that chunk's end: no read ever trusts a size field.
//
// The cursor reads either bytes already in memory or a file through a small
// window: it fetches the bytes a read needs when they lie outside the window,
// so moving the position over a chunk costs nothing and a file of any size
// takes the window's memory only.
struct Cursor {
    std::span<const uint8_t> data; // the bytes at hand; data[0] is the input's byte `base`
    size_t pos = 0;                // offset in the input
    size_t limit = SIZE_MAX;       // end of the chunk being read; SIZE_MAX outside chunks
    const char* chunk = "";        // tag of that chunk, for the error message
    size_t base = 0;
    size_t end = SIZE_MAX; // size of the input; SIZE_MAX means data.size()
    int fd = -1;           // the file read through the window, or -1
    std::vector<uint8_t> window;
    // Bytes fetched at a time: a few pages, more than any one read needs
    // except a long name (which is fetched whole).
    size_t window_bytes = 64 * 1024;

    // A cursor over the regular file open as `fd`, `size` bytes long.
    static Cursor over_file(int fd, size_t size);

    // Confines the reads that follow to the chunk that ends at `end`, named
    // `tag` in the error message; leave_chunk lifts that limit again.
    void enter_chunk(size_t chunk_end, const char* tag) {
        limit = chunk_end;
        chunk = tag;
    }
    void leave_chunk() {
        limit = SIZE_MAX;
        chunk = "";
    }

    // Throws when n more bytes would pass the chunk's end or the end of the
    // input; otherwise makes sure they are at hand.
    void need(size_t n);

    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32();
    float f32();
    // A uint16 that may start on the chunk's last byte and so end one byte
    // past it, as a Mat1 sub-chunk marker may.
    uint16_t u16_overhanging_end();
    void bytes(void* out, size_t n);

private:
    const uint8_t* at() const { return data.data() + (pos - base); }
    void fetch(size_t n);
};

} // namespace kf
