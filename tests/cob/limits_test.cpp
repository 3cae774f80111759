// Every table limit of the reader, at the limit and one past it. The large
// scenes are built once for the whole program.
#include "cob/read_scene.h"
#include "support/cob_builder.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace kft;

namespace {

Polh points(uint32_t n_vertices, uint32_t n_uvs, uint32_t n_faces) {
    Polh o;
    o.name = "Big";
    o.vertices.assign(n_vertices, Point{1, 2, 3});
    o.uvs.assign(n_uvs, {0.5f, 0.5f});
    o.faces.assign(n_faces, Face{.material = 1}); // faces without corners
    return o;
}

std::vector<uint8_t> one_object(uint32_t n_vertices, uint32_t n_uvs, uint32_t n_faces) {
    return CobBuilder().polh(points(n_vertices, n_uvs, n_faces)).end().bytes();
}

std::vector<uint8_t> materials(uint32_t count) {
    CobBuilder cob;
    for (uint32_t i = 0; i < count; ++i) cob.mat1(Mat1{});
    return cob.end().bytes();
}

// `distinct` materials, each naming a texture of its own, then one that
// repeats the first name.
std::vector<uint8_t> textures(uint32_t distinct) {
    CobBuilder cob;
    for (uint32_t i = 0; i < distinct; ++i) cob.mat1(Mat1{.subchunks = sub_t("tex" + std::to_string(i) + ".bmp")});
    cob.mat1(Mat1{.subchunks = sub_t("tex0.bmp")});
    return cob.end().bytes();
}

std::vector<uint8_t> groups(uint32_t count) {
    CobBuilder cob;
    for (uint32_t i = 0; i < count; ++i) cob.grou("g" + std::to_string(i));
    return cob.end().bytes();
}

std::vector<uint8_t> objects(uint32_t count) {
    CobBuilder cob;
    for (uint32_t i = 0; i < count; ++i) cob.polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
    return cob.end().bytes();
}

std::string tail(const std::string& s, size_t n) { return s.size() < n ? s : s.substr(s.size() - n); }

struct Limit {
    const char* name;
    std::vector<uint8_t> (*scene)(uint32_t count); // a scene with `count` entries
    uint32_t limit;
    std::string message;
    std::string tail_at_error; // the report's last text before the message
    uint32_t (*count)(const kf::Scene&);
};

// One past the limit, also split over two objects for the per-scene counts.
const Limit limits[] = {
    {"vertices", [](uint32_t n) { return one_object(n, 0, 0); }, kf::VEC_MAX, " Error: Vertices > VEC_MAX",
     "   n_vertix=15001\n", [](const kf::Scene& s) { return s.cob_vcount(); }},
    {"texture coordinates", [](uint32_t n) { return one_object(0, n, 0); }, kf::UV_MAX, " Error: UVcount > VEC_MAX*2",
     "   n_vertix=0\n", [](const kf::Scene& s) { return s.UVcount(); }},
    {"faces", [](uint32_t n) { return one_object(0, 0, n); }, kf::POLY_MAX, " Error: Polygons > POLY_MAX",
     "   n_facehole=15001\n", [](const kf::Scene& s) { return s.cob_pcount(); }},
    {"materials", materials, kf::MATL_MAX, " Error: Matlcount > MATL_MAX", " Matlcount = 3001\n",
     [](const kf::Scene& s) { return s.Matlcount(); }},
    {"sections", groups, kf::SOBJ_MAX, " Error: Sections > SOBJ_MAX", "Grou name: g100,0\ng100\n",
     [](const kf::Scene& s) { return s.cob_scount(); }},
    {"objects", objects, kf::SOBJ_MAX, " Error: chunk number > SOBJ_MAX", "   n_facehole=1\n",
     [](const kf::Scene& s) { return s.chunknum; }},
    {"textures", textures, kf::TEXTURE_MAX, " Error: Textures > TEXTURE_MAX",
     " got a t:  tex100.bmp\n Texture 100 = tex100.bmp\n", [](const kf::Scene& s) { return s.n_textures(); }},
};

// The scenes are large: each is built once and shared by the tests below.
const std::vector<uint8_t>& scene_of(const Limit& l, uint32_t count) {
    static std::map<std::pair<std::string, uint32_t>, std::vector<uint8_t>> built;
    auto [at, fresh] = built.try_emplace({l.name, count});
    if (fresh) at->second = l.scene(count);
    return at->second;
}

const Limit& limit_named(const std::string& name) {
    for (const Limit& l : limits)
        if (name == l.name) return l;
    throw std::logic_error("no limit " + name);
}

class Limits : public ::testing::TestWithParam<Limit> {};

} // namespace

