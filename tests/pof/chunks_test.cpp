// The chunk writers and the file assembly: HDR2, TXTR, OBJ2, SHLD, PINF,
// their order, framing and report lines.
#include "pof_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kfp;

namespace {

using V = std::array<float, 3>;

struct Chunk {
    std::string id;
    size_t body; // offset of the body in the file
    size_t size;
};

// The chunks of a whole file, found by their size fields; the walk must end
// exactly at the end of the file.
std::vector<Chunk> chunks_of(const Bytes& file) {
    std::vector<Chunk> out;
    size_t at = 8;
    while (at < file.size()) {
        const auto size = static_cast<size_t>(i32_at(file, at + 4));
        out.push_back({chars_at(file, at, 4), at + 8, size});
        at += 8 + size;
    }
    EXPECT_EQ(at, file.size()) << "the last chunk's size runs past the end";
    return out;
}

std::vector<std::string> ids(const std::vector<Chunk>& chunks) {
    std::vector<std::string> out;
    for (const Chunk& c : chunks) out.push_back(c.id);
    return out;
}

Bytes assemble(const kf::Model& model) {
    Report report;
    return kf::assemble_pof(model, report);
}

Bytes hdr2(const kf::Model& model) {
    kf::PofBuffer pof;
    kf::write_hdr2_chunk(pof, model);
    return pof.bytes;
}

float length(V p) {
    const double x = p[0], y = p[1], z = p[2];
    return static_cast<float>(std::sqrt(x * x + y * y + z * z));
}

} // namespace

// Shield segment 3: detail levels 0, 2, 5 and debris 4, 6 are written in
// file numbering, which closes the gap the shield leaves.
TEST(Hdr2, RenumbersAroundTheShieldAndWritesTheFixedFields) {
    ModelMaker mk;
    for (int s = 0; s < 7; ++s) mk.segment(numbered("s", s));
    mk.model.shield_segment = 3;
    mk.model.detail_list = {0, 2, 5};
    mk.model.debris_list = {4, 6};
    const Bytes b = hdr2(mk.model);

    ASSERT_EQ(b.size(), 8u + 104 + 4 * 5);
    EXPECT_EQ(chars_at(b, 0, 4), "HDR2");
    EXPECT_EQ(i32_at(b, 4), 124);
    EXPECT_EQ(f32_at(b, 8), 0.0f); // no vertices: radius 0 and a box at the origin
    EXPECT_EQ(i32_at(b, 12), 1);
    EXPECT_EQ(i32_at(b, 16), 6);
    EXPECT_EQ(vec3_at(b, 20), (V{0, 0, 0}));
    EXPECT_EQ(vec3_at(b, 32), (V{0, 0, 0}));
    const int32_t expected[] = {3, 0, 2, 4, 2, 3, 5};
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(i32_at(b, 44 + 4 * i), expected[i]) << "list entry " << i;
    const size_t mass = 72;
    EXPECT_EQ(chars_at(b, mass, 4), std::string("\x00\x40\x1C\x46", 4));
    for (size_t i = 1; i <= 14; ++i) EXPECT_EQ(i32_at(b, mass + 4 * i), 0) << "field " << i << " after the mass";
}

TEST(Hdr2, WithoutShieldListsAreWrittenAsStored) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("debris01");
    mk.segment("detail1");
    mk.model.detail_list = {0, 2};
    mk.model.debris_list = {1};
    const Bytes b = hdr2(mk.model);
    EXPECT_EQ(i32_at(b, 4), 104 + 12);
    EXPECT_EQ(i32_at(b, 16), 3);
    EXPECT_EQ(i32_at(b, 44), 2);
    EXPECT_EQ(i32_at(b, 48), 0);
    EXPECT_EQ(i32_at(b, 52), 2);
    EXPECT_EQ(i32_at(b, 56), 1);
    EXPECT_EQ(i32_at(b, 60), 1);

    ModelMaker bare; // the smallest header: detail level 0 only
    bare.segment("hull");
    bare.model.detail_list = {0};
    EXPECT_EQ(i32_at(hdr2(bare.model), 4), 108);
}

