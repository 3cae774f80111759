// Types, limits and the error type shared by every stage of the converter.
//
// Words the stages use for the same things:
// - A group of the scene is a "section" in the scene tables (cob_section),
//   a "segment" in the model tables (segment) and a "subobject" in the file
//   (one OBJ2 chunk each; the shield's segment becomes the SHLD chunk).
// - A polygon object of the scene (a PolH chunk) is a "chunk" in the scene
//   tables: CobVertex::chunk and CobFace::chunk hold its 0-based number.
// - A face of the scene (cob_face) is a "polygon" in the model (model_poly)
//   and a polygon opcode in the file.
// - Scene units become model units by MODEL_SCALE and an exchange of axes
//   (scene_to_model).
#pragma once

#include "vec3.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kf {

// Table capacities. A table accepts exactly its limit's number of entries;
// the entry that would be one more ends the run with the limit's message.
constexpr uint32_t VEC_MAX = 15000;      // scene and model vertices
constexpr uint32_t UV_MAX = VEC_MAX * 2; // scene texture coordinates
constexpr uint32_t POLY_MAX = 15000;     // faces and polygons
constexpr uint32_t MATL_MAX = 3000;      // materials
constexpr uint32_t TEXTURE_MAX = 100;    // distinct texture names
constexpr uint32_t SOBJ_MAX = 100;       // sections and segments; PolH chunks
constexpr uint32_t POINTS_MAX = 20;      // corners of one face
constexpr uint32_t SHIELD_MAX = 500;     // shield triangles

constexpr double MODEL_SCALE = 20.0;

// Printed at start and stored as the model's PINF text.
inline constexpr char banner[] = "Keelforge2 Version 0.01 10-23-99\n";

// A condition that ends the run: the exact console message (printed as it
// stands, no line break added) and the exit status. Thrown where the problem
// is found and caught only by the program's entry point.
class Fatal : public std::runtime_error {
public:
    explicit Fatal(const std::string& message, int status = 1)
        : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

} // namespace kf
