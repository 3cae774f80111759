// Corner normals: one entry per polygon corner, grouped by vertex in
// (polygon, corner) order, averaged over smooth polygons where the facet is 's'.
#include "model/model_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using kfm::ModelMaker;
using kfm::values;

namespace {

constexpr int32_t SMOOTH = 's';

// A cube of side 2 around the origin; vertex k has x, y, z = -1 or +1 from
// bits 0, 1, 2 of k. Faces wound so that their normals point outward.
ModelMaker cube(int32_t facet) {
    ModelMaker m;
    for (int k = 0; k < 8; ++k)
        m.vertex(k & 1 ? 1.0f : -1.0f, k & 2 ? 1.0f : -1.0f, k & 4 ? 1.0f : -1.0f);
    const std::vector<std::vector<uint16_t>> faces = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                                      {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};
    for (const auto& f : faces) m.poly(f, facet);
    return m;
}

const kf::vec3& corner_normal(const kf::Model& m, uint32_t p, uint32_t c) {
    return m.model_normal.at(m.corners(m.model_poly.at(p))[c].normal_index);
}

void expect_near(kf::vec3 a, kf::vec3 b) {
    EXPECT_NEAR(a.x, b.x, 1e-6);
    EXPECT_NEAR(a.y, b.y, 1e-6);
    EXPECT_NEAR(a.z, b.z, 1e-6);
}

} // namespace

TEST(CornerNormals, FacetedCube) {
    ModelMaker m = cube(0);
    const std::vector<kf::vec3> face_normals = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (size_t p = 0; p < 6; ++p) ASSERT_EQ(values(m.model.model_poly[p].normal), values(face_normals[p]));
    kf::build_corner_normals(m.model);

    EXPECT_EQ(m.model.n_normals(), 24u);
    EXPECT_EQ(kfm::grouping_fault(m.model), "");
    // Vertex k's three entries are the normals of its faces, in face order.
    uint32_t entry = 0;
    for (uint16_t k = 0; k < 8; ++k) {
        SCOPED_TRACE("vertex " + std::to_string(k));
        EXPECT_EQ(m.model.vertex[k].n_norms, 3u);
        for (size_t p = 0; p < 6; ++p) {
            const auto corners = m.model.corners(m.model.model_poly[p]);
            if (std::none_of(corners.begin(), corners.end(), [&](const kf::ModelCorner& c) { return c.vertex == k; }))
                continue;
            EXPECT_EQ(values(m.model.model_normal[entry++]), values(face_normals[p]));
        }
    }
}

TEST(CornerNormals, SmoothCubeGivesTheDiagonals) {
    ModelMaker m = cube(SMOOTH);
    kf::build_corner_normals(m.model);

    EXPECT_EQ(m.model.n_normals(), 24u);
    EXPECT_EQ(kfm::grouping_fault(m.model), "");
    const float d = static_cast<float>(1.0 / std::sqrt(3.0));
    for (uint16_t k = 0; k < 8; ++k) {
        const kf::vec3 p = m.model.vertex[k].position;
        const kf::vec3 diagonal{p.x * d, p.y * d, p.z * d};
        for (uint32_t i = 0; i < 3; ++i)
            EXPECT_EQ(values(m.model.model_normal[3 * k + i]), values(diagonal)) << "vertex " << k;
    }
}

TEST(CornerNormals, EntriesOfAVertexFollowPolygonThenCorner) {
    ModelMaker m;
    const uint16_t o = m.vertex(0, 0, 0);
    const uint16_t x = m.vertex(1, 0, 0), y = m.vertex(0, 1, 0), z = m.vertex(0, 0, 1);
    const uint16_t v = m.vertex(5, 5, 5); // named by polygon 4 corner 2 and polygon 1 corner 0
    m.poly({o, x, y});
    m.poly({v, y, z});
    m.poly({o, z, x});
    m.poly({o, y, z});
    m.poly({x, y, v});
    kf::build_corner_normals(m.model);

    EXPECT_EQ(kfm::grouping_fault(m.model), "");
    EXPECT_EQ(m.model.vertex[v].n_norms, 2u);
    const uint32_t first = m.model.n_normals() - 2; // the highest vertex owns the last entries
    EXPECT_EQ(m.model.corners(m.model.model_poly[1])[0].normal_index, first);
    EXPECT_EQ(m.model.corners(m.model.model_poly[4])[2].normal_index, first + 1);
    EXPECT_EQ(values(m.model.model_normal[first]), values(m.model.model_poly[1].normal));
    EXPECT_EQ(values(m.model.model_normal[first + 1]), values(m.model.model_poly[4].normal));
}

