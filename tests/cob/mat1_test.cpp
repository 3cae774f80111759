// Materials: flat colours, textures and their names, which faces a
// material reaches, the sub-chunk scan and its end at the chunk's edge.
#include "cob/read_scene.h"
#include "support/cob_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace kft;

namespace {

const Polh tri = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});

Polh object(const std::string& name, std::vector<uint16_t> materials, bool last_is_hole = false) {
    Polh o = tri;
    o.name = name;
    o.faces.clear();
    for (uint16_t m : materials) o.faces.push_back(Face{.vertices = {0, 1, 2}, .material = m});
    if (last_is_hole) o.faces.back().hole = true;
    return o;
}

// The face fields a material sets.
constexpr kf::PolyKind F = kf::POLY_FLAT, T = kf::POLY_TMAPPED;
struct Look {
    kf::PolyKind type;
    int32_t color_or_texture, material_index;
    int8_t facet;
    bool operator==(const Look&) const = default;
};

Look look(const kf::CobFace& f) { return {f.type, f.color_or_texture, f.material_index, f.facet}; }

std::ostream& operator<<(std::ostream& os, const Look& l) {
    return os << "{type " << l.type << ", colour/texture " << l.color_or_texture << ", material " << l.material_index
              << ", facet " << int{l.facet} << "}";
}

} // namespace

TEST(Mat1, FlatColourReachesTheMatchingFacesOfTheLastObject) {
    // Object A carries material 1 as well, but only the last object's faces
    // are searched; B's face with material 2 is not reached either.
    CobBuilder cob;
    cob.polh(object("A", {1, 1})).polh(object("B", {1, 2, 1}));
    cob.mat1(flat_material(1, 1.0f, 0.5f, 0.0f, 's'));
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 2, 3, 2, 3, 0) + polh_report("B", 3, 3, 6, 5, 6, 0) +
                            mat1_line + " flatpoly: red = 255, green = 127, blue = 0\n" +
                            " material number = 7fff\n material number = 7fff\n Matlcount = 1\n" + end_line);
    const std::vector<Look> expected = {
        {T, 1, 0, 0}, {T, 1, 0, 0}, {F, 0x7fff, 0, 's'}, {T, 2, 0, 0}, {F, 0x7fff, 0, 's'},
    };
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(look(r.scene.cob_face[i]), expected[i]) << "face " << i;
    ASSERT_EQ(r.scene.Matlcount(), 1u);
    EXPECT_EQ(r.scene.cob_material[0].number(), 1);
    EXPECT_EQ(r.scene.cob_material[0].facet(), 's');
}

TEST(Mat1, MaterialsThatReachNoFaceAreStillCounted) {
    CobBuilder cob;
    cob.mat1(flat_material(0, 1, 1, 1)); // before any object
    cob.polh(object("A", {0, 3}));
    cob.mat1(flat_material(7, 1, 1, 1)); // no face carries 7
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + flat_report(255, 255, 255, 1) + polh_report("A", 3, 2, 3, 2, 3, 0) +
                            flat_report(255, 255, 255, 2) + end_line);
    EXPECT_EQ(look(r.scene.cob_face[0]), (Look{T, 0, 0, 0}));
    EXPECT_EQ(r.scene.Matlcount(), 2u);
}

TEST(Mat1, ObjectWithoutFacesLeavesTheEarlierObjectCurrent) {
    CobBuilder cob;
    cob.polh(object("A", {5})).polh(object("B", {5})).polh(object("Empty", {}));
    cob.mat1(flat_material(5, 0, 0, 1));
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(look(r.scene.cob_face[0]), (Look{T, 5, 0, 0}));
    EXPECT_EQ(look(r.scene.cob_face[1]), (Look{F, 0xff0000, 0, 'f'}));
}

TEST(Mat1, HoleTakesMaterialZero) {
    CobBuilder cob;
    cob.polh(object("A", {2, 2}, true)).mat1(flat_material(0, 0, 1, 0));
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(look(r.scene.cob_face[0]), (Look{T, 2, 0, 0}));
    EXPECT_EQ(look(r.scene.cob_face[1]), (Look{F, 0xff00, 0, 'f'}));
}

