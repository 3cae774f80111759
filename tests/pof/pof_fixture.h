// Helpers for the writer's tests: a maker that states a model in a few lines,
// a capture for the console report, and little-endian readers over bytes.
#pragma once

#include "bsp/bsp.h"
#include "model/model.h"
#include "pof/pof.h"
#include "support/capture.h"
#include "support/files.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace kfp {

using Bytes = std::vector<uint8_t>;

inline uint32_t u32_at(const Bytes& b, size_t at) {
    if (at + 4 > b.size()) throw std::out_of_range("read past the end at " + std::to_string(at));
    return kf::le_u32(b.data() + at);
}
inline int32_t i32_at(const Bytes& b, size_t at) { return static_cast<int32_t>(u32_at(b, at)); }
inline uint16_t u16_at(const Bytes& b, size_t at) {
    if (at + 2 > b.size()) throw std::out_of_range("read past the end at " + std::to_string(at));
    return kf::le_u16(b.data() + at);
}
inline float f32_at(const Bytes& b, size_t at) { return std::bit_cast<float>(u32_at(b, at)); }
inline std::array<float, 3> vec3_at(const Bytes& b, size_t at) {
    return {f32_at(b, at), f32_at(b, at + 4), f32_at(b, at + 8)};
}
inline std::string chars_at(const Bytes& b, size_t at, size_t n) {
    if (at + n > b.size()) throw std::out_of_range("read past the end at " + std::to_string(at));
    return {b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n)};
}
inline std::array<float, 3> arr(const kf::vec3& v) { return {v.x, v.y, v.z}; }
inline uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

// The float nearest a + b or a - b, computed once in double.
inline float fadd(float a, float b) { return static_cast<float>(static_cast<double>(a) + static_cast<double>(b)); }
inline float fsub(float a, float b) { return static_cast<float>(static_cast<double>(a) - static_cast<double>(b)); }

using Report = kft::Capture;

// "s3" and the like. Built by appending: prepending to a temporary string
// draws a false overflow warning from g++ 12 at -O3.
inline std::string numbered(const char* prefix, int n) {
    std::string name = prefix;
    name += std::to_string(n);
    return name;
}

// States a model directly. Vertices must be added in model order; each one
// appends its own normals, so the normal table stays grouped by vertex.
struct ModelMaker {
    kf::Model model;

    // The first call fills segment 0, later calls append.
    int32_t segment(const std::string& name, int32_t parent = -1, kf::vec3 offset = {}) {
        if (model.Scount > 0) model.segment.emplace_back();
        kf::Segment& s = model.segment.back();
        s.name = name;
        s.parent = parent;
        s.offset = offset;
        return static_cast<int32_t>(model.Scount++);
    }

    uint16_t vertex(int32_t seg, kf::vec3 position, uint32_t n_norms = 1, kf::vec3 normal = {0, 0, 1}) {
        model.vertex.push_back({position, seg, n_norms});
        for (uint32_t k = 0; k < n_norms; ++k) model.model_normal.push_back(normal);
        return static_cast<uint16_t>(model.vertex.size() - 1);
    }

    uint32_t first_normal(uint16_t v) const {
        uint32_t n = 0;
        for (uint16_t i = 0; i < v; ++i) n += model.vertex[i].n_norms;
        return n;
    }

    // A polygon over existing vertices, with the builder's center and radius;
    // each corner takes its vertex's first normal and distinct texture coordinates.
    uint32_t poly(int32_t seg, const std::vector<uint16_t>& corners, kf::PolyKind type = kf::POLY_FLAT,
                  int32_t color = 0) {
        kf::ModelPoly p;
        p.segment = seg;
        p.type = type;
        p.color_or_texture = color;
        p.n_points = static_cast<uint32_t>(corners.size());
        double sum[3] = {0, 0, 0};
        uint32_t c = 0;
        p.first_corner = static_cast<uint32_t>(model.model_corner.size());
        for (uint16_t v : corners) {
            model.model_corner.push_back({.vertex = v,
                                          .normal_index = first_normal(v),
                                          .u = 0.25f * static_cast<float>(c + 1),
                                          .v = -0.5f * static_cast<float>(c + 1)});
            const kf::vec3& q = model.vertex[v].position;
            sum[0] += q.x;
            sum[1] += q.y;
            sum[2] += q.z;
            ++c;
        }
        const double n = static_cast<double>(p.n_points);
        p.center = {static_cast<float>(sum[0] / n), static_cast<float>(sum[1] / n), static_cast<float>(sum[2] / n)};
        double radius = 0;
        for (uint32_t i = 0; i < p.n_points; ++i) {
            const kf::vec3& q = model.vertex[model.slot_vertex(p, i)].position;
            const double dx = static_cast<double>(q.x) - p.center.x, dy = static_cast<double>(q.y) - p.center.y,
                         dz = static_cast<double>(q.z) - p.center.z;
            radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
        p.radius = static_cast<float>(radius);
        if (p.n_points >= 3) {
            const kf::vec3 pts[3] = {model.vertex[model.slot_vertex(p, 0)].position,
                                     model.vertex[model.slot_vertex(p, 1)].position,
                                     model.vertex[model.slot_vertex(p, 2)].position};
            kf::face_normal(pts, p.normal);
        }
        model.model_poly.push_back(p);
        return static_cast<uint32_t>(model.model_poly.size() - 1);
    }

    // A triangle with its three corners on one new vertex at `at`: its center
    // and its corner bounds are exactly `at`.
    uint32_t dot(int32_t seg, kf::vec3 at, kf::PolyKind type = kf::POLY_FLAT) {
        const uint16_t v = vertex(seg, at);
        return poly(seg, {v, v, v}, type);
    }
};

// Writes the segment's point list into a scratch buffer so that the slots
// hold that segment's numbering.
inline void assign_slots(kf::Slots& slots, const kf::Model& model, int32_t segment) {
    kf::PofBuffer scratch;
    kf::write_defpoints(scratch, slots, model, segment, kft::discard_report());
}

} // namespace kfp
