// The POF writer: lays the model out as POF chunks and writes "test.pof".
#pragma once

#include "bsp/bsp.h"
#include "model/model.h"
#include "pof/pof_buffer.h"

#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kf {

// Prints the model report and returns the whole file's bytes. Throws Fatal
// for a shield that cannot be written.
std::vector<uint8_t> assemble_pof(const Model& model, FILE* out);

// The same, handing the file to `emit` chunk by chunk, in order, as each is
// complete (the bytes are valid during the call only): the file never needs
// to be in memory whole.
using PofSink = std::function<void(std::span<const uint8_t>)>;
void assemble_pof(const Model& model, FILE* out, const PofSink& emit);

// assemble_pof into a temporary file in the same folder as `path`, which
// replaces `path` by rename once it is complete and synced, so a failed run
// never leaves a partial file. The report is the same as when the file is
// written after it: a file that cannot be written is reported (Fatal) once
// the model is laid out.
void write_pof_file(const Model& model, FILE* out, const std::string& path = "test.pof");

// Writes `bytes` to `path` atomically; throws Fatal on any failure.
void write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes);

void write_txtr_chunk(PofBuffer& pof, const Model& model);
void write_hdr2_chunk(PofBuffer& pof, const Model& model);
void write_obj2_chunk(PofBuffer& pof, Slots& slots, const Model& model, uint32_t segment, FILE* out);
void write_shld_chunk(PofBuffer& pof, Slots& slots, const Model& model, FILE* out);
void write_pinf_chunk(PofBuffer& pof);

// For each edge e of each face f (the shield's faces, given as polygon
// numbers), entry 3f + e: the last face that runs the same two vertices the
// opposite way, or -1 where no face does. Every face is compared with every
// face.
std::vector<int32_t> shield_neighbours(const Model& model, const std::vector<uint32_t>& faces);

// Number of a segment in the file: segments above the shield move down one.
// -1 and the shield segment itself are kept as they are.
int32_t file_number(const Model& model, int32_t segment);

// The part of a texture path after its last backslash, up to its last dot.
std::string texture_base_name(const std::string& path);

} // namespace kf
