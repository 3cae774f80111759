#include "support/limit_scenes.h"

#include "keelforge.h"
#include "support/cob_builder.h"
#include "support/cob_report.h"

#include <map>
#include <stdexcept>
#include <utility>

namespace kft {

namespace {

std::string str(uint32_t n) { return std::to_string(n); }

// One object named "Big" with the given numbers of vertices, texture
// coordinates and faces without corners.
std::vector<uint8_t> big_object(uint32_t n_vertices, uint32_t n_uvs, uint32_t n_faces) {
    Polh o;
    o.name = "Big";
    o.vertices.assign(n_vertices, Point{1, 2, 3});
    o.uvs.assign(n_uvs, {0.5f, 0.5f});
    o.faces.assign(n_faces, Face{.material = 1});
    return CobBuilder().polh(o).end().bytes();
}

const std::string polh_head = tag_line("486c6f50") + " Polh... Polh name: Big,0\n";

std::string texture_file(uint32_t i) { return "tex" + str(i) + ".bmp"; }

const std::vector<LimitScene> scenes = {
    {"vertices", kf::VEC_MAX, " Error: Vertices > VEC_MAX", [](uint32_t n) { return big_object(n, 0, 0); },
     [](uint32_t n) {
         if (n > kf::VEC_MAX) return polh_head + "   n_vertix=" + str(n) + "\n Error: Vertices > VEC_MAX";
         return polh_report("Big", n, 0, n, 0, 0, 0) + end_line;
     }},
    {"texture_coordinates", kf::UV_MAX, " Error: UVcount > VEC_MAX*2", [](uint32_t n) { return big_object(0, n, 0); },
     [](uint32_t n) {
         if (n > kf::UV_MAX) return polh_head + "   n_vertix=0\n Error: UVcount > VEC_MAX*2";
         return polh_report("Big", 0, 0, 0, 0, n, 0) + end_line;
     }},
    {"faces", kf::POLY_MAX, " Error: Polygons > POLY_MAX", [](uint32_t n) { return big_object(0, 0, n); },
     [](uint32_t n) {
         if (n > kf::POLY_MAX)
             return polh_head + "   n_vertix=0\n   n_facehole=" + str(n) + "\n Error: Polygons > POLY_MAX";
         return polh_report("Big", 0, n, 0, n, 0, 0) + end_line;
     }},
    // Flat white materials before any object.
    {"materials", kf::MATL_MAX, " Error: Matlcount > MATL_MAX",
     [](uint32_t n) {
         CobBuilder cob;
         for (uint32_t i = 0; i < n; ++i) cob.mat1(Mat1{});
         return cob.end().bytes();
     },
     [](uint32_t n) {
         std::string r;
         for (uint32_t i = 1; i <= n; ++i) r += flat_report(255, 255, 255, i);
         return r + (n > kf::MATL_MAX ? " Error: Matlcount > MATL_MAX" : end_line);
     }},
    // Empty groups g0, g1, ...
    {"sections", kf::SOBJ_MAX, " Error: Sections > SOBJ_MAX",
     [](uint32_t n) {
         CobBuilder cob;
         for (uint32_t i = 0; i < n; ++i) cob.grou("g" + str(i));
         return cob.end().bytes();
     },
     [](uint32_t n) {
         std::string r;
         for (uint32_t i = 0; i < n; ++i) r += grou_report("g" + str(i));
         return r + (n > kf::SOBJ_MAX ? " Error: Sections > SOBJ_MAX" : end_line);
     }},
    // Triangles without a group.
    {"objects", kf::SOBJ_MAX, " Error: chunk number > SOBJ_MAX",
     [](uint32_t n) {
         CobBuilder cob;
         for (uint32_t i = 0; i < n; ++i) cob.polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
         return cob.end().bytes();
     },
     [](uint32_t n) {
         std::string r;
         for (uint32_t i = 1; i <= n && i <= kf::SOBJ_MAX; ++i) r += polh_report("Triangle", 3, 1, 3 * i, i, 3 * i, 0);
         if (n <= kf::SOBJ_MAX) return r + end_line;
         return r + tag_line("486c6f50") +
                " Polh... Polh name: Triangle,0\n   n_vertix=3\n   n_facehole=1\n Error: chunk number > SOBJ_MAX";
     }},
    // Materials naming tex0.bmp, tex1.bmp, ..., then one that names tex0.bmp again.
    {"textures", kf::TEXTURE_MAX, " Error: Textures > TEXTURE_MAX",
     [](uint32_t n) {
         CobBuilder cob;
         for (uint32_t i = 0; i < n; ++i) cob.mat1(Mat1{.subchunks = sub_t(texture_file(i))});
         cob.mat1(Mat1{.subchunks = sub_t(texture_file(0))});
         return cob.end().bytes();
     },
     [](uint32_t n) {
         std::string r;
         for (uint32_t i = 0; i < n && i < kf::TEXTURE_MAX; ++i) r += texture_report(texture_file(i), static_cast<int>(i), i + 1);
         if (n > kf::TEXTURE_MAX)
             return r + mat1_line + " got a t:  " + texture_file(n - 1) + "\n Texture " + str(n - 1) + " = " +
                    texture_file(n - 1) + "\n Error: Textures > TEXTURE_MAX";
         return r + texture_report(texture_file(0), -1, n + 1) + end_line;
     }},
};

} // namespace

const std::vector<LimitScene>& limit_scenes() { return scenes; }

const LimitScene& limit_scene(const std::string& name) {
    for (const LimitScene& s : scenes)
        if (name == s.name) return s;
    throw std::logic_error("no limit scene " + name);
}

const std::vector<uint8_t>& limit_scene_bytes(const std::string& name, uint32_t count) {
    static std::map<std::pair<std::string, uint32_t>, std::vector<uint8_t>> built;
    auto [at, fresh] = built.try_emplace({name, count});
    if (fresh) at->second = limit_scene(name).scene(count);
    return at->second;
}

} // namespace kft
