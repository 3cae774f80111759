// Hostile but well-formed scenes that push one part of the converter to its
// bound: the most polygons at one point, the most corners at one vertex, the
// deepest tree 32-bit floats allow, the biggest shield, the most groups and
// objects, the longest names, a chunk that claims a gigabyte, coordinates at
// the edge of the float range. Shared by the end-to-end tests, which check
// each outcome, and tools/make_adversarial, which writes them for timing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kft {

struct AdversarialScene {
    std::string name;  // file name stem and test name
    std::string what;  // one line for the table of measurements
    std::vector<uint8_t> bytes;
    int status = 0;        // expected exit status
    std::string last_line; // expected last line of the report
    int tree_depth = -1;   // sorting levels on the longest path of subobject 0, when checked
};

// Every scene, built once per program.
const std::vector<AdversarialScene>& adversarial_scenes();

} // namespace kft
