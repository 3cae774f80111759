#include "pof/bounds.h"

namespace kf {

void Bounds::add(const vec3& p) {
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

} // namespace kf
