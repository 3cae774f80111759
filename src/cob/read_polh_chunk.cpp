#include "cob/reader.h"

namespace kf {

namespace {

constexpr uint8_t FACE_HOLE = 0x08;

// World position of an object-space point through the object's current
// position matrix (3 rows of 4 floats), each row computed in double and
// rounded once.
vec3 to_world(const float m[12], float x, float y, float z) {
    auto row = [&](int i) {
        const float* r = m + 4 * i;
        return static_cast<float>(static_cast<double>(r[0]) * x + static_cast<double>(r[1]) * y +
                                  static_cast<double>(r[2]) * z + static_cast<double>(r[3]));
    };
    return {row(0), row(1), row(2)};
}

void read_vertices(Cursor& in, const float matrix[12], Scene& scene, FILE* out, uint32_t& count) {
    count = in.u32();
    std::fprintf(out, "   n_vertix=%ld\n", static_cast<long>(count));
    auto section = static_cast<int32_t>(scene.cob_scount() - 1);
    for (uint32_t i = 0; i < count; ++i) {
        float x = in.f32(), y = in.f32(), z = in.f32();
        if (scene.cob_vcount() + 1 > VEC_MAX) throw Fatal(" Error: Vertices > VEC_MAX");
        scene.cob_vertex.push_back({to_world(matrix, x, y, z), section, static_cast<int32_t>(scene.chunknum)});
    }
}

void read_uvs(Cursor& in, Scene& scene, uint32_t& count) {
    count = in.u32();
    for (uint32_t i = 0; i < count; ++i) {
        float u = in.f32(), v = in.f32();
        if (scene.UVcount() + 1 > UV_MAX) throw Fatal(" Error: UVcount > VEC_MAX*2");
        scene.cob_uv.push_back({u, v});
    }
}

// A corner index must name an entry of its own object's list.
int32_t global_index(int32_t local, uint32_t object_count, uint32_t first, const char* message) {
    if (local < 0 || static_cast<uint32_t>(local) >= object_count) throw Fatal(message);
    return static_cast<int32_t>(first + static_cast<uint32_t>(local));
}

void read_faces(Cursor& in, Scene& scene, FILE* out, uint32_t first_vertex, uint32_t n_vertices,
                uint32_t first_uv, uint32_t n_uvs) {
    uint32_t count = in.u32();
    std::fprintf(out, "   n_facehole=%ld\n", static_cast<long>(count));
    for (uint32_t f = 0; f < count; ++f) {
        CobFace face;
        uint8_t flags = in.u8();
        face.n_points = in.u16();
        if (face.n_points > POINTS_MAX) throw Fatal(" Error: Polygon points > 20");
        if (!(flags & FACE_HOLE)) {
            face.material_id = in.u16();
            face.color_or_texture = face.material_id;
        }
        face.first_corner = static_cast<uint32_t>(scene.cob_corner.size());
        for (uint32_t j = 0; j < face.n_points; ++j) {
            int32_t v = in.i32();
            int32_t t = in.i32();
            CobCorner& corner = scene.cob_corner.emplace_back();
            corner.vertex =
                global_index(v, n_vertices, first_vertex, " Error: face corner names a vertex outside its object");
            corner.uv = global_index(t, n_uvs, first_uv,
                                     " Error: face corner names a texture coordinate outside its object");
        }
        face.section = static_cast<int32_t>(scene.cob_scount() - 1);
        face.chunk = static_cast<int32_t>(scene.chunknum);
        face.type = POLY_TMAPPED;
        if (scene.cob_pcount() + 1 > POLY_MAX) throw Fatal(" Error: Polygons > POLY_MAX");
        scene.cob_face.push_back(face);
    }
}

} // namespace

void read_polh_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, ReaderState& state, FILE* out) {
    in.enter_chunk(chunk.chunk_end, "PolH");
    std::fprintf(out, " Polh... ");
    if (scene.cob_scount() == 0) {
        scene.cob_section.emplace_back(); // implicit section: empty name, origin, parent 0
        state.ungrouped = true;
    }
    uint32_t first_vertex = scene.cob_vcount();
    uint32_t first_uv = scene.UVcount();

    uint16_t dupecount = in.u16();
    uint16_t name_length = in.u16();
    std::fprintf(out, "Polh name: ");
    for (uint32_t i = 0; i < name_length; ++i) std::fputc(in.u8(), out);
    std::fprintf(out, ",%d\n", dupecount);

    float transform[TRANSFORM_FLOATS];
    for (float& f : transform) f = in.f32();

    uint32_t n_vertices = 0, n_uvs = 0;
    read_vertices(in, transform + TRANSFORM_POSITION, scene, out, n_vertices);
    read_uvs(in, scene, n_uvs);
    read_faces(in, scene, out, first_vertex, n_vertices, first_uv, n_uvs);

    if (++scene.chunknum > SOBJ_MAX) throw Fatal(" Error: chunk number > SOBJ_MAX");
    std::fprintf(out, " V=%d, P=%d, UV=%d, S=%d\n", static_cast<int>(scene.cob_vcount()),
                 static_cast<int>(scene.cob_pcount()), static_cast<int>(scene.UVcount()),
                 static_cast<int>(scene.cob_scount() - 1));
}

} // namespace kf
