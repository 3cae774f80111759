#include "model/model.h"

#include <cmath>

namespace kf {

namespace {

bool finite(const vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

} // namespace

void mark_used_vertices(const Scene& scene, VertexUse& use) {
    use.vertex_used.assign(scene.cob_vcount(), 0);
    use.vertex_map.assign(scene.cob_vcount(), 0);
    for (const CobFace& face : scene.cob_face)
        for (const CobCorner& corner : scene.corners(face)) use.vertex_used[static_cast<size_t>(corner.vertex)] = 1;
}

void convert_vertices(const Scene& scene, Model& model, VertexUse& use, FILE* out) {
    model.vertex.reserve(scene.cob_vcount());
    for (uint32_t i = 0; i < scene.cob_vcount(); ++i) {
        if (!use.vertex_used[i]) continue;
        use.vertex_map[i] = static_cast<uint16_t>(model.vertex.size());
        const CobVertex& v = scene.cob_vertex[i];
        model.vertex.push_back({scene_to_model(v.position), v.section, 0});
    }
    std::fprintf(out, " cmodel = %d, fs model = %d\n", static_cast<int>(scene.cob_vcount()),
                 static_cast<int>(model.Vcount()));

    // Move every vertex into its own segment's frame; segment 0 sits at the origin.
    for (uint32_t s = 1; s < model.Scount; ++s) {
        const vec3& o = model.segment[s].offset;
        std::fprintf(out, "Soffset %d: %f, %f, %f\n", static_cast<int>(s), static_cast<double>(o.x),
                     static_cast<double>(o.y), static_cast<double>(o.z));
    }
    for (ModelVertex& v : model.vertex) {
        if (v.segment == 0) continue;
        v.position = vec3_sub(v.position, model.segment[static_cast<size_t>(v.segment)].offset);
    }
}

void check_finite_points(const Model& model) {
    // A point at infinity or not a number would give the model an infinite or
    // undefined radius and box, and the polygons around it would lie in no
    // tree box: refuse the scene instead of writing a model without them.
    for (uint32_t s = 0; s < model.Scount; ++s)
        if (!finite(model.segment[s].offset))
            throw Fatal(" Error: the origin of segment " + std::to_string(s) + " is not a finite point");
    for (const ModelVertex& v : model.vertex)
        if (!finite(v.position))
            throw Fatal(" Error: a vertex of segment " + std::to_string(v.segment) + " is not a finite point");
}

} // namespace kf
