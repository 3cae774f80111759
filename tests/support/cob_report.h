// Pieces of the COB reader's console report, for tests that compare whole
// reports: each returns the exact text that one chunk prints.
#pragma once

#include <string>

namespace kft {

// The report's first line, printed before anything is read.
inline const std::string reading_line = " Reading input file...\n";

// What the driver prints before the reader starts.
inline std::string run_head(const std::string& path) {
    return " Keelforge2 Version 0.01 10-23-99\n Processing " + path + "\n\n" + reading_line;
}

// The tag print that opens every chunk's report line.
inline std::string tag_line(const std::string& hex) { return " the data type is '" + hex + "'"; }

// One PolH chunk whose name is echoed as given; totals as the line after it shows them.
inline std::string polh_report(const std::string& name, unsigned n_vertices, unsigned n_faces, unsigned total_v,
                               unsigned total_p, unsigned total_uv, unsigned section, unsigned dupecount = 0) {
    return tag_line("486c6f50") + " Polh... Polh name: " + name + "," + std::to_string(dupecount) +
           "\n   n_vertix=" + std::to_string(n_vertices) + "\n   n_facehole=" + std::to_string(n_faces) +
           "\n V=" + std::to_string(total_v) + ", P=" + std::to_string(total_p) +
           ", UV=" + std::to_string(total_uv) + ", S=" + std::to_string(section) + "\n";
}

// One Grou chunk with a name free of zero bytes.
inline std::string grou_report(const std::string& name, unsigned dupecount = 0) {
    return tag_line("756f7247") + " Grou... \nGrou name: " + name + "," + std::to_string(dupecount) + "\n" +
           (name.empty() ? std::string("None") : name) + "\n";
}

// The head of a Mat1 chunk's report.
inline const std::string mat1_line = tag_line("3174614d") + " Mat1... \n";

// A flat-colour Mat1 chunk that colours no face.
inline std::string flat_report(int red, int green, int blue, unsigned matlcount) {
    return mat1_line + " flatpoly: red = " + std::to_string(red) + ", green = " + std::to_string(green) +
           ", blue = " + std::to_string(blue) + "\n Matlcount = " + std::to_string(matlcount) + "\n";
}

// A textured Mat1 chunk; `index` is given for a name not seen before.
inline std::string texture_report(const std::string& name, int index, unsigned matlcount) {
    std::string r = mat1_line + " got a t:  " + name + "\n";
    if (index >= 0) r += " Texture " + std::to_string(index) + " = " + name + "\n";
    return r + " Matlcount = " + std::to_string(matlcount) + "\n";
}

inline const std::string end_line = tag_line("20444e45") + " End... \n";

} // namespace kft
