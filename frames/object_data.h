// The decoding of an imported object's inline data lines, shared by the
// inset reader (which only counts) and the object reads (which decode), so
// that both walk a line by the same rules.
#pragma once

#include <cstdint>

namespace mif {

// One step over the characters of a data line.
struct DataStep {
    uint32_t advance;  // characters used; 0 when the characters ran out first
    uint32_t bytes;    // data bytes the step stands for
    uint8_t value;     // the decoded byte (reading only, bytes == 1)
};

// A data line ends at a line break or an '='. The inset reader's count also
// stops at a '<'.
inline bool EndsDataLine(char c, bool counting) {
    return c == '\n' || c == '\r' || c == '=' || (counting && c == '<');
}

// Byte of a backslash escape: the C-style letters, otherwise the character.
uint8_t EscapedByte(char c);

// Decodes the step at p (p < end, *p not ending the line). hexMode is
// toggled by a backslash-x. In hexadecimal mode two characters of the line
// form a byte (a lone character before the line's end forms none); otherwise
// a character, or a backslash with the character after it, forms one. The
// count takes a backslash pair as two bytes unless it is a doubled
// backslash; reading decodes it as one escaped byte.
DataStep StepDataLine(const char* p, const char* end, uint32_t* hexMode, bool counting);

}  // namespace mif
