// Per-document state of the text subsystem: which text rectangles belong to
// body pages, and the page being read.
#pragma once

#include <cstdint>

namespace mif {

struct TextState {
    // The IDs of the body pages' text rectangles, as a set: open addressing
    // over bodyRectSlots entries (a power of two), each an ID + 1 or 0 when
    // empty; bodyRectCount of them used.
    uint64_t* bodyRects;
    uint32_t bodyRectSlots;
    uint32_t bodyRectCount;
    uint32_t isBodyPage;
    // The anchoring paragraph's pending number string, kept aside while a
    // table is replayed so that the cells' paragraphs neither write nor
    // clear it.
    char numberStringAtReplay[80];
};

}  // namespace mif
