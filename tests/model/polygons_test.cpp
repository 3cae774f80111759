// Polygons: copied fields, corner mapping, texture placement, face normal,
// center and radius, and the two vector operations behind them.
#include "model/model_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using kfm::bits;
using kfm::Bits3;
using kfm::build;
using kfm::Built;
using kfm::ModelMaker;
using kfm::SceneMaker;
using kfm::values;

TEST(VectorOps, Normalise) {
    struct Case {
        const char* label;
        kf::vec3 in;
        kf::vec3 out;
    };
    const Case cases[] = {
        {"Axis", {0, 0, -2.5f}, {0, 0, -1}},
        {"ThreeFourFive", {3, 4, 0}, {0.6f, 0.8f, 0}},
        {"ZeroStaysZero", {0, 0, 0}, {0, 0, 0}},
        {"SignedZeroStays", {-0.0f, 0, -0.0f}, {-0.0f, 0, -0.0f}},
        // Length and quotients in double from the float components; single
        // precision throughout would give -0x1.785668p-1 and 0x1.f157c2p-2.
        {"DoubleThenRound", {-52.96875f, -34.09375f, 35.0f}, {-0x1.785666p-1f, -0x1.e47714p-2f, 0x1.f157cp-2f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        kf::vec3 v = c.in;
        kf::vec3_normalise(v);
        EXPECT_EQ(bits(v), bits(c.out));
    }
}

TEST(VectorOps, FaceNormal) {
    struct Case {
        const char* label;
        kf::vec3 p[3];
        kf::vec3 out;
    };
    const Case cases[] = {
        {"RightHanded", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 0, 1}},
        {"ReversedOrder", {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 0, -1}},
        {"Scaled", {{10, 10, 10}, {10, 10, 30}, {10, 50, 10}}, {-1, 0, 0}},
        {"Diagonal", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {static_cast<float>(1 / std::sqrt(3.0)), static_cast<float>(1 / std::sqrt(3.0)),
          static_cast<float>(1 / std::sqrt(3.0))}},
        {"Collinear", {{0, 0, 0}, {1, 1, 1}, {3, 3, 3}}, {0, 0, 0}},
        {"Coincident", {{2, 2, 2}, {2, 2, 2}, {5, 0, 1}}, {0, 0, 0}},
        // The edges p0 - p1 and p1 - p2 are rounded to float before the cross
        // product; edges kept in double would give ...e8p-1 and ...ccp-2.
        {"EdgesRoundedToFloat",
         {{0x1.58p+11f, 0x1.28p-14f, 0x1.58p-13f},
          {0x1.dp-13f, 0x1.62p+11f, 0x1.b8p-15f},
          {0x1.64p-14f, 0x1.dp-14f, 0x1.dcp+11f}},
         {0x1.4600eap-1f, 0x1.3ccb5ep-1f, 0x1.d732cap-2f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        kf::vec3 out{9, 9, 9};
        kf::face_normal(c.p, out);
        EXPECT_EQ(values(out), values(c.out));
    }
}

TEST(Polygons, FieldsAreCopiedFromTheFace) {
    SceneMaker s;
    s.group("hull");
    s.vertex(0, 0, 0);
    s.group("wing");
    s.vertex(0, 1, 0);
    s.vertex(0, 0, 1);
    kf::CobFace& flat = s.face({1, 2, 1}, 's');
    flat.type = kf::POLY_FLAT;
    flat.color_or_texture = 0x123456;
    kf::CobFace& mapped = s.face({2, 1}, static_cast<int8_t>(-23)); // a facet byte above 127
    mapped.color_or_texture = 7;
    s.face({}); // a hole or empty face is a polygon like any other
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    ASSERT_EQ(b.model.Pcount(), 3u);
    const kf::ModelPoly& p0 = b.model.model_poly[0];
    EXPECT_EQ(p0.n_points, 3u);
    EXPECT_EQ(p0.type, 2);
    EXPECT_EQ(p0.color_or_texture, 0x123456);
    EXPECT_EQ(p0.facet, 115);
    EXPECT_EQ(p0.segment, 1);
    // Scene vertex 0 is unused, so scene vertices 1 and 2 are model vertices 0 and 1; slots past n_points hold 0.
    std::vector<uint16_t> slots;
    for (uint32_t c = 0; c < 4; ++c) slots.push_back(b.model.slot_vertex(p0, c));
    EXPECT_EQ(slots, (std::vector<uint16_t>{0, 1, 0, 0}));
    const kf::ModelPoly& p1 = b.model.model_poly[1];
    EXPECT_EQ(p1.n_points, 2u);
    EXPECT_EQ(p1.type, 3);
    EXPECT_EQ(p1.color_or_texture, 7);
    EXPECT_EQ(p1.facet, -23); // sign-extended
    const kf::ModelPoly& p2 = b.model.model_poly[2];
    EXPECT_EQ(p2.n_points, 0u);
    EXPECT_EQ(p2.segment, 1);
}

TEST(Polygons, TexturePlacement) {
    struct Case {
        const char* label;
        kf::CobUv uv;
        kf::TextureMap map; // offset_u, offset_v, repeat_u, repeat_v
        float u, v;
        int32_t material = 2; // the face's material index, whose entry is `map`
    };
    const Case cases[] = {
        {"RepeatAndOffset", {0.25f, 0.5f}, {0.1f, 0.2f, 2, 3}, 0.4f, -1.3f},
        {"NoRepeatNoOffset", {0.25f, 0.5f}, {0, 0, 0, 0}, 0.25f, -0.5f},
        {"OnlyURepeated", {0.25f, 0.5f}, {0, 0, 2, 0}, 0.5f, -0.5f},
        {"OnlyVRepeated", {0.25f, 0.5f}, {0, 0, 0, 3}, 0.25f, -1.5f},
        {"NegativeRepeat", {0.25f, -0.5f}, {1, 1, -1, -2}, -1.25f, 0.0f},
        // Multiply and offset in double, rounded once: rounding the product
        // first would give 0x1.5ca6cp-7 and -0x1.1e647p-5.
        {"RoundedOnceU", {0.236f, 0}, {0.4f, 0, 1.74f, 0}, 0x1.5ca6c8p-7f, 0.0f}, // -0 + 0 is +0
        {"RoundedOnceV", {0, 0.248f}, {0, 0.094f, 0, 0.52f}, 0, -0x1.1e646ep-5f},
        // A face that no material reached keeps index 0: the first material's placement.
        {"NoMaterialReachedTakesTheFirst", {0.25f, 0.5f}, {0.1f, 0.2f, 2, 3}, 0.4f, -1.3f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SceneMaker s;
        s.vertex(0, 0, 0);
        s.face({0, 0, 0});
        s.scene.cob_uv = {{9, 9}, c.uv};
        s.scene.corners(s.scene.cob_face[0])[1].uv = 1;
        s.scene.cob_face[0].material_index = c.material;
        s.scene.texture_map = {{5, 5, 5, 5}, {5, 5, 5, 5}, {5, 5, 5, 5}}; // the face's material index picks the entry
        s.scene.texture_map[static_cast<size_t>(c.material)] = c.map;
        Built b = build(s.scene);
        ASSERT_EQ(b.error, "");
        const auto p = b.model.corners(b.model.model_poly[0]);
        EXPECT_EQ(bits(p[1].u), bits(c.u));
        EXPECT_EQ(bits(p[1].v), bits(c.v));
        // The other corners name texture coordinate (9, 9) under the same placement.
        EXPECT_EQ(bits(p[0].u), bits(p[2].u));
    }
}

TEST(Polygons, FaceWithoutMaterialStillNegatesV) {
    SceneMaker s;
    s.vertex(0, 0, 0);
    s.face({0, 0});
    s.scene.cob_uv = {{0.75f, 0.125f}};
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.model.corners(b.model.model_poly[0])[0].u, 0.75f);
    EXPECT_EQ(b.model.corners(b.model.model_poly[0])[1].v, -0.125f);
}

TEST(Polygons, NormalComesFromCornerSlotsZeroOneTwo) {
    // Model positions: scene (x, y, z) -> (-20y, 20z, 20x).
    SceneMaker s;
    int32_t a = s.vertex(0, 0, 0);   // model (0, 0, 0), model vertex 0
    int32_t b = s.vertex(0, -1, 0);  // model (20, 0, 0)
    int32_t c = s.vertex(0, 0, 1);   // model (0, 20, 0)
    int32_t d = s.vertex(7, 3, 5);   // off the plane
    int32_t e = s.vertex(0, -2, 2);  // model (40, 40, 0), collinear with a and (20, 20, 0)
    int32_t f = s.vertex(0, -1, 1);  // model (20, 20, 0)
    s.face({a, b, c});        // 0: right-handed in the model's x-y plane
    s.face({a, b, c, d});     // 1: a non-planar fourth corner does not count
    s.face({a, f, e});        // 2: collinear
    s.face({b, c});           // 3: two corners: slot 2 names model vertex 0 (a)
    s.face({b});              // 4: one corner: (b, a, a)
    s.face({});               // 5: no corners: (a, a, a)
    Built built = build(s.scene);
    ASSERT_EQ(built.error, "");
    const auto& p = built.model.model_poly;
    EXPECT_EQ(values(p[0].normal), values(kf::vec3{0, 0, 1}));
    EXPECT_EQ(values(p[1].normal), values(kf::vec3{0, 0, 1}));
    EXPECT_EQ(values(p[2].normal), values(kf::vec3{0, 0, 0}));
    EXPECT_EQ(values(p[3].normal), values(kf::vec3{0, 0, 1})); // (b, c, a) turns the same way as (a, b, c)
    EXPECT_EQ(values(p[4].normal), values(kf::vec3{0, 0, 0}));
    EXPECT_EQ(values(p[5].normal), values(kf::vec3{0, 0, 0}));
}

TEST(Polygons, TwoCornerPolygonUsesModelVertexZeroWhereverItLies) {
    // Model vertex 0 is the first used scene vertex, here in another segment
    // and in its own frame; the polygon's third point is that local position.
    SceneMaker s;
    s.group("hull");
    s.vertex(0, 0, 3);               // model (0, 60, 0)
    s.group("pod", {0, 0, 3});
    int32_t b = s.vertex(0, -1, 3);  // local model (20, 0, 0)
    int32_t c = s.vertex(0, 0, 4);   // local model (0, 20, 0)
    s.face({b, c});
    s.face({0});
    Built built = build(s.scene);
    ASSERT_EQ(built.error, "");
    // (20,0,0), (0,20,0), (0,60,0): a = (20,-20,0), b = (0,-40,0), a x b = (0,0,-800).
    EXPECT_EQ(values(built.model.model_poly[0].normal), values(kf::vec3{0, 0, -1}));
}

TEST(Polygons, CenterAndRadius) {
    struct Case {
        const char* label;
        std::vector<kf::vec3> corners;
        kf::vec3 center;
        float radius;
    };
    const float third = static_cast<float>(1.0 / 3.0);
    const Case cases[] = {
        {"Triangle", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {third, third, 0}, static_cast<float>(std::sqrt(5.0) / 3.0)},
        {"OneCorner", {{2.5f, -1, 4}}, {2.5f, -1, 4}, 0},
        {"Square", {{-2, 0, -2}, {2, 0, -2}, {2, 0, 2}, {-2, 0, 2}}, {0, 0, 0}, static_cast<float>(std::sqrt(8.0))},
        // The sum is taken in double: in single precision 1e8 + 1 is 1e8 and the center would be 0.
        {"SumInDouble", {{0, 0, 1e8f}, {0, 0, 1}, {0, 0, -1e8f}}, {0, 0, third}, 1e8f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ModelMaker m;
        std::vector<uint16_t> corners;
        for (const kf::vec3& p : c.corners) corners.push_back(m.vertex(p.x, p.y, p.z));
        m.poly(corners);
        kf::polygon_centers(m.model);
        EXPECT_EQ(values(m.model.model_poly[0].center), values(c.center));
        EXPECT_EQ(bits(m.model.model_poly[0].radius), bits(c.radius));
    }
}

TEST(Polygons, ZeroCornerPolygonHasNoCenter) {
    ModelMaker m;
    m.vertex(1, 2, 3);
    m.poly({});
    kf::polygon_centers(m.model);
    const kf::ModelPoly& p = m.model.model_poly[0];
    EXPECT_TRUE(std::isnan(p.center.x) && std::isnan(p.center.y) && std::isnan(p.center.z));
    EXPECT_EQ(values(p.normal), values(kf::vec3{0, 0, 0}));
}

TEST(Polygons, CenterIsInTheSegmentFrame) {
    SceneMaker s;
    s.group("hull");
    s.group("pod", {1, 1, 1}); // offset (-20, 20, 20)
    s.vertex(1, 1, 1);
    s.vertex(1, 0, 1);
    s.vertex(2, 1, 1);
    s.face({0, 1, 2});
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    // Local corners (0,0,0), (20,0,0), (0,0,20).
    const float c = static_cast<float>(20.0 / 3.0);
    EXPECT_EQ(values(b.model.model_poly[0].center), values(kf::vec3{c, 0, c}));
}
