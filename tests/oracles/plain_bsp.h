// The tree builder written the slow, obvious way: recursive, and every node
// scans the whole polygon table four times (front count, back count, node
// bounds, leaf list). The fast builder must give exactly these bytes.
#pragma once

#include "bsp/bsp.h"

namespace kfo {

void plain_bsp(kf::PofBuffer& pof, const kf::Slots& slots, const kf::Model& model, kf::vec3 min, kf::vec3 max,
               int32_t segment);

} // namespace kfo
