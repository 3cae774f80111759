#include "pof/pof_buffer.h"

#include <bit>

namespace kf {

namespace {

void store_u32(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

} // namespace

void pof_put_chars(PofBuffer& pof, std::string_view text) { pof.bytes.insert(pof.bytes.end(), text.begin(), text.end()); }

void pof_put_text(PofBuffer& pof, std::string_view text) {
    pof_put_i32(pof, static_cast<int32_t>(text.size()));
    pof_put_chars(pof, text);
}

void pof_patch_i32(PofBuffer& pof, uint32_t offset, int32_t value) {
    store_u32(pof.bytes.data() + offset, static_cast<uint32_t>(value));
}

void pof_patch_f32(PofBuffer& pof, uint32_t offset, float value) {
    store_u32(pof.bytes.data() + offset, std::bit_cast<uint32_t>(value));
}

uint32_t pof_begin_chunk(PofBuffer& pof, uint32_t id) {
    pof_put_u32(pof, id);
    uint32_t size_offset = pof.pof_pos();
    pof_put_u32(pof, SIZE_PLACEHOLDER);
    return size_offset;
}

void pof_end_chunk(PofBuffer& pof, uint32_t size_offset) {
    pof_patch_i32(pof, size_offset, static_cast<int32_t>(pof.pof_pos() - (size_offset + 4)));
}

uint32_t pof_begin_op(PofBuffer& pof, int32_t opcode) {
    uint32_t start = pof.pof_pos();
    pof_put_i32(pof, opcode);
    pof_put_u32(pof, SIZE_PLACEHOLDER);
    return start;
}

void pof_end_op(PofBuffer& pof, uint32_t op_start) {
    pof_patch_i32(pof, op_start + 4, static_cast<int32_t>(pof.pof_pos() - op_start));
}

} // namespace kf
