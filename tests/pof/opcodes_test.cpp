// Model-data opcodes and the point list with its slot numbering.
#include "pof_fixture.h"

#include <gtest/gtest.h>

using namespace kfp;

TEST(Opcodes, EofIsEightZeroBytes) {
    kf::PofBuffer pof;
    kf::write_eof(pof);
    EXPECT_EQ(pof.bytes, Bytes(8, 0));
}

struct PolySize {
    kf::PolyKind type;
    uint16_t corners;
    int32_t size;
};

class PolyOpSize : public ::testing::TestWithParam<PolySize> {};

TEST_P(PolyOpSize, HeaderFieldsAndSize) {
    const PolySize c = GetParam();
    ModelMaker mk;
    mk.segment("hull");
    for (int i = 0; i < 20; ++i) mk.vertex(0, {static_cast<float>(i), static_cast<float>(i * i), 1.0f});
    kf::ModelPoly p;
    p.segment = 0;
    p.type = c.type;
    p.n_points = c.corners;
    p.color_or_texture = 0x00123456;
    p.normal = {0, 1, 0};
    p.center = {1, 2, 3};
    p.radius = 4.5f;
    p.first_corner = static_cast<uint32_t>(mk.model.model_corner.size());
    for (uint16_t i = 0; i < c.corners; ++i) mk.model.model_corner.push_back({.vertex = i, .normal_index = i});
    mk.model.model_poly.push_back(p);
    kf::Slots slots(mk.model);

    kf::PofBuffer pof;
    kf::write_poly_op(pof, slots, mk.model, 0);
    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), static_cast<size_t>(c.size));
    EXPECT_EQ(i32_at(b, 0), c.type == kf::POLY_FLAT ? kf::OP_FLATPOLY : kf::OP_TMAPPOLY);
    EXPECT_EQ(i32_at(b, 4), c.size);
    EXPECT_EQ(vec3_at(b, 8), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(vec3_at(b, 20), (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(f32_at(b, 32), 4.5f);
    EXPECT_EQ(i32_at(b, 36), c.corners);
    EXPECT_EQ(i32_at(b, 40), 0x00123456);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PolyOpSize,
                         ::testing::Values(PolySize{kf::POLY_FLAT, 3, 56}, PolySize{kf::POLY_TMAPPED, 3, 80},
                                           PolySize{kf::POLY_FLAT, 20, 124}, PolySize{kf::POLY_TMAPPED, 20, 284},
                                           PolySize{kf::POLY_FLAT, 0, 44}, PolySize{kf::POLY_TMAPPED, 0, 44}));

TEST(Opcodes, FlatColourBytesAreRedGreenBlueZero) {
    ModelMaker mk;
    mk.segment("hull");
    const uint16_t v = mk.vertex(0, {});
    mk.poly(0, {v, v, v}, kf::POLY_FLAT, 255 + 128 * 256);
    kf::Slots slots(mk.model);
    kf::PofBuffer pof;
    kf::write_poly_op(pof, slots, mk.model, 0);
    EXPECT_EQ(chars_at(pof.bytes, 40, 4), std::string("\xFF\x80\x00\x00", 4));
}

// Two segments whose vertices interleave in model order, with different
// normal counts per vertex: the point list of each numbers only its own
// vertices and normals, while the first normal of a vertex still counts the
// normals of every lower-numbered vertex.
struct Interleaved {
    ModelMaker mk;
    Interleaved() {
        mk.segment("hull");
        mk.segment("turret", 0, {5, 0, 0});
        mk.vertex(0, {1, 1, 1}, 2);   // v0: normals 0, 1
        mk.vertex(1, {2, 2, 2}, 1);   // v1: normal 2
        mk.vertex(0, {3, 3, 3}, 1);   // v2: normal 3
        mk.vertex(1, {4, 4, 4}, 3);   // v3: normals 4, 5, 6
        mk.vertex(1, {5, 5, 5}, 1);   // v4: normal 7
        for (size_t k = 0; k < mk.model.model_normal.size(); ++k)
            mk.model.model_normal[k] = {static_cast<float>(k), 0.5f, -1.0f};
    }
};

TEST(Defpoints, InterleavedSegmentsNumberTheirOwnSlots) {
    Interleaved t;
    const kf::Model& model = t.mk.model;
    kf::Slots slots(model);
    Report report;
    kf::PofBuffer first, second;
    kf::write_defpoints(first, slots, model, 0, report);
    kf::write_defpoints(second, slots, model, 1, report);
    EXPECT_EQ(report.text(), " doing 1: Segment = 0\n doing 1: n_verts = 2\n doing 1: n_norms = 3\n"
                             " doing 1: Segment = 1\n doing 1: n_verts = 3\n doing 1: n_norms = 5\n");

    const Bytes& b = second.bytes;
    ASSERT_EQ(b.size(), 24u + 12 * (3 + 5));
    EXPECT_EQ(i32_at(b, 0), kf::OP_DEFPOINTS);
    EXPECT_EQ(i32_at(b, 4), 120);
    EXPECT_EQ(i32_at(b, 8), 3);
    EXPECT_EQ(i32_at(b, 12), 5);
    EXPECT_EQ(i32_at(b, 16), 24);
    EXPECT_EQ(chars_at(b, 20, 4), std::string("\x01\x03\x01\x00", 4)); // counts, one zero alignment byte
    // v1 and its normal 2; v3 and normals 4 to 6; v4 and normal 7.
    const std::array<float, 3> expected[] = {{2, 2, 2}, {2, 0.5f, -1}, {4, 4, 4}, {4, 0.5f, -1},
                                             {5, 0.5f, -1}, {6, 0.5f, -1}, {5, 5, 5}, {7, 0.5f, -1}};
    for (size_t r = 0; r < 8; ++r) EXPECT_EQ(vec3_at(b, 24 + 12 * r), expected[r]) << "record " << r;

    EXPECT_EQ(slots.vertex_slot, (std::vector<uint16_t>{0, 0, 1, 1, 2}));
    EXPECT_EQ(slots.normal_slot, (std::vector<uint16_t>{0, 1, 0, 2, 1, 2, 3, 4}));
}

TEST(Opcodes, CornerRecordsReadTheSlotsOfTheirSegment) {
    Interleaved t;
    ModelMaker& mk = t.mk;
    const uint32_t flat = mk.poly(1, {4, 1, 3}, kf::POLY_FLAT, 7);
    const uint32_t mapped = mk.poly(1, {4, 1, 3}, kf::POLY_TMAPPED, 2);
    kf::Slots slots(mk.model);
    assign_slots(slots, mk.model, 0);
    assign_slots(slots, mk.model, 1);

    kf::PofBuffer pof;
    kf::write_poly_op(pof, slots, mk.model, flat);
    kf::write_poly_op(pof, slots, mk.model, mapped);
    const Bytes& b = pof.bytes;
    // Vertex slots 2, 0, 1; first normals 7, 2, 4 have normal slots 4, 0, 1.
    const uint16_t vs[3] = {2, 0, 1}, ns[3] = {4, 0, 1};
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(u16_at(b, 44 + 4 * c), vs[c]);
        EXPECT_EQ(u16_at(b, 44 + 4 * c + 2), ns[c]);
        const size_t m = 56 + 44 + 12 * c;
        EXPECT_EQ(u16_at(b, m), vs[c]);
        EXPECT_EQ(u16_at(b, m + 2), ns[c]);
        EXPECT_EQ(f32_at(b, m + 4), 0.25f * static_cast<float>(c + 1));
        EXPECT_EQ(f32_at(b, m + 8), -0.5f * static_cast<float>(c + 1));
    }
    EXPECT_EQ(i32_at(b, 40), 7);
    EXPECT_EQ(i32_at(b, 56 + 40), 2);
    EXPECT_EQ(b.size(), 56u + 80);
}

TEST(Defpoints, FiveVerticesGive148Bytes) {
    ModelMaker mk;
    mk.segment("hull");
    for (int i = 0; i < 5; ++i) mk.vertex(0, {static_cast<float>(i), 0, 0});
    kf::Slots slots(mk.model);
    Report report;
    kf::PofBuffer pof;
    kf::write_defpoints(pof, slots, mk.model, 0, report);
    EXPECT_EQ(report.text(), " doing 1: Segment = 0\n doing 1: n_verts = 5\n doing 1: n_norms = 5\n");
    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), 148u);
    EXPECT_EQ(i32_at(b, 4), 148);
    EXPECT_EQ(i32_at(b, 16), 28);
    EXPECT_EQ(chars_at(b, 20, 8), std::string("\x01\x01\x01\x01\x01\x00\x00\x00", 8));
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(vec3_at(b, 28 + 24 * i), (std::array<float, 3>{static_cast<float>(i), 0, 0}));
        EXPECT_EQ(vec3_at(b, 28 + 24 * i + 12), (std::array<float, 3>{0, 0, 1}));
    }
    EXPECT_EQ(slots.vertex_slot, (std::vector<uint16_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(slots.normal_slot, (std::vector<uint16_t>{0, 1, 2, 3, 4}));
}

TEST(Defpoints, SegmentWithoutVerticesIs20BytesAndKeepsOtherSlots) {
    ModelMaker mk;
    mk.segment("hull");
    mk.segment("empty");
    mk.vertex(0, {1, 2, 3}, 2);
    kf::Slots slots(mk.model);
    slots.vertex_slot = {77};
    slots.normal_slot = {55, 66};
    Report report;
    kf::PofBuffer pof;
    kf::write_defpoints(pof, slots, mk.model, 1, report);
    EXPECT_EQ(report.text(), " doing 1: Segment = 1\n doing 1: n_verts = 0\n doing 1: n_norms = 0\n");
    ASSERT_EQ(pof.bytes.size(), 20u);
    EXPECT_EQ(i32_at(pof.bytes, 0), 1);
    EXPECT_EQ(i32_at(pof.bytes, 4), 20);
    EXPECT_EQ(i32_at(pof.bytes, 8), 0);
    EXPECT_EQ(i32_at(pof.bytes, 12), 0);
    EXPECT_EQ(i32_at(pof.bytes, 16), 20);
    EXPECT_EQ(slots.vertex_slot, std::vector<uint16_t>{77});
    EXPECT_EQ(slots.normal_slot, (std::vector<uint16_t>{55, 66}));
}

// The count bytes are padded to a multiple of 4 with zero bytes, and a
// vertex without normals has a count byte 0 and a bare position record.
TEST(Defpoints, AlignmentAndNormalCounts) {
    const struct {
        std::vector<uint32_t> norms;
        int32_t data_offset;
    } cases[] = {
        {{1}, 24}, {{0, 3, 1}, 24}, {{2, 0, 1, 1}, 24}, {{1, 1, 1, 1, 1}, 28}, {{1, 1, 1, 1, 1, 1, 1, 1}, 28},
    };
    for (const auto& c : cases) {
        ModelMaker mk;
        mk.segment("hull");
        uint32_t total = 0;
        for (uint32_t n : c.norms) {
            mk.vertex(0, {1, 2, 3}, n);
            total += n;
        }
        kf::Slots slots(mk.model);
        Report report;
        kf::PofBuffer pof;
        kf::write_defpoints(pof, slots, mk.model, 0, report);
        const Bytes& b = pof.bytes;
        const auto n_verts = static_cast<int32_t>(c.norms.size());
        SCOPED_TRACE("n_verts " + std::to_string(n_verts));
        EXPECT_EQ(i32_at(b, 16), c.data_offset);
        EXPECT_EQ(i32_at(b, 4), c.data_offset + 12 * (n_verts + static_cast<int32_t>(total)));
        EXPECT_EQ(b.size(), static_cast<size_t>(i32_at(b, 4)));
        for (size_t i = 0; i < c.norms.size(); ++i) EXPECT_EQ(static_cast<uint32_t>(b[20 + i]), c.norms[i]);
        for (size_t i = 20 + c.norms.size(); i < static_cast<size_t>(c.data_offset); ++i)
            EXPECT_EQ(b[i], 0) << "alignment byte " << i;
        // Normal slots run on across vertices without counting positions.
        for (uint32_t k = 0; k < total; ++k) EXPECT_EQ(static_cast<uint32_t>(slots.normal_slot[k]), k);
    }
}

TEST(Opcodes, SortnormStoresItsBoxUnchangedAndZeroOffsets) {
    kf::PofBuffer pof;
    kf::pof_put_i32(pof, 0); // not at offset 0
    kf::write_sortnorm(pof, {0, 1, 0}, {1, 2, 3}, {-1, -2, -3}, {1, 2, 3});
    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), 84u);
    EXPECT_EQ(i32_at(b, 4), kf::OP_SORTNORM);
    EXPECT_EQ(i32_at(b, 8), 80);
    EXPECT_EQ(vec3_at(b, 12), (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(vec3_at(b, 24), (std::array<float, 3>{1, 2, 3}));
    for (size_t f = 36; f < 60; f += 4) EXPECT_EQ(i32_at(b, f), 0) << "field at " << f - 4;
    EXPECT_EQ(vec3_at(b, 60), (std::array<float, 3>{-1, -2, -3}));
    EXPECT_EQ(vec3_at(b, 72), (std::array<float, 3>{1, 2, 3}));
}

// The margin is the float nearest 0.001, not the double: at these points
// the two round differently.
TEST(Opcodes, BoundboxWidensByTheFloatMargin) {
    EXPECT_EQ(bits(kf::BOX_MARGIN), 0x3A83126Fu);
    const kf::vec3 p = {std::bit_cast<float>(0x360637BDu), std::bit_cast<float>(0xB5C9539Cu), 100.0f};
    kf::PofBuffer pof;
    kf::write_boundbox(pof, p, p);
    const Bytes& b = pof.bytes;
    ASSERT_EQ(b.size(), 32u);
    EXPECT_EQ(i32_at(b, 0), kf::OP_BOUNDBOX);
    EXPECT_EQ(i32_at(b, 4), 32);
    EXPECT_EQ(vec3_at(b, 8), (std::array<float, 3>{fsub(p.x, kf::BOX_MARGIN), fsub(p.y, kf::BOX_MARGIN),
                                                   fsub(p.z, kf::BOX_MARGIN)}));
    EXPECT_EQ(vec3_at(b, 20), (std::array<float, 3>{fadd(p.x, kf::BOX_MARGIN), fadd(p.y, kf::BOX_MARGIN),
                                                    fadd(p.z, kf::BOX_MARGIN)}));
    EXPECT_EQ(u32_at(b, 12), 0xBA8344C4u); // min y; the double margin would give ...C3
    EXPECT_EQ(u32_at(b, 20), 0x3A83558Bu); // max x; the double margin would give ...8A
}
