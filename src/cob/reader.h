// The COB reader: checks the header, walks the chunks and fills the scene tables.
#pragma once

#include "cob/cursor.h"
#include "cob/scene.h"

#include <cstdint>
#include <cstdio>
#include <span>

namespace kf {

// The transform block of a Grou or PolH chunk, in floats: the local axes
// (the origin, then the x, y and z directions), then the current position
// (3 rows of 4; the last column is the translation).
constexpr size_t TRANSFORM_FLOATS = 24;
constexpr size_t TRANSFORM_ORIGIN = 0;
constexpr size_t TRANSFORM_POSITION = 12;

// Header of the chunk being read, as the chunk readers need it.
struct ChunkHeader {
    uint32_t tag = 0;
    int32_t chunk_id = 0;
    int32_t parent_id = 0;
    int32_t data_size = 0;
    size_t chunk_start = 0;
    size_t chunk_end = 0;
};

// State of one walk besides the scene tables.
struct ReaderState {
    bool ungrouped = false;                // objects were placed in an implicit section
    std::vector<int32_t> section_chunk_id; // chunk id of the Grou chunk of each section
};

// Reads a whole binary COB file up to its END chunk into `scene`, reporting on `out`.
// Throws Fatal on a malformed or oversized scene.
void read_cob_file(std::span<const uint8_t> file, Scene& scene, FILE* out);
// The same from any cursor at the start of the input (a file read through a window).
void read_cob_file(Cursor& in, Scene& scene, FILE* out);

void read_polh_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, ReaderState& state, FILE* out);
void read_mat1_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, FILE* out);
void read_grou_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, ReaderState& state, FILE* out);

} // namespace kf
