#include "text/units.h"

#include <cstdlib>
#include <cstring>

#include "scanner/byte_search.h"

namespace mif {

namespace {

// Twips per unit of a unit word (its n bytes at word); 1440 for inches,
// '"' and every word that is not a unit.
int32_t FactorOfUnit(const char* word, size_t n) {
    auto is = [word, n](const char* unit, size_t length) { return n == length && std::memcmp(word, unit, n) == 0; };
    switch (n) {
        case 2:
            if (is("cm", 2)) return 567;
            if (is("mm", 2)) return 57;
            if (is("pc", 2)) return 240;
            if (is("pt", 2)) return 20;
            if (is("dd", 2)) return 21;
            if (is("cc", 2)) return 256;
            return 1440;  // "in" and the rest
        case 4: return is("pica", 4) ? 240 : 1440;
        case 5: return is("point", 5) ? 20 : is("didot", 5) ? 21 : 1440;
        case 6: return is("cicero", 6) ? 256 : 1440;
        case 10: return is("centimeter", 10) ? 567 : is("millimeter", 10) ? 57 : 1440;
        default: return 1440;
    }
}

// Only the first 79 bytes of a measurement are looked at.
constexpr size_t kMeasureLimit = 79;

bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == ' ' || c == '-'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t ParseUnitFactor(const char* text) {
    size_t i = 0;
    while (i < kMeasureLimit && text[i] != '\0' && IsNumberChar(text[i])) ++i;
    if (i == kMeasureLimit || text[i] == '\0') return 1440;
    size_t end = i;
    while (end < kMeasureLimit && text[end] != '\0' && text[end] != ' ') ++end;
    return FactorOfUnit(text + i, end - i);
}

double ParseDecimal(const char* text) {
    // Plain decimals of at most 15 digits: the digits and the power of ten
    // are exact doubles, so one division gives the correctly rounded value
    // that strtod gives. Anything else (exponents, hexadecimal, infinities,
    // long numbers) is left to atof itself.
    static const double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = text;
    while (IsSpace(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    for (; IsDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    if (*p == '.') {
        for (++p; IsDigit(*p); ++p, ++count, ++fraction) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (count == 0 || count > 15 || *p == 'e' || *p == 'E' || *p == 'x' || *p == 'X') return std::atof(text);
    double value = static_cast<double>(digits) / kPowersOfTen[fraction];
    return negative ? -value : value;
}

int32_t TruncateToInt32(double value) {
    if (!(value == value)) return 0;  // NaN
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t MeasureTwips(const char* text) {
    return TruncateToInt32(ParseDecimal(text) * static_cast<double>(ParseUnitFactor(text)));
}

}  // namespace mif
