// The output buffer: the whole POF file is assembled here before it is written.
#pragma once

#include "keelforge.h"
#include "pof/format.h"

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kf {

// Written into every size field until its real value is known.
constexpr uint32_t SIZE_PLACEHOLDER = 0x01234567;

// Bytes of the file so far; pof_pos is their count. The buffer grows as
// needed, so any model fits.
struct PofBuffer {
    std::vector<uint8_t> bytes;

    uint32_t pof_pos() const { return static_cast<uint32_t>(bytes.size()); }
};

// The writes of single values are inline: the tree writer makes millions.
inline void pof_put_u8(PofBuffer& pof, uint8_t value) { pof.bytes.push_back(value); }
inline void pof_put_u16(PofBuffer& pof, uint16_t value) {
    pof.bytes.push_back(static_cast<uint8_t>(value));
    pof.bytes.push_back(static_cast<uint8_t>(value >> 8));
}
inline void pof_put_u32(PofBuffer& pof, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) pof.bytes.push_back(static_cast<uint8_t>(value >> shift));
}
inline void pof_put_i32(PofBuffer& pof, int32_t value) { pof_put_u32(pof, static_cast<uint32_t>(value)); }
inline void pof_put_f32(PofBuffer& pof, float value) { pof_put_u32(pof, std::bit_cast<uint32_t>(value)); }
inline void pof_put_vec3(PofBuffer& pof, const vec3& v) {
    pof_put_f32(pof, v.x);
    pof_put_f32(pof, v.y);
    pof_put_f32(pof, v.z);
}
void pof_put_chars(PofBuffer& pof, std::string_view text);
// Counted text: int32 length, then the characters, no terminator.
void pof_put_text(PofBuffer& pof, std::string_view text);
void pof_patch_i32(PofBuffer& pof, uint32_t offset, int32_t value);
void pof_patch_f32(PofBuffer& pof, uint32_t offset, float value);

// Chunk head; returns the offset of its size field. The size excludes the head.
uint32_t pof_begin_chunk(PofBuffer& pof, uint32_t id);
void pof_end_chunk(PofBuffer& pof, uint32_t size_offset);
// Opcode header; returns the opcode's first byte. The size includes the header.
uint32_t pof_begin_op(PofBuffer& pof, int32_t opcode);
void pof_end_op(PofBuffer& pof, uint32_t op_start);

} // namespace kf
