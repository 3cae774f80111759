#include "support/cob_builder.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

using namespace kft;

TEST(CobBuilder, EndOnlySceneConverts) {
    auto r = run_keelforge(CobBuilder().end().bytes());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.pof.has_value());
}
