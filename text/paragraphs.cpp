// Paragraph boundaries and markers: the end tokens of a reported paragraph
// and the attribute-off tokens that precede them.
#include "reader/token_writer.h"
#include "formats/format_rules.h"
#include "text/text.h"

namespace mif {

namespace {

// Off-codes of the character attributes, by bit from 0x01 to 0x80.
const uint32_t kAttributeOffCodes[8] = {0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x8040, 0x8080};

bool HasValue(const StatementFrame* frame) { return frame->valueStart != nullptr && frame->valueEnd != nullptr; }

}  // namespace

int CloseCharAttributes(ReaderContext* ctx) {
    if (ctx->lastEmitted.charAttributes == 0) return 0;
    for (int i = 0; i < 8; ++i) {
        uint32_t bit = 1u << i;
        if ((ctx->lastEmitted.charAttributes & bit) == 0) continue;
        WriteU32Token(ctx, MIF_TOKEN_ATTRIBUTE, kAttributeOffCodes[i]);
        ctx->lastEmitted.charAttributes &= ~bit;
        if (bit == AttrSuperscript || bit == AttrSubscript) {
            // Undo the three-quarter size of raised and lowered text.
            ctx->current.fontSize = RestoreFontSize(ctx->current.fontSize);
        }
    }
    return 1;
}

int HandlePara(ReaderContext* ctx, StatementFrame*) {
    // A number string belongs to its own paragraph: one that was never
    // written (the paragraph had no reported text) is dropped here.
    ctx->current.numberString[0] = '\0';
    if (ctx->inPage || ctx->inAFrames || ctx->inTbls || ctx->inTblFormat || ctx->inNotes || !ctx->inBodyFlow) {
        return 1;
    }
    if (ctx->lastEmitted.charAttributes != 0) ctx->formatDirty = static_cast<uint32_t>(CloseCharAttributes(ctx));
    WriteBareToken(ctx, MIF_TOKEN_LINE_BREAK);
    WriteBareToken(ctx, MIF_TOKEN_PARA_START);
    return 1;
}

int HandleMType(ReaderContext*, StatementFrame* frame) { return HasValue(frame) ? 1 : 0; }

int HandleMText(ReaderContext*, StatementFrame* frame) { return HasValue(frame) ? 1 : 0; }

}  // namespace mif
