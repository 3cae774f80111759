// Hostile scenes at the converter's bounds end in a valid model or in their
// one error line, never in a crash, a hang or a partial file. The runner
// validates every model written and checks that it holds every polygon.
#include "support/adversarial.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <string>

using namespace kft;

namespace {

class Adversarial : public ::testing::TestWithParam<size_t> {};

std::string last_line(const std::string& text) {
    std::string t = text;
    if (t.ends_with('\n')) t.pop_back();
    return t.substr(t.rfind('\n') + 1);
}

} // namespace

TEST_P(Adversarial, EndsInAValidModelOrItsMessage) {
    const AdversarialScene& s = adversarial_scenes()[GetParam()];
    const RunResult r = run_keelforge(s.bytes);
    EXPECT_EQ(r.status, s.status) << s.what;
    EXPECT_EQ(last_line(r.stdout_text), s.last_line) << s.what;
    if (s.status != 0) {
        EXPECT_TRUE(r.files.empty()) << s.what;
        return;
    }
    ASSERT_TRUE(r.pof.has_value()) << s.what;
    if (s.tree_depth >= 0) {
        const pofread::Model m = pofread::parse(*r.pof);
        ASSERT_TRUE(m.ok) << m.problem;
        EXPECT_EQ(m.subobjects.at(0).bsp_depth, s.tree_depth) << s.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Hardening, Adversarial, ::testing::Range<size_t>(0, adversarial_scenes().size()),
                         [](const auto& p) { return adversarial_scenes()[p.param].name; });
