// Decoding of the module's token stream: the framing (u8 code, u32 LE length
// of the whole token) and the fields of every token code, into typed values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "mifreader/mifreader.h"

namespace mifhost {

struct TextToken { std::string bytes; };
struct ParaFormatToken { int32_t left = 0, right = 0, first = 0; uint8_t alignment = 0; };
struct TabStop { uint8_t type = 0; int32_t position = 0; };
struct TabStopsToken { std::vector<TabStop> stops; };
struct TabToken { uint8_t value = 0; };
struct AttributeToken { uint32_t code = 0; };
struct TableStartToken {
    std::vector<uint32_t> widths;
    std::array<uint32_t, 4> spacing{};
    int32_t indent = 0;
    uint8_t trailer = 0;
};
struct TableEndToken {};
struct CellEndToken {};
struct ParaStartToken {};
struct LineBreakToken {};
struct FontToken { uint32_t number = 0; int32_t size = 0; };
struct PageToken {
    uint8_t kind = 0;
    uint32_t width = 0, height = 0, left = 0, top = 0, right = 0, bottom = 0;
    uint32_t extra1 = 0, extra2 = 0;
};
struct LineSpacingToken { uint8_t lineClass = 0; };
struct ColorToken { uint8_t reserved = 0; uint32_t bgr = 0; };
struct FrameToken {
    std::string id;
    uint32_t width = 0, height = 0, kind = 0;
    std::array<uint32_t, 15> constants{};  // the fields after kind, in order
    std::array<uint8_t, 5> tail{};         // u8 255 and four u8 0
};
struct CharsetToken { uint32_t charset = 0; };

using TokenValue = std::variant<TextToken, ParaFormatToken, TabStopsToken, TabToken, AttributeToken, TableStartToken,
                                TableEndToken, CellEndToken, ParaStartToken, LineBreakToken, FontToken, PageToken,
                                LineSpacingToken, ColorToken, FrameToken, CharsetToken>;

struct Token {
    size_t offset = 0;  // of the code byte in the stream
    uint8_t code = 0;
    uint32_t length = 0;
    TokenValue value;
};

class TokenError : public std::runtime_error {
public:
    TokenError(size_t offset, const std::string& what)
        : std::runtime_error("token at byte " + std::to_string(offset) + ": " + what), offset_(offset) {}
    size_t offset() const { return offset_; }

private:
    size_t offset_;
};

// Walks a token stream one token at a time; base is the stream offset of the
// first byte of data (for offsets in tokens and errors).
class TokenReader {
public:
    explicit TokenReader(std::span<const uint8_t> data, size_t base = 0) : data_(data), base_(base) {}
    bool AtEnd() const { return at_ >= data_.size(); }
    // Decodes the next token; throws TokenError on a malformed one.
    Token Next();
    size_t position() const { return base_ + at_; }

private:
    std::span<const uint8_t> data_;
    size_t base_;
    size_t at_ = 0;
};

// Decodes a whole stream; throws TokenError at the first malformed token.
std::vector<Token> DecodeTokens(std::span<const uint8_t> data);

// The tokens' fields as one readable line (without the offset).
std::string DescribeToken(const Token& token);

// "bold on", "italic off", ... or a hex code for an unknown attribute.
std::string AttributeName(uint32_t code);

}  // namespace mifhost
