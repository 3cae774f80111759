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

    void add(const vec3& p);
};

} // namespace kf
