#include "cob/reader.h"

#include <cstring>

namespace kf {

void read_grou_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, ReaderState& state, FILE* out) {
    std::fprintf(out, " Grou... \n");
    if (state.ungrouped) throw Fatal(" Error: need to group all parts or don't group any.");
    in.enter_chunk(chunk.chunk_end, "Grou");

    uint16_t dupecount = in.u16();
    uint16_t name_length = in.u16();
    std::fprintf(out, "Grou name: ");
    std::string name;
    for (uint32_t i = 0; i < name_length; ++i) {
        auto c = static_cast<char>(in.u8());
        std::fputc(static_cast<unsigned char>(c), out);
        name.push_back(c);
    }
    std::fprintf(out, ",%d\n", dupecount);

    CobSection section;
    // A zero byte ends the stored name; only an empty name becomes "None".
    section.name = name_length == 0 ? std::string("None") : std::string(name.c_str());
    std::fprintf(out, "%s\n", section.name.c_str());

    float transform[TRANSFORM_FLOATS];
    for (float& f : transform) f = in.f32();
    const float* origin = transform + TRANSFORM_ORIGIN;
    section.position = {origin[0], origin[1], origin[2]};

    // The parent is the last earlier section made by the chunk whose id is this chunk's parent id.
    for (size_t i = 0; i < state.section_chunk_id.size(); ++i)
        if (state.section_chunk_id[i] == chunk.parent_id) section.parent = static_cast<int32_t>(i);

    if (scene.cob_scount() + 1 > SOBJ_MAX) throw Fatal(" Error: Sections > SOBJ_MAX");
    state.section_chunk_id.push_back(chunk.chunk_id);
    scene.cob_section.push_back(section);
}

} // namespace kf
