// Polygon objects: world positions, the implicit section, face records
// (holes, corner counts, global indices), the checks on corner indices and
// content that runs past the chunk's end.
#include "cob/read_scene.h"
#include "support/cob_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace kft;

namespace {

const Polh tri = triangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});

Polh with_faces(Polh o, std::vector<Face> faces) {
    o.faces = std::move(faces);
    return o;
}

} // namespace

TEST(Polh, ReportAndTablesOfOneObject) {
    Polh o = triangle({1, 2, 3}, {4, 5, 6}, {7, 8, 9}, 12);
    o.name = "Wing";
    o.dupecount = 7;
    o.uvs = {{0.25f, 0.5f}, {1, 0}, {0, 1}, {0.75f, 0.125f}};
    ReadResult r = read_scene(CobBuilder().polh(o).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + polh_report("Wing", 3, 1, 3, 1, 4, 0, 7) + end_line);

    const kf::Scene& s = r.scene;
    ASSERT_EQ(s.cob_vcount(), 3u);
    EXPECT_EQ(s.cob_vertex[2].position.z, 9.0f);
    ASSERT_EQ(s.UVcount(), 4u);
    EXPECT_EQ(s.cob_uv[3].u, 0.75f);
    EXPECT_EQ(s.cob_uv[3].v, 0.125f);
    ASSERT_EQ(s.cob_pcount(), 1u);
    const kf::CobFace& f = s.cob_face[0];
    EXPECT_EQ(f.n_points, 3u);
    EXPECT_EQ(f.material_id, 12);
    EXPECT_EQ(f.color_or_texture, 12);
    EXPECT_EQ(f.type, 3);
    EXPECT_EQ(f.facet, 0);
    EXPECT_EQ(f.material_index, 0);
    EXPECT_EQ(r.scene.corners(f)[2].vertex, 2);
    EXPECT_EQ(r.scene.corners(f)[2].uv, 2);
    EXPECT_EQ(s.chunknum, 1u);
}

