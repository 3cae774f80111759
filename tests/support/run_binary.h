// Runs the built keelforge binary in a fresh temporary folder.
#pragma once

#include "pofinfo/pofread.h"
#include "support/files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kft {

struct RunResult {
    std::string stdout_text;
    int status = -1;
    std::optional<std::vector<uint8_t>> pof; // "test.pof" when one was written
    std::vector<std::string> files;          // every file left in the folder afterwards
};

// A file placed in the folder before the run.
struct PlacedFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// Copies `input` into a new empty folder as `name`, together with `placed`,
// runs keelforge there with `args` (default: just `name`), and collects the
// outcome.
RunResult run_keelforge(const std::vector<uint8_t>& input, const std::string& name = "scene.cob",
                        std::optional<std::vector<std::string>> args = std::nullopt,
                        const std::vector<PlacedFile>& placed = {});

// Converts `scene_bytes` in memory and records a test failure unless every
// polygon with corners that the builder makes appears exactly once in `read`.
void check_polygon_coverage(const std::vector<uint8_t>& scene_bytes, const pofread::Model& read);

} // namespace kft
