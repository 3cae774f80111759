// The BSP builder on small hand-made segments: node and leaf shapes, list
// offsets, boxes with and without margin, split axis and midpoint rules, and
// a tree several hundred levels deep.
#include "pof_fixture.h"
#include "oracles/plain_bsp.h"

#include <gtest/gtest.h>

#include <limits>

#include <pthread.h>

using namespace kfp;
using kfo::plain_bsp;

namespace {

using V = std::array<float, 3>;

// Builds the tree of `segment` the way the subobject writer does: point
// list first (for the slots), then the tree over `min`..`max`.
Bytes tree(const kf::Model& model, kf::vec3 min, kf::vec3 max, int32_t segment = 0) {
    kf::Slots slots(model);
    assign_slots(slots, model, segment);
    kf::PofBuffer pof;
    kf::build_bsp(pof, slots, model, min, max, segment);
    return pof.bytes;
}

// The segment box widened by the margin, as the subobject writer passes it
// (its upper corner stays above the vertices however far out they lie).
std::pair<kf::vec3, kf::vec3> segment_box(const kf::Model& model, int32_t segment) {
    kf::vec3 lo{}, hi{};
    bool first = true;
    for (const kf::ModelVertex& v : model.vertex) {
        if (v.segment != segment) continue;
        if (first) lo = hi = v.position;
        first = false;
        lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y), std::min(lo.z, v.position.z)};
        hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y), std::max(hi.z, v.position.z)};
    }
    return {kf::widen_min(lo), kf::root_box_max(hi)};
}

V widened_min(V p) { return {fsub(p[0], kf::BOX_MARGIN), fsub(p[1], kf::BOX_MARGIN), fsub(p[2], kf::BOX_MARGIN)}; }
V widened_max(V p) { return {fadd(p[0], kf::BOX_MARGIN), fadd(p[1], kf::BOX_MARGIN), fadd(p[2], kf::BOX_MARGIN)}; }

float midpoint(float lo, float hi) {
    return static_cast<float>(static_cast<double>(lo) + (static_cast<double>(hi) - lo) * 0.5);
}

void expect_eof(const Bytes& b, size_t at) { EXPECT_EQ(chars_at(b, at, 8), std::string(8, '\0')) << "at " << at; }

// The center stored in the polygon opcode that starts at `at`.
V center_of_poly(const Bytes& b, size_t at) { return vec3_at(b, at + 20); }

} // namespace

TEST(Bsp, TwoTrianglesMakeThe304ByteNode) {
    ModelMaker mk;
    mk.segment("hull");
    const uint16_t a0 = mk.vertex(0, {0, 0, 0}), a1 = mk.vertex(0, {1, 0, 0}), a2 = mk.vertex(0, {0, 1, 0});
    const uint16_t b0 = mk.vertex(0, {9, 0, 0}), b1 = mk.vertex(0, {10, 0, 0}), b2 = mk.vertex(0, {9, 1, 0});
    mk.poly(0, {a0, a1, a2}); // back half
    mk.poly(0, {b0, b1, b2}); // front half
    const auto [lo, hi] = segment_box(mk.model, 0);
    const Bytes b = tree(mk.model, lo, hi);

    ASSERT_EQ(b.size(), 304u);
    EXPECT_EQ(i32_at(b, 0), kf::OP_SORTNORM);
    EXPECT_EQ(i32_at(b, 4), 80);
    EXPECT_EQ(vec3_at(b, 8), (V{1, 0, 0}));
    EXPECT_EQ(vec3_at(b, 20), (V{midpoint(lo.x, hi.x), midpoint(lo.y, hi.y), midpoint(lo.z, hi.z)}));
    EXPECT_EQ(i32_at(b, 32), 0);
    const int32_t offsets[5] = {88, 184, 280, 288, 296};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(i32_at(b, 36 + 4 * i), offsets[i]) << "list " << i;
    EXPECT_EQ(vec3_at(b, 56), (V{0, 0, 0})); // exact bounds of both, no margin
    EXPECT_EQ(vec3_at(b, 68), (V{10, 1, 0}));
    expect_eof(b, 80);

    // Each half: widened box, the polygon, end.
    const struct {
        size_t at;
        V min, max;
        uint16_t first_slot;
    } halves[] = {{88, {9, 0, 0}, {10, 1, 0}, 3}, {184, {0, 0, 0}, {1, 1, 0}, 0}};
    for (const auto& h : halves) {
        EXPECT_EQ(i32_at(b, h.at), kf::OP_BOUNDBOX);
        EXPECT_EQ(vec3_at(b, h.at + 8), widened_min(h.min));
        EXPECT_EQ(vec3_at(b, h.at + 20), widened_max(h.max));
        EXPECT_EQ(i32_at(b, h.at + 32), kf::OP_FLATPOLY);
        EXPECT_EQ(i32_at(b, h.at + 36), 56);
        EXPECT_EQ(u16_at(b, h.at + 32 + 44), h.first_slot);
        expect_eof(b, h.at + 88);
    }
    for (size_t at : {280u, 288u, 296u}) expect_eof(b, at);
}

