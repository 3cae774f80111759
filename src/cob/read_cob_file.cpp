#include "cob/reader.h"

#include "bytes.h"

namespace kf {

namespace {

constexpr uint32_t TAG_POLH = fourcc("PolH");
constexpr uint32_t TAG_MAT1 = fourcc("Mat1");
constexpr uint32_t TAG_GROU = fourcc("Grou");
constexpr uint32_t TAG_END = fourcc("END ");

constexpr size_t FILE_HEADER_SIZE = 32;
constexpr size_t BINARY_MARK_OFFSET = 15;

ChunkHeader read_chunk_header(Cursor& in) {
    ChunkHeader h;
    h.tag = in.u32();
    in.u16(); // major version
    in.u16(); // minor version
    h.chunk_id = in.i32();
    h.parent_id = in.i32();
    h.data_size = in.i32();
    h.chunk_start = in.pos;
    return h;
}

} // namespace

const TextureMap& Scene::placement(int32_t m) const {
    static const TextureMap none{};
    if (m < 0 || static_cast<size_t>(m) >= texture_map.size()) return none;
    return texture_map[static_cast<size_t>(m)];
}

void read_cob_file(std::span<const uint8_t> file, Scene& scene, FILE* out) {
    Cursor in;
    in.data = file;
    read_cob_file(in, scene, out);
}

void read_cob_file(Cursor& in, Scene& scene, FILE* out) {
    std::fprintf(out, " Reading input file...\n");
    uint8_t header[FILE_HEADER_SIZE];
    in.bytes(header, sizeof header);
    if (header[BINARY_MARK_OFFSET] != 'B') throw Fatal(" Error: the input file needs to be in the bin format.\n");

    scene = Scene{};
    // Room for every table at its limit: the tables never move while they
    // grow, and room that a scene does not fill is never touched.
    scene.cob_vertex.reserve(VEC_MAX);
    scene.cob_uv.reserve(UV_MAX);
    scene.cob_face.reserve(POLY_MAX);
    scene.cob_corner.reserve(size_t{POLY_MAX} * POINTS_MAX);
    ReaderState state;
    for (;;) {
        ChunkHeader chunk = read_chunk_header(in);
        std::fprintf(out, " the data type is '%lx'", static_cast<unsigned long>(chunk.tag));
        if (chunk.data_size < 0) throw Fatal(" Error: negative chunk data size");
        chunk.chunk_end = chunk.chunk_start + static_cast<size_t>(chunk.data_size);

        if (chunk.tag == TAG_END) {
            std::fprintf(out, " End... \n");
            return;
        }
        if (chunk.tag == TAG_POLH) {
            read_polh_chunk(in, chunk, scene, state, out);
        } else if (chunk.tag == TAG_MAT1) {
            read_mat1_chunk(in, chunk, scene, out);
        } else if (chunk.tag == TAG_GROU) {
            read_grou_chunk(in, chunk, scene, state, out);
        } else {
            std::fprintf(out, " New... (");
            for (int i = 0; i < 4; ++i) std::fputc(static_cast<int>((chunk.tag >> (8 * i)) & 0xff), out);
            std::fprintf(out, ")\n");
        }
        // Every chunk, whatever its reader consumed, is left at its end.
        in.leave_chunk();
        in.pos = chunk.chunk_end;
    }
}

} // namespace kf
