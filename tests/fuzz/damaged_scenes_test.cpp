// Damaged scenes: seeded byte flips, field overwrites and truncations of
// real and bundled scenes. Each must either convert into a valid model that
// holds every polygon, or end with the one error type the program reports;
// nothing may crash, hang or read outside the input (the sanitizer build
// checks the last).
#include "support/outcome.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
    int cases;
};

std::vector<Seed> seeds() {
    std::vector<Seed> all;
    all.push_back({"example ship", kft::read_file(std::string(KEELFORGE_SOURCE_DIR) + "/examples/ship.cob"), 1500});
    all.push_back({"molecule", kft::read_real_scene("molecule.cob"), 300});
    all.push_back({"spider_4_3", kft::read_real_scene("spider_4_3.cob"), 100});
    return all;
}

// One damaged copy: a few flipped bytes, a few overwritten 4-byte fields, or a cut.
std::vector<uint8_t> damage(std::vector<uint8_t> b, std::mt19937& rng) {
    auto at = [&](size_t room) { return std::uniform_int_distribution<size_t>(0, b.size() - room)(rng); };
    const uint32_t interesting[] = {0, 1, 2, 3, 20, 21, 37, 100, 101, 0x7fffffff, 0x80000000u, 0xffffffffu, 15001};
    switch (rng() % 3) {
    case 0:
        for (int n = 1 + static_cast<int>(rng() % 6); n > 0; --n) b[at(1)] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
    case 1:
        for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
            size_t p = at(4);
            uint32_t v = interesting[rng() % std::size(interesting)];
            for (int i = 0; i < 4; ++i) b[p + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
        }
        break;
    default:
        b.resize(at(1));
        break;
    }
    return b;
}

} // namespace

TEST(DamagedScenes, EndInAConversionOrOneErrorLine) {
    std::mt19937 rng(20261210);
    int converted = 0, refused = 0;
    for (const Seed& seed : seeds()) {
        for (int i = 0; i < seed.cases; ++i) {
            std::vector<uint8_t> input = damage(seed.bytes, rng);
            const kft::Outcome o = kft::convert_in_memory(input);
            ASSERT_EQ(o.fault, "") << seed.name << " case " << i;
            ++(o.converted ? converted : refused);
        }
    }
    RecordProperty("converted", converted);
    RecordProperty("refused", refused);
    // Both outcomes occur, so the damage reaches past the header checks.
    EXPECT_GT(converted, 0);
    EXPECT_GT(refused, 0);
}