TEST(Mat1, ColourComponentsTruncateSaturateAndPackModulo32Bits) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float red, green, blue;
        std::string components; // as the flatpoly line prints them
        std::string packed;     // as the material number line prints it
    };
    const Case cases[] = {
        {1.0f, 0.5f, 0.0f, "255, green = 127, blue = 0", "7fff"},
        {0, 0, 0, "0, green = 0, blue = 0", "0000"},
        {0.01f, 0, 0, "2, green = 0, blue = 0", "0002"},
        {1, 1, 1, "255, green = 255, blue = 255", "ffffff"},
        {0.999f, 0.0039f, 1.0f / 255.0f, "254, green = 0, blue = 1", "100fe"},
        {2.0f, 0, 0, "510, green = 0, blue = 0", "01fe"},       // no clamp to 255
        {-0.5f, 0, 0, "-127, green = 0, blue = 0", "ffffff81"}, // toward zero, then modulo 2^32
        {0, -1.0f, 0, "0, green = -255, blue = 0", "ffff0100"},
        {nan, 1, nan, "0, green = 255, blue = 0", "ff00"},
        {1e10f, 0, 0, "2147483647, green = 0, blue = 0", "7fffffff"},
        {-inf, 0, 0, "-2147483648, green = 0, blue = 0", "80000000"},
        {0, inf, 0, "0, green = 2147483647, blue = 0", "ffffff00"},
        {0, 0, 1e30f, "0, green = 0, blue = 2147483647", "ffff0000"},
        {-1e10f, -1e10f, -1e10f, "-2147483648, green = -2147483648, blue = -2147483648", "80000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.components);
        ReadResult r = read_scene(CobBuilder().polh(object("A", {1})).mat1(flat_material(1, c.red, c.green, c.blue)).end().bytes());
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + mat1_line + " flatpoly: red = " +
                                c.components + "\n material number = " + c.packed + "\n Matlcount = 1\n" + end_line);
        EXPECT_EQ(static_cast<uint32_t>(r.scene.cob_face[0].color_or_texture), std::stoul(c.packed, nullptr, 16));
    }
}

TEST(Mat1, TextureGivesItsIndexMaterialAndPlacement) {
    Mat1 m = textured_material(1, "D:\\maps\\hull.bmp", 's');
    m.subchunks = sub_t("D:\\maps\\hull.bmp", 0.1f, 0.2f, 2.0f, 3.0f, 0x5a);
    CobBuilder cob;
    cob.polh(object("A", {1, 0})).mat1(flat_material(0, 1, 0, 0)).mat1(m);
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 2, 3, 2, 3, 0) + mat1_line +
                            " flatpoly: red = 255, green = 0, blue = 0\n material number = 00ff\n Matlcount = 1\n" +
                            texture_report("D:\\maps\\hull.bmp", 0, 2) + end_line);
    // type stays 3 from reading; the material index is the Mat1 chunk's position.
    EXPECT_EQ(look(r.scene.cob_face[0]), (Look{T, 0, 1, 's'}));
    EXPECT_EQ(look(r.scene.cob_face[1]), (Look{F, 0xff, 0, 'f'}));
    ASSERT_EQ(r.scene.texture_name, std::vector<std::string>{"D:\\maps\\hull.bmp"});
    const kf::TextureMap& p = r.scene.placement(1);
    EXPECT_EQ(p.offset_u, 0.1f);
    EXPECT_EQ(p.offset_v, 0.2f);
    EXPECT_EQ(p.repeat_u, 2.0f);
    EXPECT_EQ(p.repeat_v, 3.0f);
    // A flat material's placement stays all zero.
    EXPECT_EQ(r.scene.placement(0).repeat_u, 0.0f);
}

