// Fuzz target: the POF reader and validator on any bytes, and what pofinfo
// does with its result: the summary, the opcode tree and the JSON on every
// outcome, the preview on files it accepts. Nothing may crash or read outside
// the bytes; a rejected file names a problem inside it; the JSON always
// parses back.
#include "pofinfo/pofread.h"
#include "pofinfo/preview.h"
#include "pofinfo/report.h"
#include "support/files.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace {

[[noreturn]] void fault(const std::string& what) {
    std::fprintf(stderr, "pofread_fuzzer: %s\n", what.c_str());
    std::abort();
}

// Drawing a preview under the sanitizers costs as much as a few thousand
// other runs, whatever the model, so it is drawn for one accepted file in
// PREVIEW_SHARE: the first one, then every PREVIEW_SHARE-th. Counting runs
// rather than hashing the bytes matters: a corpus file whose hash picked it
// is mutated into the same bytes again and again (shuffling a run of zeros,
// say), and was drawn in almost half of all the time. A file given alone,
// as when a finding is replayed, is always drawn.
constexpr uint32_t PREVIEW_SHARE = 16384;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* sink = kft::discard_report();
    const pofread::Model m = pofread::parse(std::span<const uint8_t>(data, size));
    if (!m.ok && (m.problem.empty() || m.problem_offset > size))
        fault("a rejected file must name a problem inside it: \"" + m.problem + "\" at " +
              std::to_string(m.problem_offset));
    pofinfo::print_summary(sink, m, "fuzz.pof");
    pofinfo::print_tree(sink, m);
    if (!nlohmann::json::accept(pofinfo::summary_json(m, "fuzz.pof"))) fault("the JSON summary does not parse");
    static uint32_t accepted = 0;
    if (m.ok && accepted++ % PREVIEW_SHARE == 0) {
        const pofinfo::ImageSize s = pofinfo::preview_size(m);
        if (pofinfo::render_preview(m).size() != static_cast<size_t>(s.width) * static_cast<size_t>(s.height) * 3)
            fault("the preview is not of its stated size");
    }
    return 0;
}
