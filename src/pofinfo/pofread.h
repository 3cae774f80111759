// Reads a POF model file back into plain structs and checks that it is sound.
// Nothing here trusts a size, count or offset from the file: every read is
// bounds-checked against the bytes given, and parsing stops at the first
// problem, which is reported with its byte offset.
#pragma once

#include "pof/format.h"
#include "vec3.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pofread {

using Vec3 = kf::vec3;

struct Chunk {
    std::string id;     // four characters, non-printable bytes shown as '?'
    size_t offset = 0;  // file offset of the chunk head
    uint32_t size = 0;  // body bytes after the 8-byte head
    bool known = false; // one of TXTR, HDR2, OBJ2, SHLD, PINF
};

struct Header {
    float radius = 0.0f;
    int32_t flags = 0;
    int32_t subobject_count = 0;
    Vec3 box_min, box_max;
    std::vector<int32_t> detail; // subobject numbers
    std::vector<int32_t> debris;
    float mass = 0.0f;
    Vec3 mass_center;
    float inertia[9] = {};
    int32_t cross_sections = 0;
    int32_t lights = 0;
};

struct Corner {
    uint16_t vertex = 0; // slot in the subobject's point list
    uint16_t normal = 0; // slot in the subobject's normal numbering
    float u = 0.0f, v = 0.0f;
};

struct Polygon {
    kf::PolyKind kind = kf::POLY_FLAT;
    Vec3 normal, center;
    float radius = 0.0f;
    int32_t color_or_texture = 0;
    std::vector<Corner> corners;
    size_t offset = 0; // file offset of the opcode
};

// One opcode of a subobject's model data, in tree order (each list's opcodes,
// with a sorting node's five lists right after it).
struct Op {
    int32_t id = 0;
    int32_t size = 0;
    size_t offset = 0;     // file offset
    int depth = 0;         // nesting below the top-level list
    std::string list;      // for the first opcode of a sorting node's list: "front", "back", ...
    int32_t polygon = -1;  // index into Subobject::polygons for a polygon opcode
    Vec3 a, b;             // split normal and point, or box min and max
    int32_t lists[5] = {}; // sorting node offsets: front, back, prelist, postlist, online
};

struct Subobject {
    int32_t number = 0;
    float radius = 0.0f;
    int32_t parent = -1;
    Vec3 offset; // relative to the parent
    Vec3 center, box_min, box_max;
    std::string name;
    std::string properties;
    int32_t movement_type = 0, movement_axis = 0, reserved = 0;
    size_t chunk_offset = 0; // file offset of the OBJ2 head
    size_t data_offset = 0;  // file offset of the model data
    uint32_t data_size = 0;

    std::vector<Vec3> vertices;
    std::vector<uint8_t> normal_counts; // per vertex
    std::vector<Vec3> normals;
    std::vector<Polygon> polygons; // in tree order
    std::vector<Op> ops;
    int bsp_nodes = 0;  // sorting opcodes
    int bsp_leaves = 0; // lists opened by a box
    int bsp_depth = 0;  // sorting opcodes on the longest path
};

struct ShieldFace {
    Vec3 normal;
    int32_t vertex[3] = {};
    int32_t neighbour[3] = {}; // -1: no neighbour across that edge
};

struct Shield {
    std::vector<Vec3> vertices;
    std::vector<ShieldFace> faces;
    size_t open_edges = 0; // neighbour entries of -1
};

struct Model {
    size_t file_size = 0;
    int32_t version = 0;
    std::vector<Chunk> chunks;
    bool has_textures = false;
    std::vector<std::string> textures;
    bool has_header = false;
    Header header;
    std::vector<Subobject> subobjects;
    std::optional<Shield> shield;
    bool has_info = false;
    std::string info; // PINF text

    bool ok = false;
    std::string problem;       // empty when ok
    size_t problem_offset = 0; // file offset where the problem lies
    std::vector<std::string> warnings;
};

// Reads and checks the whole file. Never throws for bad bytes: a problem
// stops the reading, and the model keeps what was read before it.
Model parse(std::span<const uint8_t> bytes);

struct Validation {
    bool ok = false;
    std::string problem;
    size_t offset = 0;
    std::vector<std::string> warnings;
};

Validation validate(std::span<const uint8_t> bytes);

// Name of an opcode id ("OP_SORTNORM"), or "unknown".
const char* op_name(int32_t id);

} // namespace pofread
