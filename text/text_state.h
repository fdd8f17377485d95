// Per-document state of the text subsystem: which text rectangles belong to
// body pages, and the page being read.
#pragma once

#include <cstdint>

namespace mif {

struct BodyTextRect {
    uint32_t id;
    BodyTextRect* next;
};

struct TextState {
    BodyTextRect* bodyRectHead;
    BodyTextRect* bodyRectTail;
    uint32_t isBodyPage;
    // The anchoring paragraph's pending number string, kept aside while a
    // table is replayed so that the cells' paragraphs neither write nor
    // clear it.
    char numberStringAtReplay[80];
};

}  // namespace mif
