// The POF reader and validator. Every value is read through Bytes, which
// checks the range first; a problem is thrown as Problem and caught in parse,
// so the first one found is the one reported. This file reads the file head
// and the chunks; the model data walk and the cross checks have files of
// their own.
#include "pofinfo/pofread_parts.h"

#include <utility>

namespace pofread {
namespace detail {

namespace {

void read_txtr(const Bytes& in, Model& m, size_t body, size_t end) {
    int32_t n = count_field(in, body, end, "TXTR texture count");
    size_t pos = body + 4;
    // Each entry takes at least its length field: a count larger than that cannot fit.
    if (static_cast<size_t>(n) > (end - pos) / kf::TEXT_LENGTH_SIZE)
        fail(body, format("TXTR texture count %d cannot fit in the chunk's %zu bytes", n, end - body));
    for (int32_t t = 0; t < n; ++t) m.textures.push_back(counted_text(in, pos, end, "TXTR texture name"));
    expect_chunk_end(pos, end, "TXTR");
    m.has_textures = true;
}

void read_hdr2(const Bytes& in, Model& m, size_t body, size_t end) {
    Header& h = m.header;
    h.radius = in.f32(body + kf::HDR2_RADIUS, end, "HDR2 radius");
    h.flags = in.i32(body + kf::HDR2_FLAGS, end, "HDR2 flags");
    h.subobject_count = count_field(in, body + kf::HDR2_SUBOBJECT_COUNT, end, "HDR2 subobject count");
    h.box_min = in.vec3(body + kf::HDR2_BOX_MIN, end, "HDR2 box min");
    h.box_max = in.vec3(body + kf::HDR2_BOX_MAX, end, "HDR2 box max");
    size_t pos = body + kf::HDR2_DETAIL_LIST;
    for (auto [list, what] : {std::pair{&h.detail, "HDR2 detail count"}, std::pair{&h.debris, "HDR2 debris count"}}) {
        int32_t n = count_field(in, pos, end, what);
        if (static_cast<size_t>(n) > (end - pos - 4) / 4)
            fail(pos, format("%s %d cannot fit in the chunk", what, n));
        pos += 4;
        for (int32_t i = 0; i < n; ++i, pos += 4) list->push_back(in.i32(pos, end, what));
    }
    h.mass = in.f32(pos, end, "HDR2 mass");
    h.mass_center = in.vec3(pos + kf::MASS_CENTER, end, "HDR2 mass center");
    for (size_t i = 0; i < 9; ++i) h.inertia[i] = in.f32(pos + kf::MASS_INERTIA + 4 * i, end, "HDR2 moment of inertia");
    pos += kf::MASS_BLOCK_SIZE;
    h.cross_sections = in.i32(pos, end, "HDR2 cross-section count");
    h.lights = in.i32(pos + 4, end, "HDR2 light count");
    if (h.cross_sections != 0) fail(pos, format("HDR2 cross-section count is %d; only 0 is written", h.cross_sections));
    if (h.lights != 0) fail(pos + 4, format("HDR2 light count is %d; only 0 is written", h.lights));
    expect_chunk_end(pos + kf::HDR2_TAIL_SIZE, end, "HDR2");
    m.has_header = true;
}

void read_obj2(const Bytes& in, Model& m, size_t body, size_t end) {
    Subobject s;
    s.chunk_offset = body - kf::CHUNK_HEAD_SIZE;
    s.number = in.i32(body + kf::OBJ2_NUMBER, end, "OBJ2 subobject number");
    const int32_t expected = static_cast<int32_t>(m.subobjects.size());
    if (s.number != expected)
        fail(body, format("OBJ2 subobject number %d, expected %d (the chunks are numbered in file order)", s.number,
                          expected));
    s.radius = in.f32(body + kf::OBJ2_RADIUS, end, "OBJ2 radius");
    s.parent = in.i32(body + kf::OBJ2_PARENT, end, "OBJ2 parent");
    s.offset = in.vec3(body + kf::OBJ2_OFFSET, end, "OBJ2 offset");
    s.center = in.vec3(body + kf::OBJ2_CENTER, end, "OBJ2 center");
    s.box_min = in.vec3(body + kf::OBJ2_BOX_MIN, end, "OBJ2 box min");
    s.box_max = in.vec3(body + kf::OBJ2_BOX_MAX, end, "OBJ2 box max");
    size_t pos = body + kf::OBJ2_NAME;
    s.name = counted_text(in, pos, end, "OBJ2 name");
    s.properties = counted_text(in, pos, end, "OBJ2 properties");
    s.movement_type = in.i32(pos + kf::OBJ2_MOVEMENT_TYPE, end, "OBJ2 movement type");
    s.movement_axis = in.i32(pos + kf::OBJ2_MOVEMENT_AXIS, end, "OBJ2 movement axis");
    s.reserved = in.i32(pos + kf::OBJ2_RESERVED, end, "OBJ2 reserved field");
    int32_t data_size = count_field(in, pos + kf::OBJ2_DATA_SIZE, end, "OBJ2 model data size");
    s.data_offset = pos + kf::OBJ2_TAIL_SIZE;
    if (static_cast<size_t>(data_size) != end - s.data_offset)
        fail(pos + kf::OBJ2_DATA_SIZE, format("OBJ2 model data size %d, but %zu bytes remain in the chunk", data_size,
                              end - std::min(end, s.data_offset)));
    s.data_size = static_cast<uint32_t>(data_size);
    m.subobjects.push_back(std::move(s));

    Subobject& added = m.subobjects.back();
    walk_model_data(in, added, m, added.data_offset, end);
}

void read_shld(const Bytes& in, Model& m, size_t body, size_t end) {
    Shield sh;
    int32_t nv = count_field(in, body, end, "SHLD vertex count");
    if (static_cast<size_t>(nv) > (end - body - 4) / kf::VEC3_SIZE)
        fail(body, format("SHLD vertex count %d cannot fit in the chunk", nv));
    size_t pos = body + 4;
    for (int32_t i = 0; i < nv; ++i, pos += kf::VEC3_SIZE) sh.vertices.push_back(in.vec3(pos, end, "SHLD vertex"));
    int32_t nf = count_field(in, pos, end, "SHLD face count");
    if (static_cast<size_t>(nf) > (end - pos - 4) / kf::SHLD_FACE_SIZE)
        fail(pos, format("SHLD face count %d cannot fit in the chunk", nf));
    pos += 4;
    for (int32_t f = 0; f < nf; ++f, pos += kf::SHLD_FACE_SIZE) {
        ShieldFace face;
        face.normal = in.vec3(pos + kf::SHLD_FACE_NORMAL, end, "SHLD face normal");
        for (size_t i = 0; i < 3; ++i) {
            const size_t at = pos + kf::SHLD_FACE_VERTICES + 4 * i;
            face.vertex[i] = in.i32(at, end, "SHLD face vertex");
            if (face.vertex[i] < 0 || face.vertex[i] >= nv)
                fail(at, format("SHLD face %d: vertex %d is not below the vertex count %d", f,
                                              face.vertex[i], nv));
        }
        for (size_t i = 0; i < 3; ++i) {
            const size_t at = pos + kf::SHLD_FACE_NEIGHBOURS + 4 * i;
            face.neighbour[i] = in.i32(at, end, "SHLD face neighbour");
            if (face.neighbour[i] < -1 || face.neighbour[i] >= nf)
                fail(at, format("SHLD face %d: neighbour %d is neither -1 nor below the face count %d",
                                              f, face.neighbour[i], nf));
            if (face.neighbour[i] == -1) ++sh.open_edges;
        }
        sh.faces.push_back(face);
    }
    expect_chunk_end(pos, end, "SHLD");
    m.shield = std::move(sh);
}

void read_pinf(const Bytes& in, Model& m, size_t body, size_t end) {
    m.info = in.chars(body, end - body, end, "PINF text");
    m.has_info = true;
    for (char c : m.info) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\r' && c != '\t') || u == 0x7f) {
            m.warnings.push_back("PINF text holds control characters");
            break;
        }
    }
}

} // namespace

