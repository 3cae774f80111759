// Damaged files: each is rejected with a message naming the fault and the
// byte where it lies, by the library and by the program (status 1).
#include "fixtures.h"

#include "pofinfo/pofread.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <ostream>
#include <string>

using namespace pft;

namespace {

// The converted rich scene and where its parts lie.
struct Pristine {
    std::vector<uint8_t> pof;
    std::vector<ChunkAt> chunks;
    pofread::Model model;

    size_t body(const std::string& id, size_t n = 0) const { return nth_chunk(chunks, id, n).offset + 8; }
    size_t head(const std::string& id, size_t n = 0) const { return nth_chunk(chunks, id, n).offset; }
    // File offset of the n-th opcode `id` of subobject `sub`, in tree order.
    size_t op(size_t sub, int32_t id, size_t n = 0) const {
        for (const auto& o : model.subobjects.at(sub).ops)
            if (o.id == id && n-- == 0) return o.offset;
        throw std::out_of_range("no such opcode");
    }
    size_t data(size_t sub) const { return model.subobjects.at(sub).data_offset; }
};

const Pristine& pristine() {
    static const Pristine p = [] {
        Pristine q;
        q.pof = convert(rich_scene());
        q.chunks = chunk_heads(q.pof);
        q.model = pofread::parse(q.pof);
        return q;
    }();
    return p;
}

using Bytes = std::vector<uint8_t>;

struct Corruption {
    const char* name;
    const char* message; // a part of the expected problem text
    // Damages the bytes and returns the offset where the problem lies.
    std::function<size_t(Bytes&, const Pristine&)> damage;
};

// Adds `delta` to the int32 at `offset` and returns `at`.
size_t bump(Bytes& b, size_t offset, int32_t delta, size_t at) {
    put_i32(b, offset, get_i32(b, offset) + delta);
    return at;
}
size_t set(Bytes& b, size_t offset, int32_t value, size_t at) {
    put_i32(b, offset, value);
    return at;
}
size_t set(Bytes& b, size_t offset, int32_t value) { return set(b, offset, value, offset); }
size_t rename(Bytes& b, size_t head, const char* id) {
    for (size_t i = 0; i < 4; ++i) b[head + i] = static_cast<uint8_t>(id[i]);
    return head;
}

constexpr int32_t FLAT = 2, TMAP = 3, SORT = 4, BOX = 5;

const Corruption corruptions[] = {
    // File head and chunk framing.
    {"BadMagic", "magic \"PSPO\"", [](Bytes& b, const Pristine&) { b[0] = 'X'; return size_t{0}; }},
    {"BadVersion", "version 2117", [](Bytes& b, const Pristine&) { return set(b, 4, 2117); }},
    {"ShortHead", "too short", [](Bytes& b, const Pristine&) { b.resize(6); return size_t{0}; }},
    {"NegativeChunkSize", "size -1 is negative", [](Bytes& b, const Pristine& p) { return set(b, p.head("HDR2") + 4, -1); }},
    {"ChunkPastEnd", "past the end of the file",
     [](Bytes& b, const Pristine& p) { return set(b, p.head("PINF") + 4, 1000); }},
    {"TrailingBytes", "too few for a chunk head",
     [](Bytes& b, const Pristine&) { b.insert(b.end(), {1, 2, 3}); return b.size() - 3; }},
    {"ChunkAfterPinf", "TXTR chunk after PINF",
     [](Bytes& b, const Pristine&) { b.insert(b.end(), {'T', 'X', 'T', 'R', 0, 0, 0, 0}); return b.size() - 8; }},
    {"NoPinf", "no PINF chunk", [](Bytes& b, const Pristine& p) { rename(b, p.head("PINF"), "PINX"); return b.size(); }},
    {"Obj2BeforeHdr2", "OBJ2 chunk before the HDR2", [](Bytes& b, const Pristine& p) { return rename(b, p.head("HDR2"), "OBJ2"); }},
    {"SecondHdr2", "a second HDR2", [](Bytes& b, const Pristine& p) { return rename(b, p.head("OBJ2", 1), "HDR2"); }},
    {"Obj2AfterShld", "OBJ2 chunk after the SHLD", [](Bytes& b, const Pristine& p) { return rename(b, p.head("PINF"), "OBJ2"); }},
    {"TxtrAfterHdr2", "TXTR chunk after HDR2", [](Bytes& b, const Pristine& p) { return rename(b, p.head("OBJ2", 2), "TXTR"); }},

    // TXTR.
    {"TextureNameNegative", "negative length", [](Bytes& b, const Pristine& p) { return set(b, p.body("TXTR") + 4, -1); }},
    {"TextureCountTooLarge", "cannot fit", [](Bytes& b, const Pristine& p) { return set(b, p.body("TXTR"), 1 << 30); }},
    {"TextureCountOneMore", "TXTR texture name runs past",
     [](Bytes& b, const Pristine& p) { return bump(b, p.body("TXTR"), 1, p.body("HDR2") - 8); }},

    // HDR2.
    {"Hdr2SizeShort", "HDR2 light count runs past",
     [](Bytes& b, const Pristine& p) { return bump(b, p.head("HDR2") + 4, -4, p.body("HDR2") + 104 + 4 * 3 - 4); }},
    {"Hdr2SizeLong", "fields end 4 bytes before",
     [](Bytes& b, const Pristine& p) { return bump(b, p.head("HDR2") + 4, 4, p.body("HDR2") + 104 + 4 * 3); }},
    {"SubobjectCount", "HDR2 subobject count 5, but the file holds 6 OBJ2",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 8, 5); }},
    {"SubobjectCountNegative", "HDR2 subobject count -1 is negative",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 8, -1); }},
    {"DetailOutOfRange", "detail level 1 is subobject 6", [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 44, 6); }},
    {"DebrisNegative", "debris entry 0 is subobject -1", [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 52, -1); }},
    {"DetailCountTooLarge", "HDR2 detail count 100 cannot fit",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 36, 100); }},
    {"LightCount", "light count is 2", [](Bytes& b, const Pristine& p) { return set(b, p.body("HDR2") + 104 + 4 * 3 - 4, 2); }},

    // OBJ2 fields.
    {"SubobjectNumber", "subobject number 4, expected 1", [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 1), 4); }},
    {"ParentTooLarge", "parent 7 is neither", [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 2) + 8, 7); }},
    {"ParentBelowMinusOne", "parent -2 is neither", [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 2) + 8, -2); }},
    {"ParentOnePastTheLast", "parent 6 is neither", [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 2) + 8, 6); }},
    {"ParentIsItself", "subobject 2 \"barrel\" is its own ancestor",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 2) + 8, 2); }},
    // The turret under the barrel, which is under the turret.
    {"ParentChainLoops", "subobject 1 \"turret\" is its own ancestor",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2", 1) + 8, 2); }},
    {"NameLengthPastChunk", "OBJ2 name runs past",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("OBJ2") + 60, 100000, p.body("OBJ2") + 64); }},
    {"ModelDataSizeLarger", "model data size",
     [](Bytes& b, const Pristine& p) { return bump(b, p.data(0) - 4, 4, p.data(0) - 4); }},
    {"ModelDataSizeSmaller", "model data size",
     [](Bytes& b, const Pristine& p) { return bump(b, p.data(1) - 4, -8, p.data(1) - 4); }},

    // The point list.
    {"DefpointsId", "starts with opcode 2, not OP_DEFPOINTS", [](Bytes& b, const Pristine& p) { return set(b, p.data(0), 2); }},
    {"DefpointsSize", "OP_DEFPOINTS size", [](Bytes& b, const Pristine& p) { return bump(b, p.data(0) + 4, 12, p.data(0) + 4); }},
    {"DefpointsDataOffset", "data offset 32, expected 28 for 8 vertices",
     [](Bytes& b, const Pristine& p) { return bump(b, p.data(0) + 16, 4, p.data(0) + 16); }},
    {"DefpointsNormalCounts", "its vertices own",
     [](Bytes& b, const Pristine& p) { ++b[p.data(0) + 20]; return p.data(0) + 12; }},
    {"DefpointsVertexCountHuge", "data offset",
     [](Bytes& b, const Pristine& p) { return set(b, p.data(0) + 8, 0x7ffffff0, p.data(0) + 16); }},

    // Opcode sizes and kinds.
    {"FlatpolySize", "OP_FLATPOLY has size", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, FLAT) + 4, 4, p.op(0, FLAT) + 4); }},
    {"TmappolyCornersNegative", "corner count -1 is negative",
     [](Bytes& b, const Pristine& p) { return set(b, p.op(0, TMAP) + 36, -1); }},
    {"TmappolyCornersMore", "OP_TMAPPOLY has size",
     [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, TMAP) + 36, 1, p.op(0, TMAP) + 4); }},
    {"TmappolyCornersHuge", "OP_TMAPPOLY has size",
     [](Bytes& b, const Pristine& p) { return set(b, p.op(0, TMAP) + 36, 0x7fffffff, p.op(0, TMAP) + 4); }},
    {"BoundboxSize", "OP_BOUNDBOX has size 36", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, BOX) + 4, 4, p.op(0, BOX) + 4); }},
    {"SortnormSize", "OP_SORTNORM has size 84", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, SORT) + 4, 4, p.op(0, SORT) + 4); }},
    {"EofSize", "OP_EOF has size 8",
     [](Bytes& b, const Pristine& p) { return set(b, p.op(0, 0) + 4, 8); }},
    {"UnknownOpcode", "unknown opcode 9", [](Bytes& b, const Pristine& p) { return set(b, p.op(0, BOX), 9); }},
    {"DefpointsInList", "OP_DEFPOINTS inside an opcode list", [](Bytes& b, const Pristine& p) { return set(b, p.op(0, BOX), 1); }},
    {"NoClosingEof", "does not end with an OP_EOF",
     [](Bytes& b, const Pristine& p) { return set(b, p.data(1) + p.model.subobjects[1].data_size - 8, 5); }},

    // Sorting node offsets.
    {"SortnormFront", "front offset 92, expected 88", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, SORT) + 36, 4, p.op(0, SORT) + 36); }},
    {"SortnormBackOutside", "back offset 2147483392 lies outside",
     [](Bytes& b, const Pristine& p) {
         const size_t o = p.op(0, SORT);
         // Keep prelist and the two after it consistent so that only back is wrong.
         set(b, o + 44, 0x7fffff08);
         set(b, o + 48, 0x7fffff10);
         set(b, o + 52, 0x7fffff18);
         return set(b, o + 40, 0x7fffff00);
     }},
    {"SortnormPrelistOnBack", "prelist offset",
     [](Bytes& b, const Pristine& p) { return set(b, p.op(0, SORT) + 44, get_i32(b, p.op(0, SORT) + 40), p.op(0, SORT) + 44); }},
    {"SortnormPostlist", "postlist offset", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, SORT) + 48, 8, p.op(0, SORT) + 48); }},
    {"SortnormOnline", "online offset", [](Bytes& b, const Pristine& p) { return bump(b, p.op(0, SORT) + 52, -4, p.op(0, SORT) + 52); }},
    {"SortnormBackMisaligned", "multiple of 4",
     [](Bytes& b, const Pristine& p) {
         const size_t o = p.op(0, SORT);
         bump(b, o + 40, 2, 0);
         return o + static_cast<size_t>(get_i32(b, o + 40));
     }},
    {"SortnormListsOverlap", "overlaps another opcode",
     [](Bytes& b, const Pristine& p) {
         // The three empty lists move back by 8 bytes onto the last OP_EOF
         // of the back part, which the back list has already reached.
         const size_t o = p.op(0, SORT);
         for (size_t field : {size_t{44}, size_t{48}, size_t{52}}) bump(b, o + field, -8, 0);
         return o + static_cast<size_t>(get_i32(b, o + 44));
     }},
    {"ListIntoClosingEof", "runs into the closing OP_EOF",
     [](Bytes& b, const Pristine& p) {
         // The root's three empty lists move 8 bytes on: the last lands on
         // the OP_EOF that closes the model data.
         const size_t o = p.op(0, SORT);
         for (size_t field : {size_t{44}, size_t{48}, size_t{52}}) bump(b, o + field, 8, 0);
         return o + static_cast<size_t>(get_i32(b, o + 52));
     }},
    {"GapInModelData", "8 bytes of the model data of subobject 4 are reached by no opcode list",
     [](Bytes& b, const Pristine& p) {
         // Eight bytes that no list reaches, just before the closing OP_EOF
         // of the debris piece, with both sizes grown to match.
         const size_t data = p.data(4), end = data + p.model.subobjects[4].data_size;
         b.insert(b.begin() + static_cast<ptrdiff_t>(end - 8), 8, uint8_t{0});
         bump(b, p.head("OBJ2", 4) + 4, 8, 0);
         bump(b, data - 4, 8, 0);
         return data;
     }},

    // Slots.
    {"VertexSlot", "vertex slot 8 is not below the 8 points",
     [](Bytes& b, const Pristine& p) {
         const size_t c = p.op(0, FLAT) + 44;
         b[c] = 8;
         b[c + 1] = 0;
         return c;
     }},
    {"NormalSlot", "normal slot 65535", [](Bytes& b, const Pristine& p) {
         const size_t c = p.op(1, TMAP) + 44 + 12 * 2 + 2;
         b[c] = 0xff;
         b[c + 1] = 0xff;
         return c;
     }},

    // SHLD.
    {"ShieldVertex", "vertex 4 is not below the vertex count 4",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("SHLD") + 4 + 12 * 4 + 4 + 12, 4); }},
    {"ShieldNeighbourBelowMinusOne", "neighbour -2",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("SHLD") + 4 + 12 * 4 + 4 + 36 + 24 + 4, -2); }},
    {"ShieldNeighbourTooLarge", "neighbour 4 is neither",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("SHLD") + 4 + 12 * 4 + 4 + 36 * 3 + 24 + 8, 4); }},
    {"ShieldFaceCount", "SHLD face count 1000 cannot fit",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("SHLD") + 4 + 12 * 4, 1000); }},
    {"ShieldVertexCountNegative", "SHLD vertex count -3 is negative",
     [](Bytes& b, const Pristine& p) { return set(b, p.body("SHLD"), -3); }},
    {"ShieldSizeLong", "SHLD chunk: its fields end",
     [](Bytes& b, const Pristine& p) {
         const size_t head = p.head("SHLD");
         const auto size = static_cast<size_t>(get_i32(b, head + 4));
         // Four more bytes inside the chunk, after its last face.
         b.insert(b.begin() + static_cast<ptrdiff_t>(head + 8 + size), {0, 0, 0, 0});
         bump(b, head + 4, 4, 0);
         return head + 8 + size;
     }},
};