// Material i's placement is entry i, so a face that no material reached
// (material index 0) takes the first material's placement.
TEST(Mat1, FaceNoMaterialReachedTakesTheFirstMaterialsPlacement) {
    CobBuilder cob;
    cob.polh(object("A", {1, 2})).mat1(Mat1{.number = 1, .subchunks = sub_t("D:\\maps\\hull.bmp", 0.1f, 0.2f, 2, 3)});
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    ASSERT_EQ(r.scene.cob_face[1].material_index, 0);
    const kf::TextureMap& p = r.scene.placement(r.scene.cob_face[1].material_index);
    EXPECT_EQ(p.offset_u, 0.1f);
    EXPECT_EQ(p.repeat_v, 3.0f);
}

TEST(Mat1, TextureNamesAreSharedComparedExactlyAndKeptWhole) {
    const std::string long_name = "D:\\" + std::string(300, 'x') + ".bmp";
    CobBuilder cob;
    cob.polh(object("A", {0})).mat1(textured_material(0, "hull.bmp"));
    cob.polh(object("B", {0})).mat1(textured_material(0, "HULL.bmp"));              // letter case counts
    cob.polh(object("C", {0})).mat1(textured_material(0, "hull.bmp"));              // shared with A
    cob.polh(object("D", {0})).mat1(textured_material(0, std::string("a\0one", 5))); // a zero byte ends the name
    cob.polh(object("E", {0})).mat1(textured_material(0, std::string("a\0two", 5)));
    cob.polh(object("F", {0})).mat1(textured_material(0, long_name));
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + texture_report("hull.bmp", 0, 1) +
                            polh_report("B", 3, 1, 6, 2, 6, 0) + texture_report("HULL.bmp", 1, 2) +
                            polh_report("C", 3, 1, 9, 3, 9, 0) + texture_report("hull.bmp", -1, 3) +
                            polh_report("D", 3, 1, 12, 4, 12, 0) + texture_report("a", 2, 4) +
                            polh_report("E", 3, 1, 15, 5, 15, 0) + texture_report("a", -1, 5) +
                            polh_report("F", 3, 1, 18, 6, 18, 0) + texture_report(long_name, 3, 6) + end_line);
    EXPECT_EQ(r.scene.texture_name, (std::vector<std::string>{"hull.bmp", "HULL.bmp", "a", long_name}));
    const std::vector<Look> expected = {{T, 0, 0, 'f'}, {T, 1, 1, 'f'}, {T, 0, 2, 'f'},
                                        {T, 2, 3, 'f'}, {T, 2, 4, 'f'}, {T, 3, 5, 'f'}};
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(look(r.scene.cob_face[i]), expected[i]) << "face " << i;
}

TEST(Mat1, LaterMaterialWithTheSameNumberOverwritesWhatItSets) {
    CobBuilder cob;
    cob.polh(object("A", {4})).mat1(flat_material(4, 0, 0, 1)).mat1(textured_material(4, "skin.bmp", 's'));
    cob.polh(object("B", {4})).mat1(textured_material(4, "skin.bmp")).mat1(flat_material(4, 0, 1, 0, 'x'));
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    // A texture after a flat colour leaves type 2 in place.
    EXPECT_EQ(look(r.scene.cob_face[0]), (Look{F, 0, 1, 's'}));
    // A flat colour after a texture resets the material index.
    EXPECT_EQ(look(r.scene.cob_face[1]), (Look{F, 0xff00, 0, 'x'}));
}

TEST(Mat1, SubChunkScan) {
    struct Case {
        const char* what;
        std::vector<uint8_t> subchunks;
        std::string report; // between the Mat1 line and the Matlcount line
        Look face;
    };
    const Look untouched{T, 1, 0, 0}, textured_look{T, 0, 0, 'f'};
    const Case cases[] = {
        {"environment only", sub_e("D:\\env.bmp"), " got an e:\n", untouched},
        {"b: then texture", concat({sub_b(), sub_t("t.bmp")}), " got a t:  t.bmp\n Texture 0 = t.bmp\n", textured_look},
        {"environment then texture", concat({sub_e("e.bmp"), sub_b(), sub_t("t.bmp")}),
         " got an e:\n got a t:  t.bmp\n Texture 0 = t.bmp\n", textured_look},
        {"unknown markers are reported and skipped", concat({{'z', 'z', 'b', ':', 'q', '!'}, sub_t("t.bmp")}),
         " big oops...\n big oops...\n got a t:  t.bmp\n Texture 0 = t.bmp\n", textured_look},
        {"nothing after the texture is read", concat({sub_t("t.bmp"), {'z', 'z', 'e', ':', 0xff, 0xff}}),
         " got a t:  t.bmp\n Texture 0 = t.bmp\n", textured_look},
        {"b: alone", sub_b(), "", untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mat1 m{.number = 1, .subchunks = c.subchunks};
        ReadResult r = read_scene(CobBuilder().polh(object("A", {1})).mat1(m).end().bytes());
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + mat1_line + c.report +
                                " Matlcount = 1\n" + end_line);
        EXPECT_EQ(look(r.scene.cob_face[0]), c.face);
    }
}

