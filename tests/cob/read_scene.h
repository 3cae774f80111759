// Runs the COB reader on builder bytes and keeps everything a test inspects:
// the scene tables, the whole console report and the error, if any.
#pragma once

#include "cob/reader.h"
#include "keelforge.h"
#include "support/capture.h"
#include "support/cob_report.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace kft {

struct ReadResult {
    kf::Scene scene;
    std::string report;               // everything printed, the error message last
    std::optional<std::string> error; // the message of the Fatal that ended the read
    int status = 0;                   // its exit status
};

inline ReadResult read_scene(const std::vector<uint8_t>& bytes) {
    ReadResult r;
    Capture out;
    try {
        kf::read_cob_file(bytes, r.scene, out);
    } catch (const kf::Fatal& e) {
        std::fputs(e.what(), out);
        r.error = e.what();
        r.status = e.status();
    }
    r.report = out.text();
    return r;
}

inline const std::string past_end = " Error: unexpected end of the input file";
inline const std::string polh_past_chunk = " Error: PolH data runs past the end of its chunk";
inline const std::string mat1_past_chunk = " Error: Mat1 data runs past the end of its chunk";
inline const std::string grou_past_chunk = " Error: Grou data runs past the end of its chunk";

} // namespace kft
