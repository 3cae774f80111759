#include "bsp/bsp.h"

#include <cmath>
#include <limits>

namespace kf {

namespace {

float shift(float a, double by) { return static_cast<float>(static_cast<double>(a) + by); }

} // namespace

vec3 widen_min(vec3 a) {
    const double m = -static_cast<double>(BOX_MARGIN);
    return {shift(a.x, m), shift(a.y, m), shift(a.z, m)};
}

vec3 widen_max(vec3 a) {
    const double m = static_cast<double>(BOX_MARGIN);
    return {shift(a.x, m), shift(a.y, m), shift(a.z, m)};
}

vec3 root_box_max(vec3 max) {
    vec3 w = widen_max(max);
    auto above = [](float widened, float m) {
        return widened > m ? widened : std::nextafter(m, std::numeric_limits<float>::infinity());
    };
    return {above(w.x, max.x), above(w.y, max.y), above(w.z, max.z)};
}

void write_eof(PofBuffer& pof) {
    pof_put_i32(pof, OP_EOF);
    pof_put_i32(pof, 0);
}

void write_poly_op(PofBuffer& pof, const Slots& slots, const Model& model, uint32_t poly) {
    const ModelPoly& p = model.model_poly[poly];
    const bool textured = p.type != POLY_FLAT;
    uint32_t start = pof_begin_op(pof, textured ? OP_TMAPPOLY : OP_FLATPOLY);
    pof_put_vec3(pof, p.normal);
    pof_put_vec3(pof, p.center);
    pof_put_f32(pof, p.radius);
    pof_put_i32(pof, static_cast<int32_t>(p.n_points));
    pof_put_i32(pof, p.color_or_texture);
    for (const ModelCorner& c : model.corners(p)) {
        pof_put_u16(pof, slots.vertex_slot[c.vertex]);
        pof_put_u16(pof, slots.normal_slot[c.normal_index]);
        if (textured) {
            pof_put_f32(pof, c.u);
            pof_put_f32(pof, c.v);
        }
    }
    pof_end_op(pof, start);
}

void write_sortnorm(PofBuffer& pof, vec3 normal, vec3 point, vec3 min, vec3 max) {
    uint32_t start = pof_begin_op(pof, OP_SORTNORM);
    pof_put_vec3(pof, normal);
    pof_put_vec3(pof, point);
    for (int i = 0; i < 6; ++i) pof_put_i32(pof, 0); // reserved, then the five list offsets
    pof_put_vec3(pof, min);
    pof_put_vec3(pof, max);
    pof_end_op(pof, start);
}

void write_boundbox(PofBuffer& pof, vec3 min, vec3 max) {
    uint32_t start = pof_begin_op(pof, OP_BOUNDBOX);
    pof_put_vec3(pof, widen_min(min));
    pof_put_vec3(pof, widen_max(max));
    pof_end_op(pof, start);
}

} // namespace kf