TEST(Mat1, MarkerStartingOnTheLastByteIsReadWholeAndEndsTheScan) {
    // The chunk after the material is tagged ":abc", so a marker whose first
    // byte is the material's last byte reads ':' as its second byte.
    const std::string next = tag_line("6362613a") + " New... (:abc)\n" + end_line;
    struct Case {
        const char* what;
        std::vector<uint8_t> subchunks;
        std::string report; // after the Mat1 line
        std::optional<std::string> error;
    };
    const Case cases[] = {
        {"b: does nothing", {'b'}, " Matlcount = 1\n" + next, std::nullopt},
        {"b: after b:", {'b', ':', 'b'}, " Matlcount = 1\n" + next, std::nullopt},
        {"e: has its data past the end", {'e'}, " got an e:\n" + mat1_past_chunk, mat1_past_chunk},
        {"t: has its data past the end", {'t'}, " got a t:" + mat1_past_chunk, mat1_past_chunk},
        {"unknown marker", {'x'}, " big oops...\n Matlcount = 1\n" + next, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mat1 m{.number = 1, .subchunks = c.subchunks};
        ReadResult r = read_scene(CobBuilder().polh(object("A", {1})).mat1(m).chunk(":abc", {}).end().bytes());
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + mat1_line + c.report);
        EXPECT_EQ(look(r.scene.cob_face[0]), (Look{T, 1, 0, 0}));
    }

    // When the file ends right at the chunk's end, that marker is a read past the end.
    ReadResult r = read_scene(CobBuilder().polh(object("A", {1})).mat1(Mat1{.subchunks = {'b'}}).bytes());
    EXPECT_EQ(r.error, past_end);
    EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + mat1_line + past_end);
}

TEST(Mat1, ContentPastTheChunkEndIsAnError) {
    const std::vector<uint8_t> texture = sub_t("t.bmp", 1, 2, 3, 4);
    const std::vector<uint8_t> environment = sub_e("e.bmp");
    auto cut = [](const std::vector<uint8_t>& b, size_t n) { return std::vector<uint8_t>(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); };
    struct Case {
        const char* what;
        std::vector<uint8_t> subchunks;
        std::optional<int32_t> size; // of the whole chunk, when not the bytes given
        std::string report;          // after the Mat1 line
    };
    const Case cases[] = {
        {"empty chunk", {}, 0, ""},
        {"record of 36 bytes", {}, 36, ""},
        {"e: length cut", cut(environment, 3), std::nullopt, " got an e:\n"},
        {"e: name cut", cut(environment, environment.size() - 1), std::nullopt, " got an e:\n"},
        {"t: flags missing", cut(texture, 2), std::nullopt, " got a t:"},
        {"t: length cut", cut(texture, 4), std::nullopt, " got a t:"},
        {"t: name cut", cut(texture, 7), std::nullopt, " got a t:"},
        {"t: placement cut", cut(texture, texture.size() - 1), std::nullopt, " got a t:  t.bmp\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mat1 m{.number = 1, .subchunks = c.subchunks};
        ReadResult r = read_scene(CobBuilder().polh(object("A", {1})).mat1(m, c.size).end().bytes());
        EXPECT_EQ(r.error, mat1_past_chunk);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.report, reading_line + polh_report("A", 3, 1, 3, 1, 3, 0) + mat1_line + c.report + mat1_past_chunk);
    }
}
