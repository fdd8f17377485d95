// Per-document state of anchored frames and their embedded object data.
#pragma once

#include <cstdint>

namespace mif {

struct FrameRecord {
    FrameRecord* next;
};

struct FrameState {
    FrameRecord* frameList;
    FrameRecord* currentFrame;
    uint32_t hexMode;         // data is in hexadecimal pairs (between \x markers)
    uint32_t savedStreamPos;  // where the object callbacks put the stream back
};

}  // namespace mif
