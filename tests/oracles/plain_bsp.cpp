#include "oracles/plain_bsp.h"

namespace kfo {

namespace {

using kf::Model;
using kf::ModelPoly;
using kf::vec3;

float get(const vec3& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }

void set(vec3& v, int a, float value) { (a == 0 ? v.x : a == 1 ? v.y : v.z) = value; }

// Closed below, open above; NaN fails every comparison and so lies nowhere.
bool lies_in(const vec3& q, const vec3& min, const vec3& max) {
    for (int a = 0; a < 3; ++a)
        if (!(get(min, a) <= get(q, a) && get(q, a) < get(max, a))) return false;
    return true;
}

// Corner bounds: started from corner 0 of the first polygon, then widened by
// strictly smaller or greater coordinates only. Polygons without corners have
// a center that is not a number (the builder divides by zero corners), so
// they never reach this.
struct CornerBounds {
    vec3 min, max;
    bool started = false;

    void widen(const vec3& p) {
        for (int a = 0; a < 3; ++a) {
            if (get(p, a) > get(max, a)) set(max, a, get(p, a));
            if (get(p, a) < get(min, a)) set(min, a, get(p, a));
        }
    }

    void extend(const Model& model, const ModelPoly& poly) {
        uint32_t c = 0;
        if (!started) {
            min = max = model.vertex.at(model.slot_vertex(poly, 0)).position;
            started = true;
            c = 1;
        }
        for (; c < poly.n_points; ++c) widen(model.vertex.at(model.slot_vertex(poly, c)).position);
    }
};

bool is_key_in(const ModelPoly& p, int32_t key, const vec3& min, const vec3& max) {
    return p.segment == key && lies_in(p.center, min, max);
}

void single_list(kf::PofBuffer& pof, const kf::Slots& slots, const Model& model, uint32_t p) {
    CornerBounds b;
    b.extend(model, model.model_poly[p]);
    kf::write_boundbox(pof, b.min, b.max);
    kf::write_poly_op(pof, slots, model, p);
    kf::write_eof(pof);
}

} // namespace

void plain_bsp(kf::PofBuffer& pof, const kf::Slots& slots, const Model& model, vec3 min, vec3 max, int32_t key) {
    vec3 extent, m;
    for (int a = 0; a < 3; ++a) {
        const double lo = get(min, a), hi = get(max, a);
        set(extent, a, static_cast<float>(hi - lo));
        set(m, a, static_cast<float>(lo + (hi - lo) * 0.5));
    }
    const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
    vec3 normal;
    set(normal, axis, 1.0f);
    vec3 front_min = min, back_max = max;
    set(front_min, axis, get(m, axis));
    set(back_max, axis, get(m, axis));

    int front = 0, back = 0;
    uint32_t front_poly = 0, back_poly = 0;
    for (uint32_t p = 0; p < model.Pcount() && front < 2; ++p)
        if (is_key_in(model.model_poly[p], key, front_min, max)) {
            ++front;
            front_poly = p;
        }
    for (uint32_t p = 0; p < model.Pcount() && back < 2; ++p)
        if (is_key_in(model.model_poly[p], key, min, back_max)) {
            ++back;
            back_poly = p;
        }
    CornerBounds bounds;
    for (uint32_t p = 0; p < model.Pcount(); ++p)
        if (is_key_in(model.model_poly[p], key, min, max)) bounds.extend(model, model.model_poly[p]);

    if (front >= 1 && back >= 1) {
        const uint32_t node = pof.pof_pos();
        kf::write_sortnorm(pof, normal, m, bounds.min, bounds.max);
        kf::write_eof(pof);

        const uint32_t front_start = pof.pof_pos();
        if (front == 1)
            single_list(pof, slots, model, front_poly);
        else
            plain_bsp(pof, slots, model, front_min, max, key);
        kf::pof_patch_i32(pof, node + 36, static_cast<int32_t>(front_start - node));

        const uint32_t back_start = pof.pof_pos();
        if (back == 1)
            single_list(pof, slots, model, back_poly);
        else
            plain_bsp(pof, slots, model, min, back_max, key);
        kf::pof_patch_i32(pof, node + 40, static_cast<int32_t>(back_start - node));

        for (uint32_t field : {44u, 48u, 52u}) {
            kf::pof_patch_i32(pof, node + field, static_cast<int32_t>(pof.pof_pos() - node));
            kf::write_eof(pof);
        }
        return;
    }

    const uint32_t box = pof.pof_pos();
    kf::write_boundbox(pof, min, max);
    CornerBounds listed;
    for (uint32_t p = 0; p < model.Pcount(); ++p)
        if (is_key_in(model.model_poly[p], key, min, max)) {
            listed.extend(model, model.model_poly[p]);
            kf::write_poly_op(pof, slots, model, p);
        }
    const vec3 lo = listed.started ? listed.min : min, hi = listed.started ? listed.max : max;
    const float corners[6] = {lo.x, lo.y, lo.z, hi.x, hi.y, hi.z};
    for (uint32_t k = 0; k < 6; ++k) kf::pof_patch_f32(pof, box + 8 + 4 * k, corners[k]);
    kf::write_eof(pof);
}

} // namespace kfo
