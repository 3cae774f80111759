// make_corpus [FOLDER [SCENE.cob ...]]: writes fuzzer seeds into FOLDER:
// scenes into convert/ and, for each scene that converts, its model into
// pofread/. Without SCENE arguments it writes the committed seeds (by default
// into fuzz/corpus in the source tree): small binary COB scenes that between
// them reach every chunk kind, sub-chunk, role and error path of the
// converter, and the bundled example. With them it writes just those scenes;
// scripts/fuzz adds the real scenes this way.
#include "cob/reader.h"
#include "model/model.h"
#include "pof/pof.h"
#include "support/cob_builder.h"
#include "support/files.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace kft;
namespace fs = std::filesystem;

namespace {

Polh tetrahedron(float r) {
    Polh o;
    o.name = "Shield";
    o.vertices = {{r, r, r}, {-r, -r, r}, {-r, r, -r}, {r, -r, -r}};
    o.uvs = {{0, 0}};
    o.faces = {Face{.vertices = {0, 1, 2}}, Face{.vertices = {0, 3, 1}}, Face{.vertices = {0, 2, 3}},
               Face{.vertices = {1, 3, 2}}};
    return o;
}

Polh moved(Polh o, float x, float y, float z) {
    o.translate(x, y, z);
    return o;
}

Mat1 textured(uint16_t number, const std::string& path, char facet = 'f') {
    return Mat1{.number = number, .facet = facet, .subchunks = sub_t(path, 0.1f, 0.2f, 2, 3)};
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> scenes() {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    auto add = [&](const std::string& name, CobBuilder& cob) { out.emplace_back(name, cob.bytes()); };

    {
        CobBuilder cob;
        cob.polh(triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0})).mat1(flat_material(0, 1, 0.5f, 0)).end();
        add("triangle", cob);
    }
    {
        Polh body = cube(1.0f, 0);
        for (size_t f = 3; f < 6; ++f) body.faces[f].material = 1;
        body.faces.push_back(Face{.vertices = {0, 1, 2}, .hole = true});
        CobBuilder cob;
        cob.unknown("Unit", 2);
        cob.polh(body).mat1(textured(0, "D:\\maps\\plate.bmp", 's')).mat1(flat_material(1, 0.8f, 0.2f, 0.1f, 's'));
        cob.end();
        add("smooth_cube", cob);
    }
    {
        // Every group role, parents through chunk ids, a child of the shield.
        CobBuilder cob;
        cob.grou("hull", {}, 1, 0);
        cob.polh(cube(1.0f)).mat1(textured(0, "D:\\maps\\hull.bmp"));
        cob.grou("turret", {0, 0, 1.5f}, 2, 1);
        cob.polh(moved(cube(0.4f), 0, 0, 1.5f)).mat1(flat_material(0, 0.3f, 0.3f, 0.3f));
        cob.grou("detail1", {}, 3, 0);
        cob.polh(cube(0.9f)).mat1(flat_material(0, 0.5f, 0.5f, 0.5f));
        cob.grou("debris01", {0, 3, 0}, 4, 1);
        cob.polh(triangle({0, 3, 0}, {1, 3, 0}, {0, 3, 1})).mat1(textured(0, "plate.tga"));
        cob.grou("shield", {0, 0, 0.5f}, 5, 1);
        cob.polh(tetrahedron(3.0f)).mat1(flat_material(0, 0.2f, 0.6f, 1.0f));
        cob.grou("fin", {-1, 0, 1.2f}, 6, 5);
        cob.polh(triangle({-1, 0, 1}, {-1.5f, 0, 1}, {-1, 0, 1.6f}));
        cob.end();
        add("roles", cob);
    }
    {
        // Sub-chunks of every kind, an unknown marker, two objects in one group.
        CobBuilder cob;
        cob.grou("", {}, 1, 0);
        cob.polh(cube(1.0f, 2));
        cob.unknown("OLay", 12);
        cob.mat1(Mat1{.number = 2,
                      .subchunks = concat({sub_e("D:\\env\\sky.bmp"), sub_b(), {'?', '?'}, sub_t("D:\\t.dir\\hull")})});
        Polh disc;
        disc.name = "Disc";
        Face f{.material = 0};
        for (int i = 0; i < 20; ++i) {
            disc.vertices.push_back({static_cast<float>(i % 5), static_cast<float>(i / 5), 0});
            f.vertices.push_back(i);
        }
        disc.uvs = {{0.5f, 0.5f}};
        disc.faces = {f, Face{}};
        cob.polh(disc).mat1(Mat1{.number = 0, .subchunks = sub_e("x.bmp")});
        cob.end();
        add("subchunks", cob);
    }
    {
        // Far from the origin, where the box margin is lost to rounding.
        CobBuilder cob;
        cob.polh(moved(cube(1.0f), 5000, -5000, 1638.4f)).mat1(flat_material(0, 1, 1, 1));
        cob.end();
        add("far", cob);
    }
    {
        // Objects without groups, the second one's corners counted from its own first vertex.
        CobBuilder cob;
        cob.polh(triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0}, 1)).mat1(flat_material(1, 0, 0, 1));
        cob.polh(cube(0.5f)).mat1(textured(0, "a\\b\\c.bmp"));
        cob.end();
        add("ungrouped", cob);
    }
    {
        // Refused: an object before the first group.
        CobBuilder cob;
        cob.polh(triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0})).grou("late").end();
        add("mixed_grouping", cob);
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(KEELFORGE_SOURCE_DIR) / "fuzz" / "corpus";
    try {
        fs::create_directories(folder / "convert");
        fs::create_directories(folder / "pofread");
        std::vector<fs::path> given(argv + std::min(argc, 2), argv + argc);
        std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds;
        if (given.empty()) {
            seeds = scenes();
            given.push_back(fs::path(KEELFORGE_SOURCE_DIR) / "examples" / "ship.cob");
        }
        for (const fs::path& scene : given) seeds.emplace_back(scene.stem().string(), read_file(scene.string()));
        FILE* quiet = discard_report();
        for (const auto& [name, bytes] : seeds) {
            write_file((folder / "convert" / (name + ".cob")).string(), bytes);
            try {
                kf::Scene scene;
                kf::read_cob_file(bytes, scene, quiet);
                kf::Model model;
                kf::build_model(scene, model, quiet);
                write_file((folder / "pofread" / (name + ".pof")).string(), kf::assemble_pof(model, quiet));
            } catch (const kf::Fatal&) {
                // Scenes that are refused seed the converter only.
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
