// Systematic corruption of the bundled example and the real scenes: every
// prefix, every chunk header field set to the values that break naive
// readers, and every count inside the chunks the converter reads set past
// its limit and past the data. Each damaged scene must end in a valid model
// that holds every polygon, or in one error line with status 1.
#include "bytes.h"
#include "keelforge.h"
#include "support/outcome.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Scene {
    std::string name;
    Bytes bytes;
};

std::vector<Scene> scenes() {
    std::vector<Scene> all{{"ship", kft::read_file(std::string(KEELFORGE_SOURCE_DIR) + "/examples/ship.cob")}};
    for (const char* name : kft::REAL_SCENES) all.push_back({name, kft::read_real_scene(std::string(name) + ".cob")});
    return all;
}

// Values of the undamaged scene; at() checks that they lie inside it.
uint32_t u32_at(const Bytes& b, size_t at) { return (void)b.at(at + 3), kf::le_u32(b.data() + at); }
uint16_t u16_at(const Bytes& b, size_t at) { return (void)b.at(at + 1), kf::le_u16(b.data() + at); }

// A chunk of an undamaged scene, found by walking the headers.
struct Chunk {
    std::string tag;
    size_t head = 0;  // offset of the 20-byte header
    size_t data = 0;  // offset of the data
    size_t size = 0;  // data bytes
};

std::vector<Chunk> chunks_of(const Bytes& b) {
    std::vector<Chunk> chunks;
    for (size_t at = 32; at + 20 <= b.size();) {
        Chunk c{std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 4)), at, at + 20,
                u32_at(b, at + 16)};
        chunks.push_back(c);
        if (c.tag == "END ") break;
        at = c.data + c.size;
    }
    return chunks;
}

// A field to overwrite: where it lies, its width, the values to try.
struct Field {
    std::string what;
    size_t at = 0;
    int width = 4;
    std::vector<uint32_t> values;
};

// The header fields of a chunk: its tag, versions, ids and data size.
std::vector<Field> header_fields(const Chunk& c) {
    const uint32_t breakers[] = {0, 0xffffffffu, INT_MAX};
    std::vector<Field> f = {
        {"tag", c.head, 4, {breakers, breakers + 3}},
        {"major version", c.head + 4, 2, {0, 0xffff, 0x7fff}},
        {"minor version", c.head + 6, 2, {0, 0xffff, 0x7fff}},
        {"chunk id", c.head + 8, 4, {breakers, breakers + 3}},
        {"parent id", c.head + 12, 4, {breakers, breakers + 3}},
        {"data size", c.head + 16, 4, {0, 0xffffffffu, INT_MAX, static_cast<uint32_t>(c.size + 1)}},
    };
    return f;
}

// The counts and lengths inside a chunk the converter reads, each set past
// its limit and past the chunk's data. A PolH chunk's faces are walked to
// find the corner counts of its first and last face.
std::vector<Field> count_fields(const Bytes& b, const Chunk& c) {
    std::vector<Field> f;
    const size_t end = c.data + c.size;
    auto room = [&](size_t at, size_t record) { return static_cast<uint32_t>((end - at) / record + 1); };
    if (c.tag == "Grou") {
        f.push_back({"Grou name length", c.data + 2, 2, {0xffff, static_cast<uint32_t>(c.size)}});
    } else if (c.tag == "PolH") {
        size_t at = c.data + 4 + u16_at(b, c.data + 2);
        f.push_back({"PolH name length", c.data + 2, 2, {0xffff, static_cast<uint32_t>(c.size)}});
        at += 96;
        f.push_back({"vertex count", at, 4, {kf::VEC_MAX + 1, room(at + 4, 12), 0xffffffffu}});
        at += 4 + 12 * size_t{u32_at(b, at)};
        f.push_back({"texture coordinate count", at, 4, {kf::UV_MAX + 1, room(at + 4, 8), 0xffffffffu}});
        at += 4 + 8 * size_t{u32_at(b, at)};
        const uint32_t faces = u32_at(b, at);
        f.push_back({"face count", at, 4, {kf::POLY_MAX + 1, room(at + 4, 5), 0xffffffffu}});
        at += 4;
        for (uint32_t i = 0; i < faces; ++i) {
            const bool hole = (b.at(at) & 0x08) != 0;
            const uint16_t corners = u16_at(b, at + 1);
            if (i == 0 || i + 1 == faces)
                f.push_back({"corner count of face " + std::to_string(i), at + 1, 2,
                             {kf::POINTS_MAX + 1, kf::POINTS_MAX, 0xffff}});
            at += 3 + (hole ? 0 : 2) + 8 * size_t{corners};
        }
    } else if (c.tag == "Mat1") {
        // The lengths of its e: and t: sub-chunks.
        for (size_t at = c.data + 37; at + 2 <= end;) {
            const uint16_t marker = u16_at(b, at);
            if (marker == 0x3a65) {
                f.push_back({"e: length", at + 2, 2, {0xffff, room(at + 4, 1)}});
                at += 4 + size_t{u16_at(b, at + 2)};
            } else if (marker == 0x3a74) {
                f.push_back({"t: length", at + 3, 2, {0xffff, room(at + 5, 1)}});
                break;
            } else {
                at += 2;
            }
        }
    }
    return f;
}

