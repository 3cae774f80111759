#include "support/bench_scenes.h"

#include "support/cob_builder.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kft {

namespace {

// A closed band of n triangles over n vertices (n even) around (x, y, 0):
// the vertices alternate between two rings and triangle t joins vertices
// t, t + 1 and t + 2, wound alike.
Polh band(uint32_t n, float x, float y) {
    Polh o;
    o.name = "Band";
    o.translate(x, y, 0);
    const double step = 2.0 * 3.14159265358979323846 / (n / 2);
    for (uint32_t i = 0; i < n; ++i) {
        const double angle = step * (i / 2) + (i % 2 ? step / 2 : 0.0);
        o.vertices.push_back({static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)),
                              i % 2 ? 0.5f : -0.5f});
    }
    o.uvs = {{0, 0}, {1, 0}, {0, 1}};
    for (uint32_t t = 0; t < n; ++t) {
        const auto a = static_cast<int32_t>(t), b = static_cast<int32_t>((t + 1) % n),
                   c = static_cast<int32_t>((t + 2) % n);
        o.faces.push_back(Face{.vertices = t % 2 ? std::vector<int32_t>{b, a, c} : std::vector<int32_t>{a, b, c},
                               .uvs = {0, 1, 2}});
    }
    return o;
}

void skipped(CobBuilder& cob, size_t bytes) {
    constexpr size_t CHUNK = size_t{16} << 20;
    for (; bytes > 0; bytes -= std::min(bytes, CHUNK)) cob.unknown("Bmap", std::min(bytes, CHUNK));
}

} // namespace

std::string BenchScene::label() const {
    std::string s = std::to_string(triangles) + " " + (smooth ? "smooth" : "faceted") + ", " +
                    std::to_string(groups) + (groups == 1 ? " group" : " groups");
    if (skipped_bytes > 0)
        s += ", " + std::to_string(skipped_bytes >> 20) + " MiB skipped " + (skipped_between ? "between" : "before");
    return s;
}

std::vector<uint8_t> bench_scene(const BenchScene& spec) {
    if (spec.groups == 0 || spec.triangles % 2 != 0 || spec.triangles < 4 * spec.groups)
        throw std::invalid_argument("bench_scene: an even number of triangles, at least 4 per group");
    CobBuilder cob;
    if (!spec.skipped_between) skipped(cob, spec.skipped_bytes);
    // Band sizes: even, as equal as they can be, adding up to `triangles`.
    const uint32_t pairs = spec.triangles / 2;
    for (uint32_t g = 0; g < spec.groups; ++g) {
        const uint32_t n = 2 * (pairs / spec.groups + (g < pairs % spec.groups ? 1 : 0));
        const float x = static_cast<float>(g % 10) * 3.0f, y = static_cast<float>(g / 10) * 3.0f;
        if (spec.skipped_between && g > 0) skipped(cob, spec.skipped_bytes / (spec.groups - 1));
        cob.grou(g == 0 ? "hull" : "part" + std::to_string(g), {x, y, 0});
        cob.polh(band(n, x, y));
        cob.mat1(Mat1{.number = 0,
                      .facet = spec.smooth ? 's' : 'f',
                      .subchunks = sub_t("D:\\maps\\plate" + std::to_string(g % 8) + ".bmp")});
    }
    cob.end();
    return cob.bytes();
}

} // namespace kft
