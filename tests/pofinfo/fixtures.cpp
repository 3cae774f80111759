#include "fixtures.h"

#include "bytes.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace kft;

namespace pft {

std::vector<uint8_t> convert(const std::vector<uint8_t>& cob) {
    RunResult r = run_keelforge(cob);
    EXPECT_EQ(r.status, 0) << r.stdout_text;
    return r.pof.value_or(std::vector<uint8_t>{});
}

Polh tetrahedron(float r) {
    Polh o;
    o.name = "Tetra";
    o.vertices = {{r, r, r}, {r, -r, -r}, {-r, r, -r}, {-r, -r, r}};
    o.uvs = {{0, 0}};
    o.faces = {Face{.vertices = {0, 1, 2}}, Face{.vertices = {0, 3, 1}}, Face{.vertices = {1, 3, 2}},
               Face{.vertices = {2, 3, 0}}};
    return o;
}

Polh cube_at(Point p, float h) {
    Polh o = cube(h);
    // The cube's own vertices are in world space, so the group's origin and
    // the object's place agree.
    for (Point& v : o.vertices) v = {v.x + p.x, v.y + p.y, v.z + p.z};
    return o;
}

std::vector<uint8_t> rich_scene() {
    CobBuilder cob;
    cob.grou("hull", {0, 0, 0});
    const int32_t hull = cob.last_id();
    Polh body = cube(1.0f);
    for (size_t f = 3; f < 6; ++f) body.faces[f].material = 1;
    cob.polh(body).mat1(textured_material(0, "D:\\maps\\plate.bmp")).mat1(flat_material(1, 0.8f, 0.2f, 0.1f));

    cob.grou("turret", {0, 0, 1.5f}, std::nullopt, hull);
    const int32_t turret = cob.last_id();
    cob.polh(cube_at({0, 0, 1.5f}, 0.4f)).mat1(textured_material(0, "D:\\maps\\gun.tga"));

    cob.grou("barrel", {1.0f, 0, 1.5f}, std::nullopt, turret);
    cob.polh(cube_at({1.2f, 0, 1.5f}, 0.15f)).mat1(flat_material(0, 0.3f, 0.3f, 0.3f));

    cob.grou("detail1", {0, 0, 0});
    cob.polh(cube(0.9f)).mat1(flat_material(0, 0.5f, 0.5f, 0.5f));

    cob.grou("debris01", {0, 3, 0});
    cob.polh(triangle({0, 3, 0}, {1, 3, 0}, {0, 3, 1})).mat1(textured_material(0, "D:\\maps\\plate.bmp"));

    cob.grou("shield", {0, 0, 0.5f});
    const int32_t shield = cob.last_id();
    cob.polh(tetrahedron(3.0f)).mat1(flat_material(0, 0.2f, 0.6f, 1.0f));

    cob.grou("fin", {-1.0f, 0, 1.2f}, std::nullopt, shield);
    cob.polh(triangle({-1, 0, 1}, {-1.5f, 0, 1}, {-1, 0, 1.6f}, 7));
    return cob.end().bytes();
}

std::vector<uint8_t> example_pof() {
    // The example is committed: read_file throws if it is missing.
    return convert(read_file((fs::path(KEELFORGE_SOURCE_DIR) / "examples" / "ship.cob").string()));
}

int32_t get_i32(const std::vector<uint8_t>& b, size_t offset) {
    if (offset + 4 > b.size()) throw std::out_of_range("get_i32 past the end");
    return kf::le_i32(b.data() + offset);
}

void put_i32(std::vector<uint8_t>& b, size_t offset, int32_t value) {
    if (offset + 4 > b.size()) throw std::out_of_range("put_i32 past the end");
    const auto u = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

std::vector<ChunkAt> chunk_heads(const std::vector<uint8_t>& pof) {
    std::vector<ChunkAt> out;
    for (size_t pos = 8; pos + 8 <= pof.size();) {
        const auto size = static_cast<uint32_t>(get_i32(pof, pos + 4));
        out.push_back({std::string(pof.begin() + static_cast<ptrdiff_t>(pos), pof.begin() + static_cast<ptrdiff_t>(pos) + 4),
                       pos, size});
        pos += 8 + size;
    }
    return out;
}

const ChunkAt& nth_chunk(const std::vector<ChunkAt>& chunks, const std::string& id, size_t n) {
    for (const ChunkAt& c : chunks)
        if (c.id == id && n-- == 0) return c;
    throw std::out_of_range("no such chunk: " + id);
}

std::vector<uint8_t> deep_tree_pof(int depth) {
    Bytes data; // the model data
    auto eof = [&] { data.i32(0).i32(0); };
    auto vec = [&](float x, float y, float z) { data.f32(x).f32(y).f32(z); };
    // Three points with one normal each.
    data.i32(1).i32(24 + 12 * 6).i32(3).i32(3).i32(24).u8(1).u8(1).u8(1).u8(0);
    for (int i = 0; i < 3; ++i) {
        vec(float(i), float(i == 1), 0);
        vec(0, 0, 1);
    }
    auto leaf = [&] {
        data.i32(5).i32(32);
        vec(0, 0, 0);
        vec(1, 1, 0);
        data.i32(2).i32(56);
        vec(0, 0, 1);
        vec(0.3f, 0.3f, 0);
        data.f32(1).i32(3).i32(0x00ff00);
        for (uint16_t k = 0; k < 3; ++k) data.u16(k).u16(k);
        eof();
    };
    auto patch = [&](size_t at, int32_t v) {
        for (size_t i = 0; i < 4; ++i) data.data[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
    };
    std::vector<size_t> nodes;
    for (int d = 0; d < depth; ++d) {
        nodes.push_back(data.data.size());
        data.i32(4).i32(80);
        vec(1, 0, 0);
        vec(0, 0, 0);
        data.i32(0).i32(88).i32(0).i32(0).i32(0).i32(0);
        vec(0, 0, 0);
        vec(1, 1, 0);
        eof();
    }
    leaf(); // the front list of the innermost node
    for (size_t i = nodes.size(); i-- > 0;) {
        const size_t node = nodes[i];
        patch(node + 40, static_cast<int32_t>(data.data.size() - node));
        leaf();
        const auto pre = static_cast<int32_t>(data.data.size() - node);
        patch(node + 44, pre);
        patch(node + 48, pre + 8);
        patch(node + 52, pre + 16);
        eof();
        eof();
        eof();
    }
    eof(); // closes the model data

    Bytes f;
    f.text("PSPO").i32(2116);
    f.text("HDR2").i32(108).f32(1).i32(1).i32(1);
    for (int i = 0; i < 6; ++i) f.f32(0);
    f.i32(1).i32(0).i32(0).f32(10000.0f);
    for (int i = 0; i < 12; ++i) f.f32(0);
    f.i32(0).i32(0);
    const auto m = static_cast<int32_t>(data.data.size());
    f.text("OBJ2").i32(88 + 4 + m).i32(0).f32(1).i32(-1);
    for (int i = 0; i < 12; ++i) f.f32(0);
    f.i32(4).text("deep").i32(4).i32(0).i32(-1).i32(-1).i32(0).i32(m).raw(data.data);
    f.text("PINF").i32(5).text("deep\n");
    return f.data;
}

namespace {

void replace_all(std::string& s, const std::string& what, const std::string& with) {
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + with.size())) s.replace(at, what.size(), with);
}

} // namespace

PofinfoRun run_pofinfo(const std::vector<std::string>& args, const std::vector<uint8_t>& pof) {
    const TempFolder dir;
    const std::string file = dir / "model.pof", png = dir / "out.png";
    write_file(file, pof);
    std::string cmd = shell_quote(POFINFO_BINARY);
    for (std::string a : args) {
        replace_all(a, "{file}", file);
        replace_all(a, "{png}", png);
        cmd += " " + shell_quote(a);
    }
    cmd += " > " + shell_quote(dir / "stdout") + " 2> " + shell_quote(dir / "stderr");
    const int raw = std::system(cmd.c_str());

    PofinfoRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = read_text(dir / "stdout");
    r.err = read_text(dir / "stderr");
    if (fs::exists(png)) r.png = read_file(png);
    return r;
}

} // namespace pft
