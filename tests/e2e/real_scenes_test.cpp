// The real scenes of the system's test-model package, converted one at a
// time in an empty folder, against their recorded console output, exit
// status, file size and checksum.
#include "support/run_binary.h"
#include "support/sha256.h"

#include <gtest/gtest.h>

#include <string>

using namespace kft;

namespace {

struct RealScene {
    const char* name;
    size_t pof_bytes;
    const char* sha256;
};

const RealScene real_scenes[] = {
    {"dwarf", 301013, "9d6332d9c7563fd84f0eaf247fe413ca782df8f574936b4201e22902bc773a07"},
    {"molecule", 72129, "cf23c466cac7ad83ccd68b1c986200cb2179592fb8ff97ed99f3f3dfa712f7cd"},
    {"spider_4_3", 196133, "4e1b72e622b4afa64d05e1f58999e13bd9886aef480d4ed90ea95a7bc14cce41"},
    {"spider_6_6", 163301, "f9d90642c5aa1ecf575d492e59b42047874653dbfb443509f1a28165ffe833aa"},
};

class RealScenes : public ::testing::TestWithParam<RealScene> {};

} // namespace

TEST_P(RealScenes, ConvertExactly) {
    const RealScene& s = GetParam();
    const std::string file = std::string(s.name) + ".cob";
    RunResult r = run_keelforge(read_real_scene(file), file);

    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stdout_text, read_text(std::string(KEELFORGE_REAL_DIR) + "/" + s.name + ".stdout"));
    ASSERT_TRUE(r.pof.has_value());
    EXPECT_EQ(r.pof->size(), s.pof_bytes);
    EXPECT_EQ(sha256_hex(*r.pof), s.sha256);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
}

TEST_P(RealScenes, AsciiTwinIsRefused) {
    const std::string file = std::string(GetParam().name) + "_ascii.cob";
    RunResult r = run_keelforge(read_real_scene(file), file);

    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.stdout_text, " Keelforge2 Version 0.01 10-23-99\n Processing " + file +
                                 "\n\n Reading input file...\n Error: the input file needs to be in the bin format.\n");
    EXPECT_FALSE(r.pof.has_value());
    EXPECT_TRUE(r.files.empty());
}

INSTANTIATE_TEST_SUITE_P(Package, RealScenes, ::testing::ValuesIn(real_scenes),
                         [](const auto& p) { return std::string(p.param.name); });
