// Generated polygon objects for the model builder's size tests and its
// benchmark: a closed band of triangles and a fan around one vertex.
#pragma once

#include "support/cob_builder.h"

#include <cmath>
#include <cstdint>

namespace kfm {

// A closed band of n triangles over n vertices (n even): the vertices
// alternate between two rings, and triangle t joins vertices t, t + 1 and
// t + 2 (wrapping), wound alike. Every vertex is named by three corners.
inline kft::Polh triangle_band(uint32_t n) {
    kft::Polh o;
    o.name = "Band";
    const double step = 2.0 * 3.14159265358979323846 / (n / 2);
    for (uint32_t i = 0; i < n; ++i) {
        const double angle = step * (i / 2) + (i % 2 ? step / 2 : 0.0);
        o.vertices.push_back({static_cast<float>(10 * std::cos(angle)), static_cast<float>(10 * std::sin(angle)),
                              i % 2 ? 1.0f : 0.0f});
    }
    o.uvs = {{0, 0}, {1, 0}, {0, 1}};
    for (uint32_t t = 0; t < n; ++t) {
        const auto a = static_cast<int32_t>(t), b = static_cast<int32_t>((t + 1) % n),
                   c = static_cast<int32_t>((t + 2) % n);
        o.faces.push_back(kft::Face{.vertices = t % 2 ? std::vector<int32_t>{b, a, c} : std::vector<int32_t>{a, b, c},
                                    .uvs = {0, 1, 2}});
    }
    return o;
}

// n triangles around vertex 0, which is named by n corners.
inline kft::Polh triangle_fan(uint32_t n, float z = 0) {
    kft::Polh o;
    o.name = "Fan";
    o.vertices.push_back({0, 0, z});
    for (uint32_t i = 0; i <= n; ++i) {
        const double angle = 6.0 * i / n; // less than a full turn
        o.vertices.push_back({static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), z});
    }
    o.uvs = {{0, 0}};
    for (uint32_t i = 0; i < n; ++i)
        o.faces.push_back(
            kft::Face{.vertices = {0, static_cast<int32_t>(i + 1), static_cast<int32_t>(i + 2)}, .uvs = {0, 0, 0}});
    return o;
}

// A material over the faces of number 0 that makes them smooth.
inline kft::Mat1 smooth_material() {
    kft::Mat1 m;
    m.facet = 's';
    return m;
}

} // namespace kfm
