// The corner-normal pass against the plain nested search it replaces: both
// must give the same table, bit for bit, on generated and on real scenes.
#include "cob/reader.h"
#include "model/model_fixture.h"
#include "oracles/nested_normals.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

using kfm::SceneMaker;

namespace {

constexpr int32_t SMOOTH = 's';

// What the generated scenes contain, to show they reach the cases that matter.
struct Seen {
    int smooth_shared = 0;   // smooth corners averaged over more than one corner
    int mixed_vertex = 0;    // vertices named by smooth and faceted corners
    int repeated = 0;        // polygons naming one vertex at two corners
    int zero_corners = 0;    // polygons without corners
    int few_corners = 0;     // polygons with one or two corners
    int zero_normal = 0;     // polygons whose face normal is the zero vector
    int upper_case_s = 0;    // polygons with facet 'S'
    int segments = 0;        // scenes with more than one segment
};

// A random scene: up to four groups of up to three objects, few vertices
// per object so that corners share them, positions on a small grid (so that
// corners coincide or line up) or anywhere, and faces of 0 to 20 corners
// with assorted facets.
kf::Scene generated_scene(uint32_t seed) {
    std::mt19937 rng(seed);
    auto below = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
    std::uniform_real_distribution<float> anywhere(-100.0f, 100.0f);
    const int8_t facets[] = {'s', 's', 's', 'S', 'f', 0, 'a', -23};
    const uint32_t smooth_share = below(4); // 0: facets as drawn; otherwise mostly smooth

    SceneMaker s;
    const uint32_t groups = 1 + below(4);
    for (uint32_t g = 0; g < groups; ++g) {
        s.group("g" + std::to_string(g), {static_cast<float>(below(5)), 0, 0});
        const uint32_t objects = below(4);
        for (uint32_t o = 0; o < objects; ++o) {
            s.object();
            const auto first = static_cast<int32_t>(s.scene.cob_vertex.size());
            const uint32_t n_vertices = 1 + below(25);
            const bool on_grid = below(2) == 0;
            for (uint32_t v = 0; v < n_vertices; ++v) {
                if (on_grid)
                    s.vertex(static_cast<float>(below(3)), static_cast<float>(below(3)), static_cast<float>(below(2)));
                else
                    s.vertex(anywhere(rng), anywhere(rng), anywhere(rng));
            }
            const uint32_t n_faces = below(40);
            for (uint32_t f = 0; f < n_faces; ++f) {
                const uint32_t size_draw = below(20);
                const uint32_t n_points = size_draw < 1 ? 0 : size_draw < 3 ? size_draw : size_draw < 12 ? 3
                                          : size_draw < 17 ? 4 : 5 + below(16);
                std::vector<int32_t> corners;
                for (uint32_t c = 0; c < n_points; ++c) {
                    if (c > 0 && below(8) == 0)
                        corners.push_back(corners[below(c)]); // the same vertex again
                    else
                        corners.push_back(first + static_cast<int32_t>(below(n_vertices)));
                }
                const int8_t facet = smooth_share != 0 && below(4) != 0 ? 's' : facets[below(8)];
                s.face(corners, facet);
            }
        }
    }
    return s.scene;
}

void note(const kf::Model& m, Seen& seen) {
    std::vector<int> smooth(m.Vcount()), faceted(m.Vcount());
    for (const kf::ModelPoly& p : m.model_poly) {
        seen.zero_corners += p.n_points == 0;
        seen.few_corners += p.n_points == 1 || p.n_points == 2;
        seen.zero_normal += p.normal.x == 0 && p.normal.y == 0 && p.normal.z == 0;
        seen.upper_case_s += p.facet == 'S';
        bool repeated = false;
        for (uint32_t c = 0; c < p.n_points; ++c) {
            ++(p.facet == SMOOTH ? smooth : faceted)[m.slot_vertex(p, c)];
            for (uint32_t j = 0; j < c; ++j) repeated |= m.slot_vertex(p, j) == m.slot_vertex(p, c);
        }
        seen.repeated += repeated;
    }
    for (uint32_t k = 0; k < m.Vcount(); ++k) {
        seen.smooth_shared += smooth[k] > 1;
        seen.mixed_vertex += smooth[k] > 0 && faceted[k] > 0;
    }
    seen.segments += m.Scount > 1;
}

} // namespace

TEST(ReferenceNormals, SameTableAsTheNestedSearchOnGeneratedScenes) {
    Seen seen;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        const kf::Model before = kfm::model_before_normals(generated_scene(seed));
        note(before, seen);
        kf::Model fast = before;
        kf::Model nested = before;
        kf::build_corner_normals(fast);
        kfo::nested_corner_normals(nested);
        const std::string difference = kfo::normals_difference(fast, nested);
        ASSERT_EQ(difference, "") << "scene of seed " << seed;
        ASSERT_EQ(kfm::grouping_fault(nested), "") << "scene of seed " << seed;
    }
    EXPECT_GT(seen.smooth_shared, 0);
    EXPECT_GT(seen.mixed_vertex, 0);
    EXPECT_GT(seen.repeated, 0);
    EXPECT_GT(seen.zero_corners, 0);
    EXPECT_GT(seen.few_corners, 0);
    EXPECT_GT(seen.zero_normal, 0);
    EXPECT_GT(seen.upper_case_s, 0);
    EXPECT_GT(seen.segments, 0);
}

namespace {

class RealScenes : public ::testing::TestWithParam<const char*> {};

} // namespace

// The real scenes build, report exactly what their recorded output shows for
// the builder, and give the nested search's table.
TEST_P(RealScenes, BuildLikeTheNestedSearch) {
    const std::string name = GetParam();
    const auto bytes = kft::read_real_scene(name + ".cob");
    kf::Scene scene;
    kf::read_cob_file(bytes, scene, kft::discard_report());

    const kfm::Built built = kfm::build(scene);
    ASSERT_EQ(built.error, "");
    const std::string recorded = kft::read_text(std::string(KEELFORGE_REAL_DIR) + "/" + name + ".stdout");
    const size_t from = recorded.find("\n Starting cob -> model data\n");
    const size_t to = recorded.find("\n Finding BSP data\n");
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(built.report, recorded.substr(from, to - from));

    kf::Model nested = kfm::model_before_normals(scene);
    kfo::nested_corner_normals(nested);
    EXPECT_EQ(kfo::normals_difference(built.model, nested), "");
    EXPECT_EQ(kfm::grouping_fault(built.model), "");
}

INSTANTIATE_TEST_SUITE_P(Package, RealScenes, ::testing::ValuesIn(kft::REAL_SCENES));
