#include "bsp/bsp.h"

namespace kf {

void write_defpoints(PofBuffer& pof, Slots& slots, const Model& model, int32_t segment, FILE* out) {
    std::fprintf(out, " doing 1: Segment = %d\n", segment);
    int32_t n_verts = 0, n_norms = 0;
    for (const ModelVertex& v : model.vertex) {
        if (v.segment != segment) continue;
        ++n_verts;
        n_norms += static_cast<int32_t>(v.n_norms);
    }
    std::fprintf(out, " doing 1: n_verts = %d\n", n_verts);
    std::fprintf(out, " doing 1: n_norms = %d\n", n_norms);

    const int32_t padded = (n_verts + 3) / 4 * 4;
    uint32_t start = pof_begin_op(pof, OP_DEFPOINTS);
    pof_put_i32(pof, n_verts);
    pof_put_i32(pof, n_norms);
    pof_put_i32(pof, static_cast<int32_t>(DEFPOINTS_NORMAL_COUNTS) + padded);
    for (const ModelVertex& v : model.vertex)
        if (v.segment == segment) pof_put_u8(pof, static_cast<uint8_t>(v.n_norms));
    for (int32_t i = n_verts; i < padded; ++i) pof_put_u8(pof, 0);

    // Each vertex's normals follow those of every lower-numbered vertex in
    // the normal table, whatever their segment.
    slots.next_vertex_slot = 0;
    slots.next_normal_slot = 0;
    uint32_t first_normal = 0;
    for (uint32_t i = 0; i < model.Vcount(); ++i) {
        const ModelVertex& v = model.vertex[i];
        if (v.segment == segment) {
            pof_put_vec3(pof, v.position);
            slots.vertex_slot[i] = slots.next_vertex_slot++;
            for (uint32_t k = first_normal; k < first_normal + v.n_norms; ++k) {
                pof_put_vec3(pof, model.model_normal[k]);
                slots.normal_slot[k] = slots.next_normal_slot++;
            }
        }
        first_normal += v.n_norms;
    }
    pof_end_op(pof, start);
}

} // namespace kf
