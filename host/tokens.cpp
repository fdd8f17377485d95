#include "host/tokens.h"

#include <cstdio>

namespace mifhost {

namespace {

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

// Reads fields from a token's payload in order.
class Fields {
public:
    Fields(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    uint8_t U8() { return p_[at_++]; }
    uint32_t U32() { uint32_t v = mifhost::U32(p_ + at_); at_ += 4; return v; }
    int32_t I32() { int32_t v = mifhost::I32(p_ + at_); at_ += 4; return v; }
    size_t left() const { return n_ - at_; }
    const uint8_t* here() const { return p_ + at_; }
    void Skip(size_t n) { at_ += n; }

private:
    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
};

}  // namespace

Token TokenReader::Next() {
    size_t offset = base_ + at_;
    size_t remaining = data_.size() - at_;
    if (remaining < MIF_TOKEN_HEADER_SIZE) {
        throw TokenError(offset, "stream ends inside a token header (" + std::to_string(remaining) + " bytes left)");
    }
    const uint8_t* p = data_.data() + at_;
    Token t;
    t.offset = offset;
    t.code = p[0];
    t.length = U32(p + 1);
    if (t.length < MIF_TOKEN_HEADER_SIZE) {
        throw TokenError(offset, "length " + std::to_string(t.length) + " is shorter than a token header");
    }
    if (t.length > remaining) {
        throw TokenError(offset, "length " + std::to_string(t.length) + " runs past the end of the data (" +
                                     std::to_string(remaining) + " bytes left)");
    }
    const size_t payload = t.length - MIF_TOKEN_HEADER_SIZE;
    Fields f(p + MIF_TOKEN_HEADER_SIZE, payload);
    auto expect = [&](size_t want, const char* what) {
        if (t.length != want) {
            throw TokenError(offset, std::string(what) + " token has length " + std::to_string(t.length) +
                                         ", expected " + std::to_string(want));
        }
    };
    auto atLeast = [&](size_t want, const char* what) {
        if (t.length < want) {
            throw TokenError(offset, std::string(what) + " token of length " + std::to_string(t.length) +
                                         " is too short to hold its count");
        }
    };

    // Tokens that carry a count: their length must be fixed + count * perItem.
    auto expectCounted = [&](uint32_t n, uint64_t perItem, uint64_t fixed, const char* what) {
        if (fixed + perItem * n != t.length) {
            throw TokenError(offset, std::string(what) + " count " + std::to_string(n) + " disagrees with length " +
                                         std::to_string(t.length));
        }
    };

    switch (t.code) {
        case MIF_TOKEN_TEXT: {
            atLeast(9, "text");
            uint32_t n = f.U32();
            expectCounted(n, 1, 9, "text");
            t.value = TextToken{std::string(reinterpret_cast<const char*>(f.here()), n)};
            break;
        }
        case MIF_TOKEN_PARA_FORMAT: {
            expect(18, "paragraph format");
            ParaFormatToken v;
            v.left = f.I32();
            v.right = f.I32();
            v.first = f.I32();
            v.alignment = f.U8();
            t.value = v;
            break;
        }
        case MIF_TOKEN_TAB_STOPS: {
            atLeast(9, "tab stops");
            uint32_t n = f.U32();
            expectCounted(n, 5, 9, "tab stop");
            TabStopsToken v;
            v.stops.reserve(n);
            for (uint32_t i = 0; i < n; ++i) {
                TabStop s;
                s.type = f.U8();
                s.position = f.I32();
                v.stops.push_back(s);
            }
            t.value = std::move(v);
            break;
        }
        case MIF_TOKEN_TAB:
            expect(6, "tab");
            t.value = TabToken{f.U8()};
            break;
        case MIF_TOKEN_ATTRIBUTE:
            expect(9, "attribute");
            t.value = AttributeToken{f.U32()};
            break;
        case MIF_TOKEN_TABLE: {
            atLeast(9, "table");
            uint32_t n = f.U32();
            // A table end is a count of 0 and nothing more; a table start
            // with no columns has the count 0 too, with its spacings after it.
            if (n == 0 && t.length == 9) {
                t.value = TableEndToken{};
                break;
            }
            expectCounted(n, 4, 30, "table column");
            TableStartToken v;
            v.widths.reserve(n);
            for (uint32_t i = 0; i < n; ++i) v.widths.push_back(f.U32());
            for (uint32_t& s : v.spacing) s = f.U32();
            v.indent = f.I32();
            v.trailer = f.U8();
            t.value = std::move(v);
            break;
        }
        case MIF_TOKEN_CELL_END:
            expect(5, "cell end");
            t.value = CellEndToken{};
            break;
        case MIF_TOKEN_PARA_START:
            expect(5, "paragraph start");
            t.value = ParaStartToken{};
            break;
        case MIF_TOKEN_LINE_BREAK:
            expect(5, "line break");
            t.value = LineBreakToken{};
            break;
        case MIF_TOKEN_FONT: {
            expect(13, "font");
            FontToken v;
            v.number = f.U32();
            v.size = f.I32();
            t.value = v;
            break;
        }
        case MIF_TOKEN_PAGE: {
            expect(38, "page");
            PageToken v;
            v.kind = f.U8();
            v.width = f.U32();
            v.height = f.U32();
            v.left = f.U32();
            v.top = f.U32();
            v.right = f.U32();
            v.bottom = f.U32();
            v.extra1 = f.U32();
            v.extra2 = f.U32();
            t.value = v;
            break;
        }
        case MIF_TOKEN_LINE_SPACING:
            expect(6, "line spacing");
            t.value = LineSpacingToken{f.U8()};
            break;
        case MIF_TOKEN_COLOR: {
            expect(10, "colour");
            ColorToken v;
            v.reserved = f.U8();
            v.bgr = f.U32();
            t.value = v;
            break;
        }
        case MIF_TOKEN_FRAME: {
            atLeast(MIF_FRAME_TOKEN_BASE_LENGTH, "frame");
            // The ID text runs up to its NUL, which must come within 8 bytes.
            size_t k = 0;
            while (k < f.left() && f.here()[k] != 0) ++k;
            if (k == f.left()) throw TokenError(offset, "frame ID text has no NUL");
            if (k > MIF_FRAME_ID_MAX_CHARS) {
                throw TokenError(offset, "frame ID text of " + std::to_string(k) + " characters is longer than " +
                                             std::to_string(MIF_FRAME_ID_MAX_CHARS));
            }
            std::string id(reinterpret_cast<const char*>(f.here()), k);
            bool decimal = k > 0;
            for (size_t i = 0; i < k; ++i) {
                char c = id[i];
                if (!((c >= '0' && c <= '9') || (c == '-' && i == 0 && k > 1))) decimal = false;
            }
            if (!decimal) throw TokenError(offset, "frame ID text \"" + id + "\" is not a decimal number");
            expect(MIF_FRAME_TOKEN_BASE_LENGTH + k, "frame");
            f.Skip(k + 1);
            FrameToken v;
            v.id = std::move(id);
            v.width = f.U32();
            v.height = f.U32();
            v.kind = f.U32();
            for (uint32_t& c : v.constants) c = f.U32();
            for (uint8_t& b : v.tail) b = f.U8();
            t.value = std::move(v);
            break;
        }
        case MIF_TOKEN_CHARSET:
            expect(9, "character set");
            t.value = CharsetToken{f.U32()};
            break;
        default:
            throw TokenError(offset, "unknown token code " + std::to_string(t.code));
    }
    at_ += t.length;
    return t;
}

std::vector<Token> DecodeTokens(std::span<const uint8_t> data) {
    std::vector<Token> out;
    TokenReader reader(data);
    while (!reader.AtEnd()) out.push_back(reader.Next());
    return out;
}

std::string AttributeName(uint32_t code) {
    static const char* const kNames[] = {"bold", "italic", "underline", "strike",
                                         "superscript", "subscript", "smallcaps", "uppercase"};
    for (int i = 0; i < 8; ++i) {
        uint32_t bit = 1u << i;
        // The last two attributes have the on/off sense of the high bit reversed.
        uint32_t on = i < 6 ? (0x8000u | bit) : bit;
        uint32_t off = i < 6 ? bit : (0x8000u | bit);
        if (code == on) return std::string(kNames[i]) + " on";
        if (code == off) return std::string(kNames[i]) + " off";
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%04X", code);
    return buf;
}

namespace {

std::string Quote(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

const char* AlignmentName(uint8_t a) {
    switch (a) {
        case 0: return "left";
        case 1: return "right";
        case 2: return "center";
        case 3: return "justify";
        default: return "?";
    }
}

const char* TabTypeName(uint8_t t) {
    switch (t) {
        case 1: return "right";
        case 2: return "center";
        default: return "left";
    }
}

template <class... Ts>
struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

std::string DescribeToken(const Token& token) {
    char buf[256];
    return std::visit(
        Overloaded{
            [&](const TextToken& v) { return "text " + Quote(v.bytes); },
            [&](const ParaFormatToken& v) {
                std::snprintf(buf, sizeof buf, "para-format left=%d right=%d first=%d align=%s", v.left, v.right,
                              v.first, AlignmentName(v.alignment));
                return std::string(buf);
            },
            [&](const TabStopsToken& v) {
                std::string s = "tabs " + std::to_string(v.stops.size());
                if (!v.stops.empty()) s += ":";
                for (const TabStop& t : v.stops) s += std::string(" ") + TabTypeName(t.type) + "@" + std::to_string(t.position);
                return s;
            },
            [&](const TabToken&) { return std::string("tab"); },
            [&](const AttributeToken& v) { return "attr " + AttributeName(v.code); },
            [&](const TableStartToken& v) {
                std::string s = "table-start " + std::to_string(v.widths.size()) + " cols widths=[";
                for (size_t i = 0; i < v.widths.size(); ++i) {
                    if (i) s += ',';
                    s += std::to_string(v.widths[i]);
                }
                s += "] spacing=" + std::to_string(v.spacing[0]) + "/" + std::to_string(v.spacing[1]) + "/" +
                     std::to_string(v.spacing[2]) + "/" + std::to_string(v.spacing[3]);
                return s + " indent=" + std::to_string(v.indent);
            },
            [&](const TableEndToken&) { return std::string("table-end"); },
            [&](const CellEndToken&) { return std::string("cell-end"); },
            [&](const ParaStartToken&) { return std::string("para-start"); },
            [&](const LineBreakToken&) { return std::string("line-break"); },
            [&](const FontToken& v) {
                std::snprintf(buf, sizeof buf, "font #%u %dpt", v.number, v.size);
                return std::string(buf);
            },
            [&](const PageToken& v) {
                std::snprintf(buf, sizeof buf, "page %ux%u margins left=%u top=%u right=%u bottom=%u", v.width,
                              v.height, v.left, v.top, v.right, v.bottom);
                return std::string(buf);
            },
            [&](const LineSpacingToken& v) { return "line-spacing class=" + std::to_string(v.lineClass); },
            [&](const ColorToken& v) {
                // Stored as 0x00BBGGRR; shown as #RRGGBB.
                std::snprintf(buf, sizeof buf, "color #%02X%02X%02X", v.bgr & 0xFF, (v.bgr >> 8) & 0xFF,
                              (v.bgr >> 16) & 0xFF);
                return std::string(buf);
            },
            [&](const FrameToken& v) {
                std::snprintf(buf, sizeof buf, "frame id=%s %ux%u twips kind=%u", v.id.c_str(), v.width, v.height,
                              v.kind);
                return std::string(buf);
            },
            [&](const CharsetToken& v) { return "charset " + std::to_string(v.charset); },
        },
        token.value);
}

}  // namespace mifhost
