// Paragraph boundaries and markers: the end tokens of a reported paragraph
// and the attribute-off tokens that precede them.
#include <cstring>

#include "formats/format_rules.h"
#include "reader/token_writer.h"
#include "scanner/statement_stack.h"
#include "text/text.h"

namespace mif {

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

void SetNumberStringAside(ReaderContext* ctx) {
    std::memcpy(ctx->text.numberStringAtReplay, ctx->current.numberString, sizeof ctx->current.numberString);
    ctx->current.numberString[0] = '\0';
}

void TakeNumberStringBack(ReaderContext* ctx) {
    std::memcpy(ctx->current.numberString, ctx->text.numberStringAtReplay, sizeof ctx->current.numberString);
    if (ctx->current.numberString[0] != '\0') ctx->formatDirty = 1;
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
