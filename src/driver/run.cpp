#include "driver/run.h"

#include "bytes.h"
#include "cob/reader.h"
#include "model/model.h"
#include "pof/pof.h"

#include <memory>
#include <sys/stat.h>

namespace kf {

namespace {

using File = std::unique_ptr<FILE, decltype(&std::fclose)>;

// Reads the scene. A regular file is read through the cursor's window, so
// the chunks the reader skips are never read at all; anything else (a pipe,
// a device) is read whole first.
void read_input(FILE* in, Scene& scene, FILE* out) {
    struct stat st {};
    if (fstat(fileno(in), &st) == 0 && S_ISREG(st.st_mode)) {
        Cursor cursor = Cursor::over_file(fileno(in), static_cast<size_t>(st.st_size));
        read_cob_file(cursor, scene, out);
        return;
    }
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!read_whole_file(in, bytes, reason)) throw Fatal(" Error: cannot read the input file: " + reason);
    read_cob_file(bytes, scene, out);
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
    read_input(in.get(), scene, out);
    in.reset(); // the input is closed before the model is built

    Model model;
    build_model(scene, model, out);
    write_pof_file(model, out, output);
    std::fprintf(out, "\n Done...\n");
    return 0;
}

} // namespace kf
