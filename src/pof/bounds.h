// Componentwise bounds of points: the boxes of the file's header, its
// subobjects and the tree's nodes.
#pragma once

#include "vec3.h"

namespace kf {

// Running componentwise bounds of points, seeded from the first point; only a
// strictly smaller or greater coordinate replaces the current one, so of
// equal coordinates (-0 and +0) the first one seen stays.
struct Bounds {
    vec3 min, max;
    bool empty = true;

    void add(const vec3& p) {
        if (empty) {
            min = max = p;
            empty = false;
            return;
        }
        if (p.x > max.x) max.x = p.x;
        if (p.y > max.y) max.y = p.y;
        if (p.z > max.z) max.z = p.z;
        if (p.x < min.x) min.x = p.x;
        if (p.y < min.y) min.y = p.y;
        if (p.z < min.z) min.z = p.z;
    }

    // The same as adding, in order, the points that `other` was made from
    // (for finite points: a coordinate that is not a number compares false
    // either way, but not at the same step).
    void add(const Bounds& other) {
        if (other.empty) return;
        if (empty) {
            *this = other;
            return;
        }
        if (other.max.x > max.x) max.x = other.max.x;
        if (other.max.y > max.y) max.y = other.max.y;
        if (other.max.z > max.z) max.z = other.max.z;
        if (other.min.x < min.x) min.x = other.min.x;
        if (other.min.y < min.y) min.y = other.min.y;
        if (other.min.z < min.z) min.z = other.min.z;
    }
};

} // namespace kf
