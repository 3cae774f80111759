#include "support/files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kft {

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string read_text(const std::string& path) {
    const auto b = read_file(path);
    return {b.begin(), b.end()};
}

void write_file(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!f.flush()) throw std::runtime_error("cannot write " + path);
}

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

FILE* discard_report() {
    static FILE* sink = [] {
        FILE* f = std::fopen("/dev/null", "w");
        if (!f) throw std::runtime_error("cannot open /dev/null");
        return f;
    }();
    return sink;
}

TempFolder::TempFolder() {
    std::string tmpl = (fs::temp_directory_path() / "keelforge-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = tmpl;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::entries() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string real_scene_folder() {
    const char* dir = "/usr/share/assimp/models/COB";
    return fs::exists(fs::path(dir) / "dwarf.cob") ? dir : "";
}

std::vector<uint8_t> read_real_scene(const std::string& file) {
    const std::string folder = real_scene_folder();
    if (folder.empty()) throw std::runtime_error("the real COB scenes are not installed (package assimp-testmodels)");
    return read_file(folder + "/" + file);
}

} // namespace kft
