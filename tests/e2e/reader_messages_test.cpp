// Every message of the reader, end to end: the whole standard output, exit
// status 1, and nothing left in the folder but the input.
#include "support/cob_builder.h"
#include "support/cob_report.h"
#include "support/limit_scenes.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kft;

namespace {

const Polh tri = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});

Polh with_face(Face face) {
    Polh o = tri;
    o.faces = {std::move(face)};
    return o;
}

Polh with_corners(uint16_t corners) {
    Polh o = tri;
    Face f;
    for (uint16_t i = 0; i < corners; ++i) f.vertices.push_back(i % 3);
    o.faces = {f};
    return o;
}

const std::string triangle_head =
    tag_line("486c6f50") + " Polh... Polh name: Triangle,0\n   n_vertix=3\n   n_facehole=1\n";

struct MessageCase {
    const char* name;
    std::vector<uint8_t> scene;
    std::string report; // after " Reading input file...\n"
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

std::vector<MessageCase> message_cases() {
    const std::vector<uint8_t> whole = CobBuilder().grou("hull").end().bytes();
    return {
        {"bin_format", CobBuilder('A').end().bytes(), " Error: the input file needs to be in the bin format.\n"},
        {"short_header", std::vector<uint8_t>(whole.begin(), whole.begin() + 20),
         " Error: unexpected end of the input file"},
        {"no_end_chunk", std::vector<uint8_t>(whole.begin(), whole.end() - 20),
         grou_report("hull") + " Error: unexpected end of the input file"},
        {"negative_size", CobBuilder().chunk("PolH", polh_data(tri), 0, 0, -5).end().bytes(),
         tag_line("486c6f50") + " Error: negative chunk data size"},
        {"polh_past_chunk", CobBuilder().polh(tri, 50).end().bytes(),
         tag_line("486c6f50") + " Polh... Polh name: Triangle,0\n Error: PolH data runs past the end of its chunk"},
        {"mat1_past_chunk", CobBuilder().mat1(Mat1{}, 36).end().bytes(),
         mat1_line + " Error: Mat1 data runs past the end of its chunk"},
        {"grou_past_chunk", CobBuilder().grou("hull", {}, 1, 0, 0, 99).end().bytes(),
         tag_line("756f7247") + " Grou... \nGrou name: hull,0\nhull\n Error: Grou data runs past the end of its chunk"},
        {"corner_vertex", CobBuilder().polh(with_face(Face{.vertices = {0, 1, 3}})).end().bytes(),
         triangle_head + " Error: face corner names a vertex outside its object"},
        {"corner_uv", CobBuilder().polh(with_face(Face{.vertices = {0, 1, 2}, .uvs = {0, 1, -1}})).end().bytes(),
         triangle_head + " Error: face corner names a texture coordinate outside its object"},
        {"corners_over_20", CobBuilder().polh(with_corners(21)).end().bytes(),
         triangle_head + " Error: Polygon points > 20"},
        {"group_after_ungrouped", CobBuilder().polh(tri).grou("late").end().bytes(),
         polh_report("Triangle", 3, 1, 3, 1, 3, 0) + tag_line("756f7247") +
             " Grou... \n Error: need to group all parts or don't group any."},
    };
}

class ReaderMessages : public ::testing::TestWithParam<MessageCase> {};

class ReaderLimits : public ::testing::TestWithParam<LimitScene> {};

} // namespace

TEST_P(ReaderMessages, WholeOutputAndStatus) {
    const MessageCase& c = GetParam();
    RunResult r = run_keelforge(c.scene);
    EXPECT_EQ(r.stdout_text, run_head("scene.cob") + c.report);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.files.empty());
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderMessages, ::testing::ValuesIn(message_cases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_P(ReaderLimits, OnePastTheLimit) {
    const LimitScene& l = GetParam();
    RunResult r = run_keelforge(limit_scene_bytes(l.name, l.limit + 1));
    EXPECT_TRUE(r.stdout_text == run_head("scene.cob") + l.report(l.limit + 1)) << "the output differs";
    EXPECT_EQ(r.stdout_text.substr(r.stdout_text.size() - l.message.size()), l.message);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.files.empty());
}

TEST_P(ReaderLimits, AtTheLimitTheSceneConverts) {
    const LimitScene& l = GetParam();
    RunResult r = run_keelforge(limit_scene_bytes(l.name, l.limit));
    const std::string reader_part = run_head("scene.cob") + l.report(l.limit);
    EXPECT_TRUE(r.stdout_text.substr(0, reader_part.size()) == reader_part) << "the reader's report differs";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderLimits, ::testing::ValuesIn(limit_scenes()),
                         [](const auto& p) { return std::string(p.param.name); });