// Box and radius are taken over model-space positions (position plus the
// vertex's own segment offset, rounded to float), the shield's included,
// and the radius is measured from the origin.
TEST(Hdr2, BoxAndRadiusCoverEveryVertexInModelSpace) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("turret", 0, {10, 0, 0.1f});
    mk.segment("shield", -1, {0, 0, -3});
    mk.model.shield_segment = 2;
    mk.model.detail_list = {0};
    mk.vertex(0, {1, 2, -1});
    mk.vertex(1, {1, 0, 0.2f});
    mk.vertex(2, {0, -20, 1});
    const Bytes b = hdr2(mk.model);
    const float tz = fadd(0.2f, 0.1f);
    EXPECT_EQ(vec3_at(b, 20), (V{0, -20, -2}));
    EXPECT_EQ(vec3_at(b, 32), (V{11, 2, tz}));
    EXPECT_EQ(f32_at(b, 8), length({0, -20, -2}));
    EXPECT_EQ(i32_at(b, 16), 2);

    ModelMaker one; // a single vertex away from the origin of its segment
    one.segment("hull");
    one.segment("pod", 0, {10, 0, 0});
    one.model.detail_list = {0};
    one.vertex(1, {1, 0, 0});
    const Bytes c = hdr2(one.model);
    EXPECT_EQ(vec3_at(c, 20), (V{11, 0, 0}));
    EXPECT_EQ(vec3_at(c, 32), (V{11, 0, 0}));
    EXPECT_EQ(f32_at(c, 8), 11.0f);

    // The radius is the length of the rounded float position: taken from
    // the unrounded sum, this one would come out one step larger.
    ModelMaker off;
    off.segment("hull");
    off.segment("pod", 0, {0x1.f147aep+2f, 0x1.a36e2ep-14f, -0x1.f147aep+2f});
    off.model.detail_list = {0};
    off.vertex(1, {0x1.5f51cp+6f, -0x1.7c257ep+4f, -0x1.c570e4p+5f});
    EXPECT_EQ(bits(f32_at(hdr2(off.model), 8)), bits(0x1.d6dfb6p+6f));
}

TEST(Txtr, BaseNames) {
    const std::string long_name(40, 'n');
    const struct {
        std::string path, base;
    } cases[] = {
        {"D:\\textures\\wood.bmp", "wood"},
        {"wood.bmp", "wood"},
        {"D:\\textures\\wood", "wood"},
        {"wood", "wood"},
        {"wood.old.bmp", "wood.old"},
        {"textures/wood.bmp", "textures/wood"},
        {"D:\\textures\\.bmp", ""},
        {"D:\\old.dir\\wood", "wood"}, // a dot only in a folder name does not cut
        {"D:\\old.dir\\wood.bmp", "wood"},
        {"D:\\maps\\", ""},
        {"D:\\maps\\" + long_name + ".tga", long_name}, // longer than 27: written whole
    };
    for (const auto& c : cases) EXPECT_EQ(kf::texture_base_name(c.path), c.base) << c.path;
}

TEST(Txtr, ChunkListsEveryPathCutOnItsOwn) {
    kf::Model model;
    model.texture_name = {"D:\\a\\wood.bmp", "D:\\b\\wood.tga", "stone.tga", "D:\\x\\.bmp"};
    kf::PofBuffer pof;
    kf::write_txtr_chunk(pof, model);
    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), 8u + 4 + 8 + 8 + 9 + 4);
    EXPECT_EQ(chars_at(b, 0, 4), "TXTR");
    EXPECT_EQ(i32_at(b, 4), 33);
    EXPECT_EQ(i32_at(b, 8), 4);
    EXPECT_EQ(chars_at(b, 12, 8), std::string("\x04\x00\x00\x00wood", 8));
    EXPECT_EQ(chars_at(b, 20, 8), std::string("\x04\x00\x00\x00wood", 8));
    EXPECT_EQ(chars_at(b, 28, 9), std::string("\x05\x00\x00\x00stone", 9));
    EXPECT_EQ(i32_at(b, 37), 0);

    kf::PofBuffer none;
    kf::write_txtr_chunk(none, kf::Model{});
    EXPECT_TRUE(none.bytes.empty());
}

