// Writing the file: an existing file is replaced whole through a temporary
// that is renamed over it; any failure leaves the old file as it was and no
// temporary behind, and ends the run with one " Error: " line and status 1.
#include "pof_fixture.h"
#include "support/cob_builder.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace kfp;
namespace fs = std::filesystem;

namespace {

using Folder = kft::TempFolder;

// The message and status of the Fatal that `f` throws.
template <class F>
std::pair<std::string, int> fatal_of(F f) {
    try {
        f();
    } catch (const kf::Fatal& e) {
        return {e.what(), e.status()};
    }
    return {"(nothing thrown)", 0};
}

// Limits the size of files this process may write, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*old_handler_)(int);
};

// One textured flat triangle in segment 0; with `broken_shield`, also a
// shield segment holding a quadrilateral.
kf::Model small_model(bool broken_shield = false) {
    ModelMaker mk;
    mk.segment("hull");
    mk.model.detail_list = {0};
    const uint16_t a = mk.vertex(0, {0, 0, 0}), b = mk.vertex(0, {1, 0, 0}), c = mk.vertex(0, {0, 1, 0});
    mk.poly(0, {a, b, c});
    if (broken_shield) {
        mk.segment("shield");
        mk.model.shield_segment = 1;
        const uint16_t s0 = mk.vertex(1, {0, 0, 0}), s1 = mk.vertex(1, {1, 0, 0}), s2 = mk.vertex(1, {1, 1, 0}),
                       s3 = mk.vertex(1, {0, 1, 0});
        mk.poly(1, {s0, s1, s2, s3});
    }
    return mk.model;
}

} // namespace

TEST(WriteFile, ReplacesAnExistingFileWhole) {
    Folder dir;
    const std::string target = dir / "test.pof";
    kft::write_file(target, Bytes(1000, 0xEE));
    const Bytes fresh = {1, 2, 3, 4, 5};
    kf::write_file_atomically(target, fresh);
    EXPECT_EQ(kft::read_file(target), fresh);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});

    // It gets the permissions that a plainly created file gets.
    std::fclose(std::fopen((dir / "plain").c_str(), "wb"));
    struct stat written {}, plain {};
    ASSERT_EQ(stat(target.c_str(), &written), 0);
    ASSERT_EQ(stat((dir / "plain").c_str(), &plain), 0);
    EXPECT_EQ(written.st_mode, plain.st_mode);
}

TEST(WriteFile, WritesTheAssembledBytes) {
    Folder dir;
    const kf::Model model = small_model();
    Report first, second;
    const Bytes expected = kf::assemble_pof(model, first);
    kf::write_pof_file(model, second, dir / "test.pof");
    EXPECT_EQ(kft::read_file(dir / "test.pof"), expected);
    EXPECT_EQ(second.text(), first.text());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});
}

// A folder that does not exist, a directory where the file should go, and a
// write cut short (a file size limit stands in for a full disk).
TEST(WriteFile, FailuresLeaveTheOldStateAndNoTemporary) {
    const Bytes old(64, 0x5A), fresh(8192, 0x11);
    {
        Folder dir;
        const std::string target = dir / "missing/test.pof";
        const auto [message, status] = fatal_of([&] { kf::write_file_atomically(target, fresh); });
        EXPECT_EQ(message, " Error: cannot write " + target + ": No such file or directory");
        EXPECT_EQ(status, 1);
        EXPECT_TRUE(dir.entries().empty());
    }
    {
        Folder dir;
        const std::string target = dir / "test.pof";
        fs::create_directory(target);
        kft::write_file(target + "/keep", old);
        const auto [message, status] = fatal_of([&] { kf::write_file_atomically(target, fresh); });
        EXPECT_EQ(message, " Error: cannot write " + target + ": Is a directory");
        EXPECT_EQ(status, 1);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});
        EXPECT_EQ(kft::read_file(target + "/keep"), old);
    }
    {
        Folder dir;
        const std::string target = dir / "test.pof";
        kft::write_file(target, old);
        std::pair<std::string, int> result;
        {
            FileSizeLimit limit(1024);
            result = fatal_of([&] { kf::write_file_atomically(target, fresh); });
        }
        EXPECT_EQ(result.first, " Error: cannot write " + target + ": File too large");
        EXPECT_EQ(result.second, 1);
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});
        EXPECT_EQ(kft::read_file(target), old);
    }
}

