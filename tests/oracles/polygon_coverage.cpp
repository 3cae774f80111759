#include "oracles/polygon_coverage.h"

#include "pof/pof.h"

#include <bit>
#include <map>
#include <vector>

namespace kfo {

namespace {

// A polygon as its opcode states it, with each corner's vertex and normal
// resolved to their values, as bit patterns.
using Key = std::vector<uint32_t>;

void put(Key& k, float f) { k.push_back(std::bit_cast<uint32_t>(f)); }
void put(Key& k, float x, float y, float z) {
    put(k, x);
    put(k, y);
    put(k, z);
}

Key model_key(const kf::Model& model, const kf::ModelPoly& p) {
    const bool textured = p.type != 2;
    Key k{textured ? 3u : 2u, static_cast<uint32_t>(p.color_or_texture), p.n_points};
    put(k, p.normal.x, p.normal.y, p.normal.z);
    put(k, p.center.x, p.center.y, p.center.z);
    put(k, p.radius);
    for (uint32_t c = 0; c < p.n_points; ++c) {
        const kf::ModelCorner& corner = model.corners(p)[c];
        const kf::vec3& v = model.vertex[corner.vertex].position;
        const kf::vec3& n = model.model_normal[corner.normal_index];
        put(k, v.x, v.y, v.z);
        put(k, n.x, n.y, n.z);
        if (textured) {
            put(k, corner.u);
            put(k, corner.v);
        }
    }
    return k;
}

Key file_key(const pofread::Subobject& s, const pofread::Polygon& p) {
    Key k{static_cast<uint32_t>(p.kind), static_cast<uint32_t>(p.color_or_texture),
          static_cast<uint32_t>(p.corners.size())};
    put(k, p.normal.x, p.normal.y, p.normal.z);
    put(k, p.center.x, p.center.y, p.center.z);
    put(k, p.radius);
    for (const pofread::Corner& c : p.corners) {
        const pofread::Vec3& v = s.vertices.at(c.vertex);
        const pofread::Vec3& n = s.normals.at(c.normal);
        put(k, v.x, v.y, v.z);
        put(k, n.x, n.y, n.z);
        if (p.kind == kf::POLY_TMAPPED) {
            put(k, c.u);
            put(k, c.v);
        }
    }
    return k;
}

} // namespace

std::string polygon_coverage(const kf::Model& model, const pofread::Model& pof) {
    for (uint32_t s = 0; s < model.Scount; ++s) {
        const auto seg = static_cast<int32_t>(s);
        if (model.shield_segment != 0 && seg == model.shield_segment) continue;
        const auto number = static_cast<size_t>(kf::file_number(model, seg));
        const std::string where = "segment " + std::to_string(s) + " (subobject " + std::to_string(number) + ")";
        if (number >= pof.subobjects.size()) return where + " is not in the file";
        const pofread::Subobject& sub = pof.subobjects[number];

        // Polygon numbers by what their opcode holds; equal polygons share a key.
        std::map<Key, std::vector<uint32_t>> expected;
        for (uint32_t p = 0; p < model.Pcount(); ++p) {
            const kf::ModelPoly& poly = model.model_poly[p];
            if (poly.segment == seg && poly.n_points > 0) expected[model_key(model, poly)].push_back(p);
        }
        std::map<Key, size_t> found;
        for (const pofread::Polygon& p : sub.polygons) {
            const Key k = file_key(sub, p);
            if (!expected.contains(k))
                return where + ": the polygon opcode at byte " + std::to_string(p.offset) +
                       " is none the builder made";
            ++found[k];
        }
        for (const auto& [key, polys] : expected) {
            const size_t n = found.contains(key) ? found.at(key) : 0;
            if (n != polys.size())
                return where + ": polygon " + std::to_string(polys.front()) + " appears " + std::to_string(n) +
                       " times, expected " + std::to_string(polys.size());
        }
    }
    return "";
}

} // namespace kfo
