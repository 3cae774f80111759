#include "support/run_binary.h"

#include "cob/reader.h"
#include "model/model.h"
#include "oracles/polygon_coverage.h"
#include "pofinfo/pofread.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace kft {

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string read_text(const std::string& path) {
    auto b = read_file(path);
    return {b.begin(), b.end()};
}

static std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

void check_polygon_coverage(const std::vector<uint8_t>& scene_bytes, const pofread::Model& read) {
    FILE* quiet = std::fopen("/dev/null", "w");
    if (!quiet) throw std::runtime_error("cannot open /dev/null");
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
    std::fclose(quiet);
}

RunResult run_keelforge(const std::vector<uint8_t>& input, const std::string& name,
                        std::optional<std::vector<std::string>> args, const std::vector<PlacedFile>& placed) {
    std::string tmpl = (fs::temp_directory_path() / "keelforge-e2e-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    const fs::path dir = tmpl;
    auto place = [&](const std::string& file, const std::vector<uint8_t>& bytes) {
        std::ofstream f(dir / file, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    place(name, input);
    for (const PlacedFile& p : placed) place(p.name, p.bytes);
    std::string cmd = "cd " + quote(dir.string()) + " && " + quote(KEELFORGE_BINARY);
    for (const std::string& a : args ? *args : std::vector<std::string>{name}) cmd += " " + quote(a);
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
    fs::remove_all(dir);
    return r;
}

std::string real_scene_folder() {
    const char* dir = "/usr/share/assimp/models/COB";
    return fs::exists(fs::path(dir) / "dwarf.cob") ? dir : "";
}

} // namespace kft