TEST(Obj2, LayoutOfOneSubobject) {
    ModelMaker mk;
    mk.segment("hull");
    mk.model.detail_list = {0};
    mk.vertex(0, {1, 2, 3});
    mk.vertex(0, {-1, 0, 5});
    kf::Slots slots(mk.model);
    Report report;
    kf::PofBuffer pof;
    kf::write_obj2_chunk(pof, slots, mk.model, 0, report);
    const Bytes& b = pof.bytes;
    EXPECT_EQ(report.text(), " doing 1: Segment = 0\n doing 1: n_verts = 2\n doing 1: n_norms = 2\n");

    const size_t body = 8;
    const size_t m = 72 + 40 + 8; // point list, the tree's one leaf, end
    ASSERT_EQ(b.size(), body + 92 + m);
    EXPECT_EQ(chars_at(b, 0, 4), "OBJ2");
    EXPECT_EQ(static_cast<size_t>(i32_at(b, 4)), 92 + m);
    EXPECT_EQ(i32_at(b, body), 0);
    EXPECT_EQ(f32_at(b, body + 4), length({-1, 0, 5}));
    EXPECT_EQ(bits(f32_at(b, body + 4)), bits(static_cast<float>(std::sqrt(26.0))));
    EXPECT_EQ(i32_at(b, body + 8), -1);
    EXPECT_EQ(vec3_at(b, body + 12), (V{0, 0, 0}));
    EXPECT_EQ(vec3_at(b, body + 24), (V{0, 0, 0}));
    EXPECT_EQ(vec3_at(b, body + 36), (V{-1, 0, 3}));
    EXPECT_EQ(vec3_at(b, body + 48), (V{1, 2, 5}));
    EXPECT_EQ(chars_at(b, body + 60, 8), std::string("\x04\x00\x00\x00hull", 8));
    EXPECT_EQ(i32_at(b, body + 68), 4);
    EXPECT_EQ(i32_at(b, body + 72), 0);
    EXPECT_EQ(i32_at(b, body + 76), -1);
    EXPECT_EQ(i32_at(b, body + 80), -1);
    EXPECT_EQ(i32_at(b, body + 84), 0);
    EXPECT_EQ(static_cast<size_t>(i32_at(b, body + 88)), m);

    const size_t data = body + 92;
    EXPECT_EQ(i32_at(b, data), kf::OP_DEFPOINTS);
    EXPECT_EQ(i32_at(b, data + 4), 72);
    // The tree's box is the segment box widened by the margin; a leaf
    // without polygons keeps that box as it is.
    EXPECT_EQ(i32_at(b, data + 72), kf::OP_BOUNDBOX);
    EXPECT_EQ(vec3_at(b, data + 80), (V{fsub(-1, kf::BOX_MARGIN), fsub(0, kf::BOX_MARGIN), fsub(3, kf::BOX_MARGIN)}));
    EXPECT_EQ(vec3_at(b, data + 92), (V{fadd(1, kf::BOX_MARGIN), fadd(2, kf::BOX_MARGIN), fadd(5, kf::BOX_MARGIN)}));
    EXPECT_EQ(chars_at(b, data + 104, 16), std::string(16, '\0'));
}