TEST(Polh, VerticesGoThroughTheCurrentPositionMatrix) {
    Polh o;
    o.vertices = {{1, 2, 3}, {1, 0x1p-24f, 0x1p-24f}};
    // Rows give world x, y and z; column 3 is the translation.
    const float m[12] = {0, 1, 0, 10, 0, 0, 1, 20, 1, 0, 0, 30};
    std::copy(std::begin(m), std::end(m), o.matrix);
    ReadResult r = read_scene(CobBuilder().polh(o).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.scene.cob_vertex[0].position.x, 12.0f);
    EXPECT_EQ(r.scene.cob_vertex[0].position.y, 23.0f);
    EXPECT_EQ(r.scene.cob_vertex[0].position.z, 31.0f);

    // Each row is summed in double and rounded once: 1 + 2^-24 + 2^-24 is
    // 1 + 2^-23, while adding in float would round twice down to 1.
    const float sum_row[12] = {1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::copy(std::begin(sum_row), std::end(sum_row), o.matrix);
    r = read_scene(CobBuilder().polh(o).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.scene.cob_vertex[1].position.x, 1.0f + 0x1p-23f);
}

TEST(Polh, ObjectsWithoutGroupShareTheImplicitSection) {
    Polh moved = tri;
    moved.translate(5, 6, 7);
    ReadResult r = read_scene(CobBuilder().polh(tri).polh(moved).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.report, reading_line + polh_report("Triangle", 3, 1, 3, 1, 3, 0) +
                            polh_report("Triangle", 3, 1, 6, 2, 6, 0) + end_line);
    const kf::Scene& s = r.scene;
    ASSERT_EQ(s.cob_scount(), 1u);
    EXPECT_EQ(s.cob_section[0].name, "");
    EXPECT_EQ(s.cob_section[0].position.x, 0.0f);
    EXPECT_EQ(s.cob_section[0].parent, 0);
    EXPECT_EQ(s.cob_vertex[3].position.x, 5.0f);
    for (const kf::CobVertex& v : s.cob_vertex) EXPECT_EQ(v.section, 0);
    EXPECT_EQ(s.cob_vertex[2].chunk, 0);
    EXPECT_EQ(s.cob_vertex[3].chunk, 1);
    EXPECT_EQ(s.cob_face[1].chunk, 1);
    EXPECT_EQ(s.cob_face[1].section, 0);
}

TEST(Polh, CornerIndicesBecomeGlobal) {
    // The second object's corner {0, 0} is the first vertex and texture
    // coordinate after the first object's 8 and 4.
    ReadResult r = read_scene(CobBuilder().polh(cube()).polh(tri).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    const kf::CobFace& f = r.scene.cob_face[6];
    EXPECT_EQ(r.scene.corners(f)[0].vertex, 8);
    EXPECT_EQ(r.scene.corners(f)[0].uv, 4);
    EXPECT_EQ(r.scene.corners(f)[2].vertex, 10);
    EXPECT_EQ(r.scene.corners(f)[2].uv, 6);
}

TEST(Polh, HoleRecordsAndFlagBits) {
    Polh o = with_faces(tri, {
                                 Face{.vertices = {0, 1, 2}, .uvs = {2, 1, 0}, .material = 9, .hole = true},
                                 Face{.vertices = {2, 1, 0}, .material = 4, .extra_flags = 0x17},
                             });
    ReadResult r = read_scene(CobBuilder().polh(o).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    ASSERT_EQ(r.scene.cob_pcount(), 2u);
    // A hole carries no material number and is otherwise an ordinary face.
    const kf::CobFace& hole = r.scene.cob_face[0];
    EXPECT_EQ(hole.material_id, 0);
    EXPECT_EQ(hole.color_or_texture, 0);
    EXPECT_EQ(hole.type, 3);
    EXPECT_EQ(hole.n_points, 3u);
    EXPECT_EQ(r.scene.corners(hole)[0].uv, 2);
    EXPECT_EQ(hole.section, 0);
    EXPECT_EQ(hole.chunk, 0);
    // Only bit 0x08 marks a hole: other bits leave the material number in place.
    EXPECT_EQ(r.scene.cob_face[1].material_id, 4);
    EXPECT_EQ(r.scene.corners(r.scene.cob_face[1])[0].vertex, 2);
}

TEST(Polh, CornerCountLimit) {
    Polh many;
    for (int i = 0; i < 21; ++i) many.vertices.push_back({static_cast<float>(i), 0, 0});
    many.uvs = {{0, 0}};
    auto face_of = [](int corners) {
        Face f;
        for (int i = 0; i < corners; ++i) f.vertices.push_back(i);
        return f;
    };

    ReadResult r = read_scene(CobBuilder().polh(with_faces(many, {face_of(0), face_of(20)})).end().bytes());
    ASSERT_FALSE(r.error) << *r.error;
    EXPECT_EQ(r.scene.cob_face[0].n_points, 0u);
    EXPECT_EQ(r.scene.cob_face[1].n_points, 20u);
    EXPECT_EQ(r.scene.corners(r.scene.cob_face[1])[19].vertex, 19);

    const std::string message = " Error: Polygon points > 20";
    r = read_scene(CobBuilder().polh(with_faces(many, {face_of(20), face_of(21)})).end().bytes());
    EXPECT_EQ(r.error, message);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.report, reading_line + tag_line("486c6f50") +
                            " Polh... Polh name: Object,0\n   n_vertix=21\n   n_facehole=2\n" + message);

    // The count is tested before anything else of the record is read: a
    // chunk and file that end right after it still give the limit's message.
    std::vector<uint8_t> data = polh_data(with_faces(many, {}));
    data.resize(data.size() - 4); // the face count of 0, replaced by one record cut short
    Bytes record;
    record.u32(1).u8(0).u16(21);
    data.insert(data.end(), record.data.begin(), record.data.end());
    r = read_scene(CobBuilder().chunk("PolH", data).bytes());
    EXPECT_EQ(r.error, message);
}

TEST(Polh, NameIsEchoedByteForByte) {
    for (const std::string& name : {std::string(), std::string("a\0b\xff", 4), std::string(300, 'n')}) {
        Polh o = tri;
        o.name = name;
        ReadResult r = read_scene(CobBuilder().polh(o).end().bytes());
        ASSERT_FALSE(r.error) << *r.error;
        EXPECT_EQ(r.report, reading_line + polh_report(name, 3, 1, 3, 1, 3, 0) + end_line);
    }
}

TEST(Polh, CornerIndexOutsideItsObjectIsAnError) {
    const std::string vertex_message = " Error: face corner names a vertex outside its object";
    const std::string uv_message = " Error: face corner names a texture coordinate outside its object";
    struct Case {
        const char* what;
        Face face;
        const std::string& message;
    };
    const Case cases[] = {
        {"negative vertex", Face{.vertices = {0, -1, 2}}, vertex_message},
        {"vertex one past the object", Face{.vertices = {0, 1, 3}}, vertex_message},
        {"negative texture coordinate", Face{.vertices = {0, 1, 2}, .uvs = {0, -1, 0}}, uv_message},
        {"texture coordinate one past", Face{.vertices = {0, 1, 2}, .uvs = {0, 3, 0}}, uv_message},
        {"hole with a bad vertex", Face{.vertices = {0, 1, 7}, .hole = true}, vertex_message},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A first object makes the global tables larger than the second object.
        ReadResult r = read_scene(CobBuilder().polh(cube()).polh(with_faces(tri, {c.face})).end().bytes());
        EXPECT_EQ(r.error, c.message);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.report, reading_line + polh_report("Cube", 8, 6, 8, 6, 4, 0) + tag_line("486c6f50") +
                                " Polh... Polh name: Triangle,0\n   n_vertix=3\n   n_facehole=1\n" + c.message);
    }

    // An object without texture coordinates has none for its corners to name.
    Polh bare = tri;
    bare.uvs.clear();
    EXPECT_EQ(read_scene(CobBuilder().polh(bare).end().bytes()).error, uv_message);
    // The last valid index is accepted.
    EXPECT_FALSE(
        read_scene(CobBuilder().polh(with_faces(tri, {Face{.vertices = {2, 2, 2}, .uvs = {2, 0, 1}}})).end().bytes())
            .error);
}

TEST(Polh, ContentPastTheChunkEndIsAnError) {
    Polh o = tri;
    o.name = "Name";
    const size_t full = polh_data(o).size();
    const size_t name_end = 4 + 4, transform_end = name_end + 96, vertices_end = transform_end + 4 + 36;
    const size_t uvs_end = vertices_end + 4 + 24;
    struct Case {
        const char* what;
        size_t size;
        std::string report_tail; // what the report shows before the message
    };
    const std::string counts = "   n_vertix=3\n";
    const Case cases[] = {
        {"empty chunk", 0, " Polh... "},
        {"inside the name", 6, " Polh... Polh name: Na"},
        {"inside the transform", name_end + 50, " Polh... Polh name: Name,0\n"},
        {"inside the vertices", transform_end + 20, " Polh... Polh name: Name,0\n" + counts},
        {"inside the texture coordinates", vertices_end + 10, " Polh... Polh name: Name,0\n" + counts},
        {"before the face count", uvs_end + 2, " Polh... Polh name: Name,0\n" + counts},
        {"inside the last corner", full - 1, " Polh... Polh name: Name,0\n" + counts + "   n_facehole=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The bytes go on past the chunk's end: only the chunk's size stops the read.
        ReadResult r = read_scene(CobBuilder().polh(o, static_cast<int32_t>(c.size)).end().bytes());
        EXPECT_EQ(r.error, polh_past_chunk);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.report, reading_line + tag_line("486c6f50") + c.report_tail + polh_past_chunk);
    }
}

TEST(Polh, HugeCountsInAShortChunkEndQuickly) {
    // Counts are never trusted: a count far beyond the data fails on the
    // first entry that is not there.
    const size_t vertex_count_at = 4 + tri.name.size() + 96, uv_count_at = vertex_count_at + 4 + 36;
    for (size_t count_at : {vertex_count_at, uv_count_at, uv_count_at + 4 + 24}) {
        std::vector<uint8_t> data = polh_data(tri);
        data[count_at] = data[count_at + 1] = data[count_at + 2] = data[count_at + 3] = 0xff;
        ReadResult r = read_scene(CobBuilder().chunk("PolH", data).end().bytes());
        EXPECT_EQ(r.error, polh_past_chunk);
    }
}
