// Scenes that used to convert into models that silently lacked geometry or
// named the wrong parent: polygons far from the origin, points that are not
// finite, and groups nested under the shield group.
#include "support/cob_builder.h"
#include "support/run_binary.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace kft;

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

// An n by n grid of quadrilaterals in the plane where scene axis `axis` is
// `at`, spanning 0 to n on the other two axes.
Polh grid(int axis, float at, int n = 4) {
    Polh o;
    o.name = "Grid";
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j) {
            float c[3];
            c[axis] = at;
            c[(axis + 1) % 3] = static_cast<float>(i);
            c[(axis + 2) % 3] = static_cast<float>(j);
            o.vertices.push_back({c[0], c[1], c[2]});
        }
    o.uvs = {{0, 0}};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int32_t a = i * (n + 1) + j;
            o.faces.push_back(Face{.vertices = {a, a + n + 1, a + n + 2, a + 1}});
        }
    return o;
}

Polh cube_at(int axis, float at) {
    Polh o = cube(1.0f);
    o.matrix[4 * axis + 3] = at;
    return o;
}

std::vector<uint8_t> one_object(const Polh& object, const Mat1& material = flat_material(0, 0.5f, 0.5f, 0.5f)) {
    CobBuilder cob;
    cob.polh(object).mat1(material);
    return cob.end().bytes();
}

size_t polygons_in(const std::vector<uint8_t>& pof) {
    const pofread::Model m = pofread::parse(pof);
    size_t n = 0;
    for (const auto& s : m.subobjects) n += s.polygons.size();
    return n;
}

struct FarCase {
    std::string label;
    Polh object;
    size_t faces;
};

void PrintTo(const FarCase& c, std::ostream* os) { *os << c.label; }

std::vector<FarCase> far_cases() {
    std::vector<FarCase> cases = {
        // A scene z of 1638.4 is 32768 model units along y: adding the box
        // margin to that float gives the same float back.
        {"TriangleAtSceneZ1638_4", triangle({0, 0, 1638.4f}, {0, 1, 1638.4f}, {1, 0, 1638.4f}), 1},
        {"TriangleAtSceneZ1638", triangle({0, 0, 1638}, {0, 1, 1638}, {1, 0, 1638}), 1},
    };
    const char* axes[] = {"X", "Y", "Z"};
    for (int axis = 0; axis < 3; ++axis)
        for (float at : {5000.0f, -5000.0f}) {
            const std::string where = std::string(axes[axis]) + (at > 0 ? "Plus" : "Minus");
            cases.push_back({"CubeFarOn" + where, cube_at(axis, at), 6});
            cases.push_back({"GridFarOn" + where, grid(axis, at), 16});
        }
    return cases;
}

class FarFromTheOrigin : public ::testing::TestWithParam<FarCase> {};

} // namespace

// Every polygon is kept however far from the origin the object lies (the
// runner also checks each appears exactly once in its subobject).
TEST_P(FarFromTheOrigin, KeepsEveryPolygon) {
    const FarCase& c = GetParam();
    RunResult r = run_keelforge(one_object(c.object));
    ASSERT_EQ(r.status, 0) << r.stdout_text;
    ASSERT_TRUE(r.pof.has_value());
    EXPECT_EQ(polygons_in(*r.pof), c.faces);
}

INSTANTIATE_TEST_SUITE_P(Hardening, FarFromTheOrigin, ::testing::ValuesIn(far_cases()),
                         [](const auto& p) { return p.param.label; });

