// Writers of output tokens, straight into the host's buffer at the write
// pointer. Every writer checks the space left: a token that does not fit is
// not written at all, the context's outputOverflow is raised and every later
// write of the same fill is refused.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

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

// Variable-length tokens: Begin writes the code and reserves the length,
// Append adds payload bytes (checked), End fills the length in. A token
// that overflows is taken back whole when the fill ends.
void BeginToken(ReaderContext* ctx, uint8_t code);
void AppendToken(ReaderContext* ctx, const void* bytes, uint32_t n);
void EndToken(ReaderContext* ctx);

// The three tokens that open every document (53 bytes).
void WriteDocumentHeaderTokens(ReaderContext* ctx);

}  // namespace mif
