// The bundled example scene (examples/ship.cob, written by tools/make_example):
// it converts, and it is the scene the README promises.
#include "cob/reader.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace kft;

namespace {

const std::string example = std::string(KEELFORGE_SOURCE_DIR) + "/examples/ship.cob";

kf::Scene read_example() {
    kf::Scene scene;
    kf::read_cob_file(read_file(example), scene, discard_report());
    return scene;
}

} // namespace

TEST(ExampleScene, Converts) {
    RunResult r = run_keelforge(read_file(example), "ship.cob");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
    for (const char* line : {"\nGrou name: hull,0\n", "\nGrou name: detail1,0\n", "\nGrou name: debris01,0\n",
                             "\nGrou name: debris02,0\n", "\nGrou name: shield,0\n", "\n Shield: n_faces = 128\n"})
        EXPECT_NE(r.stdout_text.find(line), std::string::npos) << line;
    EXPECT_EQ(r.stdout_text.find("big oops"), std::string::npos);
}

TEST(ExampleScene, GroupsMaterialsAndShield) {
    const kf::Scene s = read_example();
    std::vector<std::string> names;
    for (const kf::CobSection& section : s.cob_section) {
        names.push_back(section.name);
        EXPECT_EQ(section.parent, 0) << section.name << ": every group hangs from the hull";
    }
    EXPECT_EQ(names, (std::vector<std::string>{"hull", "detail1", "debris01", "debris02", "shield"}));

    // Flat and textured faces, some of them smooth, and backslash folders.
    int flat = 0, textured = 0, smooth = 0;
    for (const kf::CobFace& f : s.cob_face) {
        flat += f.type == kf::POLY_FLAT;
        textured += f.type == kf::POLY_TMAPPED;
        smooth += f.facet == 's';
        EXPECT_NE(f.facet, 0) << "every face has a material";
    }
    EXPECT_GT(flat, 0);
    EXPECT_GT(textured, 0);
    EXPECT_GT(smooth, 0);
    ASSERT_FALSE(s.texture_name.empty());
    EXPECT_EQ(s.texture_name[0].rfind("D:\\textures\\", 0), 0u);

    // Every object is closed and consistently wound: each directed edge
    // is run the other way by exactly one other face of its object. The
    // corners run clockwise seen from outside, as in the modeller's own
    // scenes, so every object's signed volume is negative.
    std::map<int32_t, std::map<std::pair<int32_t, int32_t>, int>> edges;
    std::map<int32_t, double> volume;
    int shield_faces = 0;
    for (const kf::CobFace& f : s.cob_face) {
        if (f.section == 4) {
            ++shield_faces;
            EXPECT_EQ(f.n_points, 3u) << "shield faces are triangles";
        }
        const kf::vec3 p0 = s.cob_vertex[static_cast<size_t>(s.corners(f)[0].vertex)].position;
        for (uint32_t j = 0; j < f.n_points; ++j) {
            const int32_t a = s.corners(f)[j].vertex, b = s.corners(f)[(j + 1) % f.n_points].vertex;
            ++edges[f.chunk][{a, b}];
            if (j == 0 || j + 1 == f.n_points) continue;
            const kf::vec3 p1 = s.cob_vertex[static_cast<size_t>(a)].position;
            const kf::vec3 p2 = s.cob_vertex[static_cast<size_t>(b)].position;
            volume[f.chunk] += (static_cast<double>(p0.x) * (p1.y * p2.z - p1.z * p2.y) -
                                static_cast<double>(p0.y) * (p1.x * p2.z - p1.z * p2.x) +
                                static_cast<double>(p0.z) * (p1.x * p2.y - p1.y * p2.x)) / 6;
        }
    }
    EXPECT_EQ(shield_faces, 128);
    for (const auto& [chunk, directed] : edges) {
        for (const auto& [edge, count] : directed) {
            EXPECT_EQ(count, 1) << "object " << chunk;
            auto back = directed.find({edge.second, edge.first});
            EXPECT_TRUE(back != directed.end() && back->second == 1) << "object " << chunk << " is open";
        }
        EXPECT_LT(volume[chunk], 0) << "object " << chunk;
    }
}
