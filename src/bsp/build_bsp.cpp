#include "bsp/bsp.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kf {

namespace {

float& axis(vec3& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }
float axis(const vec3& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }

bool finite(const vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Closed below, open above; a coordinate that is not a number lies in no box.
bool in_box(const vec3& q, const vec3& min, const vec3& max) {
    return min.x <= q.x && q.x < max.x && min.y <= q.y && q.y < max.y && min.z <= q.z && q.z < max.z;
}

// The segment's key polygons get local numbers in index order; the tree
// keeps what it reads of each many times (its center, its corners' bounds)
// in small tables by that number, measured once.
struct Tree {
    PofBuffer& pof;
    const Slots& slots;
    const Model& model;
    std::vector<uint32_t> id;    // model polygon of each local number
    std::vector<vec3> center;    // its center
    std::vector<Bounds> corners; // the bounds of its corners, when they are all finite
    std::vector<uint8_t> merged; // 1 when `corners` stands for them
    std::vector<uint32_t> polys; // local numbers of the nodes' polygons, in index order per node

    void add(uint32_t poly) {
        const ModelPoly& p = model.model_poly[poly];
        Bounds b;
        bool all_finite = true;
        for (const ModelCorner& c : model.corners(p)) {
            const vec3& q = model.vertex[c.vertex].position;
            b.add(q);
            all_finite = all_finite && finite(q);
        }
        polys.push_back(static_cast<uint32_t>(id.size()));
        id.push_back(poly);
        center.push_back(p.center);
        corners.push_back(b);
        merged.push_back(all_finite ? 1 : 0);
    }

    // Adds the polygon's corners to b. A coordinate that is not a number
    // never compares, so such corners are added one by one, as they come.
    void add_corners(Bounds& b, uint32_t local) const {
        if (merged[local]) {
            b.add(corners[local]);
            return;
        }
        const ModelPoly& p = model.model_poly[id[local]];
        for (const ModelCorner& c : model.corners(p)) b.add(model.vertex[c.vertex].position);
    }

    Bounds corner_bounds(uint32_t lo, uint32_t hi) const {
        Bounds b;
        for (uint32_t i = lo; i < hi; ++i) add_corners(b, polys[i]);
        return b;
    }

    // Box, polygon, end: the list of a half that holds a single polygon.
    void write_single(uint32_t poly) {
        Bounds b;
        add_corners(b, poly);
        write_boundbox(pof, b.min, b.max);
        write_poly_op(pof, slots, model, id[poly]);
        write_eof(pof);
    }

    // A box of the listed polygons' exact corner bounds (the node box when
    // there are none), the polygons, end.
    void write_leaf(const vec3& min, const vec3& max, uint32_t lo, uint32_t hi) {
        uint32_t box = pof.pof_pos();
        write_boundbox(pof, min, max);
        Bounds b = corner_bounds(lo, hi);
        for (uint32_t i = lo; i < hi; ++i) write_poly_op(pof, slots, model, id[polys[i]]);
        const vec3 bmin = b.empty ? min : b.min, bmax = b.empty ? max : b.max;
        const float coords[6] = {bmin.x, bmin.y, bmin.z, bmax.x, bmax.y, bmax.z};
        for (uint32_t k = 0; k < 6; ++k) pof_patch_f32(pof, box + BOUNDBOX_MIN + 4 * k, coords[k]);
        write_eof(pof);
    }
};

// Where a pending node stands: nothing written yet, its front half written,
// its back half written (only the closing lists remain).
enum class Stage { NOT_BEGUN, FRONT_WRITTEN, BACK_WRITTEN };

// One pending node of the tree, with the polygons of its box as the range
// lo..hi of Tree::polys, split at mid into front and back.
struct Node {
    vec3 min, max;
    uint32_t lo, hi;
    uint32_t mid = 0;
    uint32_t start = 0; // the node's OP_SORTNORM
    Stage stage = Stage::NOT_BEGUN;
    vec3 front_min{}, back_max{};
};

// Splits the node's box in the middle of its longest side. When both halves
// hold polygons, writes the sorting node and returns true, with the halves'
// boxes and ranges set; otherwise writes the node's polygons as one leaf and
// returns false.
bool split_node(Tree& tree, Node& node) {
    const vec3 extent = {static_cast<float>(static_cast<double>(node.max.x) - node.min.x),
                         static_cast<float>(static_cast<double>(node.max.y) - node.min.y),
                         static_cast<float>(static_cast<double>(node.max.z) - node.min.z)};
    vec3 m;
    for (int a = 0; a < 3; ++a) {
        const double lo = axis(node.min, a), hi = axis(node.max, a);
        axis(m, a) = static_cast<float>(lo + (hi - lo) * 0.5);
    }
    const int split = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
    vec3 normal;
    axis(normal, split) = 1.0f;
    node.front_min = node.min;
    axis(node.front_min, split) = axis(m, split);
    node.back_max = node.max;
    axis(node.back_max, split) = axis(m, split);

    // Each polygon of the box lies in exactly one half unless the midpoint
    // is not a number; then both halves are empty.
    auto first = tree.polys.begin() + node.lo, last = tree.polys.begin() + node.hi;
    const float cut = axis(m, split);
    const bool halves = !std::isnan(cut);
    auto mid = halves ? std::stable_partition(first, last,
                                              [&](uint32_t p) { return axis(std::as_const(tree.center[p]), split) >= cut; })
                      : first;
    node.mid = static_cast<uint32_t>(mid - tree.polys.begin());
    if (!halves || node.mid == node.lo || node.mid == node.hi) {
        tree.write_leaf(node.min, node.max, node.lo, node.hi);
        return false;
    }
    // Node bounds take the polygons in index order, as stored before the split.
    Bounds b;
    for (uint32_t i = node.lo, j = node.mid; i < node.mid || j < node.hi;) {
        bool take_front = j == node.hi || (i < node.mid && tree.polys[i] < tree.polys[j]);
        tree.add_corners(b, take_front ? tree.polys[i++] : tree.polys[j++]);
    }
    node.start = tree.pof.pof_pos();
    write_sortnorm(tree.pof, normal, m, b.min, b.max);
    write_eof(tree.pof);
    return true;
}

// Points the node's `field` at the end of what is written so far.
void patch_list_offset(Tree& tree, const Node& node, uint32_t field) {
    pof_patch_i32(tree.pof, node.start + field, static_cast<int32_t>(tree.pof.pof_pos() - node.start));
}

} // namespace

// Writes the segment's polygons as a tree of sorting nodes and leaf lists.
// Pending nodes live on an explicit stack, so no scene can exhaust the call
// stack; the bytes are those of the plain recursive description: a node,
// its front half, its back half, then its prelist, postlist and online list
// (each an empty list).
void build_bsp(PofBuffer& pof, const Slots& slots, const Model& model, vec3 min, vec3 max, int32_t segment) {
    Tree tree{pof, slots, model, {}, {}, {}, {}, {}};
    for (uint32_t p : slots.segment_polys(segment))
        if (in_box(model.model_poly[p].center, min, max)) tree.add(p);

    std::vector<Node> stack;
    stack.push_back({min, max, 0, static_cast<uint32_t>(tree.polys.size())});
    while (!stack.empty()) {
        Node& node = stack.back();
        switch (node.stage) {
        case Stage::NOT_BEGUN:
            if (!split_node(tree, node)) {
                stack.pop_back();
                break;
            }
            patch_list_offset(tree, node, SORTNORM_FRONT);
            node.stage = Stage::FRONT_WRITTEN;
            if (node.mid - node.lo == 1) {
                tree.write_single(tree.polys[node.lo]);
            } else {
                Node child{node.front_min, node.max, node.lo, node.mid};
                stack.push_back(child);
            }
            break;
        case Stage::FRONT_WRITTEN:
            patch_list_offset(tree, node, SORTNORM_BACK);
            node.stage = Stage::BACK_WRITTEN;
            if (node.hi - node.mid == 1) {
                tree.write_single(tree.polys[node.mid]);
            } else {
                Node child{node.min, node.back_max, node.mid, node.hi};
                stack.push_back(child);
            }
            break;
        case Stage::BACK_WRITTEN:
            for (uint32_t field : {SORTNORM_PRELIST, SORTNORM_POSTLIST, SORTNORM_ONLINE}) {
                patch_list_offset(tree, node, field);
                write_eof(pof);
            }
            stack.pop_back();
            break;
        }
    }
}

} // namespace kf
