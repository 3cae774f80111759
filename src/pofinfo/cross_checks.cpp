#include "pofinfo/pofread_parts.h"

#include <utility>

namespace pofread::detail {

void check_cross_references(const Model& m, size_t hdr2_body) {
    const Header& h = m.header;
    const auto count = static_cast<int32_t>(m.subobjects.size());
    if (h.subobject_count != count)
        fail(hdr2_body + kf::HDR2_SUBOBJECT_COUNT, format("HDR2 subobject count %d, but the file holds %d OBJ2 chunks", h.subobject_count, count));
    size_t field = hdr2_body + kf::HDR2_DETAIL_LIST + 4;
    for (auto [list, what] : {std::pair{&h.detail, "detail level"}, std::pair{&h.debris, "debris entry"}}) {
        for (size_t i = 0; i < list->size(); ++i, field += 4) {
            const int32_t n = (*list)[i];
            // A model without subobjects still names subobject 0 as its detail level 0.
            const bool empty_model = count == 0 && n == 0 && list == &h.detail && i == 0;
            if ((n < 0 || n >= count) && !empty_model)
                fail(field, format("HDR2 %s %zu is subobject %d, which is not below the subobject count %d", what, i,
                                   n, count));
        }
        field += 4;
    }
    for (const Subobject& s : m.subobjects)
        if (s.parent < -1 || s.parent >= count)
            fail(s.chunk_offset + kf::CHUNK_HEAD_SIZE + kf::OBJ2_PARENT, format("subobject %d \"%s\": parent %d is neither -1 nor a subobject number",
                                             s.number, s.name.c_str(), s.parent));
    // No subobject may be its own ancestor. A chain that loops without
    // passing the subobject it started from is reported at a subobject on
    // the loop, found in its own turn.
    for (size_t i = 0; i < m.subobjects.size(); ++i) {
        int32_t p = m.subobjects[i].parent;
        for (size_t steps = 0; p != -1 && steps < m.subobjects.size(); ++steps) {
            if (static_cast<size_t>(p) == i) {
                const Subobject& s = m.subobjects[i];
                fail(s.chunk_offset + kf::CHUNK_HEAD_SIZE + kf::OBJ2_PARENT,
                     format("subobject %d \"%s\" is its own ancestor: its parent chain loops", s.number, s.name.c_str()));
            }
            p = m.subobjects[static_cast<size_t>(p)].parent;
        }
    }
}

} // namespace pofread::detail
