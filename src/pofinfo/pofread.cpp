// The POF reader and validator. Every value is read through Bytes, which
// checks the range first; a problem is thrown as Problem and caught in parse,
// so the first one found is the one reported.
#include "pofinfo/pofread.h"


#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <utility>

namespace pofread {
namespace {

struct Problem {
    size_t offset;
    std::string message;
};

[[gnu::format(printf, 1, 2)]] std::string format(const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

[[noreturn]] void fail(size_t offset, std::string message) { throw Problem{offset, std::move(message)}; }

// Bounds-checked little-endian access to the file's bytes. `what` names the
// field in the message when it does not fit.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> bytes) : b_(bytes) {}

    size_t size() const { return b_.size(); }
    bool fits(size_t offset, size_t n, size_t end) const { return offset <= end && n <= end - offset; }

    void need(size_t offset, size_t n, size_t end, const char* what) const {
        if (!fits(offset, n, end))
            fail(std::min(offset, end), format("%s runs past the end of its %s (needs %zu bytes, %zu left)", what,
                                               end == b_.size() ? "file" : "data", n,
                                               offset <= end ? end - offset : size_t{0}));
    }

    uint8_t u8(size_t offset, size_t end, const char* what) const {
        need(offset, 1, end, what);
        return b_[offset];
    }
    uint16_t u16(size_t offset, size_t end, const char* what) const {
        need(offset, 2, end, what);
        return kf::le_u16(b_.data() + offset);
    }
    uint32_t u32(size_t offset, size_t end, const char* what) const {
        need(offset, 4, end, what);
        return kf::le_u32(b_.data() + offset);
    }
    int32_t i32(size_t offset, size_t end, const char* what) const {
        return static_cast<int32_t>(u32(offset, end, what));
    }
    float f32(size_t offset, size_t end, const char* what) const {
        need(offset, 4, end, what);
        return kf::le_f32(b_.data() + offset);
    }
    Vec3 vec3(size_t offset, size_t end, const char* what) const {
        need(offset, kf::VEC3_SIZE, end, what);
        return {f32(offset, end, what), f32(offset + 4, end, what), f32(offset + 8, end, what)};
    }
    std::string chars(size_t offset, size_t n, size_t end, const char* what) const {
        need(offset, n, end, what);
        return {reinterpret_cast<const char*>(b_.data() + offset), n};
    }

private:
    std::span<const uint8_t> b_;
};

// Text shown in messages for a four-character id read from the file.
std::string printable_id(const Bytes& in, size_t offset) {
    std::string id = in.chars(offset, 4, in.size(), "chunk id");
    for (char& c : id)
        if (c < 0x20 || c > 0x7e) c = '?';
    return id;
}

// A counted text (int32 length, then the characters) inside [.., end).
std::string counted_text(const Bytes& in, size_t& pos, size_t end, const char* what) {
    int32_t n = in.i32(pos, end, what);
    if (n < 0) fail(pos, format("%s has the negative length %d", what, n));
    std::string text = in.chars(pos + kf::TEXT_LENGTH_SIZE, static_cast<size_t>(n), end, what);
    pos += kf::TEXT_LENGTH_SIZE + static_cast<size_t>(n);
    return text;
}

void expect_chunk_end(size_t pos, size_t end, const char* chunk) {
    if (pos != end)
        fail(pos, format("%s chunk: its fields end %zu bytes before the end given by its size", chunk, end - pos));
}

int32_t count_field(const Bytes& in, size_t offset, size_t end, const char* what) {
    int32_t n = in.i32(offset, end, what);
    if (n < 0) fail(offset, format("%s %d is negative", what, n));
    return n;
}

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

// Walks one subobject's model data: the point list, then every list reached
// from the top-level list, with an explicit stack so that no file can make it
// recurse. Each opcode may be reached once only, which bounds the walk by the
// data's size and rejects lists that overlap.
class ModelDataWalk {
public:
    ModelDataWalk(const Bytes& in, Subobject& s, const Model& m, size_t start, size_t end)
        : in_(in), s_(s), m_(m), start_(start), end_(end), seen_((end - start) / 4 + 1, false) {}

