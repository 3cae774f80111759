#include "model/model.h"

namespace kf {

namespace {

constexpr int32_t SMOOTH = 's';

struct CornerRef {
    uint32_t poly;
    uint32_t corner;
};

// The corners of every model vertex, each vertex's in (polygon, corner)
// order: `first[k]` to `first[k + 1]` index `corners`.
struct CornersByVertex {
    std::vector<uint32_t> first;
    std::vector<CornerRef> corners;
};

CornersByVertex list_corners(const Model& model) {
    CornersByVertex list;
    list.first.assign(model.Vcount() + 1, 0);
    for (const ModelPoly& poly : model.model_poly)
        for (const ModelCorner& c : model.corners(poly)) ++list.first[c.vertex + 1u];
    for (size_t k = 1; k < list.first.size(); ++k) list.first[k] += list.first[k - 1];
    list.corners.resize(list.first.back());
    std::vector<uint32_t> fill(list.first.begin(), list.first.end() - 1);
    for (uint32_t p = 0; p < model.Pcount(); ++p) {
        const ModelPoly& poly = model.model_poly[p];
        for (uint32_t c = 0; c < poly.n_points; ++c) list.corners[fill[model.slot_vertex(poly, c)]++] = {p, c};
    }
    return list;
}

} // namespace

void build_corner_normals(Model& model) {
    const CornersByVertex list = list_corners(model);
    model.model_normal.clear();
    model.model_normal.reserve(list.corners.size());
    for (uint32_t k = 0; k < model.Vcount(); ++k) {
        const CornerRef* begin = list.corners.data() + list.first[k];
        const CornerRef* end = list.corners.data() + list.first[k + 1];

        // Every smooth corner of this vertex gets the same average: the
        // normals of all smooth polygons at the vertex, one per corner.
        double sx = 0.0, sy = 0.0, sz = 0.0;
        uint32_t count = 0;
        for (const CornerRef* r = begin; r != end; ++r) {
            const ModelPoly& q = model.model_poly[r->poly];
            if (q.facet != SMOOTH) continue;
            sx += static_cast<double>(q.normal.x);
            sy += static_cast<double>(q.normal.y);
            sz += static_cast<double>(q.normal.z);
            ++count;
        }
        vec3 smooth;
        if (count > 0) {
            const double n = count;
            smooth = {static_cast<float>(sx / n), static_cast<float>(sy / n), static_cast<float>(sz / n)};
            vec3_normalise(smooth);
        }

        model.vertex[k].n_norms = 0;
        for (const CornerRef* r = begin; r != end; ++r) {
            ModelPoly& p = model.model_poly[r->poly];
            model.model_corner[p.first_corner + r->corner].normal_index = model.n_normals();
            model.model_normal.push_back(p.facet == SMOOTH ? smooth : p.normal);
            ++model.vertex[k].n_norms;
        }
    }
}

void check_normal_limits(const Model& model) {
    // The subobject point lists store a vertex's normal count in one byte and
    // number the normals of a subobject with 16 bits. The shield stores none.
    constexpr uint32_t MAX_VERTEX_NORMALS = 255;
    constexpr uint32_t MAX_SEGMENT_NORMALS = 65535;
    std::vector<uint32_t> per_segment(model.segment.size());
    for (const ModelVertex& v : model.vertex) {
        if (model.shield_segment != 0 && v.segment == model.shield_segment) continue;
        if (v.n_norms > MAX_VERTEX_NORMALS)
            throw Fatal(" Error: a vertex of segment " + std::to_string(v.segment) +
                        " has more than 255 normals");
        per_segment[static_cast<size_t>(v.segment)] += v.n_norms;
    }
    for (size_t s = 0; s < per_segment.size(); ++s)
        if (per_segment[s] > MAX_SEGMENT_NORMALS)
            throw Fatal(" Error: segment " + std::to_string(s) + " has more than 65535 normals");
}

} // namespace kf
