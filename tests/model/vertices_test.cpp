// Vertices: only used scene vertices become model vertices, in scene order,
// converted to model units and axes and moved into their segment's frame.
#include "model/model_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kfm::bits;
using kfm::Bits3;
using kfm::build;
using kfm::Built;
using kfm::SceneMaker;

namespace {

const std::string kStart = "\n Starting cob -> model data\n";

std::string count_line(const std::string& report) {
    size_t at = report.find(" cmodel = ");
    return at == std::string::npos ? "" : report.substr(at, report.find('\n', at) - at + 1);
}

} // namespace

TEST(Vertices, ModelNumbersFollowSceneOrderNotCornerOrder) {
    SceneMaker s;
    for (int i = 0; i < 10; ++i) s.vertex(static_cast<float>(i), 0, 0);
    s.face({5, 2, 9});
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    ASSERT_EQ(b.model.Vcount(), 3u);
    EXPECT_EQ(b.model.corners(b.model.model_poly[0])[0].vertex, 1);
    EXPECT_EQ(b.model.corners(b.model.model_poly[0])[1].vertex, 0);
    EXPECT_EQ(b.model.corners(b.model.model_poly[0])[2].vertex, 2);
    // Model vertex k holds the k-th used scene vertex: scene x 2, 5, 9 -> model z 40, 100, 180.
    EXPECT_EQ(b.model.vertex[0].position.z, 40.0f);
    EXPECT_EQ(b.model.vertex[1].position.z, 100.0f);
    EXPECT_EQ(b.model.vertex[2].position.z, 180.0f);
    EXPECT_EQ(count_line(b.report), " cmodel = 10, fs model = 3\n");
}

TEST(Vertices, UsedAndUnusedCounts) {
    struct Case {
        const char* label;
        int vertices;
        std::vector<std::vector<int32_t>> faces;
        uint32_t used;
        const char* line;
    };
    const Case cases[] = {
        // Shared corners give one model vertex; scene vertices 8 and 9 are unused.
        {"SharedAndUnused", 10, {{0, 1, 2, 3}, {3, 4, 5}, {5, 6, 7, 0}}, 8, " cmodel = 10, fs model = 8\n"},
        {"NoFaces", 4, {}, 0, " cmodel = 4, fs model = 0\n"},
        {"OnlyZeroCornerFaces", 4, {{}, {}}, 0, " cmodel = 4, fs model = 0\n"},
        {"RepeatedCornerInOneFace", 3, {{1, 1, 2, 1}}, 2, " cmodel = 3, fs model = 2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SceneMaker s;
        for (int i = 0; i < c.vertices; ++i) s.vertex(static_cast<float>(i), 0, 0);
        for (const auto& f : c.faces) s.face(f);
        Built b = build(s.scene);
        ASSERT_EQ(b.error, "");
        EXPECT_EQ(b.model.Vcount(), c.used);
        EXPECT_EQ(count_line(b.report), c.line);
    }
}

TEST(Vertices, ConvertedToModelAxesAndMovedIntoTheirSegment) {
    SceneMaker s;
    s.group("hull", {7, 7, 7}); // the root's own position is ignored: it sits at the origin
    int32_t a = s.vertex(1, 2, 3);
    s.group("wing", {1, 0, 0});
    int32_t b = s.vertex(1, 2, 3);
    s.group("shield", {0, 0, 1});
    int32_t c = s.vertex(1, 2, 3);
    s.face({a, b, c});
    Built built = build(s.scene);
    ASSERT_EQ(built.error, "");
    const auto& v = built.model.vertex;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(bits(v[0].position), bits(kf::vec3{-40, 60, 20}));
    EXPECT_EQ(bits(v[1].position), bits(kf::vec3{-40, 60, 0}));  // wing offset (-0, 0, 20)
    EXPECT_EQ(bits(v[2].position), bits(kf::vec3{-40, 40, 20})); // shield offset (-0, 20, 0)
    EXPECT_EQ(v[0].segment, 0);
    EXPECT_EQ(v[1].segment, 1);
    EXPECT_EQ(v[2].segment, 2);
}

TEST(Vertices, SignedZerosFollowTheConversionAndTheMove) {
    SceneMaker s;
    s.group("hull");
    s.vertex(0, 0, 0);        // -20 * +0 is -0
    s.vertex(-0.0f, -0.0f, -0.0f);
    s.group("wing", {1, 0, 0}); // offset (-0, 0, 20)
    s.vertex(1, 0, 0);          // (-0, 0, 20) - (-0, 0, 20): -0 - -0 is +0
    s.vertex(1, 0.5f, 0);
    s.face({0, 1, 2, 3});
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    constexpr uint32_t neg = 0x80000000u;
    const auto& v = b.model.vertex;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(bits(v[0].position), (Bits3{neg, 0, 0}));
    EXPECT_EQ(bits(v[1].position), (Bits3{0, neg, neg}));
    EXPECT_EQ(bits(b.model.segment[1].offset), (Bits3{neg, 0, bits(20.0f)}));
    EXPECT_EQ(bits(v[2].position), (Bits3{0, 0, 0}));
    EXPECT_EQ(bits(v[3].position), (Bits3{bits(-10.0f), 0, 0}));
}

TEST(Report, WholeBuilderReport) {
    struct Case {
        const char* label;
        SceneMaker scene;
        std::string report;
    };
    std::vector<Case> cases;

    SceneMaker three;
    three.group("hull", {5, 5, 5});
    three.vertex(0, 0, 0);
    three.group("wing", {1, 0, 0});
    three.vertex(0, 0, 0);
    three.group("shield", {0.5f, -2, 1.25f}, 1);
    three.vertex(0, 0, 0);
    three.vertex(0, 0, 0); // unused
    three.face({0, 1, 2});
    // Every segment but the root has its offset line, special segments included.
    cases.push_back({"ThreeSegments", three,
                     kStart + " parent =  0 0 1\n segments:  1 1 2\n chunks:  1 1 2\n"
                              " cmodel = 4, fs model = 3\n"
                              "Soffset 1: -0.000000, 0.000000, 20.000000\n"
                              "Soffset 2: 40.000000, 25.000000, 10.000000\n"});

    SceneMaker one;
    one.group("hull", {1, 2, 3});
    one.vertex(0, 0, 0);
    one.face({0, 0, 0});
    cases.push_back({"OneSegmentHasNoOffsetLine", one,
                     kStart + " parent =  0\n segments:  1\n chunks:  1\n cmodel = 1, fs model = 1\n"});

    SceneMaker fractions;
    fractions.group("hull");
    fractions.group("pod", {0.123456f, -1e-9f, 1000.5f});
    cases.push_back({"SixDecimals", fractions,
                     kStart + " parent =  0 0\n segments:  0 0\n chunks: \n cmodel = 0, fs model = 0\n"
                              "Soffset 1: 0.000000, 20010.000000, 2.469120\n"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Built b = build(c.scene.scene);
        ASSERT_EQ(b.error, "");
        EXPECT_EQ(b.report, c.report);
    }
}
