#include "cob/cursor.h"

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
    auto v = static_cast<uint16_t>(data[pos] | (data[pos + 1] << 8));
    pos += 2;
    return v;
}

uint32_t Cursor::u32() {
    need(4);
    uint32_t v = static_cast<uint32_t>(data[pos]) | static_cast<uint32_t>(data[pos + 1]) << 8 |
                 static_cast<uint32_t>(data[pos + 2]) << 16 | static_cast<uint32_t>(data[pos + 3]) << 24;
    pos += 4;
    return v;
}

int32_t Cursor::i32() { return static_cast<int32_t>(u32()); }

float Cursor::f32() { return std::bit_cast<float>(u32()); }

} // namespace kf
