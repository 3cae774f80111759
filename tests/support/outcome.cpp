#include "support/outcome.h"

#include "cob/reader.h"
#include "model/model.h"
#include "oracles/polygon_coverage.h"
#include "pof/pof.h"
#include "pofinfo/pofread.h"
#include "support/files.h"

#include <cstdio>

namespace kft {

Outcome convert_in_memory(std::span<const uint8_t> bytes) {
    Outcome o;
    FILE* sink = discard_report();
    kf::Scene scene;
    kf::Model model;
    std::vector<uint8_t> pof;
    try {
        kf::read_cob_file(bytes, scene, sink);
        kf::build_model(scene, model, sink);
        pof = kf::assemble_pof(model, sink);
    } catch (const kf::Fatal& e) {
        o.message = e.what();
        const size_t line_end = o.message.find('\n');
        if (o.message.empty() || (line_end != std::string::npos && line_end + 1 != o.message.size()))
            o.fault = "not a one-line message: \"" + o.message + "\"";
        else if (e.status() != 1)
            o.fault = "status " + std::to_string(e.status()) + " for \"" + o.message + "\"";
        return o;
    }
    o.converted = true;
    const pofread::Model read = pofread::parse(pof);
    if (!read.ok)
        o.fault = "the model does not read back: at byte " + std::to_string(read.problem_offset) + ": " + read.problem;
    else
        o.fault = kfo::polygon_coverage(model, read);
    return o;
}

} // namespace kft
