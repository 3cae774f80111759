// The pofinfo program: its arguments, the summary, the opcode tree, the JSON
// and the preview picture, run as a user would run them.
#include "fixtures.h"

#include "pofinfo/pofread.h"
#include "pofinfo/preview.h"
#include "pofinfo/report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

using namespace kft;
using namespace pft;

namespace {

// One red triangle in a group named wing.
std::vector<uint8_t> small_model() {
    return convert(CobBuilder()
                       .grou("wing")
                       .polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}))
                       .mat1(flat_material(0, 1, 0, 0))
                       .end()
                       .bytes());
}

std::vector<uint8_t> damaged_model() {
    auto pof = small_model();
    put_i32(pof, 4, 7); // the version
    return pof;
}

} // namespace

TEST(Cli, SummaryOfSmallModel) {
    const auto pof = small_model();
    const PofinfoRun r = run_pofinfo({"{file}"}, pof);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string path = r.out.substr(6, r.out.find(',') - 6); // the temporary file's name
    EXPECT_EQ(r.out, "file: " + path + ", 465 bytes, POF version 2116\n"
                     "chunks: 3\n"
                     "  HDR2 at byte        8,      108 bytes\n"
                     "  OBJ2 at byte      124,      292 bytes\n"
                     "  PINF at byte      424,       33 bytes\n"
                     "model: radius 20.000, box (-20.000, 0.000, 0.000) to (0.000, 0.000, 20.000)\n"
                     "subobjects: 1\n"
                     "    #  name  parent  offset                                    radius   verts   norms   polys  nodes  leaves  depth\n"
                     "    0  wing      -1  (0.000, 0.000, 0.000)                     20.000       3       3       1      0       1      0\n"
                     "detail levels: 1: 0 (wing)\n"
                     "debris: 0\n"
                     "textures: 0\n"
                     "shield: none\n"
                     "info: Keelforge2 Version 0.01 10-23-99\n"
                     "warnings: 0\n"
                     "valid\n");
}

TEST(Cli, TreeOfSmallModel) {
    const PofinfoRun r = run_pofinfo({"--tree", "{file}"}, small_model());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "subobject 0 \"wing\", parent -1: model data at byte 224, 200 bytes (offsets below count from there)\n"
                     "  @0 OP_DEFPOINTS size 96: 3 points, 3 normals\n"
                     "  @96 OP_BOUNDBOX: (-20.000, 0.000, 0.000) to (-0.000, 0.000, 20.000)\n"
                     "  @128 OP_FLATPOLY size 56: 3 corners, colour #ff0000, points 0 1 2\n"
                     "  @184 OP_EOF\n"
                     "  @192 OP_EOF\n");
}

TEST(Cli, TreeNestsTheSortingNodes) {
    const PofinfoRun r = run_pofinfo({"--tree", "{file}"}, convert(rich_scene()));
    EXPECT_EQ(r.status, 0);
    // The hull's root node, then its front list one level deeper.
    const size_t root = r.out.find("\n  @");
    ASSERT_NE(root, std::string::npos);
    const size_t node = r.out.find("OP_SORTNORM: split normal");
    ASSERT_NE(node, std::string::npos);
    const size_t line_end = r.out.find('\n', node);
    EXPECT_EQ(r.out.substr(line_end + 1, 11), "    front:\n");
    EXPECT_EQ(r.out.substr(line_end + 12, 7), "      @");
    for (const char* list : {"back:", "prelist:", "postlist:", "online:"}) EXPECT_NE(r.out.find(list), std::string::npos);
    EXPECT_NE(r.out.find("texture 0 (plate)"), std::string::npos);
    EXPECT_NE(r.out.find("texture 7 (no TXTR entry)"), std::string::npos);
}

