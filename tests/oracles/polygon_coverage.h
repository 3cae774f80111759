// Checks a written model against the model tables it was written from:
// every polygon with corners must appear exactly once in its subobject's
// model data. Polygons without corners carry no geometry and are left out.
#pragma once

#include "model/model.h"
#include "pofinfo/pofread.h"

#include <string>

namespace kfo {

// Empty when the coverage is exact, otherwise the first polygon that is
// missing, repeated or not one the builder made. `pof` must have been read
// without a problem.
std::string polygon_coverage(const kf::Model& model, const pofread::Model& pof);

} // namespace kfo
