#include "support/run_binary.h"

#include "cob/reader.h"
#include "model/model.h"
#include "oracles/polygon_coverage.h"
#include "pofinfo/pofread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace kft {

void check_polygon_coverage(const std::vector<uint8_t>& scene_bytes, const pofread::Model& read) {
    FILE* quiet = discard_report();
    try {
        kf::Scene scene;
        kf::read_cob_file(scene_bytes, scene, quiet);
        kf::Model model;
        kf::build_model(scene, model, quiet);
        const std::string fault = kfo::polygon_coverage(model, read);
        if (!fault.empty()) ADD_FAILURE() << "test.pof lacks geometry: " << fault;
    } catch (const kf::Fatal& e) {
        ADD_FAILURE() << "the program converted a scene the library refuses: " << e.what();
    }
}

RunResult run_keelforge(const std::vector<uint8_t>& input, const std::string& name,
                        std::optional<std::vector<std::string>> args, const std::vector<PlacedFile>& placed) {
    const TempFolder folder;
    const fs::path& dir = folder.path();
    write_file(folder / name, input);
    for (const PlacedFile& p : placed) write_file(folder / p.name, p.bytes);
    std::string cmd = "cd " + shell_quote(dir.string()) + " && " + shell_quote(KEELFORGE_BINARY);
    for (const std::string& a : args ? *args : std::vector<std::string>{name}) cmd += " " + shell_quote(a);
    cmd += " > .stdout 2> .stderr";
    int raw = std::system(cmd.c_str());

    RunResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.stdout_text = read_text((dir / ".stdout").string());
    if (fs::exists(dir / "test.pof")) r.pof = read_file((dir / "test.pof").string());
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string f = e.path().filename().string();
        if (f != ".stdout" && f != ".stderr" && f != name) r.files.push_back(f);
    }
    if (!read_text((dir / ".stderr").string()).empty()) r.status = -2; // nothing may go to the error stream
    // Every file the converter says it wrote must read back as a sound model
    // that holds every polygon the builder made from the scene.
    if (r.status == 0 && r.pof) {
        const pofread::Model read = pofread::parse(*r.pof);
        if (!read.ok) ADD_FAILURE() << "test.pof does not read back: at byte " << read.problem_offset << ": "
                                    << read.problem;
        else if (!args || *args == std::vector<std::string>{name})
            check_polygon_coverage(input, read);
    }
    return r;
}

} // namespace kft
