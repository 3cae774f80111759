// pofinfo: inspects, validates and previews a POF model file.
#include "bytes.h"
#include "pofinfo/preview.h"
#include "pofinfo/report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char usage[] = "usage: pofinfo [--tree | --json | --png OUT.png] FILE.pof\n";

std::optional<std::vector<uint8_t>> read_whole(const std::string& path, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    const bool read = kf::read_whole_file(f, bytes, error);
    std::fclose(f);
    if (!read) return std::nullopt;
    return bytes;
}

// Every problem that stops pofinfo before it has a verdict: one line on the
// error stream, status 1.
int stop(const std::string& problem) {
    std::fprintf(stderr, "pofinfo: %s\n", problem.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    enum { SUMMARY, TREE, JSON, PNG } mode = SUMMARY;
    std::string png_path, path;
    if (args.size() == 1 && !args[0].starts_with("--")) {
        path = args[0];
    } else if (args.size() == 2 && (args[0] == "--tree" || args[0] == "--json")) {
        mode = args[0] == "--tree" ? TREE : JSON;
        path = args[1];
    } else if (args.size() == 3 && args[0] == "--png") {
        mode = PNG;
        png_path = args[1];
        path = args[2];
    } else {
        std::fputs(usage, stderr);
        return 1;
    }

    std::string error;
    auto bytes = read_whole(path, error);
    if (!bytes) return stop("cannot read " + path + ": " + error);
    const pofread::Model model = pofread::parse(*bytes);

    switch (mode) {
    case SUMMARY:
        pofinfo::print_summary(stdout, model, path);
        break;
    case TREE:
        pofinfo::print_tree(stdout, model);
        break;
    case JSON:
        std::fputs(pofinfo::summary_json(model, path).c_str(), stdout);
        break;
    case PNG:
        if (!model.ok) {
            std::printf("invalid: at byte %zu (0x%zx): %s\nno preview written\n", model.problem_offset,
                        model.problem_offset, model.problem.c_str());
            break;
        }
        error = pofinfo::write_preview(model, png_path);
        if (!error.empty()) return stop(error);
        {
            const auto size = pofinfo::preview_size(model);
            std::printf("preview written to %s (%d x %d)\nvalid\n", png_path.c_str(), size.width, size.height);
        }
        break;
    }
    return model.ok ? 0 : 1;
}
