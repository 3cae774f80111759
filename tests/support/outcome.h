// The outcome the converter promises for any input: a model that reads back
// as valid and holds every polygon with corners exactly once, or the one
// error type with a one-line message and status 1.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kft {

struct Outcome {
    bool converted = false;
    std::string message; // the error message when not converted
    std::string fault;   // empty when the outcome is one of the two promised
};

// Reads, builds and assembles `scene` in memory (no file is written), with
// the report discarded, and checks the outcome.
Outcome convert_in_memory(std::span<const uint8_t> scene);

} // namespace kft
