// Reading back the files the converter writes: every one is valid, and what
// the reader finds matches the scene that was converted.
#include "fixtures.h"

#include "pofinfo/pofread.h"
#include "support/cob_builder.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

using namespace kft;
using namespace pft;

namespace {

// Valid files that reach the corners of what the converter writes.
struct ConvertedScene {
    const char* name;
    std::function<std::vector<uint8_t>()> scene;
};

const ConvertedScene converted_scenes[] = {
    {"EndOnly", [] { return CobBuilder().end().bytes(); }},
    {"OneTriangleWithoutMaterial", [] { return CobBuilder().polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0})).end().bytes(); }},
    {"ZeroCornerFace",
     [] {
         Polh o = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
         o.faces.push_back(Face{.vertices = {}});
         return CobBuilder().polh(o).end().bytes();
     }},
    {"TwoCoincidentTriangles",
     [] {
         Polh o = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
         o.faces.push_back(o.faces[0]);
         return CobBuilder().polh(o).end().bytes();
     }},
    {"EmptyGroupBesideFullOne",
     [] { return CobBuilder().grou("hull").polh(cube()).grou("empty").end().bytes(); }},
    {"OpenShield",
     [] {
         return CobBuilder().grou("hull").polh(cube()).grou("shield").polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}))
             .end().bytes();
     }},
    {"ShieldWithoutFaces", [] { return CobBuilder().grou("hull").polh(cube()).grou("shield").end().bytes(); }},
    {"ShieldLastAfterDetailLevels",
     [] {
         CobBuilder cob;
         cob.grou("hull").polh(cube()).grou("detail1").polh(cube(0.5f)).grou("detail2").polh(cube(0.25f));
         return cob.grou("shield").polh(tetrahedron(2)).end().bytes();
     }},
    {"Rich", rich_scene},
};

void PrintTo(const ConvertedScene& s, std::ostream* os) { *os << s.name; }

class Converted : public ::testing::TestWithParam<ConvertedScene> {};

} // namespace

TEST_P(Converted, IsValid) {
    const auto pof = convert(GetParam().scene());
    ASSERT_FALSE(pof.empty());
    const pofread::Model m = pofread::parse(pof);
    EXPECT_TRUE(m.ok) << m.problem << " at byte " << m.problem_offset;
    EXPECT_EQ(m.info, "Keelforge2 Version 0.01 10-23-99\n");
    EXPECT_EQ(m.file_size, pof.size());
    const pofread::Validation v = pofread::validate(pof);
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(v.warnings, m.warnings);
}

INSTANTIATE_TEST_SUITE_P(Scenes, Converted, ::testing::ValuesIn(converted_scenes),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseConverted, RichSceneReadsBackAsBuilt) {
    const auto pof = convert(rich_scene());
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok) << m.problem;

    std::vector<std::string> ids;
    for (const auto& c : m.chunks) ids.push_back(c.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"TXTR", "HDR2", "OBJ2", "OBJ2", "OBJ2", "OBJ2", "OBJ2", "OBJ2", "SHLD", "PINF"}));
    EXPECT_EQ(m.textures, (std::vector<std::string>{"plate", "gun"}));
    EXPECT_EQ(m.header.subobject_count, 6);
    EXPECT_EQ(m.header.detail, (std::vector<int32_t>{0, 3}));
    EXPECT_EQ(m.header.debris, (std::vector<int32_t>{4}));

    // Names, parents in the file's numbering (the fin moves down past the
    // shield and hangs from the shield group's own parent, the hull), polygons.
    struct Expected {
        const char* name;
        int32_t parent;
        size_t vertices, polygons;
    };
    const Expected expected[] = {{"hull", -1, 8, 6},   {"turret", 0, 8, 6},   {"barrel", 1, 8, 6},
                                 {"detail1", -1, 8, 6}, {"debris01", -1, 3, 1}, {"fin", 0, 3, 1}};
    ASSERT_EQ(m.subobjects.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const pofread::Subobject& s = m.subobjects[i];
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.number, static_cast<int32_t>(i));
        EXPECT_EQ(s.name, expected[i].name);
        EXPECT_EQ(s.parent, expected[i].parent);
        EXPECT_EQ(s.vertices.size(), expected[i].vertices);
        EXPECT_EQ(s.polygons.size(), expected[i].polygons);
        // One normal per polygon corner of the subobject.
        size_t corners = 0;
        for (const auto& p : s.polygons) corners += p.corners.size();
        EXPECT_EQ(s.normals.size(), corners);
        EXPECT_EQ(s.ops.front().id, 1);
        EXPECT_EQ(s.ops.back().id, 0);
        EXPECT_EQ(s.bsp_leaves, s.bsp_nodes + 1); // every node here splits into two leaf lists or nodes
    }
    // Offsets are relative to the parent: the barrel sits 1 scene unit ahead
    // of the turret, 20 model units along z.
    EXPECT_FLOAT_EQ(m.subobjects[2].offset.z, 20.0f);
    EXPECT_FLOAT_EQ(m.subobjects[2].offset.y, 0.0f);
    EXPECT_FLOAT_EQ(m.subobjects[1].offset.y, 30.0f);
    // The fin's offset is taken from the hull, its parent in the file, not
    // from the shield group it was nested under: scene (-1, 0, 1.2).
    EXPECT_FLOAT_EQ(m.subobjects[5].offset.x, 0.0f);
    EXPECT_FLOAT_EQ(m.subobjects[5].offset.y, 24.0f);
    EXPECT_FLOAT_EQ(m.subobjects[5].offset.z, -20.0f);

    // Hull: three textured faces of "plate", three flat faces of the colour
    // red 204, green 51, blue 25.
    int textured = 0, flat = 0;
    for (const auto& p : m.subobjects[0].polygons) {
        if (p.kind == kf::POLY_TMAPPED) {
            ++textured;
            EXPECT_EQ(p.color_or_texture, 0);
        } else {
            ++flat;
            EXPECT_EQ(p.color_or_texture, 204 + 51 * 256 + 25 * 65536);
        }
    }
    EXPECT_EQ(textured, 3);
    EXPECT_EQ(flat, 3);
    EXPECT_GE(m.subobjects[0].bsp_nodes, 1);

    ASSERT_TRUE(m.shield.has_value());
    EXPECT_EQ(m.shield->vertices.size(), 4u);
    EXPECT_EQ(m.shield->faces.size(), 4u);
    EXPECT_EQ(m.shield->open_edges, 0u);
    for (size_t f = 0; f < 4; ++f)
        for (int32_t n : m.shield->faces[f].neighbour) EXPECT_NE(n, static_cast<int32_t>(f));

    // The fin's face names material 7, which no TXTR entry covers.
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("texture 7"), std::string::npos) << m.warnings[0];
}

