// The scene tables: everything the COB reader takes from the input file.
#pragma once

#include "keelforge.h"
#include "pof/format.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kf {

struct CobVertex {
    vec3 position;       // world position, scene units
    int32_t section = 0; // section current when the vertex was read
    int32_t chunk = 0;   // 0-based ordinal of its PolH chunk
};

struct CobUv {
    float u = 0.0f;
    float v = 0.0f;
};

struct CobCorner {
    int32_t vertex = 0; // global index into cob_vertex
    int32_t uv = 0;     // global index into cob_uv
};

struct CobFace {
    uint32_t n_points = 0;
    int32_t section = 0;
    int32_t chunk = 0;
    int32_t material_id = 0;      // 0 for a hole
    int8_t facet = 0;             // facet character of the last material applied
    int32_t color_or_texture = 0; // material number, packed colour or texture index
    PolyKind type = POLY_TMAPPED;
    int32_t material_index = 0;   // index into cob_material / texture_map
    uint32_t first_corner = 0;    // its n_points corners start here in cob_corner
};

// The fixed record that opens a Mat1 chunk's data: the material number
// (uint16), the shader, facet and facet angle bytes, the red, green and blue
// floats, and further fields the converter keeps but does not use.
constexpr size_t MAT1_RECORD_SIZE = 37;
constexpr size_t MAT1_NUMBER = 0;
constexpr size_t MAT1_FACET = 3;
constexpr size_t MAT1_RED = 5;
constexpr size_t MAT1_GREEN = 9;
constexpr size_t MAT1_BLUE = 13;

// That record, kept byte for byte.
struct CobMaterial {
    std::array<uint8_t, MAT1_RECORD_SIZE> raw{};

    uint16_t number() const;
    char facet() const;
    float red() const;
    float green() const;
    float blue() const;
};

struct TextureMap {
    float offset_u = 0.0f;
    float offset_v = 0.0f;
    float repeat_u = 0.0f;
    float repeat_v = 0.0f;
};

struct CobSection {
    std::string name; // "None" for an unnamed group, empty for the implicit section
    vec3 position;
    int32_t parent = 0;
};

// Counters are the sizes of the tables. texture_map holds one placement per
// material, material i at index i; before the first material it holds one
// all-zero entry. A face that no material reached keeps material_index 0 and
// so takes the first material's placement once there is one.
struct Scene {
    std::vector<CobVertex> cob_vertex;
    std::vector<CobUv> cob_uv;
    std::vector<CobFace> cob_face;
    std::vector<CobCorner> cob_corner; // the corners of every face, face after face
    std::vector<CobMaterial> cob_material;
    std::vector<std::string> texture_name;
    std::vector<TextureMap> texture_map = std::vector<TextureMap>(1);
    std::vector<CobSection> cob_section;
    uint32_t chunknum = 0; // PolH chunks read (the next object's chunk number)

    uint32_t cob_vcount() const { return static_cast<uint32_t>(cob_vertex.size()); }
    uint32_t UVcount() const { return static_cast<uint32_t>(cob_uv.size()); } // texture coordinates
    uint32_t cob_pcount() const { return static_cast<uint32_t>(cob_face.size()); }
    uint32_t Matlcount() const { return static_cast<uint32_t>(cob_material.size()); } // Mat1 chunks read
    uint32_t n_textures() const { return static_cast<uint32_t>(texture_name.size()); }
    uint32_t cob_scount() const { return static_cast<uint32_t>(cob_section.size()); }

    std::span<const CobCorner> corners(const CobFace& f) const { return {cob_corner.data() + f.first_corner, f.n_points}; }
    std::span<CobCorner> corners(const CobFace& f) { return {cob_corner.data() + f.first_corner, f.n_points}; }

    // Placement of material m; all zero for a material without texture.
    const TextureMap& placement(int32_t m) const;
};

} // namespace kf
