#include "pof/pof.h"

#include "pof/bounds.h"

#include <cmath>

namespace kf {

namespace {

double d(float f) { return static_cast<double>(f); }

double length(const vec3& p) { return std::sqrt(d(p.x) * d(p.x) + d(p.y) * d(p.y) + d(p.z) * d(p.z)); }

// Box of a set of points and their largest distance from the origin.
struct Extent {
    Bounds box;
    double radius = 0.0;

    void add(const vec3& p) {
        const double r = length(p);
        if (box.empty || r > radius) radius = r;
        box.add(p);
    }
};

void put_zeros(PofBuffer& pof, int n) {
    for (int i = 0; i < n; ++i) pof_put_i32(pof, 0);
}

} // namespace

std::vector<int32_t> shield_neighbours(const Model& model, const std::vector<uint32_t>& faces) {
    const size_t n = faces.size();
    std::vector<int32_t> neighbour(3 * n, -1);
    for (size_t a = 0; a < n; ++a) {
        const auto va = model.corners(model.model_poly[faces[a]]);
        for (size_t b = 0; b < n; ++b) {
            const auto vb = model.corners(model.model_poly[faces[b]]);
            for (int i = 0; i < 3; ++i) {
                const int j = (i + 2) % 3;
                for (int e = 0; e < 3; ++e)
                    if (va[static_cast<size_t>(e)].vertex == vb[static_cast<size_t>(i)].vertex &&
                        va[static_cast<size_t>((e + 1) % 3)].vertex == vb[static_cast<size_t>(j)].vertex)
                        neighbour[3 * a + static_cast<size_t>(e)] = static_cast<int32_t>(b);
            }
        }
    }
    return neighbour;
}

int32_t file_number(const Model& model, int32_t segment) {
    const int32_t k = model.shield_segment;
    return k != 0 && segment > k ? segment - 1 : segment;
}

std::string texture_base_name(const std::string& path) {
    size_t start = 0, end = path.size();
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') start = i + 1;
        if (path[i] == '.') end = i;
    }
    // A dot only in a folder name does not cut the file name.
    if (end < start) end = path.size();
    return path.substr(start, end - start);
}

void write_txtr_chunk(PofBuffer& pof, const Model& model) {
    if (model.texture_name.empty()) return;
    uint32_t size = pof_begin_chunk(pof, ID_TXTR);
    pof_put_i32(pof, static_cast<int32_t>(model.texture_name.size()));
    for (const std::string& path : model.texture_name) pof_put_text(pof, texture_base_name(path));
    pof_end_chunk(pof, size);
}

void write_hdr2_chunk(PofBuffer& pof, const Model& model) {
    // Model-space positions: each vertex plus its own segment's absolute offset.
    // A model without vertices measures as the single point at the origin.
    Extent all;
    for (const ModelVertex& v : model.vertex)
        all.add(vec3_add(v.position, model.segment[static_cast<size_t>(v.segment)].offset));
    if (all.box.empty) all.add(vec3{});

    const int32_t subobjects = static_cast<int32_t>(model.Scount) - (model.shield_segment != 0 ? 1 : 0);
    uint32_t size = pof_begin_chunk(pof, ID_HDR2);
    pof_put_f32(pof, static_cast<float>(all.radius));
    pof_put_i32(pof, 1); // flags
    pof_put_i32(pof, subobjects);
    pof_put_vec3(pof, all.box.min);
    pof_put_vec3(pof, all.box.max);
    pof_put_i32(pof, static_cast<int32_t>(model.detail_list.size()));
    for (int32_t s : model.detail_list) pof_put_i32(pof, file_number(model, s));
    pof_put_i32(pof, static_cast<int32_t>(model.debris_list.size()));
    for (int32_t s : model.debris_list) pof_put_i32(pof, file_number(model, s));
    pof_put_f32(pof, 10000.0f); // mass
    put_zeros(pof, 3 + 9);      // mass center, moment of inertia
    put_zeros(pof, 2);          // no cross sections, no lights
    pof_end_chunk(pof, size);
}

