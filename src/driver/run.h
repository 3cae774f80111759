// The run sequence of the converter: read the scene, build the model, write the file.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kf {

// Runs the converter on the command line `args` (program name first),
// reporting on `out` and writing `output`. Returns the exit status: 0
// exactly when the file was written. Throws Fatal for a scene error.
int run(const std::vector<std::string>& args, FILE* out, const std::string& output = "test.pof");

} // namespace kf
