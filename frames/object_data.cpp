#include "frames/object_data.h"

#include "text/text.h"

namespace mif {

uint8_t EscapedByte(char c) {
    switch (c) {
        case 'a': return 7;
        case 'b': return 8;
        case 'f': return 12;
        case 'n': return 10;
        case 'r': return 13;
        case 't': return 9;
        case 'v': return 11;
        default: return static_cast<uint8_t>(c);
    }
}

DataStep StepDataLine(const char* p, const char* end, uint32_t* hexMode, bool counting) {
    DataStep step{0, 0, 0};
    if (p[0] == '\\') {
        if (p + 1 >= end) return step;
        if (p[1] == 'x') {
            *hexMode = *hexMode ? 0 : 1;
            step.advance = 2;
            return step;
        }
    }
    if (*hexMode) {
        if (p + 1 >= end) return step;
        if (EndsDataLine(p[1], counting)) {
            step.advance = 1;
            return step;
        }
        step.advance = 2;
        step.bytes = 1;
        step.value = HexPairToByte(p[0], p[1], 0);
        return step;
    }
    if (p[0] == '\\') {
        // p + 1 < end was checked above.
        if (EndsDataLine(p[1], counting)) {
            step.advance = 1;
            step.bytes = 1;
            step.value = '\\';
            return step;
        }
        step.advance = 2;
        if (counting) {
            step.bytes = p[1] == '\\' ? 1 : 2;
        } else {
            step.bytes = 1;
            step.value = EscapedByte(p[1]);
        }
        return step;
    }
    step.advance = 1;
    step.bytes = 1;
    step.value = static_cast<uint8_t>(p[0]);
    return step;
}

}  // namespace mif
