// The parts of the POF reader that its files share: the problem it throws,
// bounds-checked access to the file's bytes, the model data walk and the
// cross checks. Used only inside pofread.
#pragma once

#include "pofinfo/pofread.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

namespace pofread::detail {

// The first problem found, thrown to parse, which reports it.
struct Problem {
    size_t offset;
    std::string message;
};

[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...);
[[noreturn]] void fail(size_t offset, std::string message);

// Bounds-checked little-endian access to the file's bytes. `what` names the
// field in the message when it does not fit.
struct Bytes {
    std::span<const uint8_t> b_;


    size_t size() const { return b_.size(); }
    bool fits(size_t offset, size_t n, size_t end) const { return offset <= end && n <= end - offset; }

    void need(size_t offset, size_t n, size_t end, const char* what) const {
        if (!fits(offset, n, end))
            fail(std::min(offset, end), format("%s runs past the end of its %s (needs %zu bytes, %zu left)", what,
                                               end == b_.size() ? "file" : "data", n,
                                               offset <= end ? end - offset : size_t{0}));
    }

    uint8_t u8(size_t offset, size_t end, const char* what) const {
        need(offset, 1, end, what);
        return b_[offset];
    }
    uint16_t u16(size_t offset, size_t end, const char* what) const {
        need(offset, 2, end, what);
        return kf::le_u16(b_.data() + offset);
    }
    uint32_t u32(size_t offset, size_t end, const char* what) const {
        need(offset, 4, end, what);
        return kf::le_u32(b_.data() + offset);
    }
    int32_t i32(size_t offset, size_t end, const char* what) const {
        return static_cast<int32_t>(u32(offset, end, what));
    }
    float f32(size_t offset, size_t end, const char* what) const {
        need(offset, 4, end, what);
        return kf::le_f32(b_.data() + offset);
    }
    Vec3 vec3(size_t offset, size_t end, const char* what) const {
        need(offset, kf::VEC3_SIZE, end, what);
        return {f32(offset, end, what), f32(offset + 4, end, what), f32(offset + 8, end, what)};
    }
    std::string chars(size_t offset, size_t n, size_t end, const char* what) const {
        need(offset, n, end, what);
        return {reinterpret_cast<const char*>(b_.data() + offset), n};
    }
};

// Text shown in messages for a four-character id read from the file.
std::string printable_id(const Bytes& in, size_t offset);
// A counted text (int32 length, then the characters) inside [.., end).
std::string counted_text(const Bytes& in, size_t& pos, size_t end, const char* what);
void expect_chunk_end(size_t pos, size_t end, const char* chunk);
// A count or size field that must not be negative.
int32_t count_field(const Bytes& in, size_t offset, size_t end, const char* what);

// Reads every chunk after the file head into `m`.
void read_chunks(const Bytes& in, Model& m);

// Walks the model data of subobject `s` (the bytes start..end), filling its
// point list, polygons and opcodes, and notes textured polygons whose
// texture has no TXTR entry among m's warnings.
void walk_model_data(const Bytes& in, Subobject& s, Model& m, size_t start, size_t end);

// The checks across chunks once all are read: the HDR2 counts and lists
// against the OBJ2 chunks, every parent number, no parent chain that loops.
// `hdr2_body` is where the HDR2 chunk's fields start.
void check_cross_references(const Model& m, size_t hdr2_body);

} // namespace pofread::detail