TEST(ParseConverted, TreeOrderFollowsTheListOffsets) {
    const auto pof = convert(rich_scene());
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok);
    for (const pofread::Subobject& s : m.subobjects) {
        // After each sorting node its front list begins 88 bytes on, one level deeper.
        for (size_t i = 0; i < s.ops.size(); ++i) {
            if (s.ops[i].id != 4) continue;
            ASSERT_LT(i + 1, s.ops.size());
            EXPECT_EQ(s.ops[i + 1].list, "front");
            EXPECT_EQ(s.ops[i + 1].offset, s.ops[i].offset + 88);
            EXPECT_EQ(s.ops[i + 1].depth, s.ops[i].depth + 1);
        }
        // The opcodes tile the model data: their lengths add up to its size.
        size_t total = 0;
        for (const auto& op : s.ops) total += op.id == 0 ? 8 : static_cast<size_t>(op.size);
        EXPECT_EQ(total, s.data_size);
    }
}

TEST(ParseConverted, ExampleShipIsValid) {
    const auto pof = example_pof();
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok) << m.problem << " at byte " << m.problem_offset;
    EXPECT_TRUE(m.warnings.empty());
    EXPECT_GE(m.header.detail.size(), 2u);
    EXPECT_GE(m.header.debris.size(), 1u);
    ASSERT_TRUE(m.shield.has_value());
    EXPECT_EQ(m.shield->open_edges, 0u);
}

namespace {

struct RealScene {
    const char* name;
    size_t subobjects, polygons, textures, warnings;
};

// Polygon counts are the scenes' face counts; spider_4_3 has faces that no
// material reached, one warning per texture number they use.
const RealScene real_scenes[] = {
    {"dwarf", 1, 1896, 2, 0},
    {"molecule", 1, 512, 0, 0},
    {"spider_4_3", 1, 1368, 0, 4},
    {"spider_6_6", 1, 1368, 0, 0},
};

void PrintTo(const RealScene& s, std::ostream* os) { *os << s.name; }

class RealScenes : public ::testing::TestWithParam<RealScene> {};

} // namespace

TEST_P(RealScenes, AreValid) {
    const RealScene& s = GetParam();
    const auto pof = convert(kft::read_real_scene(std::string(s.name) + ".cob"));
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok) << m.problem << " at byte " << m.problem_offset;
    EXPECT_EQ(m.subobjects.size(), s.subobjects);
    size_t polygons = 0;
    for (const auto& sub : m.subobjects) polygons += sub.polygons.size();
    EXPECT_EQ(polygons, s.polygons);
    EXPECT_EQ(m.textures.size(), s.textures);
    EXPECT_EQ(m.warnings.size(), s.warnings);
}

INSTANTIATE_TEST_SUITE_P(Package, RealScenes, ::testing::ValuesIn(real_scenes),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(ParseHandMade, DeepTreeIsWalkedWithoutRecursion) {
    const int depth = 20000;
    const auto pof = deep_tree_pof(depth);
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok) << m.problem << " at byte " << m.problem_offset;
    ASSERT_EQ(m.subobjects.size(), 1u);
    const auto& s = m.subobjects[0];
    EXPECT_EQ(s.bsp_nodes, depth);
    EXPECT_EQ(s.bsp_depth, depth);
    EXPECT_EQ(s.bsp_leaves, depth + 1);
    EXPECT_EQ(s.polygons.size(), static_cast<size_t>(depth + 1));
}

TEST(ParseHandMade, UnknownChunksAreListedNotRejected) {
    auto pof = convert(rich_scene());
    const auto hdr2 = nth_chunk(chunk_heads(pof), "HDR2");
    // An unknown chunk of 6 bytes between HDR2 and the first OBJ2.
    const std::vector<uint8_t> extra = {'X', 'T', 'R', 'A', 6, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    pof.insert(pof.begin() + static_cast<ptrdiff_t>(hdr2.offset + 8 + hdr2.size), extra.begin(), extra.end());
    const pofread::Model m = pofread::parse(pof);
    ASSERT_TRUE(m.ok) << m.problem;
    ASSERT_EQ(m.chunks.size(), 11u);
    EXPECT_EQ(m.chunks[2].id, "XTRA");
    EXPECT_FALSE(m.chunks[2].known);
    EXPECT_EQ(m.subobjects.size(), 6u);
    ASSERT_EQ(m.warnings.size(), 2u);
    EXPECT_NE(m.warnings[0].find("unknown chunk \"XTRA\""), std::string::npos) << m.warnings[0];
}
