// Files for tests and tools: whole-file reads and writes, a fresh temporary
// folder, shell quoting, a report sink that discards, and the real scenes of
// the system's test-model package.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kft {

std::vector<uint8_t> read_file(const std::string& path);
std::string read_text(const std::string& path);
void write_file(const std::string& path, std::span<const uint8_t> bytes);

// `s` in single quotes, safe as one word of a shell command.
std::string shell_quote(const std::string& s);

// A console report sink that drops everything, opened once per program.
FILE* discard_report();

// A new empty folder under the system's temporary folder, removed with all
// it holds when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // Every entry, hidden ones included, sorted by name.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path path_;
};

// The binary scenes of the test-model package, by base name.
inline constexpr const char* REAL_SCENES[] = {"dwarf", "molecule", "spider_4_3", "spider_6_6"};

// Folder of the package's COB scenes, or empty when it is not installed.
std::string real_scene_folder();

// The package's scene `file` ("dwarf.cob"); throws when the package is not
// installed, so a test that needs it fails instead of passing on nothing.
std::vector<uint8_t> read_real_scene(const std::string& file);

} // namespace kft
