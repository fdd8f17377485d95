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
};

}  // namespace mif
