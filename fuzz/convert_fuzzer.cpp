// Fuzz target: the whole conversion in memory (read, build, assemble; no
// file is written). Whatever the bytes, the conversion must end in a model
// that reads back as valid and holds every polygon with corners exactly
// once, or in the one error type with a one-line message and status 1. On
// the way, the fast corner normals and tree builder must give the same
// bytes as their plain transcriptions.
#include "bsp/bsp.h"
#include "cob/reader.h"
#include "model/model.h"
#include "oracles/nested_normals.h"
#include "oracles/plain_bsp.h"
#include "oracles/polygon_coverage.h"
#include "pof/pof.h"
#include "pofinfo/pofread.h"
#include "support/files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace {

// The plain transcriptions are quadratic; past these sizes of work a scene
// is only converted and checked, not compared (the unit tests compare
// full-size scenes).
constexpr uint64_t NESTED_NORMALS_WORK = 4'000'000; // model vertices times polygons
constexpr uint64_t PLAIN_TREE_WORK = 4'000'000;     // polygons squared, per segment

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "convert_fuzzer: %s\n", what.c_str());
    std::abort();
}

void check_message(const kf::Fatal& e) {
    const std::string message = e.what();
    if (message.empty() || message.find('\n') < message.size() - 1) fault("not a one-line message: " + message);
    if (e.status() != 1) fault("status " + std::to_string(e.status()) + " for: " + message);
}

void compare_corner_normals(const kf::Model& model) {
    if (uint64_t{model.Vcount()} * model.Pcount() > NESTED_NORMALS_WORK) return;
    kf::Model nested = model;
    kfo::nested_corner_normals(nested);
    const std::string difference = kfo::normals_difference(model, nested);
    if (!difference.empty()) fault("corner normals differ from the nested search: " + difference);
}

void compare_trees(const kf::Model& model, FILE* sink) {
    kf::Slots slots(model);
    for (uint32_t s = 0; s < model.Scount; ++s) {
        const auto seg = static_cast<int32_t>(s);
        if (model.shield_segment != 0 && seg == model.shield_segment) continue;
        uint64_t polys = 0;
        for (const kf::ModelPoly& p : model.model_poly) polys += p.segment == seg;
        if (polys * polys > PLAIN_TREE_WORK) continue;
        // The root box the subobject writer passes.
        kf::Bounds box;
        for (const kf::ModelVertex& v : model.vertex)
            if (v.segment == seg) box.add(v.position);
        if (box.empty) box.add(kf::vec3{});
        kf::PofBuffer points, fast, plain;
        kf::write_defpoints(points, slots, model, seg, sink);
        const kf::vec3 lo = kf::widen_min(box.min), hi = kf::root_box_max(box.max);
        kf::build_bsp(fast, slots, model, lo, hi, seg);
        kfo::plain_bsp(plain, slots, model, lo, hi, seg);
        if (fast.bytes != plain.bytes) fault("tree of segment " + std::to_string(s) + " differs from the plain builder");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* sink = kft::discard_report();
    kf::Scene scene;
    kf::Model model;
    std::vector<uint8_t> pof;
    try {
        kf::read_cob_file(std::span<const uint8_t>(data, size), scene, sink);
        kf::build_model(scene, model, sink);
        pof = kf::assemble_pof(model, sink);
    } catch (const kf::Fatal& e) {
        check_message(e);
        return 0;
    }
    const pofread::Model read = pofread::parse(pof);
    if (!read.ok) fault("the model does not read back: at byte " + std::to_string(read.problem_offset) + ": " + read.problem);
    const std::string coverage = kfo::polygon_coverage(model, read);
    if (!coverage.empty()) fault("the model lacks geometry: " + coverage);
    compare_corner_normals(model);
    compare_trees(model, sink);
    return 0;
}
