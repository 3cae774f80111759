// SHA-256 of a byte string, as lower-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kft {

std::string sha256_hex(const std::vector<uint8_t>& data);

} // namespace kft
