// The corner-normal pass written the slow, obvious way, as a nested search;
// the builder's fast pass must give exactly this table.
#pragma once

#include "model/model.h"

#include <string>

namespace kfo {

// For each vertex in ascending order, for each polygon, for each of its
// corners that names the vertex, appends the corner's normal. A smooth
// corner's normal is the average over every corner of every smooth polygon
// that names the vertex, summed in double in that order, divided by the
// count, rounded, then normalised.
void nested_corner_normals(kf::Model& m);

// Empty when both models hold the same corner normals bit for bit,
// otherwise the first difference.
std::string normals_difference(const kf::Model& a, const kf::Model& b);

} // namespace kfo