// Where each known chunk may stand: TXTR? HDR2 OBJ2* SHLD? PINF.
enum Stage { START, AFTER_TXTR, AFTER_HDR2, AFTER_SHLD, AFTER_PINF };

void read_chunks(const Bytes& in, Model& m) {
    Stage stage = START;
    size_t hdr2_body = 0;
    size_t pos = kf::POF_HEAD_SIZE;
    while (pos < in.size()) {
        if (in.size() - pos < kf::CHUNK_HEAD_SIZE)
            fail(pos, format("%zu bytes after the last chunk, too few for a chunk head", in.size() - pos));
        Chunk c;
        c.offset = pos;
        c.id = printable_id(in, pos);
        int32_t size = in.i32(pos + 4, in.size(), "chunk size");
        if (size < 0) fail(pos + 4, format("chunk %s: size %d is negative", c.id.c_str(), size));
        if (static_cast<size_t>(size) > in.size() - pos - kf::CHUNK_HEAD_SIZE)
            fail(pos + 4, format("chunk %s: size %d runs past the end of the file (%zu bytes left)", c.id.c_str(), size,
                                 in.size() - pos - kf::CHUNK_HEAD_SIZE));
        c.size = static_cast<uint32_t>(size);
        const size_t body = pos + kf::CHUNK_HEAD_SIZE, end = body + c.size;
        const uint32_t id = in.u32(pos, in.size(), "chunk id");
        c.known = id == kf::ID_TXTR || id == kf::ID_HDR2 || id == kf::ID_OBJ2 || id == kf::ID_SHLD || id == kf::ID_PINF;
        m.chunks.push_back(c);
        if (c.known && stage == AFTER_PINF) fail(pos, format("%s chunk after PINF, which must be the last", c.id.c_str()));
        if (id == kf::ID_TXTR) {
            if (stage != START) fail(pos, "TXTR chunk after HDR2 or a second TXTR; it must come first");
            read_txtr(in, m, body, end);
            stage = AFTER_TXTR;
        } else if (id == kf::ID_HDR2) {
            if (stage > AFTER_TXTR) fail(pos, "a second HDR2 chunk");
            read_hdr2(in, m, body, end);
            hdr2_body = body;
            stage = AFTER_HDR2;
        } else if (id == kf::ID_OBJ2) {
            if (stage < AFTER_HDR2) fail(pos, "OBJ2 chunk before the HDR2 chunk");
            if (stage > AFTER_HDR2) fail(pos, "OBJ2 chunk after the SHLD chunk");
            read_obj2(in, m, body, end);
        } else if (id == kf::ID_SHLD) {
            if (stage < AFTER_HDR2) fail(pos, "SHLD chunk before the HDR2 chunk");
            if (stage > AFTER_HDR2) fail(pos, "a second SHLD chunk");
            read_shld(in, m, body, end);
            stage = AFTER_SHLD;
        } else if (id == kf::ID_PINF) {
            if (stage < AFTER_HDR2) fail(pos, "PINF chunk before the HDR2 chunk");
            read_pinf(in, m, body, end);
            stage = AFTER_PINF;
        } else {
            m.warnings.push_back(format("unknown chunk \"%s\" (%u bytes) at offset %zu skipped", c.id.c_str(), c.size, pos));
        }
        pos = end;
    }
    if (!m.has_header) fail(in.size(), "the file has no HDR2 chunk");
    if (!m.has_info) fail(in.size(), "the file has no PINF chunk; it must close the file");

    check_cross_references(m, hdr2_body);
}

} // namespace detail

