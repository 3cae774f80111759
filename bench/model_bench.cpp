// Building the model of a large all-smooth scene: 15000 vertices, 15000
// triangles, three corners at every vertex. The budget is a few milliseconds.
#include "cob/reader.h"
#include "model/large_scenes.h"
#include "model/model.h"
#include "support/files.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdexcept>

namespace {

// The scene as the reader leaves it, built once.
const kf::Scene& smooth_band() {
    static const kf::Scene scene = [] {
        const auto bytes =
            kft::CobBuilder().polh(kfm::triangle_band(kf::VEC_MAX)).mat1(kfm::smooth_material()).end().bytes();
        kf::Scene s;
        kf::read_cob_file(bytes, s, kft::discard_report());
        return s;
    }();
    return scene;
}

void BM_BuildModel_SmoothBand15000(benchmark::State& state) {
    const kf::Scene& scene = smooth_band();
    FILE* quiet = kft::discard_report();
    kf::Model model;
    for (auto _ : state) {
        kf::build_model(scene, model, quiet);
        benchmark::DoNotOptimize(model.model_normal.data());
        benchmark::ClobberMemory();
    }
    state.counters["normals"] = static_cast<double>(model.n_normals());
}
BENCHMARK(BM_BuildModel_SmoothBand15000)->Unit(benchmark::kMillisecond);

// The corner-normal step alone, on the model as it stands before it.
void BM_CornerNormals_SmoothBand15000(benchmark::State& state) {
    const kf::Scene& scene = smooth_band();
    FILE* quiet = kft::discard_report();
    kf::Model model;
    kf::build_model(scene, model, quiet);
    for (auto _ : state) {
        kf::build_corner_normals(model);
        benchmark::DoNotOptimize(model.model_normal.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CornerNormals_SmoothBand15000)->Unit(benchmark::kMillisecond);

} // namespace