namespace {

struct PointCase {
    const char* label;
    std::vector<uint8_t> scene;
    const char* message; // the run's last line; empty when it converts
};

void PrintTo(const PointCase& c, std::ostream* os) { *os << c.label; }

Polh with_vertex(Point p, bool used = true) {
    Polh o = triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    o.vertices.push_back(p);
    if (used) o.faces.push_back(Face{.vertices = {0, 3, 1}});
    return o;
}

std::vector<uint8_t> in_groups(Point second_origin, const Polh& first, const Polh& second) {
    CobBuilder cob;
    cob.grou("hull");
    cob.polh(first).mat1(flat_material(0, 1, 0, 0));
    cob.grou("wing", second_origin);
    cob.polh(second).mat1(flat_material(0, 0, 1, 0));
    return cob.end().bytes();
}

std::vector<PointCase> point_cases() {
    const Polh plain = triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    Polh nan_uv = plain;
    nan_uv.uvs[1] = {nan, inf};
    return {
        {"VertexNotANumber", one_object(with_vertex({0, nan, 0})), " Error: a vertex of segment 0 is not a finite point"},
        {"VertexInfinite", one_object(with_vertex({inf, 0, 0})), " Error: a vertex of segment 0 is not a finite point"},
        {"VertexMinusInfinite", one_object(with_vertex({0, 0, -inf})), " Error: a vertex of segment 0 is not a finite point"},
        // Finite in the scene, infinite once scaled by 20.
        {"VertexOverflowsAtModelScale", one_object(with_vertex({3e38f, 0, 0})),
         " Error: a vertex of segment 0 is not a finite point"},
        {"VertexOfSecondGroup", in_groups({}, plain, with_vertex({0, 0, nan})),
         " Error: a vertex of segment 1 is not a finite point"},
        // Finite in the scene and at model scale, but not relative to its group's origin.
        {"VertexOverflowsInItsGroupsFrame", in_groups({0, -1e37f, 0}, plain, with_vertex({0, 1e37f, 0})),
         " Error: a vertex of segment 1 is not a finite point"},
        {"GroupOriginNotANumber", in_groups({nan, 0, 0}, plain, plain), " Error: the origin of segment 1 is not a finite point"},
        {"GroupOriginInfinite", in_groups({0, 0, inf}, plain, plain), " Error: the origin of segment 1 is not a finite point"},
        // Origins are checked before vertices.
        {"OriginBeforeVertex", in_groups({inf, 0, 0}, with_vertex({nan, 0, 0}), plain),
         " Error: the origin of segment 1 is not a finite point"},
        // The root group always sits at the origin, whatever the scene says.
        {"RootOriginIsIgnored",
         [] {
             CobBuilder cob;
             cob.grou("hull", {nan, inf, 0});
             cob.polh(triangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0})).mat1(flat_material(0, 1, 0, 0));
             return cob.end().bytes();
         }(),
         ""},
        // Points that never reach the model are not checked.
        {"UnusedVertexIsIgnored", one_object(with_vertex({nan, inf, nan}, false)), ""},
        {"TextureCoordinatesAreNotChecked", one_object(nan_uv, Mat1{.subchunks = sub_t("D:\\maps\\hull.bmp")}), ""},
        {"LargeFiniteCoordinatesConvert", one_object(with_vertex({1e30f, -1e30f, 1e30f})), ""},
    };
}

class FinitePoints : public ::testing::TestWithParam<PointCase> {};

} // namespace

TEST_P(FinitePoints, EndInAValidModelOrTheirMessage) {
    const PointCase& c = GetParam();
    RunResult r = run_keelforge(c.scene);
    if (std::string(c.message).empty()) {
        EXPECT_EQ(r.status, 0) << r.stdout_text;
        EXPECT_TRUE(r.pof.has_value());
        EXPECT_TRUE(r.stdout_text.ends_with("\n Done...\n"));
    } else {
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.stdout_text.ends_with(std::string("\n") + c.message)) << r.stdout_text;
        EXPECT_TRUE(r.files.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Hardening, FinitePoints, ::testing::ValuesIn(point_cases()),
                         [](const auto& p) { return std::string(p.param.label); });

// hull, arm under hull, shield under arm, fin under the shield, tip under
// the fin. The shield is no subobject: the fin hangs from the arm, and its
// offset is measured from the arm's origin. The report shows the scene's parents.
TEST(ShieldChildren, HangFromTheShieldGroupsParent) {
    CobBuilder cob;
    cob.grou("hull", {}, 1, 0);
    cob.polh(cube(1.0f)).mat1(flat_material(0, 1, 1, 1));
    cob.grou("arm", {0, 2, 0}, 2, 1);
    cob.polh(cube_at(1, 2.0f)).mat1(flat_material(0, 1, 1, 1));
    Polh tetra;
    tetra.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    tetra.uvs = {{0, 0}};
    tetra.faces = {Face{.vertices = {0, 2, 1}}, Face{.vertices = {0, 1, 3}}, Face{.vertices = {0, 3, 2}},
                   Face{.vertices = {1, 2, 3}}};
    cob.grou("shield", {0, 0, 3}, 3, 2);
    cob.polh(tetra);
    cob.grou("fin", {1, 2, 0}, 4, 3);
    cob.polh(cube_at(0, 1.0f)).mat1(flat_material(0, 1, 1, 1));
    cob.grou("tip", {1, 2, 1}, 5, 4);
    cob.polh(cube_at(2, 1.0f)).mat1(flat_material(0, 1, 1, 1));
    RunResult r = run_keelforge(cob.end().bytes());
    ASSERT_EQ(r.status, 0) << r.stdout_text;
    EXPECT_NE(r.stdout_text.find("\n parent =  0 0 1 2 3\n"), std::string::npos) << r.stdout_text;

    const pofread::Model m = pofread::parse(*r.pof);
    ASSERT_TRUE(m.ok) << m.problem;
    ASSERT_EQ(m.subobjects.size(), 4u);
    const struct {
        const char* name;
        int32_t parent;
        pofread::Vec3 offset; // from the parent's origin, model axes
    } expected[] = {{"hull", -1, {0, 0, 0}}, {"arm", 0, {-40, 0, 0}}, {"fin", 1, {0, 0, 20}}, {"tip", 2, {0, 20, 0}}};
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(m.subobjects[i].name, expected[i].name);
        EXPECT_EQ(m.subobjects[i].parent, expected[i].parent);
        EXPECT_FLOAT_EQ(m.subobjects[i].offset.x, expected[i].offset.x);
        EXPECT_FLOAT_EQ(m.subobjects[i].offset.y, expected[i].offset.y);
        EXPECT_FLOAT_EQ(m.subobjects[i].offset.z, expected[i].offset.z);
    }
}
