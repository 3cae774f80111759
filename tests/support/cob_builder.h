// Composes binary COB scenes for tests: each test states its scene in a few
// readable lines, broken variants included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kft {

// Little-endian byte appender.
struct Bytes {
    std::vector<uint8_t> data;

    Bytes& u8(uint8_t v);
    Bytes& u16(uint16_t v);
    Bytes& u32(uint32_t v);
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& f32(float v);
    Bytes& text(const std::string& s); // the characters only
    Bytes& raw(const std::vector<uint8_t>& b);
};

struct Point {
    float x = 0, y = 0, z = 0;
};

struct Face {
    std::vector<int32_t> vertices{}; // indices into the object's own vertex list
    std::vector<int32_t> uvs{};      // same length as vertices; empty means all 0
    uint16_t material = 0;
    bool hole = false;
    uint8_t extra_flags = 0; // other flag bits, which the reader ignores
    std::optional<uint16_t> corner_count{}; // overrides vertices.size() in the record
};

struct Polh {
    std::string name = "Object";
    uint16_t dupecount = 0;
    // Current position, 3 rows of 4 (column 3 is the translation).
    float matrix[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    std::vector<Point> vertices;
    std::vector<std::pair<float, float>> uvs;
    std::vector<Face> faces;
    std::vector<uint8_t> trailing; // extra bytes after the faces, inside the chunk

    Polh& translate(float x, float y, float z) {
        matrix[3] = x;
        matrix[7] = y;
        matrix[11] = z;
        return *this;
    }
};

struct Mat1 {
    uint16_t number = 0;
    char shader = 'p';
    char facet = 'f';
    uint8_t facet_angle = 32;
    float red = 1, green = 1, blue = 1;
    std::vector<uint8_t> subchunks{}; // appended after the 37-byte record
};

// Sub-chunks of a Mat1 chunk.
std::vector<uint8_t> sub_b();
std::vector<uint8_t> sub_e(const std::string& file);
std::vector<uint8_t> sub_t(const std::string& file, float offset_u = 0, float offset_v = 0, float repeat_u = 1,
                           float repeat_v = 1, uint8_t flags = 0);
std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts);

class CobBuilder {
public:
    // The 32-byte header; `variant` is the byte at offset 15 ('B' binary, 'A' ASCII).
    explicit CobBuilder(char variant = 'B');

    // A chunk with any tag and data. `size` overrides the data_size field.
    CobBuilder& chunk(const std::string& tag, const std::vector<uint8_t>& data, int32_t id = 0, int32_t parent = 0,
                      std::optional<int32_t> size = std::nullopt);
    // A group; ids default to a fresh number each.
    CobBuilder& grou(const std::string& name, Point position = {}, std::optional<int32_t> id = std::nullopt,
                     int32_t parent = 0, uint16_t dupecount = 0, std::optional<int32_t> size = std::nullopt);
    CobBuilder& polh(const Polh& object, std::optional<int32_t> size = std::nullopt);
    CobBuilder& mat1(const Mat1& material, std::optional<int32_t> size = std::nullopt);
    CobBuilder& unknown(const std::string& tag, size_t data_bytes = 4);
    CobBuilder& end(int32_t size = 0);

    // The bytes so far, optionally cut to `length`.
    std::vector<uint8_t> bytes(std::optional<size_t> length = std::nullopt) const;
    // Writes the bytes to `path`.
    void save(const std::string& path) const;

    int32_t last_id() const { return next_id_ - 1; }

private:
    Bytes out_;
    int32_t next_id_ = 1;
};

// Data of each chunk kind, for tests that build broken chunks by hand.
std::vector<uint8_t> grou_data(const std::string& name, Point position, uint16_t dupecount = 0);
std::vector<uint8_t> polh_data(const Polh& object);
std::vector<uint8_t> mat1_data(const Mat1& material);

// A flat-colour material (no sub-chunks).
Mat1 flat_material(uint16_t number, float red, float green, float blue, char facet = 'f');
// A material whose one texture sub-chunk names `file`, placed as the default.
Mat1 textured_material(uint16_t number, const std::string& file, char facet = 'f');

// Small shapes.
Polh triangle(Point a, Point b, Point c, uint16_t material = 0);
Polh cube(float half = 1.0f, uint16_t material = 0); // 8 vertices, 6 outward-wound quadrilaterals

} // namespace kft
