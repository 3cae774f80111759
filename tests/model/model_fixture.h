// Small helpers for the model builder's tests: scene and model tables stated
// in a few lines, the report captured, and float comparison by bits.
#pragma once

#include "cob/scene.h"
#include "model/model.h"
#include "support/capture.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kfm {

using Capture = kft::Capture;

// Scene tables filled the way the reader fills them: groups (sections),
// polygon objects (chunks) inside the current group, vertices and faces
// inside the current object. Indices are global, as the reader stores them.
struct SceneMaker {
    kf::Scene scene;

    // A new section; objects added afterwards belong to it.
    SceneMaker& group(const std::string& name, kf::vec3 position = {}, int32_t parent = 0) {
        scene.cob_section.push_back({name, position, parent});
        open_ = false;
        return *this;
    }
    // A new polygon object in the current section (the implicit section
    // when no group came first).
    SceneMaker& object() {
        if (scene.cob_section.empty()) scene.cob_section.emplace_back();
        ++scene.chunknum;
        open_ = true;
        return *this;
    }
    // A vertex of the current object (a new object when the group has none
    // yet), in scene units; returns its index.
    int32_t vertex(float x, float y, float z) {
        if (!open_) object();
        scene.cob_vertex.push_back({{x, y, z}, section(), static_cast<int32_t>(scene.chunknum - 1)});
        return static_cast<int32_t>(scene.cob_vertex.size() - 1);
    }
    // A face of the current object over scene vertex indices; every corner
    // names texture coordinate 0 unless the test changes it.
    kf::CobFace& face(const std::vector<int32_t>& corners, int8_t facet = 0) {
        if (!open_) object();
        if (scene.cob_uv.empty()) scene.cob_uv.push_back({});
        kf::CobFace f;
        f.n_points = static_cast<uint32_t>(corners.size());
        f.section = section();
        f.chunk = static_cast<int32_t>(scene.chunknum - 1);
        f.facet = facet;
        f.first_corner = static_cast<uint32_t>(scene.cob_corner.size());
        for (int32_t v : corners) scene.cob_corner.push_back({v, 0});
        scene.cob_face.push_back(f);
        return scene.cob_face.back();
    }

private:
    int32_t section() const { return static_cast<int32_t>(scene.cob_section.size() - 1); }
    bool open_ = false; // an object is open in the current section
};

// Model tables stated directly, for the steps that work on the model alone
// (centers, radii and corner normals).
struct ModelMaker {
    kf::Model model;

    uint16_t vertex(float x, float y, float z, int32_t segment = 0) {
        model.vertex.push_back({{x, y, z}, segment, 0});
        return static_cast<uint16_t>(model.vertex.size() - 1);
    }
    // A polygon over model vertex numbers; its face normal comes from corner
    // slots 0, 1 and 2 as the builder takes it (unused slots name vertex 0).
    kf::ModelPoly& poly(const std::vector<uint16_t>& corners, int32_t facet = 0, int32_t segment = 0) {
        kf::ModelPoly p;
        p.n_points = static_cast<uint32_t>(corners.size());
        p.facet = facet;
        p.segment = segment;
        p.first_corner = static_cast<uint32_t>(model.model_corner.size());
        for (uint16_t v : corners) model.model_corner.push_back({.vertex = v});
        const kf::vec3 slots[3] = {position(model.slot_vertex(p, 0)), position(model.slot_vertex(p, 1)),
                                   position(model.slot_vertex(p, 2))};
        kf::face_normal(slots, p.normal);
        model.model_poly.push_back(p);
        return model.model_poly.back();
    }

private:
    kf::vec3 position(uint16_t k) const { return k < model.vertex.size() ? model.vertex[k].position : kf::vec3{}; }
};

// The outcome of build_model: the tables, the report, and the message and
// status of the error that ended it (empty message when none did).
struct Built {
    kf::Model model;
    std::string report;
    std::string error;
    int status = 0;
};

inline Built build(const kf::Scene& scene) {
    Built b;
    Capture out;
    try {
        kf::build_model(scene, b.model, out.file());
    } catch (const kf::Fatal& e) {
        b.error = e.what();
        b.status = e.status();
    }
    b.report = out.text();
    return b;
}

// The model as it stands after polygon_centers, before any corner normal.
inline kf::Model model_before_normals(const kf::Scene& scene) {
    Capture out;
    kf::Model model;
    kf::VertexUse use;
    kf::mark_used_vertices(scene, use);
    kf::build_segments(scene, model, out.file());
    kf::convert_vertices(scene, model, use, out.file());
    kf::convert_polygons(scene, use, model);
    kf::polygon_centers(model);
    return model;
}

// Components compared as values (+0 equals -0), for geometry where the sign
// of a zero is not the point of the test.
inline std::array<float, 3> values(kf::vec3 v) { return {v.x, v.y, v.z}; }

// Empty when every corner owns exactly one normal and the normal table is
// grouped by vertex, each vertex's entries in (polygon, corner) order;
// otherwise a description of the first fault.
inline std::string grouping_fault(const kf::Model& m) {
    std::vector<uint32_t> next(m.Vcount());
    uint32_t total = 0;
    for (uint32_t k = 0; k < m.Vcount(); ++k) {
        next[k] = total;
        total += m.vertex[k].n_norms;
    }
    if (total != m.n_normals()) return "n_norms add up to " + std::to_string(total);
    uint32_t corners = 0;
    for (uint32_t p = 0; p < m.Pcount(); ++p) {
        const kf::ModelPoly& poly = m.model_poly[p];
        for (uint32_t c = 0; c < poly.n_points; ++c, ++corners) {
            const kf::ModelCorner& corner = m.corners(poly)[c];
            if (corner.normal_index != next[corner.vertex]++)
                return "polygon " + std::to_string(p) + " corner " + std::to_string(c) + " has normal " +
                       std::to_string(corner.normal_index);
        }
    }
    if (corners != m.n_normals())
        return std::to_string(corners) + " corners but " + std::to_string(m.n_normals()) + " normals";
    uint32_t end = 0;
    for (uint32_t k = 0; k < m.Vcount(); ++k) {
        end += m.vertex[k].n_norms;
        if (next[k] != end) return "vertex " + std::to_string(k) + " owns " + std::to_string(m.vertex[k].n_norms) +
                                   " normals but is named by a different number of corners";
    }
    return "";
}

inline uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

struct Bits3 {
    uint32_t x, y, z;
    bool operator==(const Bits3&) const = default;
};
inline Bits3 bits(kf::vec3 v) { return {bits(v.x), bits(v.y), bits(v.z)}; }

inline std::ostream& operator<<(std::ostream& os, const Bits3& b) {
    return os << "(" << std::bit_cast<float>(b.x) << " [" << std::hex << b.x << "], " << std::bit_cast<float>(b.y)
              << " [" << b.y << "], " << std::bit_cast<float>(b.z) << " [" << b.z << "])" << std::dec;
}

} // namespace kfm
