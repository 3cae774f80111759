#include "oracles/nested_normals.h"

#include <bit>

namespace kfo {

namespace {

constexpr int32_t SMOOTH = 's';

bool same_bits(const kf::vec3& a, const kf::vec3& b) {
    return std::bit_cast<uint32_t>(a.x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(a.y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(a.z) == std::bit_cast<uint32_t>(b.z);
}

} // namespace

void nested_corner_normals(kf::Model& m) {
    m.model_normal.clear();
    for (uint32_t k = 0; k < m.Vcount(); ++k) {
        m.vertex[k].n_norms = 0;
        for (uint32_t p = 0; p < m.Pcount(); ++p) {
            kf::ModelPoly& poly = m.model_poly[p];
            for (uint32_t c = 0; c < poly.n_points; ++c) {
                if (m.slot_vertex(poly, c) != k) continue;
                kf::vec3 normal;
                if (poly.facet != SMOOTH) {
                    normal = poly.normal;
                } else {
                    double sx = 0.0, sy = 0.0, sz = 0.0;
                    uint32_t count = 0;
                    for (uint32_t q = 0; q < m.Pcount(); ++q) {
                        const kf::ModelPoly& other = m.model_poly[q];
                        if (other.facet != SMOOTH) continue;
                        for (uint32_t j = 0; j < other.n_points; ++j) {
                            if (m.slot_vertex(other, j) != k) continue;
                            sx += static_cast<double>(other.normal.x);
                            sy += static_cast<double>(other.normal.y);
                            sz += static_cast<double>(other.normal.z);
                            ++count;
                        }
                    }
                    const double n = count;
                    normal = {static_cast<float>(sx / n), static_cast<float>(sy / n), static_cast<float>(sz / n)};
                    kf::vec3_normalise(normal);
                }
                m.corners(poly)[c].normal_index = m.n_normals();
                m.model_normal.push_back(normal);
                ++m.vertex[k].n_norms;
            }
        }
    }
}

std::string normals_difference(const kf::Model& a, const kf::Model& b) {
    if (a.n_normals() != b.n_normals())
        return "n_normals " + std::to_string(a.n_normals()) + " vs " + std::to_string(b.n_normals());
    for (uint32_t i = 0; i < a.n_normals(); ++i)
        if (!same_bits(a.model_normal[i], b.model_normal[i])) return "model_normal[" + std::to_string(i) + "]";
    for (uint32_t k = 0; k < a.Vcount(); ++k)
        if (a.vertex[k].n_norms != b.vertex[k].n_norms) return "n_norms of vertex " + std::to_string(k);
    for (uint32_t p = 0; p < a.Pcount(); ++p) {
        const auto ca = a.corners(a.model_poly[p]), cb = b.corners(b.model_poly[p]);
        bool same = ca.size() == cb.size();
        for (size_t c = 0; same && c < ca.size(); ++c) same = ca[c].normal_index == cb[c].normal_index;
        if (!same) return "normal_index of polygon " + std::to_string(p);
    }
    return "";
}

} // namespace kfo