void put(Bytes& b, size_t at, int width, uint32_t v) {
    for (int i = 0; i < width; ++i) b.at(at + static_cast<size_t>(i)) = static_cast<uint8_t>(v >> (8 * i));
}

// Runs every damaged copy that `fields` describe and checks the outcome.
void overwrite_each(const Scene& s, const std::vector<Field>& fields, const std::string& where, int& cases) {
    for (const Field& field : fields)
        for (uint32_t v : field.values) {
            Bytes b = s.bytes;
            put(b, field.at, field.width, v);
            const kft::Outcome o = kft::convert_in_memory(b);
            ASSERT_EQ(o.fault, "") << s.name << ", " << where << ": " << field.what << " set to " << v;
            ++cases;
        }
}

// The chunks whose fields are overwritten: all of them, or in a scene of
// more than 100 chunks (the dwarf's 1481 animation channels), the first and
// the last chunk of each kind.
std::vector<Chunk> chunks_to_damage(const std::vector<Chunk>& all) {
    if (all.size() <= 100) return all;
    std::map<std::string, std::pair<size_t, size_t>> first_last;
    for (size_t i = 0; i < all.size(); ++i) {
        auto [it, fresh] = first_last.try_emplace(all[i].tag, i, i);
        it->second.second = i;
    }
    std::vector<Chunk> some;
    for (size_t i = 0; i < all.size(); ++i)
        for (const auto& [tag, range] : first_last)
            if (i == range.first || i == range.second) some.push_back(all[i]);
    return some;
}

} // namespace

// Each cut costs a parse of everything before it, so the cuts cost the square
// of the scene's size. Under the sanitizers, which make each parse many times
// slower, the cuts are taken at every byte only in the file header and in the
// header and the first and last 64 data bytes of each chunk the converter
// reads, and at every 7th byte elsewhere (a stride prime to every record
// size); the optimised build takes them all.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t SANITIZED_STRIDE = 7;
#else
constexpr size_t SANITIZED_STRIDE = 1;
#endif

// A scene cut anywhere before the end of its END chunk's header ends with
// the one message for a short file; cut anywhere after it, it converts as
// the whole scene does. Within the data of a chunk the converter skips, all
// cuts take the same path (the walk jumps over the data and finds the file
// ended), so there the cuts are taken at the first and last 16 bytes and at
// every 61st byte between; everywhere else at every byte (but see above).
TEST(Corruption, EveryPrefix) {
    for (const Scene& s : scenes()) {
        const std::vector<Chunk> chunks = chunks_of(s.bytes);
        ASSERT_EQ(chunks.back().tag, "END ") << s.name;
        const size_t complete = chunks.back().data;
        std::vector<bool> skipped(s.bytes.size() + 1, false), dense(s.bytes.size() + 1, false);
        for (size_t at = 0; at < 32; ++at) dense[at] = true;
        for (const Chunk& c : chunks) {
            const bool read = c.tag == "PolH" || c.tag == "Mat1" || c.tag == "Grou" || c.tag == "END ";
            for (size_t at = c.head; read && at <= c.data + c.size && at < dense.size(); ++at)
                dense[at] = at < c.data + 64 || at + 64 >= c.data + c.size;
            if (!read)
                for (size_t at = c.data + 16; at + 16 < c.data + c.size; ++at)
                    skipped[at] = (at - c.data) % 61 != 0;
        }
        for (size_t at = 0; at < skipped.size(); ++at)
            if (!dense[at] && at % SANITIZED_STRIDE != 0) skipped[at] = true;
        int cases = 0;
        for (size_t length = 0; length <= s.bytes.size(); ++length) {
            if (skipped[length]) continue;
            const kft::Outcome o = kft::convert_in_memory(std::span(s.bytes.data(), length));
            ASSERT_EQ(o.fault, "") << s.name << " cut to " << length;
            if (length < complete)
                ASSERT_EQ(o.message, " Error: unexpected end of the input file") << s.name << " cut to " << length;
            else
                ASSERT_TRUE(o.converted) << s.name << " cut to " << length << ": " << o.message;
            ++cases;
        }
        RecordProperty(s.name + "_prefixes", cases);
    }
}

TEST(Corruption, ChunkHeaderFields) {
    for (const Scene& s : scenes()) {
        int cases = 0;
        for (const Chunk& c : chunks_to_damage(chunks_of(s.bytes)))
            overwrite_each(s, header_fields(c), c.tag + " chunk at " + std::to_string(c.head), cases);
        RecordProperty(s.name + "_cases", cases);
    }
}

TEST(Corruption, CountsPastTheirLimitAndPastTheData) {
    for (const Scene& s : scenes()) {
        int cases = 0;
        for (const Chunk& c : chunks_of(s.bytes))
            overwrite_each(s, count_fields(s.bytes, c), c.tag + " chunk at " + std::to_string(c.head), cases);
        EXPECT_GT(cases, 0) << s.name;
        RecordProperty(s.name + "_cases", cases);
    }
}
