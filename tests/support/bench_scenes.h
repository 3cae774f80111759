// The scenes the performance measurements use: up to the largest legal scene
// (15000 vertices and 15000 textured triangles), spread over groups, smooth
// or faceted, optionally carrying large chunks the converter skips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kft {

struct BenchScene {
    uint32_t triangles = 15000; // also the number of vertices; even, at least 4 per group
    uint32_t groups = 99;
    bool smooth = true;
    // Bytes of unknown chunks (in chunks of at most 16 MiB): before the first
    // group, or spread evenly between the groups.
    size_t skipped_bytes = 0;
    bool skipped_between = false;

    std::string label() const;
};

// Each group holds one object: a closed band of triangles around the group's
// origin (every vertex named by three corners), and one textured material.
std::vector<uint8_t> bench_scene(const BenchScene& spec);

} // namespace kft
