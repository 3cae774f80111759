// The fast tree builder against the plain four-scans-per-node one, on a few
// hundred generated segments: coincident centers, centers exactly on
// midpoints, degenerate and corner-less polygons, centers outside the box or
// not a number, several segments interleaved in one model.
#include "pof_fixture.h"
#include "oracles/plain_bsp.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace kfp;
using kfo::plain_bsp;

namespace {

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed), lattice_(pick(2) == 0) {}

    kf::Model model() {
        ModelMaker mk;
        const int segments = 1 + pick(4);
        for (int s = 0; s < segments; ++s) mk.segment(numbered("s", s));

        const int vertices = pick(48);
        for (int i = 0; i < vertices; ++i) {
            // Vertex 0 owns a normal, so every corner has a normal slot to name.
            const uint32_t norms = i == 0 ? 1 + static_cast<uint32_t>(pick(3)) : static_cast<uint32_t>(pick(4));
            mk.vertex(pick(segments), point(), norms, {0, 0, 1});
        }
        for (size_t k = 0; k < mk.model.model_normal.size(); ++k)
            mk.model.model_normal[k] = {static_cast<float>(k), 0, 1};

        const int polys = pick(64);
        for (int i = 0; i < polys; ++i) add_poly(mk, pick(segments));
        return mk.model;
    }

    // A root box for `segment`: the widened vertex box the subobject writer
    // passes, a lattice box whose midpoints hit lattice centers, or a random
    // box that may leave centers outside.
    std::pair<kf::vec3, kf::vec3> box(const kf::Model& model, int32_t segment) {
        switch (pick(4)) {
        case 0: {
            const float lo = -static_cast<float>(1 << pick(4)), size = static_cast<float>(1 << pick(5));
            return {{lo, lo, lo}, {lo + size, lo + size * 0.5f, lo + size}};
        }
        case 1: {
            kf::vec3 a = point(), b = point();
            return {a, b};
        }
        default: {
            kf::Bounds box;
            for (const kf::ModelVertex& v : model.vertex)
                if (v.segment == segment) box.add(v.position);
            if (box.empty) box.add(kf::vec3{});
            return {kf::widen_min(box.min), kf::root_box_max(box.max)};
        }
        }
    }

private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    float coordinate() {
        const int r = pick(100);
        if (r == 0) return std::numeric_limits<float>::quiet_NaN();
        if (r == 1) return -0.0f;
        if (lattice_) return 0.5f * static_cast<float>(pick(33) - 16);
        return std::uniform_real_distribution<float>(-50.0f, 50.0f)(rng_);
    }

    kf::vec3 point() { return {coordinate(), coordinate(), coordinate()}; }

    void add_poly(ModelMaker& mk, int32_t segment) {
        const kf::Model& m = mk.model;
        std::vector<uint16_t> own;
        for (uint16_t v = 0; v < m.Vcount(); ++v)
            if (m.vertex[v].segment == segment) own.push_back(v);
        auto corner = [&]() -> uint16_t {
            // Mostly the segment's own vertices, now and then another's.
            if (!own.empty() && pick(10) != 0) return own[static_cast<size_t>(pick(static_cast<int>(own.size())))];
            return static_cast<uint16_t>(pick(static_cast<int>(m.Vcount())));
        };

        const int shape = m.Vcount() == 0 ? 0 : pick(20);
        uint32_t index;
        if (shape == 0) {
            // No corners: the builder's center is 0 / 0, not a number.
            index = mk.poly(segment, {});
        } else if (shape == 1) {
            const uint16_t v = corner(); // all corners on one vertex
            index = mk.poly(segment, {v, v, v});
        } else {
            std::vector<uint16_t> corners(shape == 2 ? 20 : static_cast<size_t>(1 + pick(5)));
            for (uint16_t& v : corners) v = corner();
            index = mk.poly(segment, corners);
        }
        kf::ModelPoly& p = mk.model.model_poly[index];
        for (uint32_t c = 0; c < p.n_points; ++c) {
            // Its vertex's first or second normal; a vertex without normals
            // lends its corner normal 0.
            kf::ModelCorner& at = mk.model.corners(p)[c];
            const uint32_t k = mk.first_normal(at.vertex) + static_cast<uint32_t>(pick(2));
            at.normal_index = k < mk.model.n_normals() ? k : 0;
        }
        p.type = pick(2) ? kf::POLY_TMAPPED : kf::POLY_FLAT;
        p.color_or_texture = static_cast<int32_t>(index);
        if (shape == 0) return;
        switch (pick(10)) {
        case 0: // coincident with an earlier polygon
            if (index > 0) p.center = mk.model.model_poly[static_cast<size_t>(pick(static_cast<int>(index)))].center;
            break;
        case 1: // anywhere, possibly off every box or not a number
            p.center = point();
            break;
        case 2:
            p.center = {0.5f * static_cast<float>(pick(17) - 8), 0.25f * static_cast<float>(pick(17) - 8), 0};
            break;
        default: // the builder's average of the corners
            break;
        }
    }

    std::mt19937 rng_;
    bool lattice_;
};

size_t first_difference(const Bytes& a, const Bytes& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    return i;
}

} // namespace

TEST(BspReference, FastBuilderMatchesThePlainOneOnGeneratedModels) {
    int compared = 0, inner_roots = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        Generator gen(seed);
        const kf::Model model = gen.model();
        kf::Slots slots(model);
        for (int32_t s = 0; s < static_cast<int32_t>(model.Scount); ++s) {
            assign_slots(slots, model, s);
            for (int round = 0; round < 2; ++round) {
                const auto [lo, hi] = gen.box(model, s);
                kf::PofBuffer fast, plain;
                kf::build_bsp(fast, slots, model, lo, hi, s);
                plain_bsp(plain, slots, model, lo, hi, s);
                ++compared;
                if (plain.bytes.size() >= 4 && i32_at(plain.bytes, 0) == kf::OP_SORTNORM) ++inner_roots;
                ASSERT_TRUE(fast.bytes == plain.bytes)
                    << "seed " << seed << ", segment " << s << ", round " << round << ": " << fast.bytes.size()
                    << " vs " << plain.bytes.size() << " bytes, first difference at byte "
                    << first_difference(fast.bytes, plain.bytes);
            }
        }
    }
    // The generated segments must actually grow trees, not only leaves.
    EXPECT_GT(inner_roots, compared / 4) << inner_roots << " inner roots in " << compared << " trees";
}
