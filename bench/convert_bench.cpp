// The whole conversion of a scene at the vertex and polygon limits: read the
// COB bytes, build the model, assemble the POF bytes (report to /dev/null,
// nothing written to disk). The scene is composed once, outside the timing.
//
//   convert_bench --benchmark_filter=Convert
//
// The Stage benchmarks time the three steps apart.
//
// Each Convert iteration allocates some 12 MB of tables and output afresh;
// glibc hands such blocks back to the system when they are freed, so every
// iteration also pays the page faults of a cold start, as one run of the
// converter does. GLIBC_TUNABLES=glibc.malloc.trim_threshold=1000000000:
// glibc.malloc.mmap_threshold=1000000000 keeps the memory and shows the
// arithmetic alone.
//
// Argument: the number of groups the 15000 vertices and 15000 triangles are
// spread over (100, the most a scene may have, and 1 for one large subobject).
#include "cob/reader.h"
#include "model/model.h"
#include "pof/pof.h"
#include "support/cob_builder.h"
#include "support/files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr int TOTAL = 15000;

// `groups` groups, each one object whose vertices scatter around the
// group's origin; triangle i of an object uses vertices i, i + 1 and i + 37,
// so every vertex is used three times.
std::vector<uint8_t> large_scene(int groups) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> spread(-1.0f, 1.0f);
    const int per_group = TOTAL / groups;
    kft::CobBuilder cob;
    for (int g = 0; g < groups; ++g) {
        const float x = static_cast<float>(g % 10) * 3.0f, y = static_cast<float>(g / 10) * 3.0f;
        cob.grou(g == 0 ? "hull" : "part" + std::to_string(g), {x, y, 0});
        kft::Polh o;
        o.name = "Part";
        o.translate(x, y, 0);
        for (int i = 0; i < per_group; ++i) o.vertices.push_back({spread(rng), spread(rng), spread(rng)});
        o.uvs = {{0, 0}, {1, 0}, {0, 1}};
        for (int i = 0; i < per_group; ++i)
            o.faces.push_back(kft::Face{.vertices = {i, (i + 1) % per_group, (i + 37) % per_group}, .uvs = {0, 1, 2}});
        cob.polh(o);
    }
    cob.end();
    return cob.bytes();
}

std::vector<uint8_t> convert(const std::vector<uint8_t>& cob, FILE* sink) {
    kf::Scene scene;
    kf::read_cob_file(cob, scene, sink);
    kf::Model model;
    kf::build_model(scene, model, sink);
    return kf::assemble_pof(model, sink);
}

void Convert(benchmark::State& state) {
    const std::vector<uint8_t> cob = large_scene(static_cast<int>(state.range(0)));
    FILE* sink = kft::discard_report();
    size_t pof_bytes = 0;
    try {
        pof_bytes = convert(cob, sink).size();
    } catch (const kf::Fatal& e) {
        state.SkipWithError(e.what());
    }
    for (auto _ : state) {
        std::vector<uint8_t> pof = convert(cob, sink);
        benchmark::DoNotOptimize(pof.data());
    }
    state.counters["cob_bytes"] = static_cast<double>(cob.size());
    state.counters["pof_bytes"] = static_cast<double>(pof_bytes);
}

// The three stages apart, to see where the time of a conversion goes.
void ReadStage(benchmark::State& state) {
    const std::vector<uint8_t> cob = large_scene(static_cast<int>(state.range(0)));
    FILE* sink = kft::discard_report();
    for (auto _ : state) {
        kf::Scene scene;
        kf::read_cob_file(cob, scene, sink);
        benchmark::DoNotOptimize(scene.cob_face.data());
    }
}

void BuildStage(benchmark::State& state) {
    const std::vector<uint8_t> cob = large_scene(static_cast<int>(state.range(0)));
    FILE* sink = kft::discard_report();
    kf::Scene scene;
    kf::read_cob_file(cob, scene, sink);
    for (auto _ : state) {
        kf::Model model;
        kf::build_model(scene, model, sink);
        benchmark::DoNotOptimize(model.model_poly.data());
    }
}

void AssembleStage(benchmark::State& state) {
    const std::vector<uint8_t> cob = large_scene(static_cast<int>(state.range(0)));
    FILE* sink = kft::discard_report();
    kf::Scene scene;
    kf::read_cob_file(cob, scene, sink);
    kf::Model model;
    kf::build_model(scene, model, sink);
    for (auto _ : state) {
        std::vector<uint8_t> pof = kf::assemble_pof(model, sink);
        benchmark::DoNotOptimize(pof.data());
    }
}

} // namespace

BENCHMARK(Convert)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadStage)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildStage)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(AssembleStage)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond);
