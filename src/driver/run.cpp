#include "driver/run.h"

#include "bytes.h"
#include "cob/reader.h"
#include "model/model.h"
#include "pof/pof.h"

#include <memory>

namespace kf {

namespace {

using File = std::unique_ptr<FILE, decltype(&std::fclose)>;

// The whole input in memory; the reader then works on bytes with every read checked.
std::vector<uint8_t> read_input(FILE* in) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!read_whole_file(in, bytes, reason)) throw Fatal(" Error: cannot read the input file: " + reason);
    return bytes;
}

} // namespace

int run(const std::vector<std::string>& args, FILE* out, const std::string& output) {
    if (args.size() != 2) {
        std::fprintf(out, "Usage: keelforge file.cob\n%s\n Done...\n", banner);
        return 1;
    }
    const std::string& path = args[1];
    File in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in) {
        std::fprintf(out, "File not found\n\n Done...\n");
        return 1;
    }
    std::fprintf(out, " %s", banner);
    std::fprintf(out, " Processing %s\n\n", path.c_str());

    Scene scene;
    {
        const std::vector<uint8_t> file = read_input(in.get());
        in.reset(); // the input is closed before the model is built
        read_cob_file(file, scene, out);
    }

    Model model;
    build_model(scene, model, out);
    write_pof_file(model, out, output);
    std::fprintf(out, "\n Done...\n");
    return 0;
}

} // namespace kf