// Shield segment 2 of seven: subobjects, parents and offsets in the file.
TEST(Obj2, NumbersParentsAndOffsetsAroundTheShield) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("a", 0, {4, 5, 0});
    mk.segment("shield", -1, {1, 1, 1});
    mk.segment("b", 1, {3, 1, 1});      // nested under the shield in the scene: the builder hangs it from a
    mk.segment("c", 1, {10, 5, 0});
    mk.segment("debris01", -1, {7, 8, 9});
    mk.segment("d", 4, {10, 5, 0.5f});
    mk.model.shield_segment = 2;
    mk.model.detail_list = {0};
    mk.model.debris_list = {5};
    const Bytes file = assemble(mk.model);

    const struct {
        int32_t number, parent;
        V offset;
        std::string name;
    } expected[] = {
        {0, -1, {0, 0, 0}, "hull"},   {1, 0, {4, 5, 0}, "a"},          {2, 1, {-1, -4, 1}, "b"},
        {3, 1, {6, 0, 0}, "c"},       {4, -1, {7, 8, 9}, "debris01"}, {5, 3, {0, 0, 0.5f}, "d"},
    };
    std::vector<Chunk> subobjects;
    for (const Chunk& c : chunks_of(file))
        if (c.id == "OBJ2") subobjects.push_back(c);
    ASSERT_EQ(subobjects.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        const size_t at = subobjects[i].body;
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(i32_at(file, at), expected[i].number);
        EXPECT_EQ(i32_at(file, at + 8), expected[i].parent);
        EXPECT_EQ(vec3_at(file, at + 12), expected[i].offset);
        const size_t n = expected[i].name.size();
        EXPECT_EQ(static_cast<size_t>(i32_at(file, at + 60)), n);
        EXPECT_EQ(chars_at(file, at + 64, n), expected[i].name);
        EXPECT_EQ(i32_at(file, at + 64 + n), 4); // properties follow the name unaligned
        // No vertices: radius 0, box at the origin; the model data is an
        // empty point list, a 40-byte leaf and the end.
        EXPECT_EQ(f32_at(file, at + 4), 0.0f);
        EXPECT_EQ(vec3_at(file, at + 36), (V{0, 0, 0}));
        EXPECT_EQ(vec3_at(file, at + 48), (V{0, 0, 0}));
        EXPECT_EQ(i32_at(file, at + 84 + n), 20 + 40 + 8);
        EXPECT_EQ(subobjects[i].size, 88 + n + 68);
        EXPECT_EQ(vec3_at(file, at + 88 + n + 20 + 8), (V{fsub(0, kf::BOX_MARGIN), fsub(0, kf::BOX_MARGIN),
                                                           fsub(0, kf::BOX_MARGIN)}));
    }
}

namespace {

// A closed tetrahedron of four outward-wound triangles in segment 1, whose
// vertices come after two of segment 0, in a shield group away from the
// origin.
struct Tetrahedron {
    ModelMaker mk;
    Tetrahedron() {
        mk.segment("hull");
        mk.segment("shield", -1, {0, 0, 50});
        mk.model.shield_segment = 1;
        mk.model.detail_list = {0};
        const uint16_t h0 = mk.vertex(0, {0, 0, 0}), h1 = mk.vertex(0, {1, 0, 0}), h2 = mk.vertex(0, {0, 1, 0});
        mk.poly(0, {h0, h1, h2});
        const uint16_t v0 = mk.vertex(1, {0, 0, 0}), v1 = mk.vertex(1, {8, 0, 0}), v2 = mk.vertex(1, {0, 8, 0}),
                       v3 = mk.vertex(1, {0, 0, 8});
        mk.poly(1, {v0, v2, v1});
        mk.poly(1, {v0, v1, v3});
        mk.poly(1, {v1, v2, v3});
        mk.poly(1, {v0, v3, v2});
    }
};

} // namespace

