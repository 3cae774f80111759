// Little-endian values, four-character ids and whole files: how both file
// formats store their numbers, and how both tools take in a file.
#pragma once

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace kf {

// The values whose bytes start at p, least significant byte first. The
// caller has checked that they lie inside the data.
inline uint16_t le_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t le_u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t le_i32(const uint8_t* p) { return static_cast<int32_t>(le_u32(p)); }
inline float le_f32(const uint8_t* p) { return std::bit_cast<float>(le_u32(p)); }

// A four-character id as the 32-bit number whose little-endian bytes spell it.
constexpr uint32_t fourcc(const char (&id)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) | static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24;
}

// Reads what remains of `in` into `bytes`. Returns false when a read fails,
// with the system's reason in `reason`.
inline bool read_whole_file(FILE* in, std::vector<uint8_t>& bytes, std::string& reason) {
    uint8_t block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) bytes.insert(bytes.end(), block, block + n);
    if (!std::ferror(in)) return true;
    reason = std::strerror(errno);
    return false;
}

} // namespace kf
