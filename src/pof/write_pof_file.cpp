#include "pof/pof.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace kf {

namespace {

// More bytes than the file of `model` can take: a generous share of each
// chunk's fixed fields, each point list entry, and for each polygon its
// opcode with the tree's nodes, boxes and list ends around it. Reserving it
// once means the buffer is never copied while it grows, and the pages
// beyond what is written are never touched.
size_t pof_size_bound(const Model& model) {
    size_t bound = 4096;
    for (const std::string& t : model.texture_name) bound += 4 + t.size();
    for (const Segment& s : model.segment) bound += 512 + s.name.size();
    bound += 16 * size_t{model.Vcount()} + 12 * size_t{model.n_normals()};
    for (const ModelPoly& p : model.model_poly) bound += 256 + 12 * size_t{p.n_points};
    return bound;
}

} // namespace

std::vector<uint8_t> assemble_pof(const Model& model, FILE* out) {
    std::fprintf(out, "\n Finding BSP data\n");
    std::fprintf(out, " Vcount = %d\n", static_cast<int>(model.Vcount()));
    std::fprintf(out, " Pcount = %d\n", static_cast<int>(model.Pcount()));
    std::fprintf(out, " Scount = %d\n", static_cast<int>(model.Scount));
    std::fprintf(out, " chunknum = %d\n", static_cast<int>(model.chunknum));

    PofBuffer pof;
    pof.bytes.reserve(pof_size_bound(model));
    Slots slots(model);
    pof_put_u32(pof, POF_MAGIC);
    pof_put_i32(pof, POF_VERSION);
    write_txtr_chunk(pof, model);
    write_hdr2_chunk(pof, model);
    for (uint32_t s = 0; s < model.Scount; ++s)
        if (model.shield_segment == 0 || static_cast<int32_t>(s) != model.shield_segment)
            write_obj2_chunk(pof, slots, model, s, out);
    write_shld_chunk(pof, slots, model, out);
    write_pinf_chunk(pof);
    return std::move(pof.bytes);
}

void write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string failed = " Error: cannot write " + path + ": ";
    std::string folder = ".";
    if (auto slash = path.find_last_of('/'); slash != std::string::npos) folder = path.substr(0, slash + 1);
    std::string temp = (folder == "." ? std::string() : folder) + ".keelforge-XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) throw Fatal(failed + std::strerror(errno));

    FILE* file = fdopen(fd, "wb");
    if (!file) {
        int err = errno;
        close(fd);
        std::remove(temp.c_str());
        throw Fatal(failed + std::strerror(err));
    }
    // The file gets the permissions a plainly created file would have.
    const mode_t mask = umask(0);
    umask(mask);
    int err = 0;
    auto step = [&](bool done) {
        if (!done && err == 0) err = errno != 0 ? errno : EIO;
    };
    step(fchmod(fd, 0666 & ~mask) == 0);
    step(bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1);
    step(std::fflush(file) == 0);
    step(fsync(fd) == 0);
    step(std::fclose(file) == 0);
    if (err == 0) step(std::rename(temp.c_str(), path.c_str()) == 0);
    const bool ok = err == 0;
    if (!ok) {
        std::remove(temp.c_str());
        throw Fatal(failed + std::strerror(err));
    }
}

void write_pof_file(const Model& model, FILE* out, const std::string& path) {
    write_file_atomically(path, assemble_pof(model, out));
}

} // namespace kf
