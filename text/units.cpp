#include "text/units.h"

#include <cstdlib>
#include <cstring>

#include "text/text.h"

namespace mif {

namespace {

struct UnitForm {
    const char* word;
    int32_t factor;
};

const UnitForm kUnitForms[] = {
    {"in", 1440},  {"\"", 1440},     {"cm", 567}, {"centimeter", 567}, {"mm", 57},  {"millimeter", 57},
    {"pc", 240},   {"pica", 240},    {"pt", 20},  {"point", 20},       {"dd", 21},  {"didot", 21},
    {"cc", 256},   {"cicero", 256},
};

}  // namespace

int32_t ParseUnitFactor(const char* text) {
    char copy[80];
    size_t n = 0;
    while (n < 79 && text[n] != '\0') {
        copy[n] = text[n];
        ++n;
    }
    copy[n] = '\0';
    const char* p = copy;
    while (*p != '\0' && ((*p >= '0' && *p <= '9') || *p == '.' || *p == ' ' || *p == '-')) ++p;
    if (*p == '\0') return 1440;
    const char* wordEnd = std::strchr(p, ' ');
    size_t length = wordEnd != nullptr ? static_cast<size_t>(wordEnd - p) : std::strlen(p);
    for (const UnitForm& form : kUnitForms) {
        if (std::strlen(form.word) == length && std::memcmp(form.word, p, length) == 0) return form.factor;
    }
    return 1440;
}

int32_t TruncateToInt32(double value) {
    if (!(value == value)) return 0;  // NaN
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t MeasureTwips(const char* text) {
    return TruncateToInt32(std::atof(text) * static_cast<double>(ParseUnitFactor(text)));
}

}  // namespace mif
