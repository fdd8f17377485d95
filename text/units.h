// Measurements: a number with an optional unit word, converted to twips.
#pragma once

#include <cstdint>

namespace mif {

// Twips per unit of the first unit word in text (1440 for inches, for no
// unit and for unknown words: the document's Units statement is not used).
// Reads at most the first 79 bytes.
int32_t ParseUnitFactor(const char* text);

// The leading number of text, as atof reads it.
double ParseDecimal(const char* text);

// The leading number of text times its unit factor, truncated toward zero.
int32_t MeasureTwips(const char* text);

// Truncates a double toward zero into the 32-bit range.
int32_t TruncateToInt32(double value);

}  // namespace mif
