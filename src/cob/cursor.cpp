#include "cob/cursor.h"

#include "bytes.h"

#include <bit>
#include <string>

namespace kf {

void Cursor::need(size_t n) const {
    if (limit != SIZE_MAX && (pos > limit || limit - pos < n))
        throw Fatal(std::string(" Error: ") + chunk + " data runs past the end of its chunk");
    if (pos > data.size() || data.size() - pos < n)
        throw Fatal(" Error: unexpected end of the input file");
}

void Cursor::bytes(void* out, size_t n) {
    need(n);
    if (n != 0) std::memcpy(out, data.data() + pos, n);
    pos += n;
}

uint8_t Cursor::u8() {
    need(1);
    return data[pos++];
}

uint16_t Cursor::u16() {
    need(2);
    const uint16_t v = le_u16(data.data() + pos);
    pos += 2;
    return v;
}

uint32_t Cursor::u32() {
    need(4);
    const uint32_t v = le_u32(data.data() + pos);
    pos += 4;
    return v;
}

uint16_t Cursor::u16_overhanging_end() {
    const size_t chunk_end = limit;
    if (limit != SIZE_MAX) ++limit;
    const uint16_t v = u16();
    limit = chunk_end;
    return v;
}

int32_t Cursor::i32() { return static_cast<int32_t>(u32()); }

float Cursor::f32() { return std::bit_cast<float>(u32()); }

} // namespace kf
