// The POF file's layout: the ids, sizes and field offsets that the writer
// lays down and pofread checks. A field offset counts from the first byte of
// the record it belongs to (a chunk's offsets from its body, after the chunk
// head). All values are little-endian.
#pragma once

#include "bytes.h"

#include <cstdint>

namespace kf {

// File head: the magic, then the version.
constexpr uint32_t POF_MAGIC = fourcc("PSPO");
constexpr int32_t POF_VERSION = 2116;
constexpr uint32_t POF_HEAD_VERSION = 4;
constexpr uint32_t POF_HEAD_SIZE = 8;

// Chunk head: the id, then the size of the body that follows.
constexpr uint32_t CHUNK_HEAD_SIZE = 8;
constexpr uint32_t ID_TXTR = fourcc("TXTR");
constexpr uint32_t ID_HDR2 = fourcc("HDR2");
constexpr uint32_t ID_OBJ2 = fourcc("OBJ2");
constexpr uint32_t ID_SHLD = fourcc("SHLD");
constexpr uint32_t ID_PINF = fourcc("PINF");

// Counted text: an int32 length, then the characters, no terminator.
constexpr uint32_t TEXT_LENGTH_SIZE = 4;

// HDR2 body: radius, flags, subobject count, box, then the detail and the
// debris list (each a count and that many subobject numbers), then the mass
// block and the cross-section and light counts.
constexpr uint32_t HDR2_RADIUS = 0;
constexpr uint32_t HDR2_FLAGS = 4;
constexpr uint32_t HDR2_SUBOBJECT_COUNT = 8;
constexpr uint32_t HDR2_BOX_MIN = 12;
constexpr uint32_t HDR2_BOX_MAX = 24;
constexpr uint32_t HDR2_DETAIL_LIST = 36;
// The mass block, counted from its own start after the two lists: mass,
// mass center, the 3 x 3 moment of inertia.
constexpr uint32_t MASS_CENTER = 4;
constexpr uint32_t MASS_INERTIA = 16;
constexpr uint32_t MASS_BLOCK_SIZE = 52;
// Then the cross-section count and the light count, both always 0.
constexpr uint32_t HDR2_TAIL_SIZE = 8;

// OBJ2 body: the fixed fields, then the name (counted text) at OBJ2_NAME,
// the properties (counted text), movement type and axis, a reserved int32,
// the model data's size and the model data.
constexpr uint32_t OBJ2_NUMBER = 0;
constexpr uint32_t OBJ2_RADIUS = 4;
constexpr uint32_t OBJ2_PARENT = 8;
constexpr uint32_t OBJ2_OFFSET = 12;
constexpr uint32_t OBJ2_CENTER = 24;
constexpr uint32_t OBJ2_BOX_MIN = 36;
constexpr uint32_t OBJ2_BOX_MAX = 48;
constexpr uint32_t OBJ2_NAME = 60;
// The fields after the properties, counted from their own start: movement
// type, movement axis, a reserved int32, the model data's size.
constexpr uint32_t OBJ2_MOVEMENT_TYPE = 0;
constexpr uint32_t OBJ2_MOVEMENT_AXIS = 4;
constexpr uint32_t OBJ2_RESERVED = 8;
constexpr uint32_t OBJ2_DATA_SIZE = 12;
constexpr uint32_t OBJ2_TAIL_SIZE = 16;

// SHLD body: vertex count and vertices, face count and faces.
constexpr uint32_t SHLD_FACE_NORMAL = 0;
constexpr uint32_t SHLD_FACE_VERTICES = 12;   // three int32
constexpr uint32_t SHLD_FACE_NEIGHBOURS = 24; // three int32, -1 for none
constexpr uint32_t SHLD_FACE_SIZE = 36;

constexpr uint32_t VEC3_SIZE = 12;

// Model-data opcodes. Each starts with its id and its size, which counts
// the whole opcode, head included.
constexpr int32_t OP_EOF = 0;
constexpr int32_t OP_DEFPOINTS = 1;
constexpr int32_t OP_FLATPOLY = 2;
constexpr int32_t OP_TMAPPOLY = 3;
constexpr int32_t OP_SORTNORM = 4;
constexpr int32_t OP_BOUNDBOX = 5;
constexpr uint32_t OP_HEAD_SIZE = 8;
constexpr uint32_t OP_SIZE = 4; // offset of the size field

// How a polygon is drawn; the value is its opcode's id.
enum PolyKind : int32_t {
    POLY_FLAT = OP_FLATPOLY,    // one flat colour
    POLY_TMAPPED = OP_TMAPPOLY, // texture mapped
};

// OP_DEFPOINTS: the counts, the offset of the points from the opcode's
// start, one normal count byte per vertex (padded to a multiple of 4), then
// each vertex followed by its normals.
constexpr uint32_t DEFPOINTS_N_VERTS = 8;
constexpr uint32_t DEFPOINTS_N_NORMS = 12;
constexpr uint32_t DEFPOINTS_DATA_OFFSET = 16;
constexpr uint32_t DEFPOINTS_NORMAL_COUNTS = 20;

// OP_FLATPOLY and OP_TMAPPOLY: normal, center, radius, corner count, colour
// or texture number, then the corners: vertex slot and normal slot (uint16
// each), and on a textured polygon u and v.
constexpr uint32_t POLY_NORMAL = 8;
constexpr uint32_t POLY_CENTER = 20;
constexpr uint32_t POLY_RADIUS = 32;
constexpr uint32_t POLY_N_POINTS = 36;
constexpr uint32_t POLY_COLOR_OR_TEXTURE = 40;
constexpr uint32_t POLY_CORNERS = 44;
constexpr uint32_t CORNER_NORMAL = 2;
constexpr uint32_t CORNER_UV = 4;
constexpr uint32_t FLAT_CORNER_SIZE = 4;
constexpr uint32_t TMAP_CORNER_SIZE = 12;

// OP_SORTNORM: split normal and point, the offsets (from the node's first
// byte) of its five lists, its box.
constexpr uint32_t SORTNORM_NORMAL = 8;
constexpr uint32_t SORTNORM_POINT = 20;
constexpr uint32_t SORTNORM_FRONT = 36;
constexpr uint32_t SORTNORM_BACK = 40;
constexpr uint32_t SORTNORM_PRELIST = 44;
constexpr uint32_t SORTNORM_POSTLIST = 48;
constexpr uint32_t SORTNORM_ONLINE = 52;
constexpr uint32_t SORTNORM_MIN = 56;
constexpr uint32_t SORTNORM_MAX = 68;
constexpr uint32_t SORTNORM_SIZE = 80;
// The front list starts right after the node and the OP_EOF that ends the
// node's own list.
constexpr uint32_t SORTNORM_FIRST_LIST = SORTNORM_SIZE + OP_HEAD_SIZE;

// OP_BOUNDBOX: min and max.
constexpr uint32_t BOUNDBOX_MIN = 8;
constexpr uint32_t BOUNDBOX_MAX = 20;
constexpr uint32_t BOUNDBOX_SIZE = 32;

// The float nearest 0.001 (bits 0x3A83126F) by which boxes are widened.
constexpr float BOX_MARGIN = 0.001f;

} // namespace kf