TEST(Cli, TreeIndentStaysBoundedForDeepTrees) {
    const PofinfoRun r = run_pofinfo({"--tree", "{file}"}, deep_tree_pof(300));
    EXPECT_EQ(r.status, 0);
    size_t longest = 0;
    for (size_t start = 0, end; (end = r.out.find('\n', start)) != std::string::npos; start = end + 1)
        longest = std::max(longest, end - start);
    EXPECT_LT(longest, 250u);
    EXPECT_NE(r.out.find("[300] front:\n"), std::string::npos);
}

TEST(Cli, JsonParsesBackToTheSameModel) {
    const auto pof = convert(rich_scene());
    const pofread::Model m = pofread::parse(pof);
    const PofinfoRun r = run_pofinfo({"--json", "{file}"}, pof);
    EXPECT_EQ(r.status, 0);
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["size"], pof.size());
    EXPECT_EQ(j["version"], 2116);
    EXPECT_EQ(j["valid"], true);
    EXPECT_TRUE(j["problem"].is_null());
    EXPECT_EQ(j["chunks"].size(), m.chunks.size());
    EXPECT_EQ(j["textures"], nlohmann::json({"plate", "gun"}));
    EXPECT_EQ(j["detail_levels"], nlohmann::json({0, 3}));
    EXPECT_EQ(j["debris"], nlohmann::json({4}));
    EXPECT_EQ(j["shield"]["faces"], 4);
    EXPECT_EQ(j["shield"]["open_edges"], 0);
    EXPECT_EQ(j["info"], "Keelforge2 Version 0.01 10-23-99\n");
    ASSERT_EQ(j["subobjects"].size(), m.subobjects.size());
    for (size_t i = 0; i < m.subobjects.size(); ++i) {
        const auto& s = j["subobjects"][i];
        EXPECT_EQ(s["name"], m.subobjects[i].name);
        EXPECT_EQ(s["parent"], m.subobjects[i].parent);
        EXPECT_EQ(s["polygons"], m.subobjects[i].polygons.size());
        EXPECT_EQ(s["bsp_nodes"], m.subobjects[i].bsp_nodes);
        EXPECT_EQ(s["offset"][1], m.subobjects[i].offset.y);
    }
    EXPECT_EQ(j["warnings"].size(), 1u);
}

TEST(Cli, JsonOfDamagedFileNamesTheProblem) {
    const PofinfoRun r = run_pofinfo({"--json", "{file}"}, damaged_model());
    EXPECT_EQ(r.status, 1);
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["valid"], false);
    EXPECT_EQ(j["problem"]["offset"], 4);
    EXPECT_EQ(j["problem"]["message"], "format version 7, expected 2116");
}

namespace {

struct BadCall {
    const char* name;
    std::vector<std::string> args;
    const char* err; // start of the error text
};

const BadCall bad_calls[] = {
    {"NoArguments", {}, "usage: pofinfo"},
    {"OnlyAnOption", {"--tree"}, "usage: pofinfo"},
    {"UnknownOption", {"--bogus", "{file}"}, "usage: pofinfo"},
    {"PngWithoutFile", {"--png", "{file}"}, "usage: pofinfo"},
    {"TwoFiles", {"{file}", "{file}"}, "usage: pofinfo"},
    {"MissingFile", {"/nonexistent/model.pof"}, "pofinfo: cannot read /nonexistent/model.pof"},
    {"PngIntoMissingFolder", {"--png", "/nonexistent/out.png", "{file}"}, "pofinfo: cannot create /nonexistent/out.png"},
};

void PrintTo(const BadCall& c, std::ostream* os) { *os << c.name; }

class CliBadCall : public ::testing::TestWithParam<BadCall> {};

} // namespace

TEST_P(CliBadCall, EndsWithStatusOne) {
    const PofinfoRun r = run_pofinfo(GetParam().args, small_model());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(GetParam().err, 0), 0u) << r.err;
    EXPECT_TRUE(r.png.empty());
}

