// The command line: argument count, a missing input, and the path echoed as
// given; exact output and status, and no file written on failure.
#include "support/cob_builder.h"
#include "support/cob_report.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kft;

namespace {

const std::vector<uint8_t> old_pof = {'o', 'l', 'd'};

} // namespace

TEST(Driver, WrongArgumentCountPrintsTheUsage) {
    const std::vector<std::vector<std::string>> arg_lists = {{}, {"scene.cob", "scene.cob"}, {"a", "b", "c"}};
    for (const auto& args : arg_lists) {
        SCOPED_TRACE(args.size());
        RunResult r = run_keelforge(CobBuilder().end().bytes(), "scene.cob", args);
        EXPECT_EQ(r.stdout_text, "Usage: keelforge file.cob\nKeelforge2 Version 0.01 10-23-99\n\n Done...\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.files.empty());
    }
}

TEST(Driver, MissingFileLeavesAnExistingOutputAlone) {
    RunResult r = run_keelforge(CobBuilder().end().bytes(), "scene.cob", std::vector<std::string>{"missing.cob"},
                                {{"test.pof", old_pof}});
    EXPECT_EQ(r.stdout_text, "File not found\n\n Done...\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.pof, old_pof);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
}

TEST(Driver, PathIsUsedAsGiven) {
    // No extension is added or required, and the echo shows the argument.
    RunResult r = run_keelforge(CobBuilder().end().bytes(), "scene.data", std::vector<std::string>{"./scene.data"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stdout_text.substr(0, run_head("./scene.data").size()), run_head("./scene.data"));
    EXPECT_TRUE(r.pof.has_value());
}

TEST(Driver, SceneErrorLeavesAnExistingOutputAlone) {
    RunResult r = run_keelforge(CobBuilder().end().bytes(100), "scene.cob", std::nullopt, {{"test.pof", old_pof}});
    ASSERT_EQ(r.status, 0) << "an END chunk's data is never read";

    r = run_keelforge(CobBuilder().end(-1).bytes(), "scene.cob", std::nullopt, {{"test.pof", old_pof}});
    EXPECT_EQ(r.stdout_text, run_head("scene.cob") + tag_line("20444e45") + " Error: negative chunk data size");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.pof, old_pof);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
}
