// The file header and the walk over the chunks: tag prints, dispatch,
// skipping, where the walk goes on after each chunk, and the inputs that end
// too early or carry a negative size.
#include "cob/read_scene.h"
#include "support/cob_builder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kft;

namespace {

// The 20-byte header of an END chunk, to plant where a reader that lost
// its place would take it for the end of the scene.
std::vector<uint8_t> fake_end_header() {
    Bytes b;
    b.text("END ").u16(0).u16(1).i32(99).i32(0).i32(0);
    return b.data;
}

} // namespace

TEST(ChunkLoop, EndOnlySceneLeavesEveryCounterAtZero) {
    ReadResult r = read_scene(CobBuilder().end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + end_line);
    const kf::Scene& s = r.scene;
    EXPECT_EQ(s.cob_vcount() + s.UVcount() + s.cob_pcount() + s.Matlcount() + s.n_textures() + s.cob_scount() +
                  s.chunknum,
              0u);
}

TEST(ChunkLoop, NothingAfterTheEndChunkHeaderIsRead) {
    // The END chunk's data is not read, even when its size runs past the file.
    std::vector<uint8_t> bytes = CobBuilder().end(1000).bytes();
    ReadResult r = read_scene(bytes);
    ASSERT_FALSE(r.error) << *r.error;

    bytes.insert(bytes.end(), {'P', 'o', 'l', 'H', 0xff});
    r = read_scene(bytes);
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + end_line);
}

TEST(ChunkLoop, AsciiVariantIsRefusedBeforeAnyChunk) {
    ReadResult r = read_scene(CobBuilder('A').polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0})).end().bytes());
    const std::string message = " Error: the input file needs to be in the bin format.\n";
    EXPECT_EQ(r.error, message);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.report, reading_line + message);
}

TEST(ChunkLoop, TagIsPrintedAsUnsignedLittleEndianNumber) {
    struct Case {
        std::string tag;
        std::string printed;
    };
    const Case cases[] = {
        {"END\x80", "80444e45"},             // a last byte of 0x80 or more never sign-extends
        {"END\xff", "ff444e45"},
        {std::string("END\0", 4), "444e45"}, // no leading zeros
        {std::string("\0\0\0\0", 4), "0"},
        {"polh", "686c6f70"},                // tags are compared exactly: these are unknown chunks
        {"GROU", "554f5247"},
        {"END!", "21444e45"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        ReadResult r = read_scene(CobBuilder().chunk(c.tag, {1, 2, 3, 4, 5}).end().bytes());
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_EQ(r.report, reading_line + tag_line(c.printed) + " New... (" + c.tag + ")\n" + end_line);
    }
}

TEST(ChunkLoop, UnknownChunksAreSkippedBySizeAndChangeNothing) {
    // An empty unknown chunk, and unknown chunks between an object and its
    // material: the material still reaches the object's face.
    CobBuilder cob;
    cob.chunk("Unit", {});
    cob.polh(triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 3));
    cob.unknown("OLay", 40).unknown("ObRQ", 0);
    cob.mat1(Mat1{.number = 3, .red = 0, .green = 0, .blue = 1});
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + tag_line("74696e55") + " New... (Unit)\n" +
                            polh_report("Triangle", 3, 1, 3, 1, 3, 0) + tag_line("79614c4f") + " New... (OLay)\n" +
                            tag_line("5152624f") + " New... (ObRQ)\n" + mat1_line +
                            " flatpoly: red = 0, green = 0, blue = 255\n material number = ff0000\n Matlcount = 1\n" +
                            end_line);
    EXPECT_EQ(r.scene.cob_face[0].type, 2);
}

TEST(ChunkLoop, WalkGoesOnAtEachChunksEnd) {
    // Each chunk below holds, after the content its reader takes, the
    // header of an END chunk; a walk that went on from where the reader
    // stopped would end the scene there and never see the last group.
    const std::vector<uint8_t> stray = fake_end_header();
    Polh object = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    object.trailing = stray;
    Mat1 textured{.subchunks = concat({sub_t("skin.bmp"), stray})};

    CobBuilder cob;
    cob.chunk("Grou", concat({grou_data("hull", {}), stray}), 1);
    cob.polh(object);
    cob.mat1(textured);
    cob.grou("last", {}, 2, 1);
    ReadResult r = read_scene(cob.end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + grou_report("hull") + polh_report("Triangle", 3, 1, 3, 1, 3, 0) +
                            texture_report("skin.bmp", 0, 1) + grou_report("last") + end_line);
}

TEST(ChunkLoop, ReadPastTheEndOfTheInputEndsTheRun) {
    const Polh tri = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    const std::vector<uint8_t> complete = CobBuilder().grou("hull").polh(tri).mat1(Mat1{}).end().bytes();
    auto first = [&](size_t n) {
        return std::vector<uint8_t>(complete.begin(), complete.begin() + static_cast<std::ptrdiff_t>(n));
    };
    const size_t grou_end = 32 + 20 + grou_data("hull", {}).size();
    const size_t polh_end = grou_end + 20 + polh_data(tri).size();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"header cut short", first(31)},
        {"no chunk after the header", first(32)},
        {"chunk header cut short", first(32 + 19)},
        {"group cut inside its name", first(32 + 20 + 6)},
        {"object cut inside its faces", first(polh_end - 3)},
        {"material cut inside its record", first(polh_end + 30)},
        {"no END chunk", first(complete.size() - 20)},
        {"END header cut short", first(complete.size() - 1)},
        {"unknown chunk larger than the file", CobBuilder().chunk("Unit", {1, 2}, 0, 0, 100).end().bytes()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadResult r = read_scene(c.bytes);
        EXPECT_EQ(r.error, past_end);
        EXPECT_EQ(r.status, 1);
        ASSERT_GE(r.report.size(), past_end.size());
        EXPECT_EQ(r.report.substr(r.report.size() - past_end.size()), past_end);
    }
    // Nothing of a file cut inside its header is reported but the first line.
    EXPECT_EQ(read_scene({}).report, reading_line + past_end);
}

TEST(ChunkLoop, NegativeDataSizeIsReportedAfterTheTagPrint) {
    struct Case {
        std::string tag;
        std::string printed;
    };
    const Case cases[] = {
        {"END ", "20444e45"}, {"PolH", "486c6f50"}, {"Mat1", "3174614d"},
        {"Grou", "756f7247"}, {"Unit", "74696e55"},
    };
    for (const Case& c : cases) {
        for (int32_t size : {-1, INT32_MIN}) {
            SCOPED_TRACE(c.tag + " " + std::to_string(size));
            ReadResult r = read_scene(CobBuilder().chunk(c.tag, {0, 0, 0, 0}, 0, 0, size).end().bytes());
            const std::string message = " Error: negative chunk data size";
            EXPECT_EQ(r.error, message);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.report, reading_line + tag_line(c.printed) + message);
        }
    }
}
