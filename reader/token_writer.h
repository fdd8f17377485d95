// Writers of output tokens, straight into the host's buffer at the write
// pointer. Every writer checks the space left: a token that does not fit is
// not written at all, the context's outputOverflow is raised and every later
// write of the same fill is refused.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

// Lengths of whole tokens (code and length field included).
constexpr uint32_t kBareTokenLength = MIF_TOKEN_HEADER_SIZE;
constexpr uint32_t kU8TokenLength = MIF_TOKEN_HEADER_SIZE + 1;
constexpr uint32_t kU32TokenLength = MIF_TOKEN_HEADER_SIZE + 4;
constexpr uint32_t kParaFormatTokenLength = MIF_TOKEN_HEADER_SIZE + 3 * 4 + 1;  // three indents, alignment
constexpr uint32_t kFontTokenLength = MIF_TOKEN_HEADER_SIZE + 4 + 4;            // number, size
constexpr uint32_t kColorTokenLength = MIF_TOKEN_HEADER_SIZE + 1 + 4;           // 0, colour
constexpr uint32_t kPageTokenLength = MIF_TOKEN_HEADER_SIZE + 1 + 8 * 4;        // kind, six sizes, two -1
constexpr uint64_t TextTokenLength(uint64_t n) { return MIF_TOKEN_HEADER_SIZE + 4 + n; }
constexpr uint64_t TabStopsTokenLength(uint64_t n) { return MIF_TOKEN_HEADER_SIZE + 4 + 5 * n; }
// Count, widths, four spacings, indent and a final 0.
constexpr uint64_t TableStartTokenLength(uint64_t columns) { return MIF_TOKEN_HEADER_SIZE + 4 + 4 * columns + 16 + 4 + 1; }
static_assert(kPageTokenLength + kU8TokenLength + kU32TokenLength == MIF_FIRST_FILL_HEADER_BYTES);

// Bytes of output used in this fill.
inline uint32_t OutputUsed(const ReaderContext* ctx) {
    return static_cast<uint32_t>(ctx->writePointer - ctx->bufferStart);
}

// True when n more bytes fit; otherwise raises outputOverflow.
bool ReserveOutput(ReaderContext* ctx, uint32_t n);

// Unchecked little-endian stores; call only after ReserveOutput.
void PutU8(ReaderContext* ctx, uint8_t v);
void PutU32(ReaderContext* ctx, uint32_t v);
void PutBytes(ReaderContext* ctx, const void* bytes, uint32_t n);

// Fixed-size tokens.
void WriteBareToken(ReaderContext* ctx, uint8_t code);                 // length 5
void WriteU8Token(ReaderContext* ctx, uint8_t code, uint8_t value);    // length 6
void WriteU32Token(ReaderContext* ctx, uint8_t code, uint32_t value);  // length 9

// Text token (code 0) with n bytes of text.
void WriteTextToken(ReaderContext* ctx, const char* text, uint32_t n);


// The three tokens that open every document (53 bytes).
void WriteDocumentHeaderTokens(ReaderContext* ctx);

}  // namespace mif