void PrintTo(const Corruption& c, std::ostream* os) { *os << c.name; }

class Corrupted : public ::testing::TestWithParam<Corruption> {};

} // namespace

// The pristine file itself must be valid for the damage to mean anything.
TEST(CorruptedBase, PristineFileIsValid) {
    const Pristine& p = pristine();
    ASSERT_FALSE(p.pof.empty());
    EXPECT_TRUE(p.model.ok) << p.model.problem;
}

TEST_P(Corrupted, IsRejectedWithItsOffset) {
    const Pristine& p = pristine();
    ASSERT_TRUE(p.model.ok);
    Bytes b = p.pof;
    const size_t offset = GetParam().damage(b, p);
    const pofread::Model m = pofread::parse(b);
    ASSERT_FALSE(m.ok);
    EXPECT_NE(m.problem.find(GetParam().message), std::string::npos) << m.problem;
    EXPECT_EQ(m.problem_offset, offset) << m.problem;

    const PofinfoRun r = run_pofinfo({"{file}"}, b);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("invalid: at byte " + std::to_string(offset) + " "), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Table, Corrupted, ::testing::ValuesIn(corruptions),
                         [](const auto& p) { return std::string(p.param.name); });

// Every cut of the file short of its end is a fault found at or before the cut.
TEST(CorruptedTruncation, EveryPrefixIsRejected) {
    const Pristine& p = pristine();
    ASSERT_TRUE(p.model.ok);
    std::vector<size_t> lengths;
    for (size_t n = 0; n < p.pof.size(); n += n < 400 ? 1 : 3) lengths.push_back(n);
    for (const ChunkAt& c : p.chunks)
        for (size_t n : {c.offset - 1, c.offset, c.offset + 4, c.offset + 7, c.offset + 8}) lengths.push_back(n);
    for (size_t n : lengths) {
        if (n >= p.pof.size()) continue;
        const Bytes cut(p.pof.begin(), p.pof.begin() + static_cast<ptrdiff_t>(n));
        const pofread::Model m = pofread::parse(cut);
        ASSERT_FALSE(m.ok) << "length " << n;
        EXPECT_LE(m.problem_offset, n) << "length " << n << ": " << m.problem;
    }
}