    void run() {
        read_defpoints();
        // The final OP_EOF closes the model data: the last 8 bytes.
        if (end_ - next_ < kf::OP_HEAD_SIZE)
            fail(next_, format("model data of subobject %d ends without its closing OP_EOF", s_.number));
        final_eof_ = end_ - kf::OP_HEAD_SIZE;
        if (in_.i32(final_eof_, end_, "closing OP_EOF") != kf::OP_EOF ||
            in_.i32(final_eof_ + kf::OP_SIZE, end_, "OP_EOF") != 0)
            fail(final_eof_, format("model data of subobject %d does not end with an OP_EOF (id 0, size 0)", s_.number));
        mark(final_eof_, kf::OP_HEAD_SIZE);

        stack_.push_back({next_, 0, ""});
        while (!stack_.empty()) {
            Frame f = stack_.back();
            stack_.pop_back();
            step(f);
        }
        push_op(kf::OP_EOF, 0, final_eof_, 0, "");
        if (covered_ != end_ - start_)
            fail(start_, format("%zu bytes of the model data of subobject %d are reached by no opcode list",
                                end_ - start_ - covered_, s_.number));
    }

private:
    struct Frame {
        size_t pos; // file offset of the next opcode of this list
        int depth;
        const char* list; // label for the list's first opcode
    };

    // Claims the bytes of one opcode; no byte may belong to two opcodes.
    void mark(size_t pos, size_t length) {
        if ((pos - start_) % 4 != 0) fail(pos, "opcode does not start on a multiple of 4 from the model data's start");
        for (size_t word = (pos - start_) / 4, last = word + length / 4; word < last; ++word) {
            if (seen_[word]) fail(pos, "opcode overlaps another opcode: two lists reach the same bytes");
            seen_[word] = true;
        }
        covered_ += length;
    }

    void read_defpoints() {
        const size_t o = start_;
        int32_t id = in_.i32(o, end_, "model data");
        if (id != kf::OP_DEFPOINTS)
            fail(o, format("model data of subobject %d starts with opcode %d, not OP_DEFPOINTS", s_.number, id));
        int32_t size = in_.i32(o + kf::OP_SIZE, end_, "OP_DEFPOINTS size");
        int32_t n_verts = count_field(in_, o + kf::DEFPOINTS_N_VERTS, end_, "OP_DEFPOINTS vertex count");
        int32_t n_norms = count_field(in_, o + kf::DEFPOINTS_N_NORMS, end_, "OP_DEFPOINTS normal count");
        int32_t data_offset = in_.i32(o + kf::DEFPOINTS_DATA_OFFSET, end_, "OP_DEFPOINTS data offset");
        const int64_t expected_data = kf::DEFPOINTS_NORMAL_COUNTS + (int64_t{n_verts} + 3) / 4 * 4;
        if (data_offset != expected_data)
            fail(o + kf::DEFPOINTS_DATA_OFFSET, format("OP_DEFPOINTS data offset %d, expected %lld for %d vertices", data_offset,
                                static_cast<long long>(expected_data), n_verts));
        const int64_t expected_size = expected_data + kf::VEC3_SIZE * (int64_t{n_verts} + n_norms);
        if (size != expected_size)
            fail(o + kf::OP_SIZE, format("OP_DEFPOINTS size %d, expected %lld for %d vertices and %d normals", size,
                               static_cast<long long>(expected_size), n_verts, n_norms));
        if (static_cast<size_t>(size) > end_ - o)
            fail(o + kf::OP_SIZE, format("OP_DEFPOINTS size %d runs past the end of the model data", size));
        int64_t sum = 0;
        for (int32_t i = 0; i < n_verts; ++i) {
            s_.normal_counts.push_back(
                in_.u8(o + kf::DEFPOINTS_NORMAL_COUNTS + static_cast<size_t>(i), end_, "OP_DEFPOINTS normal count"));
            sum += s_.normal_counts.back();
        }
        if (sum != n_norms)
            fail(o + kf::DEFPOINTS_N_NORMS, format("OP_DEFPOINTS normal count %d, but its vertices own %lld normals", n_norms,
                                static_cast<long long>(sum)));
        size_t pos = o + static_cast<size_t>(data_offset);
        for (int32_t i = 0; i < n_verts; ++i) {
            s_.vertices.push_back(in_.vec3(pos, end_, "OP_DEFPOINTS point"));
            pos += kf::VEC3_SIZE;
            for (uint8_t k = 0; k < s_.normal_counts[static_cast<size_t>(i)]; ++k, pos += kf::VEC3_SIZE)
                s_.normals.push_back(in_.vec3(pos, end_, "OP_DEFPOINTS normal"));
        }
        mark(o, static_cast<size_t>(size));
        push_op(kf::OP_DEFPOINTS, size, o, 0, "");
        next_ = o + static_cast<size_t>(size);
    }

