#include "model/model.h"

namespace kf {

void build_model(const Scene& scene, Model& model, FILE* out) {
    std::fprintf(out, "\n Starting cob -> model data\n");
    model = Model{};
    model.texture_name = scene.texture_name;
    model.chunknum = scene.chunknum;
    VertexUse use;
    mark_used_vertices(scene, use);
    build_segments(scene, model, out);
    convert_vertices(scene, model, use, out);
    convert_polygons(scene, use, model);
    polygon_centers(model);
    build_corner_normals(model);
    check_normal_limits(model);
    check_finite_points(model);
}

} // namespace kf
