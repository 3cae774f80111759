// make_example [output]: writes the bundled example scene, a small ship,
// as a binary COB file (by default examples/ship.cob in the source tree).
//
// The scene uses the modeller's axes: x forward, y left, z up. It holds
//   hull      the ship: fuselage with a pointed nose, canopy, two wings, a
//             dorsal fin and two engine nacelles (flat and textured
//             materials, some of them smooth);
//   detail1   a simpler hull for distant views;
//   debris01  a broken wing piece;
//   debris02  a broken piece of the fuselage;
//   shield    a closed ellipsoid of 128 triangles around the ship.
// Every group after the first names the hull group as its parent.
#include "support/cob_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

using kft::Point;

namespace {

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator*(Point a, float s) { return {a.x * s, a.y * s, a.z * s}; }
Point cross(Point a, Point b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Point a, Point b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A material of one object: its number is the position in the object's list.
struct Material {
    char facet = 'f';
    float red = 1, green = 1, blue = 1;
    std::string texture; // empty: a flat colour
};

const Material hull_nose{'s', 0.7f, 0.72f, 0.75f, "D:\\textures\\hull.bmp"};
const Material hull_plate{'f', 0.7f, 0.72f, 0.75f, "D:\\textures\\hull.bmp"};
const Material belly{'f', 0.25f, 0.27f, 0.3f, ""};
const Material canopy_glass{'s', 0.3f, 0.55f, 0.9f, ""};
const Material wing_skin{'f', 0.8f, 0.8f, 0.82f, "D:\\textures\\ships\\wing.bmp"};
const Material red_stripe{'f', 0.8f, 0.1f, 0.1f, ""};
const Material engine_casing{'s', 0.5f, 0.5f, 0.55f, "D:\\textures\\engine.bmp"};
const Material exhaust_glow{'f', 1.0f, 0.55f, 0.1f, ""};
const Material shield_tint{'s', 0.2f, 0.6f, 1.0f, ""};

// One polygon object under construction. Faces are given as convex solids:
// each face's corners in cyclic order, either way round. When a solid is
// closed, every face is turned so that, seen from outside, its corners run
// clockwise: that is how the modeller stores them, and the converter's
// exchange of axes (a mirror) then gives the model outward normals.
class Mesh {
public:
    explicit Mesh(std::string name, Point at = {}) {
        polh_.name = std::move(name);
        polh_.translate(at.x, at.y, at.z);
    }

    uint16_t material(const Material& m) {
        materials_.push_back(m);
        return static_cast<uint16_t>(materials_.size() - 1);
    }

    // Adds a vertex, reusing an earlier one at exactly the same place so
    // that neighbouring faces share their corners.
    int32_t point(Point p) {
        auto key = std::make_pair(std::make_pair(p.x, p.y), p.z);
        auto found = index_.find(key);
        if (found != index_.end()) return found->second;
        auto i = static_cast<int32_t>(polh_.vertices.size());
        polh_.vertices.push_back(p);
        index_.emplace(key, i);
        return i;
    }

    void begin_solid() { solid_first_ = polh_.faces.size(); }

    void face(const std::vector<Point>& corners, uint16_t material) {
        kft::Face f;
        f.material = material;
        for (const Point& c : corners) f.vertices.push_back(point(c));
        polh_.faces.push_back(f);
    }

    // Turns the faces added since begin_solid() clockwise seen from outside,
    // taking the mean of their corners as a point inside the solid, and
    // gives each corner a planar texture coordinate.
    void end_solid() {
        Point inside{};
        size_t n = 0;
        for (size_t f = solid_first_; f < polh_.faces.size(); ++f)
            for (int32_t v : polh_.faces[f].vertices) inside = inside + polh_.vertices[static_cast<size_t>(v)], ++n;
        inside = inside * (1.0f / static_cast<float>(n));
        for (size_t f = solid_first_; f < polh_.faces.size(); ++f) {
            kft::Face& face = polh_.faces[f];
            Point normal = newell_normal(face);
            Point centre{};
            for (int32_t v : face.vertices) centre = centre + polh_.vertices[static_cast<size_t>(v)];
            centre = centre * (1.0f / static_cast<float>(face.vertices.size()));
            if (dot(normal, centre - inside) > 0) std::reverse(face.vertices.begin(), face.vertices.end());
            add_texture_coordinates(face, normal);
        }
    }

    // The object's chunk, followed by one Mat1 chunk per material it uses.
    void emit(kft::CobBuilder& cob) const {
        cob.polh(polh_);
        for (size_t i = 0; i < materials_.size(); ++i) {
            const Material& m = materials_[i];
            kft::Mat1 mat;
            mat.number = static_cast<uint16_t>(i);
            mat.facet = m.facet;
            mat.red = m.red;
            mat.green = m.green;
            mat.blue = m.blue;
            if (!m.texture.empty()) mat.subchunks = kft::sub_t(m.texture);
            cob.mat1(mat);
        }
    }

private:
    Point newell_normal(const kft::Face& face) const {
        Point n{};
        for (size_t i = 0; i < face.vertices.size(); ++i) {
            Point a = polh_.vertices[static_cast<size_t>(face.vertices[i])];
            Point b = polh_.vertices[static_cast<size_t>(face.vertices[(i + 1) % face.vertices.size()])];
            n = n + cross(a, b);
        }
        return n;
    }

    // Projects each corner onto the plane of the face's two minor axes.
    void add_texture_coordinates(kft::Face& face, Point normal) {
        float ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
        face.uvs.clear();
        for (int32_t v : face.vertices) {
            Point p = polh_.vertices[static_cast<size_t>(v)];
            float u = ax >= ay && ax >= az ? p.y : p.x;
            float w = az >= ax && az >= ay ? p.y : p.z;
            face.uvs.push_back(static_cast<int32_t>(polh_.uvs.size()));
            polh_.uvs.emplace_back(u * 0.25f + 0.5f, w * 0.25f + 0.5f);
        }
    }

    kft::Polh polh_;
    std::vector<Material> materials_;
    std::map<std::pair<std::pair<float, float>, float>, int32_t> index_;
    size_t solid_first_ = 0;
};

// A closed prism: the convex polygon `base` and the same polygon moved by
// `depth`, with caps of material `cap` and sides of material `side`.
void prism(Mesh& mesh, const std::vector<Point>& base, Point depth, uint16_t cap, uint16_t side) {
    mesh.begin_solid();
    std::vector<Point> top;
    for (const Point& p : base) top.push_back(p + depth);
    mesh.face(base, cap);
    mesh.face(top, cap);
    for (size_t i = 0; i < base.size(); ++i) {
        size_t j = (i + 1) % base.size();
        mesh.face({base[i], base[j], top[j], top[i]}, side);
    }
    mesh.end_solid();
}

// A ring of n points around the x axis at `x`, radius ry sideways and rz up.
std::vector<Point> ring(float x, int n, float ry, float rz, float z = 0) {
    std::vector<Point> r;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < n; ++i) {
        double a = 2 * pi * (i + 0.5) / n;
        r.push_back({x, static_cast<float>(ry * std::cos(a)), static_cast<float>(z + rz * std::sin(a))});
    }
    return r;
}

// The fuselage: a six-sided body with a pointed nose and a flat tail.
void fuselage(Mesh& mesh, float nose_x, float front_x, float tail_x, float scale, uint16_t nose, uint16_t plate,
              uint16_t under) {
    const std::vector<std::pair<float, float>> profile = {{0, 0.8f},  {0.9f, 0.4f},   {0.9f, -0.4f},
                                                          {0, -0.7f}, {-0.9f, -0.4f}, {-0.9f, 0.4f}};
    std::vector<Point> front, tail;
    for (const auto& [y, z] : profile) {
        front.push_back({front_x, y * scale, z * scale});
        tail.push_back({tail_x, y * scale, z * scale});
    }
    const Point tip{nose_x, 0, 0.1f * scale};
    mesh.begin_solid();
    for (size_t i = 0; i < front.size(); ++i) {
        size_t j = (i + 1) % front.size();
        mesh.face({tip, front[i], front[j]}, nose);
        bool lower = front[i].z < 0 || front[j].z < 0;
        mesh.face({front[i], front[j], tail[j], tail[i]}, lower ? under : plate);
    }
    mesh.face(tail, under);
    mesh.end_solid();
}

// A wing on the left (sign 1) or right (sign -1) side.
void wing(Mesh& mesh, float sign, float span, uint16_t skin, uint16_t edge) {
    const float t = 0.12f;
    std::vector<Point> planform = {
        {1.5f, sign * 0.85f, -t}, {-2.8f, sign * 0.85f, -t}, {-3.2f, sign * span, -t}, {-2.0f, sign * span, -t}};
    mesh.begin_solid();
    std::vector<Point> top;
    for (const Point& p : planform) top.push_back(p + Point{0, 0, 2 * t});
    mesh.face(planform, skin);
    mesh.face(top, skin);
    for (size_t i = 0; i < 4; ++i) {
        size_t j = (i + 1) % 4;
        mesh.face({planform[i], planform[j], top[j], top[i]}, i == 0 ? skin : edge);
    }
    mesh.end_solid();
}

void dorsal_fin(Mesh& mesh, float height, uint16_t skin, uint16_t edge) {
    std::vector<Point> side = {{-0.8f, -0.08f, 0.75f}, {-3.0f, -0.08f, 0.75f}, {-3.4f, -0.08f, height},
                               {-2.4f, -0.08f, height}};
    prism(mesh, side, {0, 0.16f, 0}, skin, edge);
}

// The bounding box centre of a set of points: used as each group's origin.
Point centre_of(const std::vector<Point>& points) {
    Point lo = points.front(), hi = points.front();
    for (const Point& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    return (lo + hi) * 0.5f;
}

// Returns the hull group's chunk id, which the other groups name as parent.
int32_t hull_group(kft::CobBuilder& cob) {
    cob.grou("hull", {0, 0, 0});
    const int32_t id = cob.last_id();

    Mesh body("Fuselage");
    uint16_t nose = body.material(hull_nose), plate = body.material(hull_plate), under = body.material(belly);
    fuselage(body, 6.0f, 2.5f, -3.0f, 1.0f, nose, plate, under);
    body.emit(cob);

    Mesh canopy("Canopy");
    uint16_t glass = canopy.material(canopy_glass);
    canopy.begin_solid();
    const Point front{3.6f, 0, 0.62f}, top{1.6f, 0, 1.15f}, left{1.4f, 0.5f, 0.62f}, right{1.4f, -0.5f, 0.62f};
    canopy.face({front, left, top}, glass);
    canopy.face({front, top, right}, glass);
    canopy.face({left, right, top}, glass);
    canopy.face({front, right, left}, glass);
    canopy.end_solid();
    canopy.emit(cob);

    Mesh wings("Wings");
    uint16_t skin = wings.material(wing_skin), stripe = wings.material(red_stripe);
    wing(wings, 1, 4.2f, skin, stripe);
    wing(wings, -1, 4.2f, skin, stripe);
    dorsal_fin(wings, 2.2f, skin, stripe);
    wings.emit(cob);

    // Both nacelles are built around their own axis and placed by the
    // object's transform.
    for (float side : {1.0f, -1.0f}) {
        Mesh engine(side > 0 ? "EngineLeft" : "EngineRight", {0, side * 0.55f, -0.1f});
        uint16_t casing = engine.material(engine_casing), glow = engine.material(exhaust_glow);
        std::vector<Point> intake = ring(-2.6f, 8, 0.42f, 0.42f), nozzle = ring(-4.6f, 8, 0.36f, 0.36f);
        engine.begin_solid();
        engine.face(intake, casing);
        engine.face(nozzle, glow);
        for (size_t i = 0; i < 8; ++i) {
            size_t j = (i + 1) % 8;
            engine.face({intake[i], intake[j], nozzle[j], nozzle[i]}, casing);
        }
        engine.end_solid();
        engine.emit(cob);
    }
    return id;
}

void detail1_group(kft::CobBuilder& cob, int32_t hull) {
    cob.grou("detail1", {0.5f, 0, 0.5f}, std::nullopt, hull);
    Mesh low("HullLow");
    uint16_t plate = low.material(hull_plate), under = low.material(belly), stripe = low.material(red_stripe);
    fuselage(low, 6.0f, 2.5f, -4.4f, 1.0f, plate, plate, under);
    wing(low, 1, 4.2f, plate, stripe);
    wing(low, -1, 4.2f, plate, stripe);
    dorsal_fin(low, 2.2f, plate, stripe);
    low.emit(cob);
}

void debris_groups(kft::CobBuilder& cob, int32_t hull) {
    // A torn-off outer piece of the left wing.
    const std::vector<Point> wing_piece = {{-1.6f, 2.6f, -0.12f}, {-2.9f, 2.6f, -0.12f}, {-3.2f, 4.2f, -0.12f},
                                           {-2.0f, 4.2f, -0.12f}};
    cob.grou("debris01", centre_of(wing_piece), std::nullopt, hull);
    Mesh piece("WingPiece");
    uint16_t skin = piece.material(wing_skin), stripe = piece.material(red_stripe);
    prism(piece, wing_piece, {0, 0, 0.24f}, skin, stripe);
    piece.emit(cob);

    // A wedge of the rear fuselage, placed by its object transform.
    const Point at{-2.0f, -0.5f, 0};
    cob.grou("debris02", at, std::nullopt, hull);
    Mesh wedge("HullPiece", at);
    uint16_t plate = wedge.material(hull_plate), under = wedge.material(belly);
    prism(wedge, {{0.8f, 0, -0.6f}, {-0.8f, 0, -0.6f}, {0, 0, 0.7f}}, {0, -0.6f, 0}, under, plate);
    wedge.emit(cob);
}

// An ellipsoid around the ship from an octahedron split twice: every
// triangle into four, the new corners pushed out onto the surface.
void shield_group(kft::CobBuilder& cob, int32_t hull) {
    const Point centre{0.7f, 0, 0.6f}, radius{6.2f, 5.0f, 2.4f};
    cob.grou("shield", centre, std::nullopt, hull);

    using Tri = std::vector<Point>;
    const Point axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    std::vector<Tri> tris;
    for (int sx : {0, 1})
        for (int sy : {2, 3})
            for (int sz : {4, 5}) tris.push_back({axes[sx], axes[sy], axes[sz]});
    auto unit = [](Point p) { return p * (1.0f / std::sqrt(dot(p, p))); };
    for (int level = 0; level < 2; ++level) {
        std::vector<Tri> finer;
        for (const Tri& t : tris) {
            Point ab = unit(t[0] + t[1]), bc = unit(t[1] + t[2]), ca = unit(t[2] + t[0]);
            finer.push_back({t[0], ab, ca});
            finer.push_back({ab, t[1], bc});
            finer.push_back({ca, bc, t[2]});
            finer.push_back({ab, bc, ca});
        }
        tris = std::move(finer);
    }

    Mesh mesh("ShieldMesh");
    uint16_t tint = mesh.material(shield_tint);
    mesh.begin_solid();
    for (const Tri& t : tris) {
        Tri placed;
        for (const Point& p : t) placed.push_back(centre + Point{p.x * radius.x, p.y * radius.y, p.z * radius.z});
        mesh.face(placed, tint);
    }
    mesh.end_solid();
    mesh.emit(cob);
}

} // namespace

int main(int argc, char** argv) {
    const std::string output = argc > 1 ? argv[1] : KEELFORGE_SOURCE_DIR "/examples/ship.cob";
    try {
        kft::CobBuilder cob;
        cob.unknown("Unit", 2);
        const int32_t hull = hull_group(cob);
        detail1_group(cob, hull);
        debris_groups(cob, hull);
        shield_group(cob, hull);
        cob.end();
        cob.save(output);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_example: %s\n", e.what());
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return 0;
}
