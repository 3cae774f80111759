// Segments: one per section, the root, the debris / detail / shield roles,
// duplicate-role errors, and the parent and vertex-tally report.
#include "model/model_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kfm::build;
using kfm::Built;
using kfm::SceneMaker;

namespace {

const std::string kStart = "\n Starting cob -> model data\n";

SceneMaker groups(const std::vector<std::string>& names, const std::vector<int32_t>& parents = {}) {
    SceneMaker s;
    for (size_t i = 0; i < names.size(); ++i) s.group(names[i], {}, parents.empty() ? 0 : parents[i]);
    return s;
}

std::vector<int32_t> parents_of(const kf::Model& m) {
    std::vector<int32_t> p;
    for (uint32_t s = 0; s < m.Scount; ++s) p.push_back(m.segment[s].parent);
    return p;
}

struct RoleCase {
    const char* label;
    std::vector<std::string> names;
    std::vector<int32_t> scene_parents;
    std::vector<int32_t> debris;
    std::vector<int32_t> detail;
    int32_t shield;
    std::vector<int32_t> parents; // of the segments afterwards
};

const RoleCase role_cases[] = {
    {"DebrisAnyCaseAnyNumber", {"hull", "Debris01", "DEBRIS", "debris_wing", "debri"}, {0, 0, 0, 0, 0},
     {1, 2, 3}, {0}, 0, {-1, -1, -1, -1, 0}},
    {"RootCanBeDebrisAndStaysDetailZero", {"debris", "wing"}, {0, 0}, {0}, {0}, 0, {-1, 0}},
    {"RootIsNeverTheShield", {"shield", "wing"}, {0, 0}, {}, {0}, 0, {-1, 0}},
    {"RootIsNeverALowerDetail", {"detail1", "wing"}, {0, 0}, {}, {0}, 0, {-1, 0}},
    {"RootNamedShieldDoesNotCountAsDuplicate", {"shield", "Shield"}, {0, 0}, {}, {0}, 1, {-1, -1}},
    {"PrefixMatchesLongerNames", {"hull", "detail10", "shields"}, {0, 0, 0}, {}, {0, 1}, 2, {-1, -1, -1}},
    {"ShorterNamesNeverMatch", {"hull", "shiel", "detai", "deb", ""}, {0, 0, 1, 2, 3}, {}, {0}, 0,
     {-1, 0, 1, 2, 3}},
    {"DetailListIsCompacted", {"hull", "detail2"}, {0, 0}, {}, {0, 1}, 0, {-1, -1}},
    {"DetailListInLevelOrder", {"hull", "detail3", "DETAIL1"}, {0, 0, 0}, {}, {0, 2, 1}, 0, {-1, -1, -1}},
    // A section nested under a special segment keeps naming it as parent.
    {"NestedUnderSpecialKeepsParent", {"hull", "detail1", "wing", "detail3", "gun"}, {0, 0, 1, 0, 3}, {},
     {0, 1, 3}, 0, {-1, -1, 1, -1, 3}},
    // The shield is no subobject: a group nested under it hangs from the
    // shield group's own parent; deeper groups and special ones are unchanged.
    {"ChildOfTheShieldHangsFromTheShieldsParent", {"hull", "arm", "shield", "fin", "tip", "debris9"},
     {0, 0, 1, 2, 3, 2}, {5}, {0}, 2, {-1, 0, -1, 1, 3, -1}},
    {"ChildOfATopLevelShieldHangsFromTheRoot", {"hull", "shield", "fin"}, {0, 0, 1}, {}, {0}, 1, {-1, -1, 0}},
    {"AllRolesTogether", {"hull", "arm", "shield", "debris1", "detail1", "debris2"}, {0, 0, 1, 1, 0, 4},
     {3, 5}, {0, 4}, 2, {-1, 0, -1, -1, -1, -1}},
};

void PrintTo(const RoleCase& c, std::ostream* os) { *os << c.label; }

class Roles : public ::testing::TestWithParam<RoleCase> {};

} // namespace

TEST_P(Roles, ListsAndParents) {
    const RoleCase& c = GetParam();
    Built b = build(groups(c.names, c.scene_parents).scene);
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.model.Scount, c.names.size());
    EXPECT_EQ(b.model.debris_list, c.debris);
    EXPECT_EQ(b.model.detail_list, c.detail);
    EXPECT_EQ(b.model.shield_segment, c.shield);
    EXPECT_EQ(parents_of(b.model), c.parents);
    for (size_t s = 0; s < c.names.size(); ++s) EXPECT_EQ(b.model.segment[s].name, c.names[s]);
}

