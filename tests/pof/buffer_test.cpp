// The output buffer: value encodings, patching, and chunk and opcode framing.
#include "pof_fixture.h"

#include <gtest/gtest.h>

using namespace kfp;

TEST(PofBuffer, EncodesLittleEndianWithoutPadding) {
    kf::PofBuffer pof;
    kf::pof_put_u8(pof, 0xAB);
    kf::pof_put_u16(pof, 0x1234);
    kf::pof_put_text(pof, "abc"); // 7 bytes: the next field starts at offset 10
    kf::pof_put_i32(pof, -1);
    kf::pof_put_f32(pof, 1.0f);
    kf::pof_put_vec3(pof, {1.5f, -2.0f, 0.25f});
    kf::pof_put_chars(pof, "xy");

    const Bytes& b = pof.bytes;
    ASSERT_EQ(pof.pof_pos(), 1u + 2 + 7 + 4 + 4 + 12 + 2);
    EXPECT_EQ(b[0], 0xAB);
    EXPECT_EQ(b[1], 0x34);
    EXPECT_EQ(b[2], 0x12);
    EXPECT_EQ(i32_at(b, 3), 3);
    EXPECT_EQ(chars_at(b, 7, 3), "abc");
    EXPECT_EQ(u32_at(b, 10), 0xFFFFFFFFu);
    EXPECT_EQ(u32_at(b, 14), 0x3F800000u);
    EXPECT_EQ(vec3_at(b, 18), (std::array<float, 3>{1.5f, -2.0f, 0.25f}));
    EXPECT_EQ(chars_at(b, 30, 2), "xy");
}

TEST(PofBuffer, IdsSpellTheirCharactersInFileOrder) {
    EXPECT_EQ(kf::fourcc("HDR2"), 0x32524448u);
    EXPECT_EQ(kf::POF_MAGIC, 0x4f505350u);
    kf::PofBuffer pof;
    kf::pof_put_u32(pof, kf::ID_OBJ2);
    EXPECT_EQ(chars_at(pof.bytes, 0, 4), "OBJ2");
}

TEST(PofBuffer, PatchDoesNotMoveTheWriteOffset) {
    kf::PofBuffer pof;
    kf::pof_put_i32(pof, 1);
    kf::pof_put_i32(pof, 2);
    kf::pof_patch_i32(pof, 0, 7);
    kf::pof_patch_f32(pof, 4, 2.5f);
    EXPECT_EQ(pof.pof_pos(), 8u);
    kf::pof_put_i32(pof, 3);
    EXPECT_EQ(i32_at(pof.bytes, 0), 7);
    EXPECT_EQ(f32_at(pof.bytes, 4), 2.5f);
    EXPECT_EQ(i32_at(pof.bytes, 8), 3);
}

// A chunk's size leaves its 8-byte head out; an opcode's size takes its
// 8-byte header in. Until the end call, both hold the placeholder.
TEST(PofBuffer, ChunkAndOpcodeSizesMeasureDifferently) {
    kf::PofBuffer pof;
    kf::pof_put_i32(pof, 99); // something before, so offsets are not zero
    const uint32_t size_field = kf::pof_begin_chunk(pof, kf::ID_TXTR);
    EXPECT_EQ(size_field, 8u);
    EXPECT_EQ(u32_at(pof.bytes, 8), kf::SIZE_PLACEHOLDER);
    EXPECT_EQ(pof.bytes[8], 0x67);
    EXPECT_EQ(pof.bytes[11], 0x01);

    const uint32_t op = kf::pof_begin_op(pof, kf::OP_BOUNDBOX);
    EXPECT_EQ(op, 12u);
    EXPECT_EQ(u32_at(pof.bytes, 16), kf::SIZE_PLACEHOLDER);
    kf::pof_put_vec3(pof, {}); // 12 bytes of fields after the header
    kf::pof_end_op(pof, op);
    EXPECT_EQ(i32_at(pof.bytes, 16), 20);

    kf::pof_put_u8(pof, 0); // a body that is not a multiple of 4
    kf::pof_end_chunk(pof, size_field);
    EXPECT_EQ(i32_at(pof.bytes, 8), 21);
    EXPECT_EQ(pof.pof_pos(), 4u + 8 + 21); // the next chunk would start size + 8 after this one's id
}
