// The three-float vector of both file formats, shared by the converter and
// the POF reader.
#pragma once

namespace kf {

// Three 32-bit floats, in x, y, z order in memory and in the output file.
struct vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Componentwise a + b and a - b, each component computed in double and
// rounded to float once.
inline vec3 vec3_add(const vec3& a, const vec3& b) {
    return {static_cast<float>(static_cast<double>(a.x) + static_cast<double>(b.x)),
            static_cast<float>(static_cast<double>(a.y) + static_cast<double>(b.y)),
            static_cast<float>(static_cast<double>(a.z) + static_cast<double>(b.z))};
}
inline vec3 vec3_sub(const vec3& a, const vec3& b) {
    return {static_cast<float>(static_cast<double>(a.x) - static_cast<double>(b.x)),
            static_cast<float>(static_cast<double>(a.y) - static_cast<double>(b.y)),
            static_cast<float>(static_cast<double>(a.z) - static_cast<double>(b.z))};
}

} // namespace kf
