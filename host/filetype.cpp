#include "host/filetype.h"

#include <cstring>

namespace mifhost {

namespace {
bool StartsWith(std::span<const uint8_t> d, std::initializer_list<uint8_t> magic, size_t at = 0) {
    if (d.size() < at + magic.size()) return false;
    return std::memcmp(d.data() + at, magic.begin(), magic.size()) == 0;
}
}  // namespace

std::string_view GuessExtension(std::span<const uint8_t> d) {
    if (StartsWith(d, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return "png";
    if (StartsWith(d, {'G', 'I', 'F', '8', '7', 'a'}) || StartsWith(d, {'G', 'I', 'F', '8', '9', 'a'})) return "gif";
    if (StartsWith(d, {0xFF, 0xD8, 0xFF})) return "jpg";
    if (StartsWith(d, {'I', 'I', '*', 0}) || StartsWith(d, {'M', 'M', 0, '*'})) return "tif";
    if (StartsWith(d, {'%', 'P', 'D', 'F'})) return "pdf";
    if (StartsWith(d, {'%', '!'}) || StartsWith(d, {0xC5, 0xD0, 0xD3, 0xC6})) return "eps";
    if (StartsWith(d, {0xD7, 0xCD, 0xC6, 0x9A}) || StartsWith(d, {0x01, 0x00, 0x09, 0x00}) ||
        StartsWith(d, {0x02, 0x00, 0x09, 0x00})) {
        return "wmf";
    }
    if (StartsWith(d, {0x01, 0x00, 0x00, 0x00}) && StartsWith(d, {' ', 'E', 'M', 'F'}, 40)) return "emf";
    if (StartsWith(d, {'B', 'M'})) return "bmp";
    return "bin";
}

}  // namespace mifhost