Model parse(std::span<const uint8_t> bytes) {
    using namespace detail;
    Model m;
    m.file_size = bytes.size();
    const Bytes in{bytes};
    try {
        if (bytes.size() < kf::POF_HEAD_SIZE)
            fail(0, format("the file is %zu bytes long, too short for the 8-byte file head", bytes.size()));
        if (in.u32(0, in.size(), "magic") != kf::POF_MAGIC) fail(0, "the file does not start with the magic \"PSPO\"");
        m.version = in.i32(kf::POF_HEAD_VERSION, in.size(), "version");
        if (m.version != kf::POF_VERSION) fail(kf::POF_HEAD_VERSION, format("format version %d, expected %d", m.version, kf::POF_VERSION));
        read_chunks(in, m);
        m.ok = true;
    } catch (const Problem& p) {
        m.ok = false;
        m.problem = p.message;
        m.problem_offset = p.offset;
    }
    return m;
}

Validation validate(std::span<const uint8_t> bytes) {
    Model m = parse(bytes);
    return {m.ok, m.problem, m.problem_offset, std::move(m.warnings)};
}

const char* op_name(int32_t id) {
    switch (id) {
    case kf::OP_EOF: return "OP_EOF";
    case kf::OP_DEFPOINTS: return "OP_DEFPOINTS";
    case kf::OP_FLATPOLY: return "OP_FLATPOLY";
    case kf::OP_TMAPPOLY: return "OP_TMAPPOLY";
    case kf::OP_SORTNORM: return "OP_SORTNORM";
    case kf::OP_BOUNDBOX: return "OP_BOUNDBOX";
    default: return "unknown";
    }
}

} // namespace pofread