INSTANTIATE_TEST_SUITE_P(Calls, CliBadCall, ::testing::ValuesIn(bad_calls),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Cli, DamagedFileFailsInEveryMode) {
    const auto pof = damaged_model();
    for (const auto& args : std::vector<std::vector<std::string>>{{"{file}"}, {"--tree", "{file}"}, {"--png", "{png}", "{file}"}}) {
        const PofinfoRun r = run_pofinfo(args, pof);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.out.find("invalid: at byte 4 (0x4): format version 7, expected 2116\n"), std::string::npos) << r.out;
        EXPECT_TRUE(r.png.empty());
    }
}

namespace {

struct Picture {
    png_image image{};
    std::vector<uint8_t> rgb;

    explicit Picture(const std::vector<uint8_t>& png) {
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return;
        image.format = PNG_FORMAT_RGB;
        rgb.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) rgb.clear();
    }
    const uint8_t* at(int x, int y) const {
        return &rgb[(static_cast<size_t>(y) * image.width + static_cast<size_t>(x)) * 3];
    }
};

// Centre of the pixels of one colour in a panel, leaving out the corner
// that holds the axis cross.
struct Spot {
    double x = 0, y = 0;
    int count = 0;
};

enum Hue { RED, GREEN, BLUE, GREY, EDGE_RED };

Spot find(const Picture& p, int panel, Hue hue) {
    const pofinfo::PanelRect r = pofinfo::preview_panel(panel);
    Spot s;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x) {
            if (x < 80 && y > r.height - 80) continue;
            const uint8_t* c = p.at(r.x + x, r.y + y);
            const int red = c[0], green = c[1], blue = c[2];
            bool match = false;
            switch (hue) {
            case RED: match = red > green + 40 && red > blue + 40; break;
            case GREEN: match = green > red + 40 && green > blue + 40; break;
            case BLUE: match = blue > red + 40 && blue > green + 40; break;
            case GREY: match = red > 30 && std::abs(red - green) < 4 && std::abs(red - blue) < 4; break;
            case EDGE_RED: match = red > 180 && green < 120 && blue < 120; break;
            }
            if (!match) continue;
            s.x += x;
            s.y += y;
            ++s.count;
        }
    if (s.count > 0) {
        s.x /= s.count;
        s.y /= s.count;
    }
    return s;
}

// Four coloured blocks in subobjects: a grey hull at the origin, a red mast
// above it (model +y), a green yard on the mast reaching out to the right
// (model +x; its offset in the file is relative to the mast) and a blue bow
// ahead (model +z). The scene's axes: x forward, y left, z up.
std::vector<uint8_t> marker_model() {
    CobBuilder cob;
    cob.grou("hull");
    const int32_t hull = cob.last_id();
    cob.polh(cube(0.25f)).mat1(flat_material(0, 0.6f, 0.6f, 0.6f));
    cob.grou("mast", {0, 0, 2}, std::nullopt, hull);
    const int32_t mast = cob.last_id();
    cob.polh(cube_at({0, 0, 2}, 0.25f)).mat1(flat_material(0, 1, 0, 0));
    cob.grou("yard", {0, -2, 2}, std::nullopt, mast);
    cob.polh(cube_at({0, -2, 2}, 0.25f)).mat1(flat_material(0, 0, 1, 0));
    cob.grou("bow", {2, 0, 0}, std::nullopt, hull);
    cob.polh(cube_at({2, 0, 0}, 0.25f)).mat1(flat_material(0, 0, 0, 1));
    return convert(cob.end().bytes());
}

} // namespace

TEST(CliPreview, WritesAPngOfTheExpectedSize) {
    const auto pof = convert(rich_scene());
    const PofinfoRun r = run_pofinfo({"--png", "{png}", "{file}"}, pof);
    EXPECT_EQ(r.status, 0) << r.err;
    const pofinfo::ImageSize size = pofinfo::preview_size(pofread::parse(pof));
    EXPECT_EQ(size.width, 992);
    EXPECT_EQ(size.height, 758);
    EXPECT_NE(r.out.find("(992 x 758)"), std::string::npos) << r.out;
    const Picture picture(r.png);
    ASSERT_FALSE(picture.rgb.empty()) << "not a readable PNG";
    EXPECT_EQ(picture.image.width, 992u);
    EXPECT_EQ(picture.image.height, 758u);
}

