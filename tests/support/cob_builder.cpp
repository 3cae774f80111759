#include "support/cob_builder.h"

#include "support/files.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace kft {

Bytes& Bytes::u8(uint8_t v) {
    data.push_back(v);
    return *this;
}

Bytes& Bytes::u16(uint16_t v) {
    data.push_back(static_cast<uint8_t>(v));
    data.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
}

Bytes& Bytes::u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

Bytes& Bytes::f32(float v) { return u32(std::bit_cast<uint32_t>(v)); }

Bytes& Bytes::text(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
}

Bytes& Bytes::raw(const std::vector<uint8_t>& b) {
    data.insert(data.end(), b.begin(), b.end());
    return *this;
}

std::vector<uint8_t> sub_b() { return {'b', ':'}; }

std::vector<uint8_t> sub_e(const std::string& file) {
    Bytes b;
    b.u8('e').u8(':').u16(static_cast<uint16_t>(file.size())).text(file);
    return b.data;
}

std::vector<uint8_t> sub_t(const std::string& file, float offset_u, float offset_v, float repeat_u, float repeat_v,
                           uint8_t flags) {
    Bytes b;
    b.u8('t').u8(':').u8(flags).u16(static_cast<uint16_t>(file.size())).text(file);
    b.f32(offset_u).f32(offset_v).f32(repeat_u).f32(repeat_v);
    return b.data;
}

std::vector<uint8_t> concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

static void put_transform(Bytes& b, const float position[12]) {
    // Local axes: origin, then the x, y and z directions (ignored by the reader).
    const float axes[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (float f : axes) b.f32(f);
    for (int i = 0; i < 12; ++i) b.f32(position[i]);
}

std::vector<uint8_t> grou_data(const std::string& name, Point position, uint16_t dupecount) {
    Bytes b;
    b.u16(dupecount).u16(static_cast<uint16_t>(name.size())).text(name);
    // A group's transform block: its origin in floats 0 to 2, the rest ignored.
    const float block[24] = {position.x, position.y, position.z, 1, 0, 0, 0, 1, 0, 0, 0, 1,
                             1,          0,          0,          position.x, 0, 1, 0, position.y, 0, 0, 1, position.z};
    for (float f : block) b.f32(f);
    return b.data;
}

std::vector<uint8_t> polh_data(const Polh& o) {
    Bytes b;
    b.u16(o.dupecount).u16(static_cast<uint16_t>(o.name.size())).text(o.name);
    put_transform(b, o.matrix);
    b.u32(static_cast<uint32_t>(o.vertices.size()));
    for (const Point& p : o.vertices) b.f32(p.x).f32(p.y).f32(p.z);
    b.u32(static_cast<uint32_t>(o.uvs.size()));
    for (const auto& [u, v] : o.uvs) b.f32(u).f32(v);
    b.u32(static_cast<uint32_t>(o.faces.size()));
    for (const Face& f : o.faces) {
        b.u8(static_cast<uint8_t>((f.hole ? 0x08 : 0) | f.extra_flags));
        b.u16(f.corner_count ? *f.corner_count : static_cast<uint16_t>(f.vertices.size()));
        if (!f.hole) b.u16(f.material);
        for (size_t i = 0; i < f.vertices.size(); ++i) b.i32(f.vertices[i]).i32(f.uvs.empty() ? 0 : f.uvs[i]);
    }
    b.raw(o.trailing);
    return b.data;
}

std::vector<uint8_t> mat1_data(const Mat1& m) {
    Bytes b;
    b.u16(m.number).u8(static_cast<uint8_t>(m.shader)).u8(static_cast<uint8_t>(m.facet)).u8(m.facet_angle);
    b.f32(m.red).f32(m.green).f32(m.blue);
    b.f32(1).f32(0.1f).f32(0.5f).f32(0.1f).f32(1); // opacity, ambient, specular, exponent, refraction
    b.raw(m.subchunks);
    return b.data;
}

CobBuilder::CobBuilder(char variant) {
    // 32 bytes: a format name and version, the variant letter at offset 15,
    // then the byte order ("LH", little-endian) and blanks up to a line end.
    std::string header = "Scene   V00.01";
    header.push_back(' ');
    header.push_back(variant);
    header += "LH             \n";
    if (header.size() != 32 || header[15] != variant) throw std::logic_error("COB header must be 32 bytes");
    out_.text(header);
}

CobBuilder& CobBuilder::chunk(const std::string& tag, const std::vector<uint8_t>& data, int32_t id, int32_t parent,
                              std::optional<int32_t> size) {
    if (tag.size() != 4) throw std::logic_error("chunk tags have four characters");
    out_.text(tag).u16(0).u16(1).i32(id).i32(parent);
    out_.i32(size ? *size : static_cast<int32_t>(data.size()));
    out_.raw(data);
    return *this;
}

CobBuilder& CobBuilder::grou(const std::string& name, Point position, std::optional<int32_t> id, int32_t parent,
                             uint16_t dupecount, std::optional<int32_t> size) {
    int32_t chunk_id = id ? *id : next_id_++;
    return chunk("Grou", grou_data(name, position, dupecount), chunk_id, parent, size);
}

CobBuilder& CobBuilder::polh(const Polh& object, std::optional<int32_t> size) {
    return chunk("PolH", polh_data(object), next_id_++, 0, size);
}

CobBuilder& CobBuilder::mat1(const Mat1& material, std::optional<int32_t> size) {
    return chunk("Mat1", mat1_data(material), next_id_++, 0, size);
}

CobBuilder& CobBuilder::unknown(const std::string& tag, size_t data_bytes) {
    return chunk(tag, std::vector<uint8_t>(data_bytes, 0xAB), next_id_++, 0);
}

CobBuilder& CobBuilder::end(int32_t size) {
    out_.text("END ").u16(0).u16(1).i32(next_id_++).i32(0).i32(size);
    return *this;
}

std::vector<uint8_t> CobBuilder::bytes(std::optional<size_t> length) const {
    std::vector<uint8_t> b = out_.data;
    if (length && *length < b.size()) b.resize(*length);
    return b;
}

void CobBuilder::save(const std::string& path) const {
    write_file(path, out_.data);
}

Mat1 flat_material(uint16_t number, float red, float green, float blue, char facet) {
    return Mat1{.number = number, .facet = facet, .red = red, .green = green, .blue = blue};
}

Mat1 textured_material(uint16_t number, const std::string& file, char facet) {
    return Mat1{.number = number, .facet = facet, .subchunks = sub_t(file)};
}

Polh triangle(Point a, Point b, Point c, uint16_t material) {
    Polh o;
    o.name = "Triangle";
    o.vertices = {a, b, c};
    o.uvs = {{0, 0}, {1, 0}, {0, 1}};
    o.faces = {Face{.vertices = {0, 1, 2}, .uvs = {0, 1, 2}, .material = material}};
    return o;
}

Polh cube(float h, uint16_t material) {
    Polh o;
    o.name = "Cube";
    o.vertices = {{-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
                  {-h, -h, h},  {h, -h, h},  {h, h, h},  {-h, h, h}};
    o.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const int32_t quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    for (const auto& q : quads) o.faces.push_back(Face{.vertices = {q[0], q[1], q[2], q[3]}, .uvs = {0, 1, 2, 3}, .material = material});
    return o;
}

} // namespace kft