    Op& push_op(int32_t id, int32_t size, size_t offset, int depth, const char* list) {
        Op op;
        op.id = id;
        op.size = size;
        op.offset = offset;
        op.depth = depth;
        op.list = list;
        s_.ops.push_back(op);
        return s_.ops.back();
    }

    // Reads the opcode at f.pos and queues what follows it.
    void step(const Frame& f) {
        const size_t o = f.pos;
        if (o >= end_ || end_ - o < kf::OP_HEAD_SIZE)
            fail(std::min(o, end_), "an opcode list runs past the end of the model data");
        if ((o - start_) % 4 != 0) fail(o, "opcode does not start on a multiple of 4 from the model data's start");
        if (o == final_eof_) fail(o, "an opcode list runs into the closing OP_EOF of the model data");
        int32_t id = in_.i32(o, end_, "opcode id");
        int32_t size = in_.i32(o + kf::OP_SIZE, end_, "opcode size");
        switch (id) {
        case kf::OP_EOF:
            if (size != 0) fail(o + kf::OP_SIZE, format("OP_EOF has size %d, expected 0", size));
            mark(o, kf::OP_HEAD_SIZE);
            push_op(id, size, o, f.depth, f.list);
            return; // the list ends here
        case kf::OP_DEFPOINTS:
            fail(o, "OP_DEFPOINTS inside an opcode list; it may only open the model data");
        case kf::OP_FLATPOLY:
        case kf::OP_TMAPPOLY:
            read_polygon(o, static_cast<kf::PolyKind>(id), size, f);
            break;
        case kf::OP_SORTNORM:
            read_sortnorm(o, size, f);
            return; // the continuation and the node's lists are queued there
        case kf::OP_BOUNDBOX: {
            expect_size(o, size, kf::BOUNDBOX_SIZE, "OP_BOUNDBOX");
            mark(o, kf::BOUNDBOX_SIZE);
            Op& op = push_op(id, size, o, f.depth, f.list);
            op.a = in_.vec3(o + kf::BOUNDBOX_MIN, end_, "OP_BOUNDBOX min");
            op.b = in_.vec3(o + kf::BOUNDBOX_MAX, end_, "OP_BOUNDBOX max");
            ++s_.bsp_leaves;
            break;
        }
        default:
            fail(o, format("unknown opcode %d", id));
        }
        stack_.push_back({o + static_cast<size_t>(size), f.depth, ""});
    }

    void expect_size(size_t o, int32_t size, int64_t expected, const char* what) {
        if (size != expected)
            fail(o + kf::OP_SIZE, format("%s has size %d, expected %lld", what, size, static_cast<long long>(expected)));
        if (static_cast<size_t>(size) > end_ - o)
            fail(o + kf::OP_SIZE, format("%s runs past the end of the model data", what));
    }

