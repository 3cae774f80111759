// Groups: names, positions, parents by chunk id, the grouping rule and
// content that runs past the chunk's end.
#include "cob/read_scene.h"
#include "support/cob_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kft;

namespace {

const Polh tri = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});

} // namespace

TEST(Grou, ReportAndSection) {
    ReadResult r = read_scene(CobBuilder().grou("hull", {1.5f, -2, 3}, 10, 0, 4).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + grou_report("hull", 4) + end_line);
    ASSERT_EQ(r.scene.cob_scount(), 1u);
    const kf::CobSection& s = r.scene.cob_section[0];
    EXPECT_EQ(s.name, "hull");
    // The origin of the group's axes, unscaled and in scene axes.
    EXPECT_EQ(s.position.x, 1.5f);
    EXPECT_EQ(s.position.y, -2.0f);
    EXPECT_EQ(s.position.z, 3.0f);
    EXPECT_EQ(s.parent, 0);
}

TEST(Grou, NamesAreCStringsWhileTheEchoShowsEveryByte) {
    struct Case {
        const char* what;
        std::string name;   // as the file holds it
        std::string stored; // the section's name, also printed on its own line
    };
    const Case cases[] = {
        {"empty name", "", "None"},
        {"first byte zero", std::string("\0xyz", 4), ""},
        {"zero byte inside", std::string("ab\0cd", 5), "ab"},
        {"bytes of 0x80 and more", "\xe9t\xe9\xff", "\xe9t\xe9\xff"},
        {"the word None", "None", "None"},
        {"long name kept whole", std::string(250, 'g') + "end", std::string(250, 'g') + "end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = read_scene(CobBuilder().grou(c.name).end().bytes());
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_EQ(r.report, reading_line + tag_line("756f7247") + " Grou... \nGrou name: " + c.name + ",0\n" +
                                c.stored + "\n" + end_line);
        EXPECT_EQ(r.scene.cob_section[0].name, c.stored);
    }
}

TEST(Grou, ParentIsTheLastEarlierGroupWithTheParentId) {
    struct Group {
        int32_t id, parent_id, expected_parent;
    };
    const Group groups[] = {
        {10, 10, 0}, // the first section has no earlier one, not even itself
        {20, 10, 0}, // child of section 0
        {30, 20, 1},
        {20, 30, 2}, // a second chunk with id 20
        {40, 20, 3}, // sections 1 and 3 both have id 20: the last one wins
        {50, 60, 0}, // its parent comes later in the file: not linked
        {60, 99, 0}, // no group has id 99
        {70, 70, 0}, // its own id is not searched
        {80, 50, 5},
    };
    CobBuilder cob;
    for (const Group& g : groups) cob.grou("g" + std::to_string(g.id), {}, g.id, g.parent_id);
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    ASSERT_EQ(r.scene.cob_scount(), std::size(groups));
    for (size_t i = 0; i < std::size(groups); ++i)
        EXPECT_EQ(r.scene.cob_section[i].parent, groups[i].expected_parent) << "section " << i;
}

TEST(Grou, ObjectsBelongToTheMostRecentGroup) {
    ReadResult r = read_scene(CobBuilder().grou("a").polh(tri).polh(tri).grou("b").polh(tri).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + grou_report("a") + polh_report("Triangle", 3, 1, 3, 1, 3, 0) +
                            polh_report("Triangle", 3, 1, 6, 2, 6, 0) + grou_report("b") +
                            polh_report("Triangle", 3, 1, 9, 3, 9, 1) + end_line);
    EXPECT_EQ(r.scene.cob_vertex[5].section, 0);
    EXPECT_EQ(r.scene.cob_vertex[6].section, 1);
    EXPECT_EQ(r.scene.cob_face[2].section, 1);
    EXPECT_EQ(r.scene.cob_face[2].chunk, 2);
}

TEST(Grou, GroupAfterUngroupedObjectsIsRefused) {
    const std::string message = " Error: need to group all parts or don't group any.";
    // Nothing of the group is read: even an empty Grou chunk gives the message.
    for (const std::vector<uint8_t>& group : {grou_data("late", {}), std::vector<uint8_t>{}}) {
        ReadResult r = read_scene(CobBuilder().polh(tri).chunk("Grou", group).end().bytes());
        EXPECT_EQ(r.error, message);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.report, reading_line + polh_report("Triangle", 3, 1, 3, 1, 3, 0) + tag_line("756f7247") +
                                " Grou... \n" + message);
    }
}

TEST(Grou, ContentPastTheChunkEndIsAnError) {
    const size_t full = grou_data("hull", {}).size(); // 2 + 2 + 4 + 96
    struct Case {
        const char* what;
        size_t size;
        std::string report_tail;
    };
    const Case cases[] = {
        {"empty chunk", 0, ""},
        {"inside the name length", 3, ""},
        {"inside the name", 6, "Grou name: hu"},
        {"inside the transform", full - 1, "Grou name: hull,0\nhull\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = read_scene(CobBuilder().grou("hull", {}, 1, 0, 0, static_cast<int32_t>(c.size)).end().bytes());
        EXPECT_EQ(r.error, grou_past_chunk);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.report, reading_line + tag_line("756f7247") + " Grou... \n" + c.report_tail + grou_past_chunk);
    }
}