TEST(Bsp, EmptySegmentIsThe40ByteLeafOfTheBoxPassedIn) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("other");
    mk.dot(1, {0, 0, 0}); // another segment's polygon inside the box
    const kf::vec3 lo = kf::widen_min({}), hi = kf::widen_max({});
    const Bytes b = tree(mk.model, lo, hi, 0);
    ASSERT_EQ(b.size(), 40u);
    EXPECT_EQ(i32_at(b, 0), kf::OP_BOUNDBOX);
    EXPECT_EQ(i32_at(b, 4), 32);
    EXPECT_EQ(vec3_at(b, 8), arr(lo));
    EXPECT_EQ(vec3_at(b, 20), arr(hi));
    EXPECT_EQ(bits(f32_at(b, 8)), bits(fsub(0, kf::BOX_MARGIN)));
    expect_eof(b, 32);
}

// A leaf's box is the exact corner bounds of its polygons, not widened;
// polygons that are not the segment's or whose center lies outside the box
// (on its upper face, below it, or not a number) are left out.
TEST(Bsp, LeafHoldsExactBoundsAndOnlyItsSegmentsPolygonsInTheBox) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("other");
    const uint16_t v0 = mk.vertex(0, {1, 1, 1}), v1 = mk.vertex(0, {2, 3, 1}), v2 = mk.vertex(0, {1, 2, 2});
    mk.dot(1, {2, 2, 2});                            // other segment, inside
    const uint32_t kept = mk.poly(0, {v0, v1, v2});  // inside
    mk.dot(0, {4, 2, 2});                            // center on the box's max x
    mk.dot(0, {2, -1, 2});                           // below min y
    const uint32_t nan = mk.dot(0, {2, 2, 2});
    mk.model.model_poly[nan].center.y = std::nanf("");
    const Bytes b = tree(mk.model, {0, 0, 0}, {4, 4, 4});

    ASSERT_EQ(b.size(), 32u + 56 + 8);
    EXPECT_EQ(i32_at(b, 0), kf::OP_BOUNDBOX);
    EXPECT_EQ(vec3_at(b, 8), (V{1, 1, 1}));
    EXPECT_EQ(vec3_at(b, 20), (V{2, 3, 2}));
    EXPECT_EQ(center_of_poly(b, 32), arr(mk.model.model_poly[kept].center));
    expect_eof(b, 88);
}

TEST(Bsp, PolygonsWithOneCenterShareALeafInIndexOrder) {
    ModelMaker mk;
    mk.segment("hull");
    const uint16_t a = mk.vertex(0, {0, 0, 0}), b = mk.vertex(0, {2, 0, 0}), c = mk.vertex(0, {1, 3, 0}),
                   d = mk.vertex(0, {1, -3, 0});
    mk.poly(0, {a, b, c}, kf::POLY_FLAT, 10);
    mk.poly(0, {d, b, a}, kf::POLY_FLAT, 11);
    mk.model.model_poly[1].center = mk.model.model_poly[0].center; // other corners, same center
    const auto [lo, hi] = segment_box(mk.model, 0);
    const Bytes out = tree(mk.model, lo, hi);
    ASSERT_EQ(out.size(), 32u + 56 + 56 + 8);
    EXPECT_EQ(vec3_at(out, 8), (V{0, -3, 0}));
    EXPECT_EQ(vec3_at(out, 20), (V{2, 3, 0}));
    EXPECT_EQ(i32_at(out, 32 + 40), 10);
    EXPECT_EQ(i32_at(out, 88 + 40), 11);
}

