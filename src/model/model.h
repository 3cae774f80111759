// The model tables: the converted scene in model units, ready for the writer.
#pragma once

#include "cob/scene.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kf {

struct Segment {
    std::string name;
    int32_t parent = -1; // parent segment, or -1 for none
    vec3 offset;         // absolute origin in model units
};

struct ModelVertex {
    vec3 position;       // model units, relative to its segment's offset
    int32_t segment = 0;
    uint32_t n_norms = 0; // entries this vertex owns in model_normal
};

struct ModelPoly {
    uint32_t n_points = 0;
    int32_t color_or_texture = 0;
    int32_t facet = 0; // 's' marks a smooth polygon
    int32_t segment = 0;
    PolyKind type = POLY_TMAPPED;
    vec3 center;
    vec3 normal;
    float radius = 0.0f;
    std::array<uint16_t, POINTS_MAX> vertex{};
    std::array<uint32_t, POINTS_MAX> normal_index{};
    std::array<float, POINTS_MAX> u{};
    std::array<float, POINTS_MAX> v{};
};

// `segment` always holds entry 0 (the root, offset 0 and parent -1), also
// when the scene has no section; Scount says how many segments are real.
struct Model {
    uint32_t Scount = 0; // segments made from the scene's sections (0 when it has none)
    std::vector<Segment> segment = std::vector<Segment>(1);
    std::vector<int32_t> debris_list;
    std::vector<int32_t> detail_list;
    int32_t shield_segment = 0; // 0 when there is none
    std::vector<ModelVertex> vertex;
    std::vector<vec3> model_normal; // one per polygon corner, grouped by vertex
    std::vector<ModelPoly> model_poly;
    // Carried over from the scene for the writer, which reads nothing else:
    std::vector<std::string> texture_name; // texture paths, by texture number
    uint32_t chunknum = 0;                 // PolH chunks the scene held

    uint32_t Vcount() const { return static_cast<uint32_t>(vertex.size()); }
    uint32_t Pcount() const { return static_cast<uint32_t>(model_poly.size()); }
    uint32_t n_normals() const { return static_cast<uint32_t>(model_normal.size()); }
};

// Scratch of the builder, one entry per scene vertex.
struct VertexUse {
    std::vector<uint8_t> vertex_used;
    std::vector<uint16_t> vertex_map;
};

// Builds the model tables from the scene tables, reporting on `out`.
// Throws Fatal for duplicate role names, for normal counts the output format
// cannot hold and for points that are not finite.
void build_model(const Scene& scene, Model& model, FILE* out);

// The builder's steps, in the order build_model runs them.
void mark_used_vertices(const Scene& scene, VertexUse& use);
void build_segments(const Scene& scene, Model& model, FILE* out);
void convert_vertices(const Scene& scene, Model& model, VertexUse& use, FILE* out);
void convert_polygons(const Scene& scene, const VertexUse& use, Model& model);
void polygon_centers(Model& model);
void build_corner_normals(Model& model);
void check_normal_limits(const Model& model);
void check_finite_points(const Model& model);

// Scene point (x, y, z) to model point (-20y, 20z, 20x).
vec3 scene_to_model(vec3 p);
// Scales v in place to unit length; the zero vector stays zero.
void vec3_normalise(vec3& v);
// Unit normal of the corner order p0, p1, p2 (right-handed).
void face_normal(const vec3 points[3], vec3& out);

} // namespace kf