TEST(CornerNormals, SmoothingRules) {
    // Two polygons meet at vertex 0: A lies in the x-y plane (normal +z),
    // B in the y-z plane (normal +x). Each case gives the corner normals of A
    // and B at vertex 0.
    struct Case {
        const char* label;
        int32_t facet_a, facet_b;
        bool b_repeats_shared_vertex; // B names the shared vertex twice
        bool b_uses_twin;             // B uses a different vertex at the same place
        bool b_reversed;              // B lies in A's plane, wound the other way
        kf::vec3 at_a, at_b;
    };
    const float h = static_cast<float>(1.0 / std::sqrt(2.0));
    const Case cases[] = {
        {"BothSmoothAverage", SMOOTH, SMOOTH, false, false, false, {h, 0, h}, {h, 0, h}},
        {"BothFaceted", 0, 0, false, false, false, {0, 0, 1}, {1, 0, 0}},
        // Only smooth polygons take part: the smooth corner keeps its own normal.
        {"SmoothMeetsFaceted", SMOOTH, 'f', false, false, false, {0, 0, 1}, {1, 0, 0}},
        {"UpperCaseSIsFaceted", SMOOTH, 'S', false, false, false, {0, 0, 1}, {1, 0, 0}},
        {"ZeroFacetIsFaceted", 0, SMOOTH, false, false, false, {0, 0, 1}, {1, 0, 0}},
        {"NegativeFacetIsFaceted", SMOOTH, -13, false, false, false, {0, 0, 1}, {1, 0, 0}},
        // B's normal is summed once per corner: (0,0,1) + 2 (1,0,0), over 3.
        {"RepeatedCornerCountsTwice", SMOOTH, SMOOTH, true, false, false,
         {static_cast<float>(2 / std::sqrt(5.0)), 0, static_cast<float>(1 / std::sqrt(5.0))},
         {static_cast<float>(2 / std::sqrt(5.0)), 0, static_cast<float>(1 / std::sqrt(5.0))}},
        // Smoothing follows shared vertices, not shared places.
        {"SamePlaceOtherVertex", SMOOTH, SMOOTH, false, true, false, {0, 0, 1}, {1, 0, 0}},
        {"OppositeNormalsCancel", SMOOTH, SMOOTH, false, false, true, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ModelMaker m;
        const uint16_t o = m.vertex(0, 0, 0);
        const uint16_t x = m.vertex(1, 0, 0), y = m.vertex(0, 1, 0), z = m.vertex(0, 0, 1);
        const uint16_t twin = m.vertex(0, 0, 0);
        const uint16_t shared_b = c.b_uses_twin ? twin : o;
        m.poly({o, x, y}, c.facet_a);
        if (c.b_reversed)
            m.poly({shared_b, y, x}, c.facet_b);
        else if (c.b_repeats_shared_vertex)
            m.poly({shared_b, y, z, shared_b}, c.facet_b);
        else
            m.poly({shared_b, y, z}, c.facet_b);
        kf::build_corner_normals(m.model);

        EXPECT_EQ(kfm::grouping_fault(m.model), "");
        expect_near(corner_normal(m.model, 0, 0), c.at_a);
        expect_near(corner_normal(m.model, 1, 0), c.at_b);
        if (c.b_repeats_shared_vertex) {
            // Both corners of B at the vertex own consecutive, equal entries.
            EXPECT_EQ(m.model.corners(m.model.model_poly[1])[3].normal_index, m.model.corners(m.model.model_poly[1])[0].normal_index + 1);
            expect_near(corner_normal(m.model, 1, 3), c.at_b);
        }
    }
}

TEST(CornerNormals, EveryCornerOwnsAnEntryEvenWhenEqual) {
    // Three faceted polygons in one plane share vertex 0: three equal, separate entries.
    ModelMaker m;
    const uint16_t o = m.vertex(0, 0, 0);
    const uint16_t a = m.vertex(1, 0, 0), b = m.vertex(0, 1, 0), c = m.vertex(-1, 0, 0), d = m.vertex(0, -1, 0);
    m.poly({o, a, b});
    m.poly({o, b, c});
    m.poly({o, c, d});
    m.poly({}); // a polygon without corners owns nothing
    m.poly({d}); // a one-corner polygon owns one (zero) normal
    kf::build_corner_normals(m.model);

    EXPECT_EQ(kfm::grouping_fault(m.model), "");
    EXPECT_EQ(m.model.n_normals(), 10u);
    EXPECT_EQ(m.model.vertex[o].n_norms, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(values(m.model.model_normal[i]), values(kf::vec3{0, 0, 1}));
    EXPECT_EQ(values(corner_normal(m.model, 4, 0)), values(kf::vec3{0, 0, 0}));
}