void write_obj2_chunk(PofBuffer& pof, Slots& slots, const Model& model, uint32_t segment, FILE* out) {
    const auto s = static_cast<int32_t>(segment);
    const Segment& seg = model.segment[segment];
    Extent own; // in the segment's own frame
    for (uint32_t i : slots.segment_vertices(s)) own.add(model.vertex[i].position);
    if (own.box.empty) own.add(vec3{});

    vec3 offset;
    if (segment != 0)
        offset = seg.parent == -1 ? seg.offset
                                  : vec3_sub(seg.offset, model.segment[static_cast<size_t>(seg.parent)].offset);

    uint32_t size = pof_begin_chunk(pof, ID_OBJ2);
    pof_put_i32(pof, file_number(model, s));
    pof_put_f32(pof, static_cast<float>(own.radius));
    pof_put_i32(pof, file_number(model, seg.parent));
    pof_put_vec3(pof, offset);
    pof_put_vec3(pof, vec3{}); // geometric center
    pof_put_vec3(pof, own.box.min);
    pof_put_vec3(pof, own.box.max);
    pof_put_text(pof, seg.name);
    pof_put_i32(pof, 4); // properties: four zero bytes
    pof_put_i32(pof, 0);
    pof_put_i32(pof, -1); // movement type
    pof_put_i32(pof, -1); // movement axis
    pof_put_i32(pof, 0);  // reserved
    uint32_t data_size = pof.pof_pos();
    pof_put_i32(pof, static_cast<int32_t>(SIZE_PLACEHOLDER));
    write_defpoints(pof, slots, model, s, out);
    build_bsp(pof, slots, model, widen_min(own.box.min), root_box_max(own.box.max), s);
    write_eof(pof);
    pof_end_chunk(pof, size);
    pof_end_chunk(pof, data_size);
}

void write_shld_chunk(PofBuffer& pof, Slots& slots, const Model& model, FILE* out) {
    const int32_t k = model.shield_segment;
    if (k == 0) return;
    std::fprintf(out, " Shield: Segment = %d\n", k);
    slots.next_vertex_slot = 0;
    int32_t n_verts = 0;
    for (uint32_t i = 0; i < model.Vcount(); ++i) {
        if (model.vertex[i].segment != k) continue;
        slots.vertex_slot[i] = slots.next_vertex_slot++;
        ++n_verts;
    }
    std::fprintf(out, " Shield: n_verts = %d\n", n_verts);

    std::vector<uint32_t> faces;
    for (uint32_t p = 0; p < model.Pcount(); ++p) {
        if (model.model_poly[p].segment != k) continue;
        faces.push_back(p);
        if (faces.size() > SHIELD_MAX) throw Fatal(" Shield polys > SHIELD_MAX \n");
        if (model.model_poly[p].n_points != 3) throw Fatal(" Shield error: corners != 3 \n");
    }
    std::fprintf(out, " Shield: n_faces = %d\n", static_cast<int>(faces.size()));

    const size_t n = faces.size();
    const std::vector<int32_t> neighbour = shield_neighbours(model, faces);

    uint32_t size = pof_begin_chunk(pof, ID_SHLD);
    pof_put_i32(pof, n_verts);
    for (const ModelVertex& v : model.vertex)
        if (v.segment == k) pof_put_vec3(pof, v.position);
    pof_put_i32(pof, static_cast<int32_t>(n));
    for (size_t f = 0; f < n; ++f) {
        const ModelPoly& poly = model.model_poly[faces[f]];
        pof_put_vec3(pof, poly.normal);
        for (const ModelCorner& c : model.corners(poly)) pof_put_i32(pof, slots.vertex_slot[c.vertex]);
        for (size_t e = 0; e < 3; ++e) pof_put_i32(pof, neighbour[3 * f + e]);
    }
    pof_end_chunk(pof, size);
}

void write_pinf_chunk(PofBuffer& pof) {
    uint32_t size = pof_begin_chunk(pof, ID_PINF);
    pof_put_chars(pof, banner);
    pof_end_chunk(pof, size);
}

} // namespace kf