// The file leaves chunk by chunk while the model is laid out; a write that
// fails part way (after the first chunks) still gives the whole report, then
// the one error line, and leaves the old file and no temporary.
TEST(WriteFile, AWriteThatFailsPartWayReportsAfterTheWholeModel) {
    ModelMaker mk;
    for (int s = 0; s < 12; ++s) {
        const int32_t seg = mk.segment("part" + std::to_string(s), s == 0 ? -1 : 0, {static_cast<float>(s), 0, 0});
        const uint16_t a = mk.vertex(seg, {0, 0, 0}), b = mk.vertex(seg, {1, 0, 0}), c = mk.vertex(seg, {0, 1, 0});
        mk.poly(seg, {a, b, c}, kf::POLY_TMAPPED);
    }
    mk.model.detail_list = {0};
    Report whole;
    const Bytes expected = kf::assemble_pof(mk.model, whole);
    ASSERT_GT(expected.size(), 2048u);

    Folder dir;
    const std::string target = dir / "test.pof";
    {
        Report report;
        kf::write_pof_file(mk.model, report, target);
        EXPECT_EQ(kft::read_file(target), expected);
        EXPECT_EQ(report.text(), whole.text());
    }
    const Bytes old(64, 0x5A);
    kft::write_file(target, old);
    Report report;
    std::pair<std::string, int> result;
    {
        FileSizeLimit limit(1024);
        result = fatal_of([&] { kf::write_pof_file(mk.model, report, target); });
    }
    EXPECT_EQ(result.first, " Error: cannot write " + target + ": File too large");
    EXPECT_EQ(report.text(), whole.text());
    EXPECT_EQ(kft::read_file(target), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});
}

TEST(WriteFile, ShieldErrorWritesNothing) {
    Folder dir;
    const std::string target = dir / "test.pof";
    const Bytes old(16, 0x42);
    kft::write_file(target, old);
    Report report;
    const auto [message, status] =
        fatal_of([&] { kf::write_pof_file(small_model(true), report, target); });
    EXPECT_EQ(message, " Shield error: corners != 3 \n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(kft::read_file(target), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"test.pof"});
}

namespace {

kft::CobBuilder hull_and_shield(const kft::Polh& shield) {
    kft::CobBuilder cob;
    cob.grou("hull").polh(kft::triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
    cob.grou("shield").polh(shield);
    cob.end();
    return cob;
}

} // namespace

// The converter itself, run in a folder where "test.pof" is a directory:
// the report stops at one error line without a line break.
TEST(WriteFile, ConverterReportsAnUnwritableOutput) {
    Folder dir;
    hull_and_shield(kft::triangle({0, 0, 0}, {0, 0, 1}, {0, 1, 0})).save(dir / "scene.cob");
    fs::create_directory(dir / "test.pof");
    const std::string cmd = "cd '" + dir.path().string() + "' && '" KEELFORGE_BINARY "' scene.cob > out.txt 2>&1";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    const std::string out = kft::read_text(dir / "out.txt");
    const std::string tail = " Shield: n_faces = 1\n Error: cannot write test.pof: Is a directory";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
    EXPECT_EQ(out.find("Done"), std::string::npos);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out.txt", "scene.cob", "test.pof"}));
    EXPECT_TRUE(fs::is_directory(dir / "test.pof"));
}

TEST(WriteFile, ConverterShieldErrorsLeaveNoFile) {
    kft::Polh too_many;
    too_many.name = "Shield";
    for (int i = 0; i < 503; ++i) too_many.vertices.push_back({static_cast<float>(i), 0, 1});
    too_many.uvs = {{0, 0}};
    for (int32_t i = 0; i < 501; ++i) too_many.faces.push_back(kft::Face{.vertices = {i, i + 1, i + 2}});
    const struct {
        const char* name;
        kft::Polh shield;
        std::string tail;
    } cases[] = {
        {"quadrilaterals", kft::cube(), " Shield error: corners != 3 \n"},
        {"501 triangles", too_many, " Shield polys > SHIELD_MAX \n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const kft::RunResult r = kft::run_keelforge(hull_and_shield(c.shield).bytes());
        EXPECT_EQ(r.status, 1);
        ASSERT_GE(r.stdout_text.size(), c.tail.size());
        EXPECT_EQ(r.stdout_text.substr(r.stdout_text.size() - c.tail.size()), c.tail) << r.stdout_text;
        EXPECT_FALSE(r.pof.has_value());
        EXPECT_TRUE(r.files.empty());
    }
}
