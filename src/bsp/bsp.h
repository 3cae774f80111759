// Model data inside each subobject: the point list, the polygon and box
// opcodes and the BSP tree that orders them.
#pragma once

#include "model/model.h"
#include "pof/bounds.h"
#include "pof/format.h"
#include "pof/pof_buffer.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

namespace kf {

// Position of each model vertex and normal in its subobject's point list,
// assigned by write_defpoints and read by the polygon opcodes. The shield
// writer reuses vertex_slot for its own numbering.
//
// With them, the finished model's vertices and polygons grouped by segment
// (each group in index order) and each vertex's first normal, measured once
// so that writing a segment walks its own share of the tables only.
struct Slots {
    std::vector<uint16_t> vertex_slot; // one per model vertex
    std::vector<uint16_t> normal_slot; // one per model normal
    uint16_t next_vertex_slot = 0;
    uint16_t next_normal_slot = 0;

    std::vector<uint32_t> first_normal; // one per model vertex
    std::vector<uint32_t> vertex_start, vertices; // segment s: vertices[vertex_start[s] .. vertex_start[s + 1])
    std::vector<uint32_t> poly_start, polys;      // likewise for the polygons

    explicit Slots(const Model& model);

    std::span<const uint32_t> segment_vertices(int32_t segment) const;
    std::span<const uint32_t> segment_polys(int32_t segment) const;
};

void write_eof(PofBuffer& pof);
void write_poly_op(PofBuffer& pof, const Slots& slots, const Model& model, uint32_t poly);
void write_sortnorm(PofBuffer& pof, vec3 normal, vec3 point, vec3 min, vec3 max);
void write_boundbox(PofBuffer& pof, vec3 min, vec3 max);
void write_defpoints(PofBuffer& pof, Slots& slots, const Model& model, int32_t segment, FILE* out);
void build_bsp(PofBuffer& pof, const Slots& slots, const Model& model, vec3 min, vec3 max, int32_t segment);

// a - BOX_MARGIN and a + BOX_MARGIN per component, each rounded once.
vec3 widen_min(vec3 a);
vec3 widen_max(vec3 a);

// Upper corner of a subobject's root tree box: `max` widened by BOX_MARGIN,
// except on an axis where the margin is lost to rounding (magnitudes of
// 32768 and more): there it is the next float above `max`. The tree's boxes
// are open above, so without this a polygon centred on the segment's top,
// right or front side would lie in no box and be left out.
vec3 root_box_max(vec3 max);

} // namespace kf
