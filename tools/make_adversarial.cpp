// make_adversarial FOLDER: writes each hostile scene of the test suite into
// FOLDER as NAME.cob, and prints one line per scene: the name, the expected
// exit status and what the scene is. scripts/adversarial times them.
#include "support/adversarial.h"
#include "support/files.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_adversarial FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        for (const kft::AdversarialScene& s : kft::adversarial_scenes()) {
            kft::write_file((folder / (s.name + ".cob")).string(), s.bytes);
            std::printf("%s\t%d\t%s\n", s.name.c_str(), s.status, s.what.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_adversarial: %s\n", e.what());
        return 1;
    }
    return 0;
}
