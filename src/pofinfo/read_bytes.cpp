#include "pofinfo/pofread_parts.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace pofread::detail {

std::string format(const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

[[noreturn]] void fail(size_t offset, std::string message) { throw Problem{offset, std::move(message)}; }

std::string printable_id(const Bytes& in, size_t offset) {
    std::string id = in.chars(offset, 4, in.size(), "chunk id");
    for (char& c : id)
        if (c < 0x20 || c > 0x7e) c = '?';
    return id;
}

std::string counted_text(const Bytes& in, size_t& pos, size_t end, const char* what) {
    int32_t n = in.i32(pos, end, what);
    if (n < 0) fail(pos, format("%s has the negative length %d", what, n));
    std::string text = in.chars(pos + kf::TEXT_LENGTH_SIZE, static_cast<size_t>(n), end, what);
    pos += kf::TEXT_LENGTH_SIZE + static_cast<size_t>(n);
    return text;
}

void expect_chunk_end(size_t pos, size_t end, const char* chunk) {
    if (pos != end)
        fail(pos, format("%s chunk: its fields end %zu bytes before the end given by its size", chunk, end - pos));
}

int32_t count_field(const Bytes& in, size_t offset, size_t end, const char* what) {
    int32_t n = in.i32(offset, end, what);
    if (n < 0) fail(offset, format("%s %d is negative", what, n));
    return n;
}

} // namespace pofread::detail