TEST(Shld, TetrahedronNeighboursAreTheOtherThreeFaces) {
    Tetrahedron t;
    kf::Slots slots(t.mk.model);
    Report report;
    kf::PofBuffer pof;
    kf::write_shld_chunk(pof, slots, t.mk.model, report);
    EXPECT_EQ(report.text(), " Shield: Segment = 1\n Shield: n_verts = 4\n Shield: n_faces = 4\n");

    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), 8u + 8 + 12 * 4 + 36 * 4);
    EXPECT_EQ(chars_at(b, 0, 4), "SHLD");
    EXPECT_EQ(i32_at(b, 4), 200);
    EXPECT_EQ(i32_at(b, 8), 4);
    const V positions[] = {{0, 0, 0}, {8, 0, 0}, {0, 8, 0}, {0, 0, 8}}; // the offset is not added
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(vec3_at(b, 12 + 12 * i), positions[i]);
    EXPECT_EQ(i32_at(b, 60), 4);
    const int32_t corners[4][3] = {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}};
    const int32_t neighbours[4][3] = {{3, 2, 1}, {0, 2, 3}, {0, 3, 1}, {1, 2, 0}};
    for (size_t f = 0; f < 4; ++f) {
        const size_t at = 64 + 36 * f;
        EXPECT_EQ(vec3_at(b, at), arr(t.mk.model.model_poly[f + 1].normal)) << "face " << f;
        for (size_t e = 0; e < 3; ++e) {
            EXPECT_EQ(i32_at(b, at + 12 + 4 * e), corners[f][e]) << "face " << f << " corner " << e;
            EXPECT_EQ(i32_at(b, at + 24 + 4 * e), neighbours[f][e]) << "face " << f << " edge " << e;
        }
    }
}

