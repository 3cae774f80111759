#include "cob/cursor.h"

#include "bytes.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <string>
#include <unistd.h>

namespace kf {

Cursor Cursor::over_file(int fd, size_t size) {
    Cursor c;
    c.fd = fd;
    c.end = size;
    return c;
}

void Cursor::need(size_t n) {
    if (limit != SIZE_MAX && (pos > limit || limit - pos < n))
        throw Fatal(std::string(" Error: ") + chunk + " data runs past the end of its chunk");
    const size_t size = end == SIZE_MAX ? data.size() : end;
    if (pos > size || size - pos < n) throw Fatal(" Error: unexpected end of the input file");
    if (pos < base || pos - base > data.size() || data.size() - (pos - base) < n) fetch(n);
}

// Reads the window afresh from the file, starting at pos and holding at
// least n bytes (need has checked that the input has them).
void Cursor::fetch(size_t n) {
    const size_t want = std::min(std::max(n, window_bytes), end - pos);
    window.resize(want);
    size_t got = 0;
    while (got < want) {
        const ssize_t r = pread(fd, window.data() + got, want - got, static_cast<off_t>(pos + got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throw Fatal(std::string(" Error: cannot read the input file: ") + std::strerror(errno));
        if (r == 0) throw Fatal(" Error: unexpected end of the input file"); // the file shrank while read
        got += static_cast<size_t>(r);
    }
    data = window;
    base = pos;
}

void Cursor::bytes(void* out, size_t n) {
    need(n);
    if (n != 0) std::memcpy(out, at(), n);
    pos += n;
}

uint8_t Cursor::u8() {
    need(1);
    const uint8_t v = *at();
    ++pos;
    return v;
}

uint16_t Cursor::u16() {
    need(2);
    const uint16_t v = le_u16(at());
    pos += 2;
    return v;
}

uint32_t Cursor::u32() {
    need(4);
    const uint32_t v = le_u32(at());
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
