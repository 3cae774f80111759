#include "driver/run.h"

#include "cob/reader.h"
#include "model/model.h"
#include "pof/pof.h"

#include <fstream>
#include <iterator>

namespace kf {

namespace {

bool read_whole_file(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

int run(const std::vector<std::string>& args, FILE* out, const std::string& output) {
    if (args.size() != 2) {
        std::fprintf(out, "Usage: keelforge file.cob\n%s\n Done...\n", banner);
        return 1;
    }
    const std::string& path = args[1];
    std::vector<uint8_t> file;
    if (!read_whole_file(path, file)) {
        std::fprintf(out, "File not found\n\n Done...\n");
        return 1;
    }
    std::fprintf(out, " %s", banner);
    std::fprintf(out, " Processing %s\n\n", path.c_str());

    Scene scene;
    read_cob_file(file, scene, out);
    file.clear();
    file.shrink_to_fit();

    Model model;
    build_model(scene, model, out);
    write_pof_file(scene, model, out, output);
    std::fprintf(out, "\n Done...\n");
    return 0;
}

} // namespace kf