    void read_polygon(size_t o, kf::PolyKind kind, int32_t size, const Frame& f) {
        const bool mapped = kind == kf::POLY_TMAPPED;
        const char* what = mapped ? "OP_TMAPPOLY" : "OP_FLATPOLY";
        Polygon p;
        p.kind = kind;
        p.offset = o;
        p.normal = in_.vec3(o + kf::POLY_NORMAL, end_, what);
        p.center = in_.vec3(o + kf::POLY_CENTER, end_, what);
        p.radius = in_.f32(o + kf::POLY_RADIUS, end_, what);
        int32_t n = in_.i32(o + kf::POLY_N_POINTS, end_, what);
        if (n < 0) fail(o + kf::POLY_N_POINTS, format("%s corner count %d is negative", what, n));
        p.color_or_texture = in_.i32(o + kf::POLY_COLOR_OR_TEXTURE, end_, what);
        const size_t record = mapped ? kf::TMAP_CORNER_SIZE : kf::FLAT_CORNER_SIZE;
        expect_size(o, size, kf::POLY_CORNERS + static_cast<int64_t>(record) * n, what);
        mark(o, static_cast<size_t>(size));
        for (int32_t i = 0; i < n; ++i) {
            const size_t c = o + kf::POLY_CORNERS + record * static_cast<size_t>(i);
            Corner corner;
            corner.vertex = in_.u16(c, end_, what);
            corner.normal = in_.u16(c + kf::CORNER_NORMAL, end_, what);
            if (corner.vertex >= s_.vertices.size())
                fail(c, format("%s corner %d: vertex slot %u is not below the %zu points of subobject %d", what, i,
                               corner.vertex, s_.vertices.size(), s_.number));
            if (corner.normal >= s_.normals.size())
                fail(c + kf::CORNER_NORMAL, format("%s corner %d: normal slot %u is not below the %zu normals of subobject %d", what,
                                   i, corner.normal, s_.normals.size(), s_.number));
            if (mapped) {
                corner.u = in_.f32(c + kf::CORNER_UV, end_, what);
                corner.v = in_.f32(c + kf::CORNER_UV + 4, end_, what);
            }
            p.corners.push_back(corner);
        }
        if (mapped && (p.color_or_texture < 0 || static_cast<size_t>(p.color_or_texture) >= m_.textures.size()))
            ++missing_textures[p.color_or_texture];
        Op& op = push_op(kind, size, o, f.depth, f.list);
        op.polygon = static_cast<int32_t>(s_.polygons.size());
        s_.polygons.push_back(std::move(p));
    }

    void read_sortnorm(size_t o, int32_t size, const Frame& f) {
        expect_size(o, size, kf::SORTNORM_SIZE, "OP_SORTNORM");
        mark(o, kf::SORTNORM_SIZE);
        Op& op = push_op(kf::OP_SORTNORM, size, o, f.depth, f.list);
        op.a = in_.vec3(o + kf::SORTNORM_NORMAL, end_, "OP_SORTNORM normal");
        op.b = in_.vec3(o + kf::SORTNORM_POINT, end_, "OP_SORTNORM point");
        static const char* const names[5] = {"front", "back", "prelist", "postlist", "online"};
        for (size_t i = 0; i < 5; ++i) op.lists[i] = in_.i32(o + kf::SORTNORM_FRONT + 4 * i, end_, "OP_SORTNORM offset");
        const int32_t* l = op.lists;
        if (l[0] != static_cast<int32_t>(kf::SORTNORM_FIRST_LIST))
            fail(o + kf::SORTNORM_FRONT, format("OP_SORTNORM front offset %d, expected %u", l[0], kf::SORTNORM_FIRST_LIST));
        // Each list holds at least its closing OP_EOF.
        constexpr int64_t least = kf::OP_HEAD_SIZE;
        if (l[1] < l[0] + least) fail(o + kf::SORTNORM_BACK, format("OP_SORTNORM back offset %d lies inside its front list", l[1]));
        if (l[2] < l[1] + least) fail(o + kf::SORTNORM_PRELIST, format("OP_SORTNORM prelist offset %d lies inside its back list", l[2]));
        if (l[3] != l[2] + least)
            fail(o + kf::SORTNORM_POSTLIST, format("OP_SORTNORM postlist offset %d, expected prelist + 8 = %lld", l[3],
                                                   static_cast<long long>(l[2] + least)));
        if (l[4] != l[2] + 2 * least)
            fail(o + kf::SORTNORM_ONLINE, format("OP_SORTNORM online offset %d, expected prelist + 16 = %lld", l[4],
                                                 static_cast<long long>(l[2] + 2 * least)));
        for (size_t i = 0; i < 5; ++i)
            if (static_cast<size_t>(l[i]) > end_ - o - kf::OP_HEAD_SIZE)
                fail(o + kf::SORTNORM_FRONT + 4 * i,
                     format("OP_SORTNORM %s offset %d lies outside the model data", names[i], l[i]));
        ++s_.bsp_nodes;
        s_.bsp_depth = std::max(s_.bsp_depth, f.depth + 1);
        // The rest of this list comes after the node's lists in tree order, so
        // it goes under them on the stack; front is read first.
        stack_.push_back({o + kf::SORTNORM_SIZE, f.depth, ""});
        for (size_t i = 5; i-- > 0;) stack_.push_back({o + static_cast<size_t>(l[i]), f.depth + 1, names[i]});
    }

