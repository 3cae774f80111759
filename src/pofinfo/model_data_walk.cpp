#include "pofinfo/pofread_parts.h"

#include <map>
#include <utility>
#include <vector>

namespace pofread::detail {

namespace {

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

} // namespace

void walk_model_data(const Bytes& in, Subobject& s, Model& m, size_t start, size_t end) {
    ModelDataWalk walk(in, s, m, start, end);
    walk.run();
    for (auto [texture, polygons] : walk.missing_textures)
        m.warnings.push_back(format("subobject %d \"%s\": %d textured polygon%s use%s texture %d, which has no TXTR entry",
                                    s.number, s.name.c_str(), polygons, polygons == 1 ? "" : "s",
                                    polygons == 1 ? "s" : "", texture));
}

} // namespace pofread::detail