// Two polygons at one center and one across the midpoint: the pair's half
// recurses once and ends as a leaf list with an unwidened box, while the
// single polygon's list is widened.
TEST(Bsp, ThreePolygonsRecurseOnceIntoALeaf) {
    ModelMaker mk;
    mk.segment("hull");
    mk.dot(0, {3, 1, 1});
    mk.dot(0, {1, 1, 1});
    mk.dot(0, {3, 1, 1});
    const Bytes b = tree(mk.model, {0, 0, 0}, {4, 2, 2});

    EXPECT_EQ(i32_at(b, 36), 88);
    const size_t leaf = 88;
    EXPECT_EQ(i32_at(b, leaf), kf::OP_BOUNDBOX);
    EXPECT_EQ(vec3_at(b, leaf + 8), (V{3, 1, 1}));
    EXPECT_EQ(vec3_at(b, leaf + 20), (V{3, 1, 1}));
    EXPECT_EQ(center_of_poly(b, leaf + 32), (V{3, 1, 1}));
    EXPECT_EQ(center_of_poly(b, leaf + 32 + 56), (V{3, 1, 1}));
    expect_eof(b, leaf + 32 + 112);

    const size_t single = static_cast<size_t>(i32_at(b, 40));
    EXPECT_EQ(single, leaf + 152);
    EXPECT_EQ(vec3_at(b, single + 8), widened_min({1, 1, 1}));
    EXPECT_EQ(vec3_at(b, single + 20), widened_max({1, 1, 1}));
    EXPECT_EQ(i32_at(b, 44), static_cast<int32_t>(single + 96));
    EXPECT_EQ(i32_at(b, 48), i32_at(b, 44) + 8);
    EXPECT_EQ(i32_at(b, 52), i32_at(b, 44) + 16);
    EXPECT_EQ(b.size(), single + 96 + 24);
}

struct SplitCase {
    V size;
    V normal;
};

class SplitAxis : public ::testing::TestWithParam<SplitCase> {};

// The longest side is cut; ties go to x, then y. The front half (at or
// above the midpoint) is written first.
TEST_P(SplitAxis, LongestSideTiesFavourXThenY) {
    const SplitCase c = GetParam();
    const V min = {-1, 2, 0.5f};
    const V max = {min[0] + c.size[0], min[1] + c.size[1], min[2] + c.size[2]};
    ModelMaker mk;
    mk.segment("hull");
    auto at = [&](float t) {
        return kf::vec3{min[0] + t * c.size[0], min[1] + t * c.size[1], min[2] + t * c.size[2]};
    };
    mk.dot(0, at(0.25f));
    mk.dot(0, at(0.75f));
    const Bytes b = tree(mk.model, {min[0], min[1], min[2]}, {max[0], max[1], max[2]});
    ASSERT_EQ(i32_at(b, 0), kf::OP_SORTNORM);
    EXPECT_EQ(vec3_at(b, 8), c.normal);
    EXPECT_EQ(vec3_at(b, 20), (V{midpoint(min[0], max[0]), midpoint(min[1], max[1]), midpoint(min[2], max[2])}));
    EXPECT_EQ(center_of_poly(b, 88 + 32), arr(at(0.75f)));
}

INSTANTIATE_TEST_SUITE_P(Boxes, SplitAxis,
                         ::testing::Values(SplitCase{{2, 2, 2}, {1, 0, 0}}, SplitCase{{1, 2, 2}, {0, 1, 0}},
                                           SplitCase{{1, 1, 2}, {0, 0, 1}}, SplitCase{{2, 2, 1}, {1, 0, 0}},
                                           SplitCase{{2, 1, 2}, {1, 0, 0}}, SplitCase{{1, 2, 1}, {0, 1, 0}},
                                           SplitCase{{1, 2, 3}, {0, 0, 1}}, SplitCase{{3, 2, 1}, {1, 0, 0}}));

TEST(Bsp, CenterOnTheMidpointGoesFront) {
    {
        ModelMaker mk;
        mk.segment("hull");
        mk.dot(0, {1, 0.5f, 0.5f});
        mk.dot(0, {2, 0.5f, 0.5f}); // exactly on the midpoint of x
        const Bytes b = tree(mk.model, {0, 0, 0}, {4, 1, 1});
        ASSERT_EQ(i32_at(b, 0), kf::OP_SORTNORM);
        EXPECT_EQ(f32_at(b, 20), 2.0f);
        EXPECT_EQ(center_of_poly(b, 88 + 32), (V{2, 0.5f, 0.5f}));
        EXPECT_EQ(center_of_poly(b, static_cast<size_t>(i32_at(b, 40)) + 32), (V{1, 0.5f, 0.5f}));
    }
    {
        ModelMaker mk; // both at or above the midpoint: one leaf
        mk.segment("hull");
        mk.dot(0, {3, 0.5f, 0.5f});
        mk.dot(0, {2, 0.5f, 0.5f});
        const Bytes b = tree(mk.model, {0, 0, 0}, {4, 1, 1});
        ASSERT_EQ(b.size(), 32u + 2 * 56 + 8);
        EXPECT_EQ(i32_at(b, 0), kf::OP_BOUNDBOX);
        EXPECT_EQ(vec3_at(b, 8), (V{2, 0.5f, 0.5f}));
        EXPECT_EQ(vec3_at(b, 20), (V{3, 0.5f, 0.5f}));
    }
}

