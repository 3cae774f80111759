#include "bsp/bsp.h"

namespace kf {

namespace {

// Groups the numbers 0 .. n-1 by the segment `segment_of` gives them, each
// group in order; numbers whose segment is not one of the model's belong to none.
template <typename SegmentOf>
void group_by_segment(size_t n, size_t segments, SegmentOf segment_of, std::vector<uint32_t>& start,
                      std::vector<uint32_t>& members) {
    start.assign(segments + 1, 0);
    auto valid = [&](int32_t s) { return s >= 0 && static_cast<size_t>(s) < segments; };
    for (size_t i = 0; i < n; ++i)
        if (const int32_t s = segment_of(i); valid(s)) ++start[static_cast<size_t>(s) + 1];
    for (size_t s = 1; s <= segments; ++s) start[s] += start[s - 1];
    members.resize(start[segments]);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < n; ++i)
        if (const int32_t s = segment_of(i); valid(s)) members[fill[static_cast<size_t>(s)]++] = static_cast<uint32_t>(i);
}

std::span<const uint32_t> group(const std::vector<uint32_t>& start, const std::vector<uint32_t>& members,
                                int32_t segment) {
    if (segment < 0 || static_cast<size_t>(segment) + 1 >= start.size()) return {};
    const size_t s = static_cast<size_t>(segment);
    return {members.data() + start[s], start[s + 1] - start[s]};
}

} // namespace

Slots::Slots(const Model& model)
    : vertex_slot(model.Vcount()), normal_slot(model.n_normals()), first_normal(model.Vcount()) {
    uint32_t normals = 0;
    for (uint32_t i = 0; i < model.Vcount(); ++i) {
        first_normal[i] = normals;
        normals += model.vertex[i].n_norms;
    }
    const size_t segments = model.segment.size();
    group_by_segment(model.Vcount(), segments, [&](size_t i) { return model.vertex[i].segment; }, vertex_start, vertices);
    group_by_segment(model.Pcount(), segments, [&](size_t p) { return model.model_poly[p].segment; }, poly_start, polys);
}

std::span<const uint32_t> Slots::segment_vertices(int32_t segment) const { return group(vertex_start, vertices, segment); }
std::span<const uint32_t> Slots::segment_polys(int32_t segment) const { return group(poly_start, polys, segment); }

void write_defpoints(PofBuffer& pof, Slots& slots, const Model& model, int32_t segment, FILE* out) {
    std::fprintf(out, " doing 1: Segment = %d\n", segment);
    const std::span<const uint32_t> own = slots.segment_vertices(segment);
    int32_t n_verts = 0, n_norms = 0;
    for (uint32_t i : own) {
        ++n_verts;
        n_norms += static_cast<int32_t>(model.vertex[i].n_norms);
    }
    std::fprintf(out, " doing 1: n_verts = %d\n", n_verts);
    std::fprintf(out, " doing 1: n_norms = %d\n", n_norms);

    const int32_t padded = (n_verts + 3) / 4 * 4;
    uint32_t start = pof_begin_op(pof, OP_DEFPOINTS);
    pof_put_i32(pof, n_verts);
    pof_put_i32(pof, n_norms);
    pof_put_i32(pof, static_cast<int32_t>(DEFPOINTS_NORMAL_COUNTS) + padded);
    for (uint32_t i : own) pof_put_u8(pof, static_cast<uint8_t>(model.vertex[i].n_norms));
    for (int32_t i = n_verts; i < padded; ++i) pof_put_u8(pof, 0);

    // Each vertex's normals follow those of every lower-numbered vertex in
    // the normal table, whatever their segment.
    slots.next_vertex_slot = 0;
    slots.next_normal_slot = 0;
    for (uint32_t i : own) {
        const ModelVertex& v = model.vertex[i];
        pof_put_vec3(pof, v.position);
        slots.vertex_slot[i] = slots.next_vertex_slot++;
        for (uint32_t k = slots.first_normal[i]; k < slots.first_normal[i] + v.n_norms; ++k) {
            pof_put_vec3(pof, model.model_normal[k]);
            slots.normal_slot[k] = slots.next_normal_slot++;
        }
    }
    pof_end_op(pof, start);
}

} // namespace kf
