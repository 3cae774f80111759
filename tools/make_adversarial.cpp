// make_adversarial FOLDER: writes each hostile scene of the test suite into
// FOLDER as NAME.cob, and prints one line per scene: the name, the expected
// exit status and what the scene is. scripts/adversarial times them.
#include "support/adversarial.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_adversarial FOLDER\n");
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        for (const kft::AdversarialScene& s : kft::adversarial_scenes()) {
            std::ofstream out(folder / (s.name + ".cob"), std::ios::binary);
            out.write(reinterpret_cast<const char*>(s.bytes.data()), static_cast<std::streamsize>(s.bytes.size()));
            if (!out) throw std::runtime_error("cannot write " + s.name + ".cob");
            std::printf("%s\t%d\t%s\n", s.name.c_str(), s.status, s.what.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_adversarial: %s\n", e.what());
        return 1;
    }
    return 0;
}
