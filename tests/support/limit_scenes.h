// Scenes that fill one table of the reader to a given count, with the
// reader's whole report for each: shared by the unit and end-to-end tests
// of the limits.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace kft {

struct LimitScene {
    const char* name;
    uint32_t limit;      // the most entries the table accepts
    std::string message; // printed for one entry more
    // The scene with `count` entries (count is at most limit + 1).
    std::vector<uint8_t> (*scene)(uint32_t count);
    // The reader's report of that scene, from the first chunk on: up to the
    // END chunk's line when count is within the limit, up to the message
    // when it is one past.
    std::string (*report)(uint32_t count);
};

// One entry per reader limit: vertices, texture coordinates, faces,
// materials, sections, objects (PolH chunks), textures.
const std::vector<LimitScene>& limit_scenes();

// Test names show the scene's name, not its bytes.
inline void PrintTo(const LimitScene& l, std::ostream* os) { *os << l.name; }
const LimitScene& limit_scene(const std::string& name);

// The scene of `limit_scene(name)` with `count` entries, built once per
// program and kept.
const std::vector<uint8_t>& limit_scene_bytes(const std::string& name, uint32_t count);

} // namespace kft
