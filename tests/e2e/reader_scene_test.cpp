// A scene that touches every chunk kind and sub-chunk the reader knows,
// converted end to end: the reader's whole report, then a complete run.
#include "support/cob_builder.h"
#include "support/cob_report.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace kft;

namespace {

// A flat regular polygon with the most corners a face may have.
Polh disc() {
    Polh o;
    o.name = "Disc";
    Face f{.material = 2};
    for (int i = 0; i < 20; ++i) {
        const double a = 2 * std::acos(-1.0) * i / 20;
        o.vertices.push_back({static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0});
        f.vertices.push_back(i);
    }
    o.uvs = {{0.5f, 0.5f}};
    o.faces = {f};
    return o;
}

} // namespace

TEST(ReaderScene, EveryChunkKindEndToEnd) {
    Polh body = cube(1.0f, 1);
    body.name = "Body";
    body.faces[0].material = 0;
    body.faces.push_back(Face{.vertices = {0, 1, 2}, .hole = true});
    Polh piece = triangle({0, 0, 0}, {0, 1, 0}, {0, 0, 1}, 5);
    piece.name = "Piece";

    CobBuilder cob;
    cob.unknown("Unit", 2);
    cob.grou("hull", {0, 0, 0}, 1, 0);
    cob.polh(body);
    cob.unknown("OLay", 12);
    cob.mat1(Mat1{.number = 0, .facet = 's', .red = 0.2f, .green = 0.4f, .blue = 0.6f});
    cob.mat1(Mat1{.number = 1,
                  .subchunks = concat({sub_e("D:\\env\\sky.bmp"), sub_b(), {'?', '?'}, sub_t("D:\\textures\\hull.bmp")})});
    cob.grou("detail1", {0, 0, 0.5f}, 2, 1, 3);
    cob.polh(disc());
    cob.mat1(Mat1{.number = 2, .subchunks = sub_t("D:\\textures\\hull.bmp", 0, 0, 2, 2)});
    cob.grou("debris01", {0, 2, 0}, 3, 1);
    cob.polh(piece);
    cob.mat1(Mat1{.number = 5, .red = 1, .green = 0, .blue = 0});
    cob.end();
    std::vector<uint8_t> bytes = cob.bytes();
    bytes.insert(bytes.end(), {'n', 'o', 't', ' ', 'r', 'e', 'a', 'd'});

    const std::string reader_report =
        run_head("ship.cob") + tag_line("74696e55") + " New... (Unit)\n" + grou_report("hull") +
        polh_report("Body", 8, 7, 8, 7, 4, 0) + tag_line("79614c4f") + " New... (OLay)\n" + mat1_line +
        // The hole carries material number 0 too.
        " flatpoly: red = 51, green = 102, blue = 153\n material number = 996633\n material number = 996633\n"
        " Matlcount = 1\n" +
        mat1_line +
        " got an e:\n big oops...\n got a t:  D:\\textures\\hull.bmp\n Texture 0 = D:\\textures\\hull.bmp\n"
        " Matlcount = 2\n" +
        grou_report("detail1", 3) + polh_report("Disc", 20, 1, 28, 8, 5, 1) +
        texture_report("D:\\textures\\hull.bmp", -1, 3) + grou_report("debris01") +
        polh_report("Piece", 3, 1, 31, 9, 8, 2) + mat1_line +
        " flatpoly: red = 255, green = 0, blue = 0\n material number = 00ff\n Matlcount = 4\n" + end_line;

    RunResult r = run_keelforge(bytes, "ship.cob");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.stdout_text.substr(0, reader_report.size()), reader_report);
    const std::string builder = "\n Starting cob -> model data\n";
    EXPECT_EQ(r.stdout_text.substr(reader_report.size(), builder.size()), builder);
    const std::string done = "\n Done...\n";
    ASSERT_GE(r.stdout_text.size(), done.size());
    EXPECT_EQ(r.stdout_text.substr(r.stdout_text.size() - done.size()), done);
    EXPECT_EQ(r.files, std::vector<std::string>{"test.pof"});
}
