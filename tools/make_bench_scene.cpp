// make_bench_scene OUT.cob [TRIANGLES [GROUPS [smooth|faceted [SKIPPED_MIB [before|between]]]]]
// writes one of the scenes the performance measurements use (defaults: the
// largest legal scene, 15000 smooth textured triangles in 99 groups, nothing
// skipped).
#include "support/bench_scenes.h"
#include "support/files.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 7) {
        std::fprintf(stderr, "usage: make_bench_scene OUT.cob [TRIANGLES [GROUPS [smooth|faceted [SKIPPED_MIB "
                             "[before|between]]]]]\n");
        return 2;
    }
    try {
        kft::BenchScene spec;
        if (argc > 2) spec.triangles = static_cast<uint32_t>(std::stoul(argv[2]));
        if (argc > 3) spec.groups = static_cast<uint32_t>(std::stoul(argv[3]));
        if (argc > 4) spec.smooth = std::string(argv[4]) != "faceted";
        if (argc > 5) spec.skipped_bytes = std::stoull(argv[5]) << 20;
        if (argc > 6) spec.skipped_between = std::string(argv[6]) == "between";
        kft::write_file(argv[1], kft::bench_scene(spec));
        std::printf("%s\n", spec.label().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_bench_scene: %s\n", e.what());
        return 1;
    }
    return 0;
}
