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

void assemble_pof(const Model& model, FILE* out, const PofSink& emit) {
    std::fprintf(out, "\n Finding BSP data\n");
    std::fprintf(out, " Vcount = %d\n", static_cast<int>(model.Vcount()));
    std::fprintf(out, " Pcount = %d\n", static_cast<int>(model.Pcount()));
    std::fprintf(out, " Scount = %d\n", static_cast<int>(model.Scount));
    std::fprintf(out, " chunknum = %d\n", static_cast<int>(model.chunknum));

    PofBuffer pof;
    pof.bytes.reserve(pof_size_bound(model));
    // Every offset the file stores counts within its own chunk, so the
    // buffer can start afresh after each one.
    auto chunk_done = [&] {
        if (!emit) return;
        emit(pof.bytes);
        pof.bytes.clear();
    };
    Slots slots(model);
    pof_put_u32(pof, POF_MAGIC);
    pof_put_i32(pof, POF_VERSION);
    write_txtr_chunk(pof, model);
    write_hdr2_chunk(pof, model);
    chunk_done();
    for (uint32_t s = 0; s < model.Scount; ++s)
        if (model.shield_segment == 0 || static_cast<int32_t>(s) != model.shield_segment) {
            write_obj2_chunk(pof, slots, model, s, out);
            chunk_done();
        }
    write_shld_chunk(pof, slots, model, out);
    write_pinf_chunk(pof);
    chunk_done();
}

std::vector<uint8_t> assemble_pof(const Model& model, FILE* out) {
    std::vector<uint8_t> file;
    file.reserve(pof_size_bound(model));
    assemble_pof(model, out, [&](std::span<const uint8_t> bytes) { file.insert(file.end(), bytes.begin(), bytes.end()); });
    return file;
}

namespace {

// The output on its way: a temporary file beside the target that takes the
// bytes as they come. The first failure is kept (err) and reported when the
// file is finished, so the report reads as if the file were written at the end.
struct PendingFile {
    std::string path, temp;
    int fd = -1;
    int err = 0;

    void fail() {
        if (err == 0) err = errno != 0 ? errno : EIO;
    }
};

PendingFile begin_file(const std::string& path) {
    PendingFile f;
    f.path = path;
    std::string folder = ".";
    if (auto slash = path.find_last_of('/'); slash != std::string::npos) folder = path.substr(0, slash + 1);
    f.temp = (folder == "." ? std::string() : folder) + ".keelforge-XXXXXX";
    f.fd = mkstemp(f.temp.data());
    if (f.fd < 0) {
        f.fail();
        f.temp.clear(); // nothing was created
        return f;
    }
    // The file gets the permissions a plainly created file would have.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(f.fd, 0666 & ~mask) != 0) f.fail();
    return f;
}

void append(PendingFile& f, std::span<const uint8_t> bytes) {
    while (f.err == 0 && !bytes.empty()) {
        const ssize_t n = write(f.fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            f.fail();
            break;
        }
        bytes = bytes.subspan(static_cast<size_t>(n));
    }
}

void abandon(PendingFile& f) {
    if (f.fd < 0) return;
    close(f.fd);
    std::remove(f.temp.c_str());
    f.fd = -1;
}

// Syncs and renames the file into place, or removes it and throws the first failure.
void finish(PendingFile& f) {
    if (f.err == 0 && fsync(f.fd) != 0) f.fail();
    if (f.fd >= 0 && close(f.fd) != 0) f.fail();
    f.fd = -1;
    if (f.err == 0 && std::rename(f.temp.c_str(), f.path.c_str()) != 0) f.fail();
    if (f.err != 0) {
        if (!f.temp.empty()) std::remove(f.temp.c_str());
        throw Fatal(" Error: cannot write " + f.path + ": " + std::strerror(f.err));
    }
}

} // namespace

void write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes) {
    PendingFile f = begin_file(path);
    append(f, bytes);
    finish(f);
}

void write_pof_file(const Model& model, FILE* out, const std::string& path) {
    PendingFile f = begin_file(path);
    try {
        assemble_pof(model, out, [&](std::span<const uint8_t> bytes) { append(f, bytes); });
    } catch (...) {
        abandon(f);
        throw;
    }
    finish(f);
}

} // namespace kf