namespace {

// Runs `f` on a thread whose stack is only `bytes` long.
template <class F>
void on_small_stack(size_t bytes, F f) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t thread;
    auto body = [](void* arg) -> void* {
        (*static_cast<F*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &f), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

} // namespace

// Every polygon sits exactly on the midpoint of the current box's split
// axis, so each level peels one polygon off into the front half and passes
// the rest on in the back half. The box halves one side per level, cycling
// x, y, z, from 2^127 down to the smallest float: over 800 levels. The tree
// is built on a 64 KiB stack, which one call frame per level would overrun.
TEST(Bsp, DeepTreeDoesNotExhaustTheStack) {
    ModelMaker mk;
    mk.segment("hull");
    const float big = std::ldexp(1.0f, 127);
    kf::vec3 hi = {big, big, big};
    for (;;) {
        const int axis = hi.x >= hi.y && hi.x >= hi.z ? 0 : hi.y >= hi.z ? 1 : 2;
        float& side = axis == 0 ? hi.x : axis == 1 ? hi.y : hi.z;
        const float m = midpoint(0, side);
        if (m == 0) break;
        kf::vec3 c{};
        (axis == 0 ? c.x : axis == 1 ? c.y : c.z) = m;
        mk.dot(0, c);
        side = m;
    }
    mk.dot(0, {0, 0, 0});
    const uint32_t n = mk.model.Pcount();
    ASSERT_GT(n, 800u);

    kf::Slots slots(mk.model);
    assign_slots(slots, mk.model, 0);
    kf::PofBuffer fast, plain;
    on_small_stack(64 * 1024, [&] { kf::build_bsp(fast, slots, mk.model, {0, 0, 0}, {big, big, big}, 0); });
    plain_bsp(plain, slots, mk.model, {0, 0, 0}, {big, big, big}, 0);
    EXPECT_TRUE(fast.bytes == plain.bytes);

    // Follow the back lists down: one node per polygon but the last.
    const Bytes& b = fast.bytes;
    size_t at = 0, depth = 0;
    while (i32_at(b, at) == kf::OP_SORTNORM) {
        ++depth;
        EXPECT_EQ(i32_at(b, at + 88), kf::OP_BOUNDBOX);
        at += static_cast<size_t>(i32_at(b, at + 40));
    }
    EXPECT_EQ(depth, n - 1);
}

// The root box's upper corner: the vertex maximum plus the margin, or, where
// adding the margin gives the maximum back, the next float above it.
TEST(Bsp, RootBoxUpperCornerLiesAboveEveryVertex) {
    const float up = std::numeric_limits<float>::infinity();
    const struct {
        float max, expected;
    } cases[] = {
        {1.0f, fadd(1.0f, kf::BOX_MARGIN)},
        {-1.0f, fadd(-1.0f, kf::BOX_MARGIN)},
        {0.0f, kf::BOX_MARGIN},
        {32767.0f, fadd(32767.0f, kf::BOX_MARGIN)}, // the margin still counts
        {32768.0f, std::nextafter(32768.0f, up)},     // it is lost to rounding
        {-32768.0f, std::nextafter(-32768.0f, up)},
        {1e30f, std::nextafter(1e30f, up)},
        {std::numeric_limits<float>::max(), up},
    };
    for (const auto& c : cases) {
        const kf::vec3 r = kf::root_box_max({c.max, 1.0f, c.max});
        EXPECT_EQ(bits(r.x), bits(c.expected)) << c.max;
        EXPECT_EQ(bits(r.y), bits(fadd(1.0f, kf::BOX_MARGIN))) << c.max;
        EXPECT_EQ(bits(r.z), bits(c.expected)) << c.max;
        EXPECT_GT(r.x, c.max);
    }
}