    const Bytes& in_;
    Subobject& s_;
    const Model& m_;
    const size_t start_, end_;
    std::vector<bool> seen_;
    std::vector<Frame> stack_;
    size_t next_ = 0;
    size_t final_eof_ = 0;
    size_t covered_ = 0;

public:
    std::map<int32_t, int> missing_textures; // texture number -> polygons using it
};

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
    ModelDataWalk walk(in, added, m, added.data_offset, end);
    walk.run();
    for (auto [texture, polygons] : walk.missing_textures)
        m.warnings.push_back(format("subobject %d \"%s\": %d textured polygon%s use%s texture %d, which has no TXTR entry",
                                    added.number, added.name.c_str(), polygons, polygons == 1 ? "" : "s",
                                    polygons == 1 ? "s" : "", texture));
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

    const Header& h = m.header;
    const auto count = static_cast<int32_t>(m.subobjects.size());
    if (h.subobject_count != count)
        fail(hdr2_body + kf::HDR2_SUBOBJECT_COUNT, format("HDR2 subobject count %d, but the file holds %d OBJ2 chunks", h.subobject_count, count));
    size_t field = hdr2_body + kf::HDR2_DETAIL_LIST + 4;
    for (auto [list, what] : {std::pair{&h.detail, "detail level"}, std::pair{&h.debris, "debris entry"}}) {
        for (size_t i = 0; i < list->size(); ++i, field += 4) {
            const int32_t n = (*list)[i];
            // A model without subobjects still names subobject 0 as its detail level 0.
            const bool empty_model = count == 0 && n == 0 && list == &h.detail && i == 0;
            if ((n < 0 || n >= count) && !empty_model)
                fail(field, format("HDR2 %s %zu is subobject %d, which is not below the subobject count %d", what, i,
                                   n, count));
        }
        field += 4;
    }
    for (const Subobject& s : m.subobjects)
        if (s.parent < -1 || s.parent >= count)
            fail(s.chunk_offset + kf::CHUNK_HEAD_SIZE + kf::OBJ2_PARENT, format("subobject %d \"%s\": parent %d is neither -1 nor a subobject number",
                                             s.number, s.name.c_str(), s.parent));
    // No subobject may be its own ancestor. A chain that loops without
    // passing the subobject it started from is reported at a subobject on
    // the loop, found in its own turn.
    for (size_t i = 0; i < m.subobjects.size(); ++i) {
        int32_t p = m.subobjects[i].parent;
        for (size_t steps = 0; p != -1 && steps < m.subobjects.size(); ++steps) {
            if (static_cast<size_t>(p) == i) {
                const Subobject& s = m.subobjects[i];
                fail(s.chunk_offset + kf::CHUNK_HEAD_SIZE + kf::OBJ2_PARENT,
                     format("subobject %d \"%s\" is its own ancestor: its parent chain loops", s.number, s.name.c_str()));
            }
            p = m.subobjects[static_cast<size_t>(p)].parent;
        }
    }
}

} // namespace

Model parse(std::span<const uint8_t> bytes) {
    Model m;
    m.file_size = bytes.size();
    Bytes in(bytes);
    try {
        if (bytes.size() < kf::POF_HEAD_SIZE)
            fail(0, format("the file is %zu bytes long, too short for the 8-byte file head", bytes.size()));
        if (in.u32(0, in.size(), "magic") != kf::POF_MAGIC) fail(0, "the file does not start with the magic \"PSPO\"");
        m.version = in.i32(4, in.size(), "version");
        if (m.version != kf::POF_VERSION) fail(4, format("format version %d, expected %d", m.version, kf::POF_VERSION));
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
