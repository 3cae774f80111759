// Every table limit of the reader, at the limit and one past it. The large
// scenes are built once for the whole program (support/limit_scenes).
#include "cob/read_scene.h"
#include "support/cob_builder.h"
#include "support/limit_scenes.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace kft;

namespace {

// The counter each limit bounds.
const std::map<std::string, std::function<uint32_t(const kf::Scene&)>> counters = {
    {"vertices", [](const kf::Scene& s) { return s.cob_vcount(); }},
    {"texture_coordinates", [](const kf::Scene& s) { return s.UVcount(); }},
    {"faces", [](const kf::Scene& s) { return s.cob_pcount(); }},
    {"materials", [](const kf::Scene& s) { return s.Matlcount(); }},
    {"sections", [](const kf::Scene& s) { return s.cob_scount(); }},
    {"objects", [](const kf::Scene& s) { return s.chunknum; }},
    {"textures", [](const kf::Scene& s) { return s.n_textures(); }},
};

class Limits : public ::testing::TestWithParam<LimitScene> {};

Polh big(uint32_t n_vertices, uint32_t n_faces) {
    Polh o;
    o.vertices.assign(n_vertices, Point{});
    o.faces.assign(n_faces, Face{});
    return o;
}

} // namespace

TEST_P(Limits, ExactlyTheLimitIsAccepted) {
    const LimitScene& l = GetParam();
    ReadResult r = read_scene(limit_scene_bytes(l.name, l.limit));
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(counters.at(l.name)(r.scene), l.limit);
    EXPECT_TRUE(r.report == reading_line + l.report(l.limit)) << "the report differs";
}

TEST_P(Limits, OneMoreEndsTheRunAndIsNotStored) {
    const LimitScene& l = GetParam();
    ReadResult r = read_scene(limit_scene_bytes(l.name, l.limit + 1));
    EXPECT_EQ(r.error, l.message);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.report == reading_line + l.report(l.limit + 1)) << "the report differs";
    // Tables keep the limit's number of entries; the PolH count is a
    // counter only and reaches 101 as the error is found.
    EXPECT_EQ(counters.at(l.name)(r.scene), l.name == std::string("objects") ? l.limit + 1 : l.limit);
}

INSTANTIATE_TEST_SUITE_P(Reader, Limits, ::testing::ValuesIn(limit_scenes()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Limits, CountsRunOverTheWholeScene) {
    // The vertex and face limits count every object's entries together.
    EXPECT_FALSE(read_scene(CobBuilder().polh(big(10000, 7000)).polh(big(5000, 8000)).end().bytes()).error);
    EXPECT_EQ(read_scene(CobBuilder().polh(big(10000, 0)).polh(big(5001, 0)).end().bytes()).error,
              " Error: Vertices > VEC_MAX");
    EXPECT_EQ(read_scene(CobBuilder().polh(big(0, 7000)).polh(big(0, 8001)).end().bytes()).error,
              " Error: Polygons > POLY_MAX");
}

TEST(Limits, FileCutBeforeTheEntryPastTheLimitIsAReadPastTheEnd) {
    // The limit is found only once the entry past it has been read whole.
    struct Case {
        const char* limit;
        size_t cut; // bytes dropped from the end of the scene one past the limit
    };
    const Case cases[] = {
        {"vertices", 20 + 4 + 4 + 8},   // END, both counts, and 8 bytes of the last vertex
        {"texture_coordinates", 20 + 4 + 4},
        {"faces", 20 + 1},              // END and the last byte of the last face
        {"objects", 20 + 1},
        {"sections", 20 + 1},
        {"materials", 20 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        const LimitScene& l = limit_scene(c.limit);
        const std::vector<uint8_t>& whole = limit_scene_bytes(c.limit, l.limit + 1);
        ReadResult r = read_scene(std::vector<uint8_t>(whole.begin(), whole.end() - static_cast<std::ptrdiff_t>(c.cut)));
        EXPECT_EQ(r.error, past_end);
    }
}
