#include "support/adversarial.h"

#include "bsp/bsp.h"
#include "model/model.h"
#include "support/cob_builder.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace kft {

namespace {

const std::string DONE = " Done...";

std::vector<uint8_t> one_object(const Polh& object, const Mat1& material) {
    CobBuilder cob;
    cob.polh(object).mat1(material);
    return cob.end().bytes();
}

Mat1 grey() { return flat_material(0, 0.5f, 0.5f, 0.5f); }

// 7500 pairs of opposite points on a sphere; each quadrilateral joins two
// pairs (a, b, -a, -b), a parallelogram centred exactly on the origin.
AdversarialScene one_center() {
    constexpr int32_t PAIRS = 7500, FACES = 15000;
    Polh o;
    o.name = "Star";
    for (int32_t i = 0; i < PAIRS; ++i) {
        // On a grid of 2^-16, so that the corner sums are exact and the centers all exactly zero.
        const double t = 2 * std::numbers::pi * i / PAIRS;
        auto grid = [](double v) { return static_cast<float>(std::round(v * 65536.0) / 65536.0); };
        const Point p{grid(std::cos(t)), grid(std::sin(t)), grid(std::sin(7.0 * t))};
        o.vertices.push_back(p);
        o.vertices.push_back({-p.x, -p.y, -p.z});
    }
    o.uvs = {{0, 0}};
    for (int32_t f = 0; f < FACES; ++f) {
        const int32_t a = f % PAIRS, b = (a + 1 + f / PAIRS) % PAIRS;
        o.faces.push_back(Face{.vertices = {2 * a, 2 * b, 2 * a + 1, 2 * b + 1}});
    }
    return {"one_center", "15000 polygons with one center", one_object(o, grey()), 0, DONE, 0};
}

// A fan of 15000 triangles around one vertex: far past the 255 corners one
// vertex may carry.
AdversarialScene shared_vertex() {
    constexpr int32_t RIM = 14999, FACES = 15000;
    Polh o;
    o.name = "Fan";
    o.vertices.push_back({0, 0, 1});
    for (int32_t i = 0; i < RIM; ++i) {
        const double t = 2 * std::numbers::pi * i / RIM;
        o.vertices.push_back({static_cast<float>(std::cos(t)), static_cast<float>(std::sin(t)), 0});
    }
    o.uvs = {{0, 0}};
    for (int32_t f = 0; f < FACES; ++f)
        o.faces.push_back(Face{.vertices = {0, 1 + f % RIM, 1 + (f + 1) % RIM}});
    return {"shared_vertex", "15000 faces sharing one vertex", one_object(o, grey()), 1,
            " Error: a vertex of segment 0 has more than 255 normals"};
}

float& axis(kf::vec3& v, int a) { return a == 0 ? v.x : a == 1 ? v.y : v.z; }

// One-corner polygons placed so that every sorting node of the tree splits
// off exactly one of them and passes the rest down its back half. The tree's
// box arithmetic is repeated here: the root box spans one point at the origin
// to one near the float maximum on all three axes, each level halves the
// longest side, and the chain ends where a further half would no longer keep
// the origin below its cut. That is about 137 halvings per axis.
AdversarialScene deep_tree() {
    const float far = std::ldexp(1.0f, 123); // 20 * 2^123 model units, exactly
    const kf::vec3 origin{0, 0, 0}, corner{far, -far, far};
    std::vector<kf::vec3> dots = {origin, corner};
    kf::vec3 min = kf::widen_min(kf::scene_to_model(origin));
    kf::vec3 max = kf::root_box_max(kf::scene_to_model(corner));
    for (bool first = true;; first = false) {
        kf::vec3 extent, mid;
        for (int a = 0; a < 3; ++a) {
            const double lo = axis(min, a), hi = axis(max, a);
            axis(extent, a) = static_cast<float>(hi - lo);
            axis(mid, a) = static_cast<float>(lo + (hi - lo) * 0.5);
        }
        const int split = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
        const float cut = axis(mid, split), top = axis(max, split);
        if (!first) {
            // The one polygon for the front half, half way up it.
            kf::vec3 target{0, 0, 0};
            axis(target, split) = static_cast<float>(cut + (static_cast<double>(top) - cut) * 0.5);
            const kf::vec3 scene{static_cast<float>(target.z / 20.0), static_cast<float>(-target.x / 20.0),
                                 static_cast<float>(target.y / 20.0)};
            kf::vec3 back = kf::scene_to_model(scene);
            const float at = axis(back, split);
            if (!(cut > 0) || !(at >= cut && at < top)) break;
            dots.push_back(scene);
        }
        axis(max, split) = cut;
    }
    Polh o;
    o.name = "Spire";
    for (const kf::vec3& d : dots) o.vertices.push_back({d.x, d.y, d.z});
    o.uvs = {{0, 0}};
    for (int32_t i = 0; i < static_cast<int32_t>(dots.size()); ++i) o.faces.push_back(Face{.vertices = {i}});
    const int depth = static_cast<int>(dots.size()) - 1;
    if (depth < 400) throw std::logic_error("the deep tree scene came out shallow");
    return {"deep_tree", "a tree as deep as 32-bit floats allow (" + std::to_string(depth) + " levels)",
            one_object(o, grey()), 0, DONE, depth};
}

// A hull and a shield of 500 triangles: two cones over a ring of 250 points,
// wound so that every edge has its neighbour.
AdversarialScene big_shield() {
    constexpr int32_t RING = 250;
    Polh s;
    s.name = "Shield";
    for (int32_t i = 0; i < RING; ++i) {
        const double t = 2 * std::numbers::pi * i / RING;
        s.vertices.push_back({static_cast<float>(4 * std::cos(t)), static_cast<float>(4 * std::sin(t)), 0});
    }
    s.vertices.push_back({0, 0, 4});
    s.vertices.push_back({0, 0, -4});
    s.uvs = {{0, 0}};
    for (int32_t i = 0; i < RING; ++i) {
        const int32_t j = (i + 1) % RING;
        s.faces.push_back(Face{.vertices = {RING, i, j}});
        s.faces.push_back(Face{.vertices = {RING + 1, j, i}});
    }
    CobBuilder cob;
    cob.grou("hull");
    const int32_t hull = cob.last_id();
    cob.polh(cube(1.0f)).mat1(grey());
    cob.grou("shield", {}, std::nullopt, hull).polh(s).mat1(grey());
    return {"big_shield", "a shield of 500 triangles", cob.end().bytes(), 0, DONE};
}

// 100 groups, each the child of the one before and each holding one cube.
AdversarialScene many_groups() {
    CobBuilder cob;
    int32_t parent = 0;
    for (int g = 0; g < 100; ++g) {
        char name[16];
        std::snprintf(name, sizeof name, "g%03d", g);
        cob.grou(name, {static_cast<float>(g), 0, 0}, std::nullopt, parent);
        parent = cob.last_id();
        Polh o = cube(0.25f);
        o.name = name;
        o.translate(static_cast<float>(g), 0, 0);
        cob.polh(o).mat1(flat_material(0, 0.01f * static_cast<float>(g), 0.5f, 0.5f));
    }
    return {"many_groups", "100 groups with 100 objects", cob.end().bytes(), 0, DONE};
}

// A group name and a texture path of 65535 bytes, the most their 16-bit
// lengths can say.
AdversarialScene long_names() {
    const std::string group(65535, 'g');
    const std::string texture = "D:\\maps\\" + std::string(65535 - 12, 't') + ".bmp";
    CobBuilder cob;
    cob.grou(group).polh(cube(1.0f)).mat1(Mat1{.number = 0, .subchunks = sub_t(texture)});
    return {"long_names", "a group and a texture name of 65535 bytes", cob.end().bytes(), 0, DONE};
}

// A chunk near the end of the file whose header claims 1 GiB of data.
AdversarialScene gigabyte_chunk() {
    CobBuilder cob;
    cob.polh(cube(1.0f)).mat1(grey()).chunk("Blob", std::vector<uint8_t>(16, 0), 0, 0, 1 << 30);
    return {"gigabyte_chunk", "a 1 GiB data_size on an unknown chunk near the end", cob.end().bytes(), 1,
            " Error: unexpected end of the input file"};
}

AdversarialScene coordinates(const std::string& name, const std::string& what, float value, int status,
                             const std::string& last_line) {
    Polh o = triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    o.vertices.push_back({value, -value, value});
    o.faces.push_back(Face{.vertices = {0, 3, 1}});
    return {name, what, one_object(o, grey()), status, last_line};
}

} // namespace

const std::vector<AdversarialScene>& adversarial_scenes() {
    static const std::vector<AdversarialScene> scenes = [] {
        const std::string not_finite = " Error: a vertex of segment 0 is not a finite point";
        return std::vector<AdversarialScene>{
            one_center(),
            shared_vertex(),
            deep_tree(),
            big_shield(),
            many_groups(),
            long_names(),
            gigabyte_chunk(),
            coordinates("coordinates_1e30", "coordinates of 1e30", 1e30f, 0, DONE),
            coordinates("coordinates_infinite", "coordinates of infinity", std::numeric_limits<float>::infinity(),
                        1, not_finite),
            coordinates("coordinates_nan", "coordinates of NaN", std::numeric_limits<float>::quiet_NaN(), 1,
                        not_finite),
        };
    }();
    return scenes;
}

} // namespace kft
