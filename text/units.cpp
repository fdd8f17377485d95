#include "text/units.h"

#include <cstdlib>
#include <cstring>

#include "scanner/byte_search.h"

namespace mif {

namespace {

struct UnitForm {
    const char* word;
    uint32_t length;
    int32_t factor;
};

const UnitForm kUnitForms[] = {
    {"in", 2, 1440},  {"\"", 1, 1440},  {"cm", 2, 567}, {"centimeter", 10, 567}, {"mm", 2, 57}, {"millimeter", 10, 57},
    {"pc", 2, 240},   {"pica", 4, 240}, {"pt", 2, 20},  {"point", 5, 20},        {"dd", 2, 21}, {"didot", 5, 21},
    {"cc", 2, 256},   {"cicero", 6, 256},
};

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
    const uint32_t length = static_cast<uint32_t>(end - i);
    for (const UnitForm& form : kUnitForms) {
        if (form.length == length && std::memcmp(form.word, text + i, length) == 0) return form.factor;
    }
    return 1440;
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
