// Seeded random damage to real files: the reader must never crash or read
// outside the bytes (the sanitizer build checks that), must always say where
// a problem lies, and what it accepts must keep the promises its users rely
// on. The printers and the preview run on every outcome too.
#include "fixtures.h"

#include "pofinfo/pofread.h"
#include "pofinfo/preview.h"
#include "pofinfo/report.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>

using namespace pft;

namespace {

struct Base {
    std::vector<uint8_t> pof;
    std::vector<size_t> fields; // offsets of size, count and offset fields
};

Base base_of(std::vector<uint8_t> pof) {
    Base b;
    const pofread::Model m = pofread::parse(pof);
    EXPECT_TRUE(m.ok) << m.problem;
    for (const auto& c : m.chunks)
        for (size_t k = 0; k < 16; k += 4) b.fields.push_back(c.offset + k);
    for (const auto& s : m.subobjects) {
        for (size_t k = 0; k < 24; k += 4) b.fields.push_back(s.data_offset + k - 4);
        for (const auto& op : s.ops)
            for (size_t k = 0; k < (op.id == 4 ? 56u : 40u); k += 4) b.fields.push_back(op.offset + k);
    }
    b.pof = std::move(pof);
    return b;
}

// What a valid model promises: indices that can be used without checks.
void expect_sound(const pofread::Model& m) {
    for (const auto& s : m.subobjects)
        for (const auto& p : s.polygons)
            for (const auto& c : p.corners) {
                ASSERT_LT(c.vertex, s.vertices.size());
                ASSERT_LT(c.normal, s.normals.size());
            }
    if (m.shield)
        for (const auto& f : m.shield->faces)
            for (size_t i = 0; i < 3; ++i) {
                ASSERT_GE(f.vertex[i], 0);
                ASSERT_LT(static_cast<size_t>(f.vertex[i]), m.shield->vertices.size());
                ASSERT_GE(f.neighbour[i], -1);
                ASSERT_LT(f.neighbour[i], static_cast<int32_t>(m.shield->faces.size()));
            }
    EXPECT_EQ(m.header.subobject_count, static_cast<int32_t>(m.subobjects.size()));
}

} // namespace

TEST(Fuzz, DamagedFilesNeverCrash) {
    std::vector<Base> bases;
    bases.push_back(base_of(convert(rich_scene())));
    bases.push_back(base_of(deep_tree_pof(40)));
    bases.push_back(base_of(example_pof()));
    bases.push_back(base_of(convert(kft::read_real_scene("spider_4_3.cob"))));

    const kft::TempFolder folder;
    const std::string png = folder / "fuzz.png";
    std::mt19937 rng(20261210);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const int32_t values[] = {0, -1, 1, 4, 8, 20, 88, 1000, INT_MAX, INT_MIN, 0x01234567};
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        const Base& base = bases[pick(bases.size())];
        std::vector<uint8_t> b = base.pof;
        const size_t kind = pick(4);
        if (kind == 0 || kind == 3)
            for (size_t n = 1 + pick(4); n-- > 0;) b[pick(b.size())] ^= static_cast<uint8_t>(1u << pick(8));
        if (kind == 1 || kind == 3) {
            const size_t at = base.fields[pick(base.fields.size())];
            const int32_t v = pick(3) == 0 ? static_cast<int32_t>(rng()) : values[pick(std::size(values))];
            if (at + 4 <= b.size()) put_i32(b, at, pick(4) == 0 ? get_i32(b, at) + (v % 64) : v);
        }
        if (kind == 2) b.resize(pick(b.size()));

        const pofread::Model m = pofread::parse(b);
        SCOPED_TRACE("round " + std::to_string(round));
        if (m.ok) {
            ++accepted;
            expect_sound(m);
        } else {
            EXPECT_FALSE(m.problem.empty());
            EXPECT_LE(m.problem_offset, b.size());
        }
        // The printers see every outcome; the JSON must always parse back.
        FILE* sink = std::tmpfile();
        ASSERT_NE(sink, nullptr);
        pofinfo::print_summary(sink, m, "fuzz.pof");
        pofinfo::print_tree(sink, m);
        std::fclose(sink);
        EXPECT_TRUE(nlohmann::json::accept(pofinfo::summary_json(m, "fuzz.pof")));
        if (m.ok && accepted % 50 == 1) {
            EXPECT_EQ(pofinfo::write_preview(m, png), "");
        }
    }
    // Float bytes take most flips without harm: some damaged files stay valid.
    EXPECT_GT(accepted, 0);
}

// The reader rejects a looping parent chain, but the preview is a library
// call too: given a model whose turret and barrel name each other as parent,
// it draws what it can and never walks round the loop.
TEST(Fuzz, PreviewNeverFollowsALoopingParentChain) {
    pofread::Model m = pofread::parse(convert(rich_scene()));
    ASSERT_TRUE(m.ok) << m.problem;
    m.subobjects.at(1).parent = 2;
    m.subobjects.at(2).parent = 1;
    m.subobjects.at(3).parent = 3;
    const kft::TempFolder folder;
    EXPECT_EQ(pofinfo::write_preview(m, folder / "loop.png"), "");
}
