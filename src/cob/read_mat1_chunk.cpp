#include "cob/reader.h"

#include "bytes.h"

#include <cmath>
#include <limits>

namespace kf {

namespace {

constexpr uint16_t MARKER_B = 0x3a62; // "b:"
constexpr uint16_t MARKER_E = 0x3a65; // "e:"
constexpr uint16_t MARKER_T = 0x3a74; // "t:"


// component x 255 truncated toward zero; NaN gives 0 and values beyond the
// 32-bit range saturate.
int32_t colour_component(float c) {
    double v = static_cast<double>(c) * 255.0;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The faces a material applies to: those of the object that holds the last
// face read, carrying the material's number. Faces of one object are
// consecutive, so they form the tail of the face table.
template <typename Apply>
void apply_material(Scene& scene, const CobMaterial& material, Apply apply) {
    if (scene.cob_face.empty()) return;
    int32_t chunk = scene.cob_face.back().chunk;
    size_t first = scene.cob_face.size();
    while (first > 0 && scene.cob_face[first - 1].chunk == chunk) --first;
    for (size_t i = first; i < scene.cob_face.size(); ++i)
        if (scene.cob_face[i].material_id == material.number()) apply(scene.cob_face[i]);
}

void apply_flat_colour(Scene& scene, const CobMaterial& material, FILE* out) {
    int32_t red = colour_component(material.red());
    int32_t green = colour_component(material.green());
    int32_t blue = colour_component(material.blue());
    std::fprintf(out, " flatpoly: red = %d, green = %d, blue = %d\n", red, green, blue);
    uint32_t colour = static_cast<uint32_t>(red) + 256u * static_cast<uint32_t>(green) +
                      65536u * static_cast<uint32_t>(blue);
    apply_material(scene, material, [&](CobFace& face) {
        face.color_or_texture = static_cast<int32_t>(colour);
        std::fprintf(out, " material number = %04x\n", colour);
        face.material_index = 0;
        face.type = POLY_FLAT;
        face.facet = static_cast<int8_t>(material.facet());
    });
}

// Slot of `name` among the distinct texture names, adding it when new.
int32_t texture_index(Scene& scene, const std::string& name, FILE* out) {
    int32_t found = -1;
    for (size_t i = 0; i < scene.texture_name.size(); ++i)
        if (scene.texture_name[i] == name) found = static_cast<int32_t>(i);
    if (found >= 0) return found;
    auto index = static_cast<int32_t>(scene.n_textures());
    std::fprintf(out, " Texture %d = %s\n", index, name.c_str());
    if (scene.n_textures() + 1 > TEXTURE_MAX) throw Fatal(" Error: Textures > TEXTURE_MAX");
    scene.texture_name.push_back(name);
    return index;
}

// Reads a "t:" sub-chunk: the texture's file name and its placement, then
// applies the texture to the material's faces.
void read_texture(Cursor& in, Scene& scene, const CobMaterial& material, TextureMap& placement, FILE* out) {
    std::fprintf(out, " got a t:");
    in.u8(); // flags
    uint16_t length = in.u16();
    std::string name(length, '\0');
    in.bytes(name.data(), length);
    name.resize(std::strlen(name.c_str())); // a zero byte ends the name
    std::fprintf(out, "  %s\n", name.c_str());
    placement.offset_u = in.f32();
    placement.offset_v = in.f32();
    placement.repeat_u = in.f32();
    placement.repeat_v = in.f32();

    int32_t texture = texture_index(scene, name, out);
    auto material_index = static_cast<int32_t>(scene.Matlcount());
    apply_material(scene, material, [&](CobFace& face) {
        face.color_or_texture = texture;
        face.material_index = material_index;
        face.facet = static_cast<int8_t>(material.facet());
    });
}

} // namespace

uint16_t CobMaterial::number() const { return le_u16(raw.data() + MAT1_NUMBER); }
char CobMaterial::facet() const { return static_cast<char>(raw[MAT1_FACET]); }
float CobMaterial::red() const { return le_f32(raw.data() + MAT1_RED); }
float CobMaterial::green() const { return le_f32(raw.data() + MAT1_GREEN); }
float CobMaterial::blue() const { return le_f32(raw.data() + MAT1_BLUE); }

void read_mat1_chunk(Cursor& in, const ChunkHeader& chunk, Scene& scene, FILE* out) {
    std::fprintf(out, " Mat1... \n");
    in.enter_chunk(chunk.chunk_end, "Mat1");
    CobMaterial material;
    in.bytes(material.raw.data(), MAT1_RECORD_SIZE);
    TextureMap placement;

    if (in.pos >= chunk.chunk_end) {
        apply_flat_colour(scene, material, out);
    }
    while (in.pos < chunk.chunk_end) {
        // A marker may start on the chunk's last byte; it is then read whole.
        const uint16_t marker = in.u16_overhanging_end();
        if (marker == MARKER_B) {
            continue;
        } else if (marker == MARKER_E) {
            std::fprintf(out, " got an e:\n");
            uint16_t length = in.u16();
            in.need(length);
            in.pos += length;
        } else if (marker == MARKER_T) {
            read_texture(in, scene, material, placement, out);
            break; // whatever follows the texture is not read
        } else {
            std::fprintf(out, " big oops...\n");
        }
    }

    std::fprintf(out, " Matlcount = %d\n", static_cast<int>(scene.Matlcount() + 1));
    if (scene.Matlcount() + 1 > MATL_MAX) throw Fatal(" Error: Matlcount > MATL_MAX");
    scene.cob_material.push_back(material);
    scene.texture_map.resize(scene.cob_material.size());
    scene.texture_map.back() = placement;
}

} // namespace kf
