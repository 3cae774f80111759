// The modeller's own scenes from the system's test-model package: each
// binary one reads without error, and its tables hold what its report shows.
#include "cob/read_scene.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kft;

namespace {

struct RealScene {
    const char* name;
    uint32_t objects, vertices, uvs, faces, materials;
    std::vector<std::string> sections; // names; "" is the implicit section
    std::vector<std::string> textures;
    uint32_t flat_faces; // faces a flat-colour material reached
};

void PrintTo(const RealScene& s, std::ostream* os) { *os << s.name; }

const RealScene real_scenes[] = {
    {"dwarf", 1, 1485, 1479, 1896, 2, {"Body"}, {"dwarf.jpg", "axe.jpg"}, 0},
    {"molecule", 4, 456, 612, 512, 4, {"Nitrogen"}, {}, 512},
    // Its materials hold only sub-chunks the reader does not know.
    {"spider_4_3", 1, 762, 1, 1368, 4, {""}, {}, 0},
    {"spider_6_6", 1, 762, 1, 1368, 4, {""}, {}, 1368},
};

class RealSceneTables : public ::testing::TestWithParam<RealScene> {};

} // namespace

TEST_P(RealSceneTables, ReadCleanly) {
    const RealScene& want = GetParam();
    ReadResult r = read_scene(read_real_scene(std::string(want.name) + ".cob"));
    ASSERT_FALSE(r.error) << *r.error;
    const kf::Scene& s = r.scene;

    EXPECT_EQ(s.chunknum, want.objects);
    EXPECT_EQ(s.cob_vcount(), want.vertices);
    EXPECT_EQ(s.UVcount(), want.uvs);
    EXPECT_EQ(s.cob_pcount(), want.faces);
    EXPECT_EQ(s.Matlcount(), want.materials);
    std::vector<std::string> sections;
    for (const kf::CobSection& section : s.cob_section) sections.push_back(section.name);
    EXPECT_EQ(sections, want.sections);
    EXPECT_EQ(s.texture_name, want.textures);

    uint32_t flat = 0;
    for (const kf::CobFace& f : s.cob_face) {
        flat += f.type == kf::POLY_FLAT;
        // The indices the model builder relies on.
        for (uint32_t j = 0; j < f.n_points; ++j) {
            ASSERT_LT(static_cast<uint32_t>(s.corners(f)[j].vertex), s.cob_vcount());
            ASSERT_LT(static_cast<uint32_t>(s.corners(f)[j].uv), s.UVcount());
        }
    }
    EXPECT_EQ(flat, want.flat_faces);
}

INSTANTIATE_TEST_SUITE_P(Package, RealSceneTables, ::testing::ValuesIn(real_scenes),
                         [](const auto& p) { return std::string(p.param.name); });
