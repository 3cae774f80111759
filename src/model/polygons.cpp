#include "model/model.h"

#include <cmath>

namespace kf {

namespace {

double d(float f) { return static_cast<double>(f); }

// Corner slots above n_points hold model vertex 0; a model without vertices
// has none, and its slot 0 reads as the origin.
vec3 vertex_position(const Model& model, uint16_t k) {
    return k < model.vertex.size() ? model.vertex[k].position : vec3{};
}

} // namespace

void vec3_normalise(vec3& v) {
    double length = std::sqrt(d(v.x) * d(v.x) + d(v.y) * d(v.y) + d(v.z) * d(v.z));
    if (length == 0.0) length = 1.0;
    v = {static_cast<float>(d(v.x) / length), static_cast<float>(d(v.y) / length),
         static_cast<float>(d(v.z) / length)};
}

void face_normal(const vec3 points[3], vec3& out) {
    vec3 a = vec3_sub(points[0], points[1]);
    vec3 b = vec3_sub(points[1], points[2]);
    out = {static_cast<float>(d(a.y) * d(b.z) - d(a.z) * d(b.y)),
           static_cast<float>(d(a.z) * d(b.x) - d(a.x) * d(b.z)),
           static_cast<float>(d(a.x) * d(b.y) - d(a.y) * d(b.x))};
    vec3_normalise(out);
}

void convert_polygons(const Scene& scene, const VertexUse& use, Model& model) {
    model.model_poly.assign(scene.cob_pcount(), ModelPoly{});
    model.model_corner.clear();
    model.model_corner.reserve(scene.cob_corner.size());
    for (uint32_t p = 0; p < scene.cob_pcount(); ++p) {
        const CobFace& face = scene.cob_face[p];
        ModelPoly& poly = model.model_poly[p];
        poly.n_points = face.n_points;
        poly.color_or_texture = face.color_or_texture;
        poly.type = face.type;
        poly.facet = face.facet;
        poly.segment = face.section;
        poly.first_corner = static_cast<uint32_t>(model.model_corner.size());

        const TextureMap& map = scene.placement(face.material_index);
        const std::span<const CobCorner> face_corners = scene.corners(face);
        for (uint32_t c = 0; c < face.n_points; ++c) {
            ModelCorner& corner = model.model_corner.emplace_back();
            corner.vertex = use.vertex_map[static_cast<size_t>(face_corners[c].vertex)];
            const CobUv& uv = scene.cob_uv[static_cast<size_t>(face_corners[c].uv)];
            double u = d(uv.u);
            double v = -d(uv.v);
            if (map.repeat_u != 0.0f) u *= d(map.repeat_u);
            if (map.repeat_v != 0.0f) v *= d(map.repeat_v);
            u -= d(map.offset_u);
            v += d(map.offset_v);
            corner.u = static_cast<float>(u);
            corner.v = static_cast<float>(v);
        }
        const vec3 corners[3] = {vertex_position(model, model.slot_vertex(poly, 0)),
                                 vertex_position(model, model.slot_vertex(poly, 1)),
                                 vertex_position(model, model.slot_vertex(poly, 2))};
        face_normal(corners, poly.normal);
    }
}

void polygon_centers(Model& model) {
    for (ModelPoly& poly : model.model_poly) {
        double sx = 0.0, sy = 0.0, sz = 0.0;
        for (const ModelCorner& c : model.corners(poly)) {
            const vec3& p = model.vertex[c.vertex].position;
            sx += d(p.x);
            sy += d(p.y);
            sz += d(p.z);
        }
        // A polygon without corners gets a center that is not a number and so lies in no box.
        const double n = static_cast<double>(poly.n_points);
        poly.center = {static_cast<float>(sx / n), static_cast<float>(sy / n), static_cast<float>(sz / n)};

        double radius = 0.0;
        for (const ModelCorner& c : model.corners(poly)) {
            const vec3& p = model.vertex[c.vertex].position;
            double dx = d(p.x) - d(poly.center.x), dy = d(p.y) - d(poly.center.y), dz = d(p.z) - d(poly.center.z);
            double r = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (r > radius) radius = r;
        }
        poly.radius = static_cast<float>(radius);
    }
}

} // namespace kf