// Edges that no other face runs the opposite way get -1: a lone triangle,
// a shared edge run the same way, and vertices that only share positions.
// Where several faces match one edge, the last one wins.
TEST(Shld, NeighbourCases) {
    const struct {
        const char* name;
        std::vector<std::vector<uint16_t>> faces;
        std::vector<std::array<int32_t, 3>> neighbours;
    } cases[] = {
        {"lone triangle", {{0, 1, 2}}, {{-1, -1, -1}}},
        {"same direction", {{0, 1, 2}, {0, 1, 3}}, {{-1, -1, -1}, {-1, -1, -1}}},
        {"equal positions only", {{0, 1, 2}, {3, 4, 5}}, {{-1, -1, -1}, {-1, -1, -1}}},
        {"shared edge", {{0, 1, 2}, {1, 0, 3}}, {{1, -1, -1}, {0, -1, -1}}},
        {"last match wins", {{0, 1, 2}, {1, 0, 3}, {1, 0, 4}}, {{2, -1, -1}, {0, -1, -1}, {0, -1, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModelMaker mk;
        mk.segment("hull");
        mk.segment("shield");
        mk.model.shield_segment = 1;
        // Vertices 3 and 4 stand where 1 and 0 stand.
        const kf::vec3 at[6] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}};
        for (const kf::vec3& p : at) mk.vertex(1, p);
        for (const auto& f : c.faces) mk.poly(1, f);
        kf::Slots slots(mk.model);
        Report report;
        kf::PofBuffer pof;
        kf::write_shld_chunk(pof, slots, mk.model, report);
        const size_t faces = 8 + 4 + 12 * 6 + 4;
        for (size_t f = 0; f < c.neighbours.size(); ++f)
            for (size_t e = 0; e < 3; ++e)
                EXPECT_EQ(i32_at(pof.bytes, faces + 36 * f + 24 + 4 * e), c.neighbours[f][e])
                    << "face " << f << " edge " << e;
    }
}

// The count is checked before the corners, face by face, and the run ends
// before the face count line is printed.
TEST(Shld, ErrorsAndTheirOrder) {
    const struct {
        const char* name;
        std::vector<uint32_t> corners; // per shield polygon
        const char* message;           // nullptr: accepted
    } cases[] = {
        {"500 triangles", std::vector<uint32_t>(500, 3), nullptr},
        {"501 triangles", std::vector<uint32_t>(501, 3), " Shield polys > SHIELD_MAX \n"},
        {"501st is a quad", [] { std::vector<uint32_t> v(500, 3); v.push_back(4); return v; }(),
         " Shield polys > SHIELD_MAX \n"},
        {"quad among the first", {3, 4, 3}, " Shield error: corners != 3 \n"},
        {"quad first, 501 in all", [] { std::vector<uint32_t> v(501, 3); v[0] = 4; return v; }(),
         " Shield error: corners != 3 \n"},
        {"two corners", {2}, " Shield error: corners != 3 \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModelMaker mk;
        mk.segment("hull");
        mk.segment("shield");
        mk.model.shield_segment = 1;
        for (uint16_t i = 0; i < 4; ++i) mk.vertex(1, {static_cast<float>(i), static_cast<float>(i * i), 1});
        for (uint32_t n : c.corners) {
            const std::vector<uint16_t> all = {0, 1, 2, 3};
            mk.poly(1, std::vector<uint16_t>(all.begin(), all.begin() + n));
        }
        kf::Slots slots(mk.model);
        Report report;
        kf::PofBuffer pof;
        const std::string head = " Shield: Segment = 1\n Shield: n_verts = 4\n";
        if (!c.message) {
            kf::write_shld_chunk(pof, slots, mk.model, report);
            EXPECT_EQ(report.text(), head + " Shield: n_faces = 500\n");
            EXPECT_EQ(pof.bytes.size(), 8u + 4 + 48 + 4 + 36 * 500);
            continue;
        }
        try {
            kf::write_shld_chunk(pof, slots, mk.model, report);
            ADD_FAILURE() << "no error";
        } catch (const kf::Fatal& e) {
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.status(), 1);
        }
        EXPECT_EQ(report.text(), head);
        EXPECT_TRUE(pof.bytes.empty());
    }
}

// A shield corner that names another segment's vertex writes that vertex's
// slot from its own segment's point list; a shield without polygons still
// gets its chunk, with face count 0.
TEST(Shld, ForeignCornerAndEmptyShield) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("shield");
    mk.model.shield_segment = 1;
    mk.model.detail_list = {0};
    for (int i = 0; i < 5; ++i) mk.vertex(0, {static_cast<float>(i), 1, 0});
    const uint16_t s0 = mk.vertex(1, {0, 0, 0}), s1 = mk.vertex(1, {0, 2, 0});
    mk.poly(1, {s0, s1, 4});
    const Bytes file = assemble(mk.model);
    const std::vector<Chunk> chunks = chunks_of(file);
    ASSERT_EQ(ids(chunks), (std::vector<std::string>{"HDR2", "OBJ2", "SHLD", "PINF"}));
    const size_t face = chunks[2].body + 4 + 24 + 4;
    EXPECT_EQ(i32_at(file, face + 12), 0);
    EXPECT_EQ(i32_at(file, face + 16), 1);
    EXPECT_EQ(i32_at(file, face + 20), 4);

    ModelMaker bare;
    bare.segment("hull");
    bare.segment("shield");
    bare.model.shield_segment = 1;
    bare.model.detail_list = {0};
    bare.vertex(1, {1, 2, 3});
    kf::Slots slots(bare.model);
    Report report;
    kf::PofBuffer pof;
    kf::write_shld_chunk(pof, slots, bare.model, report);
    ASSERT_EQ(pof.bytes.size(), 8u + 4 + 12 + 4);
    EXPECT_EQ(i32_at(pof.bytes, 4), 20);
    EXPECT_EQ(i32_at(pof.bytes, 24), 0);
}

