// The model tables: the converted scene in model units, ready for the writer.
#pragma once

#include "cob/scene.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>
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

// One corner of a polygon.
struct ModelCorner {
    uint16_t vertex = 0;       // model vertex
    uint32_t normal_index = 0; // its normal in model_normal
    float u = 0.0f;            // texture coordinates, placed
    float v = 0.0f;
};

struct ModelPoly {
    uint32_t n_points = 0;
    uint32_t first_corner = 0; // its n_points corners start here in model_corner
    int32_t color_or_texture = 0;
    int32_t facet = 0; // 's' marks a smooth polygon
    int32_t segment = 0;
    PolyKind type = POLY_TMAPPED;
    vec3 center;
    vec3 normal;
    float radius = 0.0f;
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
    std::vector<ModelCorner> model_corner; // the corners of every polygon, polygon after polygon
    // Carried over from the scene for the writer, which reads nothing else:
    std::vector<std::string> texture_name; // texture paths, by texture number
    uint32_t chunknum = 0;                 // PolH chunks the scene held

    uint32_t Vcount() const { return static_cast<uint32_t>(vertex.size()); }
    uint32_t Pcount() const { return static_cast<uint32_t>(model_poly.size()); }
    uint32_t n_normals() const { return static_cast<uint32_t>(model_normal.size()); }

    std::span<const ModelCorner> corners(const ModelPoly& p) const { return {model_corner.data() + p.first_corner, p.n_points}; }
    std::span<ModelCorner> corners(const ModelPoly& p) { return {model_corner.data() + p.first_corner, p.n_points}; }
    // The vertex in corner slot c; a slot past the polygon's corners reads
    // as vertex 0 (the face normal takes slots 0, 1 and 2 of any polygon).
    uint16_t slot_vertex(const ModelPoly& p, uint32_t c) const {
        return c < p.n_points ? model_corner[p.first_corner + c].vertex : uint16_t{0};
    }
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