INSTANTIATE_TEST_SUITE_P(Model, Roles, ::testing::ValuesIn(role_cases),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(Roles, DuplicateRolesEndTheRunWithTheFirstDuplicateInPassOrder) {
    struct Case {
        std::vector<std::string> names;
        const char* message;
    };
    const Case cases[] = {
        {{"hull", "detail1", "Detail1b"}, " Error: two groups with 'detail1' name"},
        {{"hull", "detail2", "DETAIL2"}, " Error: two groups with 'detail2' name"},
        {{"hull", "detail3x", "detail3y"}, " Error: two groups with 'detail3' name"},
        {{"hull", "shield", "shields"}, " Error: two groups with 'shield' name"},
        // The passes run detail1, detail2, detail3, shield: the earliest pass reports.
        {{"hull", "shield", "detail2", "shield", "detail2"}, " Error: two groups with 'detail2' name"},
        {{"hull", "detail3", "detail3", "detail1", "detail1"}, " Error: two groups with 'detail1' name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Built b = build(groups(c.names).scene);
        EXPECT_EQ(b.error, c.message);
        EXPECT_EQ(b.status, 1);
        // The roles are settled before anything else is reported.
        EXPECT_EQ(b.report, kStart);
    }
}

TEST(Segments, OffsetsAreConvertedAbsoluteAndTheRootSitsAtTheOrigin) {
    SceneMaker s;
    s.group("hull", {3, 4, 5}).group("wing", {1, 2, 3}).group("shield", {0.5f, -2, 1.25f}, 1);
    s.group("turret", {1, 2, 3}, 1); // nested: its offset is still absolute
    Built b = build(s.scene);
    ASSERT_EQ(b.error, "");
    using kfm::bits;
    EXPECT_EQ(bits(b.model.segment[0].offset), bits(kf::vec3{0, 0, 0}));
    EXPECT_EQ(bits(b.model.segment[1].offset), bits(kf::vec3{-40, 60, 20}));
    EXPECT_EQ(bits(b.model.segment[2].offset), bits(kf::vec3{40, 25, 10})); // the shield keeps its offset
    EXPECT_EQ(bits(b.model.segment[3].offset), bits(kf::vec3{-40, 60, 20}));
    EXPECT_EQ(parents_of(b.model), (std::vector<int32_t>{-1, 0, -1, 1}));
}

TEST(Segments, SceneWithoutGroupsOrObjects) {
    Built b = build(kf::Scene{});
    ASSERT_EQ(b.error, "");
    EXPECT_EQ(b.model.Scount, 0u);
    EXPECT_EQ(b.model.Vcount(), 0u);
    EXPECT_EQ(b.model.Pcount(), 0u);
    EXPECT_EQ(b.model.n_normals(), 0u);
    EXPECT_EQ(b.model.detail_list, std::vector<int32_t>{0});
    EXPECT_TRUE(b.model.debris_list.empty());
    EXPECT_EQ(b.model.shield_segment, 0);
    ASSERT_FALSE(b.model.segment.empty());
    EXPECT_EQ(b.model.segment[0].parent, -1);
    EXPECT_EQ(kfm::bits(b.model.segment[0].offset), kfm::bits(kf::vec3{0, 0, 0}));
    EXPECT_EQ(b.report, kStart + " parent = \n segments: \n chunks: \n cmodel = 0, fs model = 0\n");
}

TEST(Report, ParentAndTallyLines) {
    struct Case {
        const char* label;
        SceneMaker scene;
        const char* lines;
    };
    std::vector<Case> cases;

    // Three sections with 8, 8 and 4 vertices, one object each.
    SceneMaker three;
    for (int count : {8, 8, 4}) {
        three.group("g" + std::to_string(count)).object();
        for (int i = 0; i < count; ++i) three.vertex(0, 0, 0);
    }
    cases.push_back({"OneObjectPerSection", three, " parent =  0 0 0\n segments:  8 8 4\n chunks:  8 8 4\n"});

    // The parent line shows the scene's parents, special segments and the
    // root included; tallies count unused vertices too, per section and per
    // object; a section without objects shows 0.
    SceneMaker mixed;
    mixed.group("hull").object();
    for (int i = 0; i < 3; ++i) mixed.vertex(0, 0, 0);
    mixed.object();
    for (int i = 0; i < 2; ++i) mixed.vertex(0, 0, 0);
    mixed.group("debris", {}, 0);
    mixed.group("arm", {}, 1).object();
    for (int i = 0; i < 4; ++i) mixed.vertex(0, 0, 0);
    mixed.face({5, 6, 7});
    mixed.group("shield", {}, 2).object();
    for (int i = 0; i < 3; ++i) mixed.vertex(0, 0, 0);
    cases.push_back({"SceneParentsAndAllVertices", mixed,
                     " parent =  0 0 1 2\n segments:  5 0 4 3\n chunks:  3 2 4 3\n"});

    // Without groups the objects share the one implicit section.
    SceneMaker ungrouped;
    ungrouped.object();
    ungrouped.vertex(0, 0, 0);
    ungrouped.object();
    for (int i = 0; i < 300; ++i) ungrouped.vertex(0, 0, 0);
    cases.push_back({"ImplicitSection", ungrouped, " parent =  0\n segments:  301\n chunks:  1 300\n"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Built b = build(c.scene.scene);
        ASSERT_EQ(b.error, "");
        ASSERT_EQ(b.report.substr(0, kStart.size()), kStart);
        const std::string rest = b.report.substr(kStart.size());
        EXPECT_EQ(rest.substr(0, rest.find(" cmodel")), c.lines);
    }
}