TEST_P(Limits, ExactlyTheLimitIsAccepted) {
    const Limit& l = GetParam();
    ReadResult r = read_scene(scene_of(l, l.limit));
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(l.count(r.scene), l.limit);
    EXPECT_EQ(tail(r.report, end_line.size()), end_line);
}

TEST_P(Limits, OneMoreEndsTheRunAndIsNotStored) {
    const Limit& l = GetParam();
    ReadResult r = read_scene(scene_of(l, l.limit + 1));
    EXPECT_EQ(r.error, l.message);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(tail(r.report, l.tail_at_error.size() + l.message.size()), l.tail_at_error + l.message);
    // The PolH count is a counter, not a table: it reaches 101 as the error is found.
    if (std::string(l.name) != "objects") {
        EXPECT_EQ(l.count(r.scene), l.limit);
    }
}

INSTANTIATE_TEST_SUITE_P(Reader, Limits, ::testing::ValuesIn(limits), [](const auto& p) {
    std::string name = p.param.name;
    for (char& c : name)
        if (c == ' ') c = '_';
    return name;
});

TEST(Limits, CountsRunOverTheWholeScene) {
    // The vertex limit counts every object's vertices together.
    ReadResult r = read_scene(CobBuilder().polh(points(10000, 0, 0)).polh(points(5000, 0, 0)).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    r = read_scene(CobBuilder().polh(points(10000, 0, 0)).polh(points(5001, 0, 0)).end().bytes());
    EXPECT_EQ(r.error, " Error: Vertices > VEC_MAX");
    // So does the face limit.
    r = read_scene(CobBuilder().polh(points(0, 0, 7000)).polh(points(0, 0, 8001)).end().bytes());
    EXPECT_EQ(r.error, " Error: Polygons > POLY_MAX");
}

TEST(Limits, RepeatedTextureNameDoesNotCountWhenTheTableIsFull) {
    // textures(100) ends with a material that repeats the first name.
    ReadResult r = read_scene(scene_of(limit_named("textures"), kf::TEXTURE_MAX));
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.scene.n_textures(), kf::TEXTURE_MAX);
    EXPECT_EQ(r.scene.Matlcount(), kf::TEXTURE_MAX + 1);
    const std::string last = mat1_line + " got a t:  tex0.bmp\n Matlcount = 101\n" + end_line;
    EXPECT_EQ(tail(r.report, last.size()), last);
}

TEST(Limits, FileCutBeforeTheEntryPastTheLimitIsAReadPastTheEnd) {
    // The limit is found only once the entry past it has been read whole.
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t cut; // bytes dropped from the end
    };
    const Case cases[] = {
        {"last vertex cut", scene_of(limit_named("vertices"), kf::VEC_MAX + 1), 20 + 4 + 4 + 8},
        {"last texture coordinate cut", scene_of(limit_named("texture coordinates"), kf::UV_MAX + 1), 20 + 4 + 4},
        {"last face cut", scene_of(limit_named("faces"), kf::POLY_MAX + 1), 20 + 1},
        {"last object cut", scene_of(limit_named("objects"), kf::SOBJ_MAX + 1), 20 + 1},
        {"last group cut", scene_of(limit_named("sections"), kf::SOBJ_MAX + 1), 20 + 1},
        {"last material cut", scene_of(limit_named("materials"), kf::MATL_MAX + 1), 20 + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = read_scene(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end() - static_cast<long>(c.cut)));
        EXPECT_EQ(r.error, past_end);
    }
}
