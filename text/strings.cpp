// Text runs: the String statement, MIF backslash escapes and the mapping of
// \xNN character codes to the output character set.
#include <cstdint>
#include <cstring>

#include "reader/token_writer.h"
#include "text/text.h"

namespace mif {

namespace {

struct CharCodeMapping {
    uint8_t mifCode;
    uint8_t outputByte;
};

// MIF character codes whose output byte differs from the code itself.
const CharCodeMapping kCharCodeMap[] = {
    {0x05, 0x20}, {0x15, 0xAE},
    {0x80, 0xC4}, {0x81, 0xC5}, {0x82, 0xC7}, {0x83, 0xC9}, {0x84, 0xD1}, {0x85, 0xD6}, {0x86, 0xDC}, {0x87, 0xE1},
    {0x88, 0xE0}, {0x89, 0xE2}, {0x8a, 0xE4}, {0x8b, 0xE3}, {0x8c, 0xE5}, {0x8d, 0xE7}, {0x8e, 0xE9}, {0x8f, 0xE8},
    {0x90, 0xEA}, {0x91, 0xEB}, {0x92, 0xED}, {0x93, 0xEC}, {0x94, 0xEE}, {0x95, 0xEF}, {0x96, 0xF1}, {0x97, 0xF3},
    {0x98, 0xF2}, {0x99, 0xF4}, {0x9a, 0xF6}, {0x9b, 0xF5}, {0x9c, 0xFA}, {0x9d, 0xF9}, {0x9e, 0xFB}, {0x9f, 0xFC},
    {0xa1, 0xB0}, {0xa4, 0xA7}, {0xa6, 0xB6}, {0xa7, 0xDF}, {0xa8, 0xAE}, {0xac, 0xA8}, {0xae, 0xC6}, {0xaf, 0xD8},
    {0xb9, 0xBC}, {0xba, 0xBD}, {0xbb, 0xAA}, {0xbc, 0xBA}, {0xbd, 0xBE}, {0xbe, 0xE6}, {0xbf, 0xF8},
    {0xc0, 0xBF}, {0xc2, 0xAC}, {0xc3, 0xD0}, {0xc4, 0x83}, {0xc5, 0xDD}, {0xc6, 0xFD}, {0xc7, 0xAB}, {0xc8, 0xBB},
    {0xc9, 0x85}, {0xcc, 0xC3}, {0xcd, 0xD5},
    {0xd2, 0x93}, {0xd3, 0x94}, {0xd4, 0x99}, {0xd5, 0x92}, {0xdb, 0xA4},
    {0xe2, 0xB8}, {0xe5, 0xC2}, {0xe6, 0xCA}, {0xe7, 0xC1}, {0xe8, 0xCB}, {0xe9, 0xC8}, {0xea, 0xCD}, {0xed, 0xCC},
    {0xee, 0xD3}, {0xef, 0xD4},
    {0xf1, 0xD2}, {0xf2, 0xDA}, {0xf3, 0xDB}, {0xf4, 0xD9},
};
static_assert(sizeof kCharCodeMap / sizeof kCharCodeMap[0] == 79, "the character-code map has 79 entries");

// Value of one hexadecimal digit; any other character counts as 0.
int HexDigitValue(char c, bool* isHex) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    *isHex = true;
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    *isHex = false;
    return 0;
}

bool IsHexDigit(char c) {
    bool isHex = false;
    HexDigitValue(c, &isHex);
    return isHex;
}

}  // namespace

uint8_t HexPairToByte(char high, char low, int convert) {
    bool highIsHex = false;
    bool lowIsHex = false;
    uint8_t plain = static_cast<uint8_t>(HexDigitValue(high, &highIsHex) * 16 + HexDigitValue(low, &lowIsHex));
    if (convert != 0 && highIsHex && lowIsHex) {
        for (const CharCodeMapping& m : kCharCodeMap) {
            if (m.mifCode == plain) return m.outputByte;
        }
    }
    return plain;
}

uint32_t DecodeMifString(ReaderContext* ctx, char* text, uint32_t maxLength) {
    if (text == nullptr) return 0;
    // Only the first `limit` bytes are ever read: an escape that the limit
    // cuts short is never completed from bytes beyond it.
    const size_t limit = strnlen(text, maxLength);
    // Text before the first backslash stays as it is.
    const void* escape = std::memchr(text, '\\', limit);
    size_t r = escape != nullptr ? static_cast<size_t>(static_cast<const char*>(escape) - text) : limit;
    size_t w = r;
    size_t firstNul = SIZE_MAX;
    while (r < limit) {
        char c = text[r];
        size_t consumed = 1;
        if (c == '\\' && r + 1 < limit) {
            switch (text[r + 1]) {
                case '>': c = '>'; consumed = 2; break;
                case 'Q': c = '`'; consumed = 2; break;
                case 'q': c = '\''; consumed = 2; break;
                case '\\': c = '\\'; consumed = 2; break;
                case 't':
                    c = ' ';
                    consumed = 2;
                    if (ctx != nullptr && ctx->inBodyFlow) WriteU8Token(ctx, MIF_TOKEN_TAB, 0);
                    break;
                case 'x':
                    // Backslash, x, two hexadecimal digits and the blank MIF
                    // writes after them. Without two hex digits (cut short by
                    // the string's end, or other characters) the backslash
                    // stays as text, so nothing is lost; a missing trailing
                    // blank is simply not consumed.
                    if (r + 3 < limit && IsHexDigit(text[r + 2]) && IsHexDigit(text[r + 3])) {
                        c = static_cast<char>(HexPairToByte(text[r + 2], text[r + 3], 1));
                        consumed = r + 4 < limit ? 5 : 4;
                    }
                    break;
                default:
                    break;
            }
        }
        if (c == '\0' && firstNul == SIZE_MAX) firstNul = w;
        text[w++] = c;
        r += consumed;
    }
    text[w] = '\0';
    return static_cast<uint32_t>(firstNul < w ? firstNul : w);
}

int HandleString(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inPage || ctx->inAFrames || ctx->inTbls || ctx->inNotes) return 1;
    if (frame->valueStart == nullptr || frame->valueEnd == nullptr) return 0;
    // The value's last character is taken for the closing quote and dropped.
    char* end = frame->valueEnd > frame->valueStart ? frame->valueEnd : frame->valueStart;
    *end = '\0';
    char* text = frame->valueStart;
    if (*text == '`') ++text;
    const uint32_t length = DecodeMifString(ctx, text, static_cast<uint32_t>(end - text));
    if (ctx->formatDirty && !FlushPendingFormat(ctx)) return 0;
    if (!ctx->inBodyFlow) return 1;
    WriteTextToken(ctx, text, length);
    return 1;
}

}  // namespace mif
