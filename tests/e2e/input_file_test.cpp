// Inputs that open but cannot be read as a file end with one error line.
#include "support/run_binary.h"

#include <gtest/gtest.h>

using namespace kft;

TEST(InputFile, FolderGivenAsSceneIsAnErrorNotACrash) {
    RunResult r = run_keelforge({}, "scene.cob", std::vector<std::string>{"."});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.stdout_text,
              " Keelforge2 Version 0.01 10-23-99\n Processing .\n\n Error: cannot read the input file: Is a directory");
    EXPECT_FALSE(r.pof.has_value());
}
