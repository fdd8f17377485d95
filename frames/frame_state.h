// Per-document state of anchored frames and their embedded object data.
#pragma once

#include <cstdint>

namespace mif {

// One anchored frame read from the AFrames section. Zero-filled at creation.
struct FrameRecord {
    int32_t id;
    uint32_t kind;        // 2 once embedded data was found; 0 again after ImportObFileDI
    int32_t width;        // twips, from ShapeRect
    int32_t height;
    uint32_t dataStart;   // stream position of the first data character (after the '&')
    uint32_t readPos;     // first character the next read decodes
    uint32_t scanPos;     // where the last read or skip stopped scanning
    uint32_t delivered;   // decoded bytes handed out since the last reset
    int32_t dataSize;     // decoded size of the first facet, as the inset reader counts it
    uint32_t firstFacetBegun;
    uint32_t laterFacetBegun;
    uint32_t markerPassed;
    uint32_t endSeen;     // first facet's data ended (inset reader) / data ended (reads)

    // Decoder state at readPos and at scanPos: hexadecimal mode, and whether
    // the position is at the start of a line (where an '&' is not data).
    uint32_t readHex;
    uint32_t readLineStart;
    uint32_t scanHex;
    uint32_t scanLineStart;

    FrameRecord* next;
};

struct FrameState {
    FrameRecord* frameList;   // head, creation order
    FrameRecord* frameTail;
    FrameRecord* currentFrame;
    uint32_t hexMode;         // data is in hexadecimal pairs (between \x markers)
    uint32_t savedStreamPos;  // where the object callbacks put the stream back
};

}  // namespace mif
