// Models for the pofinfo tests: scenes converted by the built keelforge, a
// hand-made file with a deep opcode tree, byte helpers and a runner for the
// pofinfo program.
#pragma once

#include "support/cob_builder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pft {

// Converts a COB scene with the built keelforge; an empty result when no
// file was written (the calling test reports that).
std::vector<uint8_t> convert(const std::vector<uint8_t>& cob);

// A closed tetrahedron whose faces run every shared edge in opposite ways.
kft::Polh tetrahedron(float r);

// A cube of half size h placed at scene point p.
kft::Polh cube_at(kft::Point p, float h);

// One scene that reaches every part of the file:
//   0 hull     textured and flat faces
//   1 turret   child of hull, textured
//   2 barrel   child of turret
//   3 detail1
//   4 debris01
//   5 shield   closed tetrahedron (no subobject of its own)
//   6 fin      child of the shield group: written as subobject 5 with parent 5,
//              its one face names material 7, which has no texture entry
std::vector<uint8_t> rich_scene();

// The bundled example converted, or empty when examples/ship.cob is missing.
std::vector<uint8_t> example_pof();

// A file of one subobject whose model data nests `depth` sorting nodes, each
// with a one-triangle list at its back.
std::vector<uint8_t> deep_tree_pof(int depth);

int32_t get_i32(const std::vector<uint8_t>& b, size_t offset);
void put_i32(std::vector<uint8_t>& b, size_t offset, int32_t value);

struct ChunkAt {
    std::string id;
    size_t offset;
    uint32_t size;
};

// The chunk heads of a well-formed file, found by their size fields alone.
std::vector<ChunkAt> chunk_heads(const std::vector<uint8_t>& pof);
const ChunkAt& nth_chunk(const std::vector<ChunkAt>& chunks, const std::string& id, size_t n = 0);

struct PofinfoRun {
    int status = -1;
    std::string out, err;
    std::vector<uint8_t> png; // the picture written to "{png}", if any
};

// Runs the built pofinfo with `args` in a fresh temporary folder; "{file}" in
// an argument stands for a copy of `pof` there, "{png}" for a picture path.
PofinfoRun run_pofinfo(const std::vector<std::string>& args, const std::vector<uint8_t>& pof = {});

} // namespace pft
