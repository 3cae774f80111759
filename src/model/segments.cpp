#include "model/model.h"

#include <cctype>
#include <cstring>

namespace kf {

namespace {

// True when `name` begins with `prefix`, ASCII letter case ignored.
bool has_role(const std::string& name, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != prefix[i]) return false;
    return true;
}

void find_roles(Model& model) {
    const uint32_t count = model.Scount;
    for (uint32_t s = 0; s < count; ++s) {
        if (has_role(model.segment[s].name, "debris")) {
            model.debris_list.push_back(static_cast<int32_t>(s));
            model.segment[s].parent = -1;
        }
    }
    // Detail levels and the shield are searched from segment 1: segment 0 is
    // always the top detail level. Each role may be held by one segment only.
    model.detail_list.push_back(0);
    for (const char* level : {"detail1", "detail2", "detail3"}) {
        int matches = 0;
        for (uint32_t s = 1; s < count; ++s) {
            if (!has_role(model.segment[s].name, level)) continue;
            model.detail_list.push_back(static_cast<int32_t>(s));
            model.segment[s].parent = -1;
            if (++matches == 2) throw Fatal(std::string(" Error: two groups with '") + level + "' name");
        }
    }
    int shields = 0;
    for (uint32_t s = 1; s < count; ++s) {
        if (!has_role(model.segment[s].name, "shield")) continue;
        model.shield_segment = static_cast<int32_t>(s);
        model.segment[s].parent = -1;
        if (++shields == 2) throw Fatal(" Error: two groups with 'shield' name");
    }
}

// The shield is not written as a subobject, so a group nested under it
// would name a number that belongs to another subobject (or to itself).
// Such a group hangs from the shield group's own parent in the scene.
void adopt_shield_children(const Scene& scene, Model& model) {
    const int32_t k = model.shield_segment;
    if (k == 0) return;
    const int32_t up = scene.cob_section[static_cast<size_t>(k)].parent;
    for (uint32_t s = 0; s < model.Scount; ++s)
        if (model.segment[s].parent == k) model.segment[s].parent = up;
}

void report_hierarchy(const Scene& scene, FILE* out) {
    std::fprintf(out, " parent = ");
    for (const CobSection& section : scene.cob_section) std::fprintf(out, " %ld", static_cast<long>(section.parent));
    std::fprintf(out, "\n");

    std::vector<int> per_section(SOBJ_MAX), per_chunk(SOBJ_MAX);
    for (const CobVertex& v : scene.cob_vertex) {
        ++per_section[static_cast<size_t>(v.section)];
        ++per_chunk[static_cast<size_t>(v.chunk)];
    }
    std::fprintf(out, " segments: ");
    for (uint32_t s = 0; s < scene.cob_scount(); ++s) std::fprintf(out, " %d", per_section[s]);
    std::fprintf(out, "\n chunks: ");
    for (uint32_t c = 0; c < scene.chunknum; ++c) std::fprintf(out, " %d", per_chunk[c]);
    std::fprintf(out, "\n");
}

} // namespace

vec3 scene_to_model(vec3 p) {
    // Each component is one double multiply rounded once; -20 * (+0) is -0.
    return {static_cast<float>(-MODEL_SCALE * static_cast<double>(p.y)),
            static_cast<float>(MODEL_SCALE * static_cast<double>(p.z)),
            static_cast<float>(MODEL_SCALE * static_cast<double>(p.x))};
}

void build_segments(const Scene& scene, Model& model, FILE* out) {
    model.Scount = scene.cob_scount();
    model.segment.assign(model.Scount == 0 ? 1 : model.Scount, Segment{});
    for (uint32_t s = 0; s < model.Scount; ++s) {
        const CobSection& section = scene.cob_section[s];
        model.segment[s] = {section.name, section.parent, scene_to_model(section.position)};
    }
    model.segment[0].offset = {0.0f, 0.0f, 0.0f};
    model.segment[0].parent = -1;
    find_roles(model);
    adopt_shield_children(scene, model);
    report_hierarchy(scene, out);
}

} // namespace kf
