// Normal counts: every corner gets its normal however many there are; only a
// subobject's point list limits them (255 at one vertex, 65535 in one
// segment), and the shield, which stores no normals, is exempt.
#include "cob/reader.h"
#include "model/large_scenes.h"
#include "model/model_fixture.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using kfm::build;
using kfm::Built;
using kfm::SceneMaker;

namespace {

// n triangles around one new vertex of the current object.
void fan(SceneMaker& s, int n) {
    const int32_t center = s.vertex(0, 0, 0);
    int32_t previous = s.vertex(1, 0, 0);
    for (int i = 1; i <= n; ++i) {
        const int32_t next = s.vertex(static_cast<float>(std::cos(i)), static_cast<float>(std::sin(i)), 0);
        s.face({center, previous, next});
        previous = next;
    }
}

// `corners` corners spread over 300 new vertices (at most 219 at each),
// in faces of 20 corners and one last smaller face.
void many_corners(SceneMaker& s, int corners) {
    const int32_t first = s.vertex(0, 0, 0);
    for (int i = 1; i < 300; ++i) s.vertex(static_cast<float>(i), static_cast<float>(i % 7), 0);
    std::vector<int32_t> face;
    for (int i = 0; i < corners; ++i) {
        face.push_back(first + i % 300);
        if (face.size() == 20 || i + 1 == corners) {
            s.face(face, 's');
            face.clear();
        }
    }
}

void triangle(SceneMaker& s) { fan(s, 1); }

struct LimitCase {
    const char* label;
    std::function<void(SceneMaker&)> make;
    const char* error; // empty when the model builds
};

const LimitCase limit_cases[] = {
    {"VertexWith255", [](SceneMaker& s) { fan(s, 255); }, ""},
    {"VertexWith256", [](SceneMaker& s) { fan(s, 256); }, " Error: a vertex of segment 0 has more than 255 normals"},
    {"VertexWith256InThirdSegment",
     [](SceneMaker& s) {
         s.group("hull");
         triangle(s);
         s.group("debris");
         triangle(s);
         s.group("wing");
         fan(s, 256);
     },
     " Error: a vertex of segment 2 has more than 255 normals"},
    {"ShieldVertexWith1000",
     [](SceneMaker& s) {
         s.group("hull");
         triangle(s);
         s.group("shield");
         fan(s, 1000);
     },
     ""},
    // The exemption follows the role: a root named "shield" is no shield.
    {"RootNamedShieldIsNotExempt",
     [](SceneMaker& s) {
         s.group("shield");
         fan(s, 256);
     },
     " Error: a vertex of segment 0 has more than 255 normals"},
    {"SegmentWith65535", [](SceneMaker& s) { many_corners(s, 65535); }, ""},
    {"SegmentWith65536", [](SceneMaker& s) { many_corners(s, 65536); }, " Error: segment 0 has more than 65535 normals"},
    {"SecondSegmentWith65536",
     [](SceneMaker& s) {
         s.group("hull");
         triangle(s);
         s.group("wing");
         many_corners(s, 65536);
     },
     " Error: segment 1 has more than 65535 normals"},
    // The limit holds per segment, not for the model.
    {"TwoSegmentsOf40000Each",
     [](SceneMaker& s) {
         s.group("hull");
         many_corners(s, 40000);
         s.group("wing");
         many_corners(s, 40000);
     },
     ""},
    {"ShieldWith65536",
     [](SceneMaker& s) {
         s.group("hull");
         triangle(s);
         s.group("shield");
         many_corners(s, 65536);
     },
     ""},
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.label; }

class NormalLimits : public ::testing::TestWithParam<LimitCase> {};

} // namespace

TEST_P(NormalLimits, CheckedOnceAllNormalsAreBuilt) {
    SceneMaker s;
    GetParam().make(s);
    Built b = build(s.scene);
    EXPECT_EQ(b.error, GetParam().error);
    EXPECT_EQ(b.status, b.error.empty() ? 0 : 1);
    // The check runs after the whole build: every corner already owns its normal.
    EXPECT_EQ(kfm::grouping_fault(b.model), "");
}

INSTANTIATE_TEST_SUITE_P(Model, NormalLimits, ::testing::ValuesIn(limit_cases),
                         [](const auto& p) { return std::string(p.param.label); });

namespace {

// 15000 smooth triangles over 15000 vertices, three corners at each vertex.
std::vector<uint8_t> full_band() {
    return kft::CobBuilder().polh(kfm::triangle_band(kf::VEC_MAX)).mat1(kfm::smooth_material()).end().bytes();
}

} // namespace

TEST(NormalLimits, FifteenThousandSmoothTrianglesGetAllTheirNormals) {
    const auto bytes = full_band();
    kf::Scene scene;
    kf::read_cob_file(bytes, scene, kft::discard_report());
    ASSERT_EQ(scene.cob_pcount(), kf::POLY_MAX);

    Built b = build(scene);
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.model.Vcount(), kf::VEC_MAX);
    EXPECT_EQ(b.model.n_normals(), 45000u);
    EXPECT_EQ(kfm::grouping_fault(b.model), "");
    for (const kf::ModelVertex& v : b.model.vertex) ASSERT_EQ(v.n_norms, 3u);
    // The last vertex's entries sit at the end of the table, past any 16-bit index.
    EXPECT_EQ(b.model.corners(b.model.model_poly[kf::POLY_MAX - 1])[1].normal_index, 44999u);
}

TEST(NormalLimits, FifteenThousandTrianglesConvertEndToEnd) {
    kft::RunResult r = kft::run_keelforge(full_band());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.stdout_text.find(" cmodel = 15000, fs model = 15000\n"), std::string::npos);
    EXPECT_TRUE(r.pof.has_value());
    EXPECT_TRUE(r.stdout_text.ends_with("\n Done...\n"));
}

TEST(NormalLimits, EndToEnd) {
    struct Case {
        const char* label;
        const char* group; // of the fan; a hull triangle comes first
        uint32_t triangles;
        int status;
        const char* tail; // the end of the report
    };
    const Case cases[] = {
        {"VertexWith256", "wing", 256, 1, " Error: a vertex of segment 1 has more than 255 normals"},
        {"ShieldOf500", "shield", 500, 0, "\n Done...\n"},
        // Its center owns 501 normals; the shield's own limit is what ends the run.
        {"ShieldOf501", "shield", 501, 1, " Shield polys > SHIELD_MAX \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        kft::CobBuilder cob;
        cob.grou("hull").polh(kft::triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
        cob.grou(c.group).polh(kfm::triangle_fan(c.triangles, 2)).end();
        kft::RunResult r = kft::run_keelforge(cob.bytes());
        EXPECT_EQ(r.status, c.status);
        const std::string tail = c.tail;
        ASSERT_GE(r.stdout_text.size(), tail.size());
        EXPECT_EQ(r.stdout_text.substr(r.stdout_text.size() - tail.size()), tail);
        EXPECT_EQ(r.pof.has_value(), c.status == 0);
        if (c.status != 0) {
            EXPECT_TRUE(r.files.empty());
        }
    }
}