TEST(CliPreview, LegendGrowsWithTheTextures) {
    // Six textures and one texture number without entry: two legend rows
    // of four instead of one.
    CobBuilder cob;
    Polh o = cube();
    for (size_t f = 0; f < 6; ++f) o.faces[f].material = static_cast<uint16_t>(f);
    cob.polh(o);
    for (uint16_t t = 0; t < 6; ++t) cob.mat1(textured_material(t, "t" + std::to_string(t) + ".bmp"));
    cob.polh(triangle({0, 0, 2}, {1, 0, 2}, {0, 1, 2}, 8)); // a texture number without entry
    const pofread::Model m = pofread::parse(convert(cob.end().bytes()));
    ASSERT_TRUE(m.ok) << m.problem;
    EXPECT_EQ(pofinfo::preview_size(m).height, 758 + 14);
}

TEST(CliPreview, ModelIsRightWayUpWithPartsInPlace) {
    const PofinfoRun r = run_pofinfo({"--png", "{png}", "{file}"}, marker_model());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Picture p(r.png);
    ASSERT_FALSE(p.rgb.empty());

    // Nearer blocks hide farther ones, so each view measures against a block
    // it can see in line with the hull.
    // Front view, from +z (the bow hides the hull): up is up, and the
    // model's right (+x) is on the viewer's left.
    {
        const Spot bow = find(p, 0, BLUE), mast = find(p, 0, RED), yard = find(p, 0, GREEN);
        ASSERT_GT(bow.count, 20);
        ASSERT_GT(mast.count, 20);
        ASSERT_GT(yard.count, 20);
        EXPECT_LT(mast.y, bow.y - 30);
        EXPECT_NEAR(mast.x, bow.x, 3);
        EXPECT_NEAR(yard.y, mast.y, 3); // the yard hangs on the mast, not at its own offset alone
        EXPECT_LT(yard.x, mast.x - 30);
    }
    // Right side, from +x (the yard hides the mast): forward (+z) to the right, up is up.
    {
        const Spot hull = find(p, 1, GREY), yard = find(p, 1, GREEN), bow = find(p, 1, BLUE);
        ASSERT_GT(hull.count, 20);
        ASSERT_GT(bow.count, 20);
        EXPECT_GT(bow.x, hull.x + 30);
        EXPECT_NEAR(bow.y, hull.y, 3);
        EXPECT_LT(yard.y, hull.y - 30);
        EXPECT_NEAR(yard.x, hull.x, 3);
    }
    // Top, from +y (the mast hides the hull): forward up, the model's right on the right.
    {
        const Spot mast = find(p, 2, RED), yard = find(p, 2, GREEN), bow = find(p, 2, BLUE);
        ASSERT_GT(mast.count, 20);
        EXPECT_LT(bow.y, mast.y - 30);
        EXPECT_NEAR(bow.x, mast.x, 3);
        EXPECT_GT(yard.x, mast.x + 30);
        EXPECT_NEAR(yard.y, mast.y, 3);
    }
}

TEST(CliPreview, ShieldPanelShowsOpenEdgesInRed) {
    auto open = convert(CobBuilder().grou("hull").polh(cube()).grou("shield").polh(triangle({0, 0, 0}, {2, 0, 0}, {0, 2, 0}))
                            .end().bytes());
    const PofinfoRun r = run_pofinfo({"--png", "{png}", "{file}"}, open);
    ASSERT_EQ(r.status, 0);
    const Picture p(r.png);
    ASSERT_FALSE(p.rgb.empty());
    EXPECT_GT(find(p, 4, EDGE_RED).count, 50);

    const PofinfoRun closed = run_pofinfo({"--png", "{png}", "{file}"}, convert(rich_scene()));
    const Picture q(closed.png);
    ASSERT_FALSE(q.rgb.empty());
    EXPECT_EQ(find(q, 4, EDGE_RED).count, 0);
}
