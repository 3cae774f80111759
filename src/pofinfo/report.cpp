// The text and JSON reports of pofinfo.
#include "pofinfo/report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cinttypes>

namespace pofinfo {
namespace {

using pofread::Model;
using pofread::Subobject;
using pofread::Vec3;

std::string vec_text(Vec3 v) {
    char text[128];
    std::snprintf(text, sizeof text, "(%.3f, %.3f, %.3f)", static_cast<double>(v.x), static_cast<double>(v.y),
                  static_cast<double>(v.z));
    return text;
}

// Names with control bytes would garble the terminal: show those as '?'.
std::string clean(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return out;
}

std::string subobject_label(const Model& m, int32_t n) {
    std::string label = std::to_string(n);
    if (n >= 0 && static_cast<size_t>(n) < m.subobjects.size())
        label += " (" + clean(m.subobjects[static_cast<size_t>(n)].name) + ")";
    return label;
}

void print_list(FILE* out, const char* title, const Model& m, const std::vector<int32_t>& list) {
    std::fprintf(out, "%s: %zu", title, list.size());
    for (size_t i = 0; i < list.size(); ++i)
        std::fprintf(out, "%s%s", i == 0 ? ": " : ", ", subobject_label(m, list[i]).c_str());
    std::fprintf(out, "\n");
}

void print_problem(FILE* out, const Model& m) {
    if (m.ok)
        std::fprintf(out, "valid\n");
    else
        std::fprintf(out, "invalid: at byte %zu (0x%zx): %s\n", m.problem_offset, m.problem_offset,
                     clean(m.problem).c_str());
}

std::string texture_name(const Model& m, int32_t t) {
    if (t >= 0 && static_cast<size_t>(t) < m.textures.size()) return clean(m.textures[static_cast<size_t>(t)]);
    return "no TXTR entry";
}

} // namespace

void print_summary(FILE* out, const Model& m, const std::string& path) {
    std::fprintf(out, "file: %s, %zu bytes, POF version %d\n", path.c_str(), m.file_size, m.version);
    std::fprintf(out, "chunks: %zu\n", m.chunks.size());
    for (const auto& c : m.chunks)
        std::fprintf(out, "  %-4s at byte %8zu, %8u bytes%s\n", c.id.c_str(), c.offset, c.size,
                     c.known ? "" : " (unknown, skipped)");

    if (m.has_header)
        std::fprintf(out, "model: radius %.3f, box %s to %s\n", static_cast<double>(m.header.radius),
                     vec_text(m.header.box_min).c_str(), vec_text(m.header.box_max).c_str());

    std::fprintf(out, "subobjects: %zu\n", m.subobjects.size());
    if (!m.subobjects.empty()) {
        int name_width = 4;
        for (const Subobject& s : m.subobjects)
            name_width = std::max(name_width, std::min(30, static_cast<int>(s.name.size())));
        std::fprintf(out, "  %3s  %-*s  %6s  %-36s  %10s  %6s  %6s  %6s  %5s  %6s  %5s\n", "#", name_width, "name",
                     "parent", "offset", "radius", "verts", "norms", "polys", "nodes", "leaves", "depth");
        for (const Subobject& s : m.subobjects)
            std::fprintf(out, "  %3d  %-*.*s  %6d  %-36s  %10.3f  %6zu  %6zu  %6zu  %5d  %6d  %5d\n", s.number,
                         name_width, name_width, clean(s.name).c_str(), s.parent, vec_text(s.offset).c_str(),
                         static_cast<double>(s.radius), s.vertices.size(), s.normals.size(), s.polygons.size(),
                         s.bsp_nodes, s.bsp_leaves, s.bsp_depth);
    }
    if (m.has_header) {
        print_list(out, "detail levels", m, m.header.detail);
        print_list(out, "debris", m, m.header.debris);
    }
    std::fprintf(out, "textures: %zu\n", m.textures.size());
    for (size_t t = 0; t < m.textures.size(); ++t) std::fprintf(out, "  %3zu  %s\n", t, clean(m.textures[t]).c_str());
    if (m.shield)
        std::fprintf(out, "shield: %zu vertices, %zu faces, %zu edges without neighbour\n", m.shield->vertices.size(),
                     m.shield->faces.size(), m.shield->open_edges);
    else
        std::fprintf(out, "shield: none\n");
    if (m.has_info) {
        std::string info = m.info;
        while (!info.empty() && (info.back() == '\n' || info.back() == '\r')) info.pop_back();
        std::fprintf(out, "info: %s\n", clean(info).c_str());
    }
    std::fprintf(out, "warnings: %zu\n", m.warnings.size());
    for (const auto& w : m.warnings) std::fprintf(out, "  %s\n", clean(w).c_str());
    print_problem(out, m);
}

void print_tree(FILE* out, const Model& m) {
    for (const Subobject& s : m.subobjects) {
        std::fprintf(out, "subobject %d \"%s\", parent %d: model data at byte %zu, %u bytes (offsets below count from there)\n",
                     s.number, clean(s.name).c_str(), s.parent, s.data_offset, s.data_size);
        for (const pofread::Op& op : s.ops) {
            // Deep trees would push the lines off any screen: past MAX_INDENT
            // levels the indent stops growing and the level is printed instead.
            constexpr int MAX_INDENT = 24;
            const int indent = 2 + 4 * std::min(op.depth, MAX_INDENT);
            char level[16] = "";
            if (op.depth > MAX_INDENT) std::snprintf(level, sizeof level, "[%d] ", op.depth);
            if (!op.list.empty()) std::fprintf(out, "%*s%s%s:\n", indent - 2, "", level, op.list.c_str());
            std::fprintf(out, "%*s%s@%zu %s", indent, "", level, op.offset - s.data_offset, pofread::op_name(op.id));
            switch (op.id) {
            case kf::OP_EOF:
                break;
            case kf::OP_DEFPOINTS:
                std::fprintf(out, " size %d: %zu points, %zu normals", op.size, s.vertices.size(), s.normals.size());
                break;
            case kf::OP_FLATPOLY:
            case kf::OP_TMAPPOLY: {
                const pofread::Polygon& p = s.polygons[static_cast<size_t>(op.polygon)];
                std::fprintf(out, " size %d: %zu corners, ", op.size, p.corners.size());
                if (p.kind == kf::POLY_FLAT) {
                    const auto c = static_cast<uint32_t>(p.color_or_texture);
                    std::fprintf(out, "colour #%02x%02x%02x", c & 0xff, c >> 8 & 0xff, c >> 16 & 0xff);
                } else {
                    std::fprintf(out, "texture %d (%s)", p.color_or_texture, texture_name(m, p.color_or_texture).c_str());
                }
                std::fprintf(out, ", points");
                for (const auto& c : p.corners) std::fprintf(out, " %u", c.vertex);
                break;
            }
            case kf::OP_SORTNORM:
                std::fprintf(out, ": split normal %s at %s; lists at +%d +%d +%d +%d +%d", vec_text(op.a).c_str(),
                             vec_text(op.b).c_str(), op.lists[0], op.lists[1], op.lists[2], op.lists[3], op.lists[4]);
                break;
            case kf::OP_BOUNDBOX:
                std::fprintf(out, ": %s to %s", vec_text(op.a).c_str(), vec_text(op.b).c_str());
                break;
            default:
                break;
            }
            std::fprintf(out, "\n");
        }
    }
    if (!m.ok) print_problem(out, m);
}

std::string summary_json(const Model& m, const std::string& path) {
    using nlohmann::json;
    auto vec = [](Vec3 v) { return json::array({v.x, v.y, v.z}); };
    json j;
    j["file"] = path;
    j["size"] = m.file_size;
    j["version"] = m.version;
    j["chunks"] = json::array();
    for (const auto& c : m.chunks)
        j["chunks"].push_back({{"id", c.id}, {"offset", c.offset}, {"size", c.size}, {"known", c.known}});
    if (m.has_header)
        j["model"] = {{"radius", m.header.radius}, {"box_min", vec(m.header.box_min)}, {"box_max", vec(m.header.box_max)},
                      {"mass", m.header.mass}};
    else
        j["model"] = nullptr;
    j["subobjects"] = json::array();
    for (const Subobject& s : m.subobjects)
        j["subobjects"].push_back({{"number", s.number},
                                   {"name", s.name},
                                   {"parent", s.parent},
                                   {"offset", vec(s.offset)},
                                   {"radius", s.radius},
                                   {"box_min", vec(s.box_min)},
                                   {"box_max", vec(s.box_max)},
                                   {"vertices", s.vertices.size()},
                                   {"normals", s.normals.size()},
                                   {"polygons", s.polygons.size()},
                                   {"bsp_nodes", s.bsp_nodes},
                                   {"bsp_leaves", s.bsp_leaves},
                                   {"bsp_depth", s.bsp_depth}});
    j["detail_levels"] = m.header.detail;
    j["debris"] = m.header.debris;
    j["textures"] = m.textures;
    if (m.shield)
        j["shield"] = {{"vertices", m.shield->vertices.size()},
                       {"faces", m.shield->faces.size()},
                       {"open_edges", m.shield->open_edges}};
    else
        j["shield"] = nullptr;
    j["info"] = m.has_info ? json(m.info) : json(nullptr);
    j["warnings"] = m.warnings;
    j["valid"] = m.ok;
    j["problem"] = m.ok ? json(nullptr) : json({{"message", m.problem}, {"offset", m.problem_offset}});
    // Names come from the file and need not be UTF-8: replace what is not.
    return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace pofinfo
