// Reading a file through the cursor's window gives exactly what reading the
// same bytes in memory gives, whatever the window's size and wherever a read
// straddles its edge; a file that shrinks or cannot be read while the scene
// is read ends in one error line.
#include "cob/read_scene.h"
#include "model/model.h"
#include "pof/pof.h"
#include "support/files.h"
#include "support/limit_scenes.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace kft;

namespace {

// The report, the error and the converted model of one read.
struct Outcome {
    std::string report;
    std::vector<uint8_t> pof;
};

Outcome finish(Capture& out, kf::Scene& scene) {
    Outcome o;
    kf::Model model;
    kf::build_model(scene, model, discard_report());
    o.pof = kf::assemble_pof(model, discard_report());
    o.report = out.text();
    return o;
}

Outcome in_memory(const std::vector<uint8_t>& bytes) {
    Capture out;
    kf::Scene scene;
    try {
        kf::read_cob_file(bytes, scene, out);
        return finish(out, scene);
    } catch (const kf::Fatal& e) {
        std::fputs(e.what(), out);
        return {out.text(), {}};
    }
}

Outcome through_window(const std::string& path, size_t window_bytes, size_t claimed_size) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) throw std::runtime_error("cannot open " + path);
    Capture out;
    kf::Scene scene;
    kf::Cursor in = kf::Cursor::over_file(fd, claimed_size);
    in.window_bytes = window_bytes;
    Outcome o;
    try {
        kf::read_cob_file(in, scene, out);
        o = finish(out, scene);
    } catch (const kf::Fatal& e) {
        std::fputs(e.what(), out);
        o = {out.text(), {}};
    }
    close(fd);
    return o;
}

struct Input {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<Input> inputs() {
    std::vector<Input> all;
    const auto ship = read_file(std::string(KEELFORGE_SOURCE_DIR) + "/examples/ship.cob");
    all.push_back({"ship", ship});
    for (size_t cut : {size_t{10}, size_t{40}, ship.size() / 3, ship.size() - 1})
        all.push_back({"ship cut at " + std::to_string(cut), {ship.begin(), ship.begin() + static_cast<long>(cut)}});
    all.push_back({"spider_4_3", read_real_scene("spider_4_3.cob")});
    for (const char* limit : {"vertices", "textures"})
        for (uint32_t extra : {0u, 1u}) {
            const LimitScene& l = limit_scene(limit);
            all.push_back({std::string(limit) + " +" + std::to_string(extra), limit_scene_bytes(limit, l.limit + extra)});
        }
    return all;
}

} // namespace

TEST(FileWindow, ReadsLikeTheBytesInMemory) {
    const TempFolder folder;
    for (const Input& input : inputs()) {
        const std::string path = folder / "scene.cob";
        write_file(path, input.bytes);
        const Outcome want = in_memory(input.bytes);
        for (size_t window : {size_t{1}, size_t{3}, size_t{4096}, size_t{64 * 1024}}) {
            SCOPED_TRACE(input.name + ", window " + std::to_string(window));
            const Outcome got = through_window(path, window, input.bytes.size());
            EXPECT_EQ(got.report, want.report);
            EXPECT_EQ(got.pof, want.pof);
        }
    }
}

TEST(FileWindow, AFileThatShrinksOrCannotBeReadEndsInOneErrorLine) {
    const TempFolder folder;
    const auto ship = read_file(std::string(KEELFORGE_SOURCE_DIR) + "/examples/ship.cob");
    const std::string path = folder / "scene.cob";
    write_file(path, std::vector<uint8_t>(ship.begin(), ship.begin() + static_cast<long>(ship.size() / 2)));
    // The size taken when the file was opened is larger than what is there now.
    const Outcome shrunk = through_window(path, 4096, ship.size());
    EXPECT_TRUE(shrunk.report.ends_with("\n Error: unexpected end of the input file")) << shrunk.report;
    EXPECT_TRUE(shrunk.pof.empty());

    // A folder opens, but reading it fails with the system's reason.
    const Outcome unreadable = through_window(folder.path().string(), 4096, 100);
    EXPECT_EQ(unreadable.report, " Reading input file...\n Error: cannot read the input file: Is a directory");
}
