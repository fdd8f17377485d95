#include "tools/mifread/convert/escape.h"

#include <cstdio>

namespace mifconvert {

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

namespace {
bool IsAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
}  // namespace

std::string UrlPath(std::string_view path) {
    std::string out;
    char buf[4];
    for (unsigned char c : path) {
        if (IsAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

std::string CssString(std::string_view name) {
    std::string out = "\"";
    char buf[12];
    for (unsigned char c : name) {
        if (IsAlnum(c) || c == ' ' || c == '-' || c == '_' || c >= 0x80) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(buf, sizeof buf, "\\%X ", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string Base64(std::span<const uint8_t> data) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        uint32_t v = data[i] << 16 | data[i + 1] << 8 | data[i + 2];
        for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 0x3F];
    }
    if (size_t rest = data.size() - i; rest > 0) {
        uint32_t v = data[i] << 16 | (rest == 2 ? data[i + 1] << 8 : 0);
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += rest == 2 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::string HexColor(uint32_t bgr) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return buf;
}

std::string Points(int64_t twips) {
    char buf[32];
    if (twips % 20 == 0) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(twips / 20));
    } else {
        std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(twips) / 20.0);
    }
    return buf;
}

}  // namespace mifconvert