TEST(Pinf, HoldsTheBannerAndEndsTheFile) {
    kf::PofBuffer pof;
    kf::write_pinf_chunk(pof);
    const std::string banner = kf::banner;
    ASSERT_EQ(pof.bytes.size(), 8 + banner.size());
    EXPECT_EQ(chars_at(pof.bytes, 0, 4), "PINF");
    EXPECT_EQ(static_cast<size_t>(i32_at(pof.bytes, 4)), banner.size());
    EXPECT_EQ(chars_at(pof.bytes, 8, banner.size()), banner);
    EXPECT_EQ(pof.bytes.back(), '\n');
}

struct OrderCase {
    const char* name;
    bool textures;
    int32_t shield;
    std::vector<std::string> chunks;
};

class ChunkOrder : public ::testing::TestWithParam<OrderCase> {};

// Three segments with a polygon each; the shield, when there is one, is
// segment 1 and gets no subobject.
TEST_P(ChunkOrder, FileHeadThenChunksInTheirFixedOrder) {
    const OrderCase& c = GetParam();
    ModelMaker mk;
    for (int s = 0; s < 3; ++s) mk.segment(c.shield != 0 && s == c.shield ? std::string("shield") : numbered("s", s));
    mk.model.shield_segment = c.shield;
    mk.model.detail_list = {0};
    for (int32_t s = 0; s < 3; ++s) {
        const float f = static_cast<float>(s);
        const uint16_t a = mk.vertex(s, {f, 0, 0}), b = mk.vertex(s, {f, 1, 0}), d = mk.vertex(s, {f, 0, 1});
        mk.poly(s, {a, b, d}, c.textures ? kf::POLY_TMAPPED : kf::POLY_FLAT);
    }
    if (c.textures) mk.model.texture_name = {"D:\\maps\\hull.bmp"};

    const Bytes file = assemble(mk.model);
    EXPECT_EQ(chars_at(file, 0, 4), "PSPO");
    EXPECT_EQ(i32_at(file, 4), 2116);
    const std::vector<Chunk> chunks = chunks_of(file);
    EXPECT_EQ(ids(chunks), c.chunks);
    int32_t number = 0;
    for (const Chunk& ch : chunks) {
        if (ch.id == "OBJ2") {
            EXPECT_EQ(i32_at(file, ch.body), number);
            ++number;
        }
    }
    EXPECT_EQ(i32_at(file, chunks[c.textures ? 1 : 0].body + 8), number); // HDR2's subobject count

    // Every size field was patched: the placeholder's bytes appear nowhere.
    const uint8_t placeholder[4] = {0x67, 0x45, 0x23, 0x01};
    EXPECT_EQ(std::search(file.begin(), file.end(), placeholder, placeholder + 4), file.end());
    EXPECT_EQ(file.back(), '\n');
    EXPECT_EQ(ids(chunks).back(), "PINF");
}

INSTANTIATE_TEST_SUITE_P(
    Files, ChunkOrder,
    ::testing::Values(OrderCase{"plain", false, 0, {"HDR2", "OBJ2", "OBJ2", "OBJ2", "PINF"}},
                      OrderCase{"textures", true, 0, {"TXTR", "HDR2", "OBJ2", "OBJ2", "OBJ2", "PINF"}},
                      OrderCase{"shield", false, 1, {"HDR2", "OBJ2", "OBJ2", "SHLD", "PINF"}},
                      OrderCase{"both", true, 1, {"TXTR", "HDR2", "OBJ2", "OBJ2", "SHLD", "PINF"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(Assembly, ReportLines) {
    Tetrahedron t;
    t.mk.model.chunknum = 2;
    Report report;
    kf::assemble_pof(t.mk.model, report);
    EXPECT_EQ(report.text(), "\n Finding BSP data\n Vcount = 7\n Pcount = 5\n Scount = 2\n chunknum = 2\n"
                             " doing 1: Segment = 0\n doing 1: n_verts = 3\n doing 1: n_norms = 3\n"
                             " Shield: Segment = 1\n Shield: n_verts = 4\n Shield: n_faces = 4\n");
}
