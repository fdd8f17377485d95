// The format flush: before any reported text, write the format groups that
// changed since they were last written, in a fixed order.
#include <cstring>

#include "formats/tab_arrays.h"
#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "text/text.h"

namespace mif {

namespace {

uint32_t TabCountOf(const FormatState& state) { return state.tabCount > 0 ? static_cast<uint32_t>(state.tabCount) : 0; }

int32_t TabPositionAt(const FormatState& state, uint32_t i) {
    return state.tabPositions != nullptr ? state.tabPositions[i] : 0;
}

uint32_t TabTypeAt(const FormatState& state, uint32_t i) { return state.tabTypes != nullptr ? state.tabTypes[i] : 0; }

bool TabStopsDiffer(const FormatState& a, const FormatState& b) {
    uint32_t n = TabCountOf(a);
    if (a.tabCount != b.tabCount) return true;
    for (uint32_t i = 0; i < n; ++i) {
        if (TabPositionAt(a, i) != TabPositionAt(b, i)) return true;
    }
    for (uint32_t i = 0; i < n; ++i) {
        if (TabTypeAt(a, i) != TabTypeAt(b, i)) return true;
    }
    return false;
}

void WriteParagraphFormatToken(ReaderContext* ctx, const FormatState& s) {
    if (!ReserveOutput(ctx, kParaFormatTokenLength)) return;
    PutU8(ctx, MIF_TOKEN_PARA_FORMAT);
    PutU32(ctx, kParaFormatTokenLength);
    PutU32(ctx, static_cast<uint32_t>(s.leftIndent));
    PutU32(ctx, static_cast<uint32_t>(s.rightIndent));
    PutU32(ctx, static_cast<uint32_t>(s.firstIndent));
    PutU8(ctx, static_cast<uint8_t>(s.alignment));
}

void WriteFontToken(ReaderContext* ctx, const FormatState& s) {
    if (!ReserveOutput(ctx, kFontTokenLength)) return;
    PutU8(ctx, MIF_TOKEN_FONT);
    PutU32(ctx, kFontTokenLength);
    PutU32(ctx, s.fontIndex);
    PutU32(ctx, static_cast<uint32_t>(s.fontSize));
}

void WriteColorToken(ReaderContext* ctx, uint32_t color) {
    if (!ReserveOutput(ctx, kColorTokenLength)) return;
    PutU8(ctx, MIF_TOKEN_COLOR);
    PutU32(ctx, kColorTokenLength);
    PutU8(ctx, 0);
    PutU32(ctx, color);
}

void WriteTabStopsToken(ReaderContext* ctx, const FormatState& s) {
    uint32_t n = TabCountOf(s);
    uint64_t length = TabStopsTokenLength(n);
    if (!ReserveOutput(ctx, length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(length))) return;
    PutU8(ctx, MIF_TOKEN_TAB_STOPS);
    PutU32(ctx, static_cast<uint32_t>(length));
    PutU32(ctx, n);
    for (uint32_t i = 0; i < n; ++i) {
        PutU8(ctx, static_cast<uint8_t>(TabTypeAt(s, i)));
        PutU32(ctx, static_cast<uint32_t>(TabPositionAt(s, i)));
    }
}

// Brings the tab stops of lastEmitted up to current; 0 when memory ran out,
// in which case lastEmitted keeps no tab arrays at all.
int CopyTabStops(ReaderContext* ctx) {
    FormatState& last = ctx->lastEmitted;
    const FormatState& cur = ctx->current;
    uint32_t n = TabCountOf(cur);
    if (n == 0) {
        ReleaseTabArrays(ctx, last);
        return 1;
    }
    if (TabCountOf(last) != n || last.tabPositions == nullptr || last.tabTypes == nullptr) {
        ReleaseTabArrays(ctx, last);
        if (!AllocateTabArrays(ctx, last, n)) return 0;
    }
    last.tabCount = static_cast<int32_t>(n);
    for (uint32_t i = 0; i < n; ++i) {
        last.tabPositions[i] = TabPositionAt(cur, i);
        last.tabTypes[i] = TabTypeAt(cur, i);
    }
    return 1;
}

}  // namespace

void EmitCharAttributes(ReaderContext* ctx) {
    for (int i = 0; i < 8; ++i) {
        if ((ctx->current.charAttributes & (1u << i)) != 0) WriteU32Token(ctx, MIF_TOKEN_ATTRIBUTE, kAttributeOnCodes[i]);
    }
}

int FlushPendingFormat(ReaderContext* ctx) {
    // Outside a reported flow nothing is written and the changes stay
    // pending for the next reported text.
    if (!ctx->inBodyFlow) return 1;
    FormatState& cur = ctx->current;
    FormatState& last = ctx->lastEmitted;

    if (cur.leftIndent != last.leftIndent || cur.rightIndent != last.rightIndent ||
        cur.firstIndent != last.firstIndent || cur.alignment != last.alignment) {
        WriteParagraphFormatToken(ctx, cur);
        last.leftIndent = cur.leftIndent;
        last.rightIndent = cur.rightIndent;
        last.firstIndent = cur.firstIndent;
        last.alignment = cur.alignment;
    }
    if (cur.leadingClass != last.leadingClass) {
        WriteU8Token(ctx, MIF_TOKEN_LINE_SPACING, cur.leadingClass);
        last.leadingClass = cur.leadingClass;
    }
    if (std::strncmp(cur.fontFamily, last.fontFamily, kNameField) != 0 || cur.fontIndex != last.fontIndex ||
        cur.fontSize != last.fontSize) {
        WriteFontToken(ctx, cur);
        std::memcpy(last.fontFamily, cur.fontFamily, kNameField);
        last.fontFamily[kNameField - 1] = '\0';
        last.fontIndex = cur.fontIndex;
        last.fontSize = cur.fontSize;
    }
    if (cur.charAttributes != last.charAttributes) {
        EmitCharAttributes(ctx);
        last.charAttributes = cur.charAttributes;
    }
    if (cur.textColor != last.textColor) {
        WriteColorToken(ctx, cur.textColor);
        last.textColor = cur.textColor;
    }
    if (TabStopsDiffer(cur, last)) {
        WriteTabStopsToken(ctx, cur);
        if (!CopyTabStops(ctx)) return 0;
    }
    if (cur.numberString[0] != '\0') {
        // Written once, ahead of the first reported text of its paragraph.
        cur.numberString[kNameField - 1] = '\0';
        DecodeMifString(ctx, cur.numberString, kNameField);
        WriteTextToken(ctx, cur.numberString, static_cast<uint32_t>(strnlen(cur.numberString, kNameField)));
        cur.numberString[0] = '\0';
    }
    ctx->formatDirty = 0;
    return 1;
}

}  // namespace mif
