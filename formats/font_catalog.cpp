// The font catalog and the character property handlers. Like the paragraph
// handlers they change current only and raise formatDirty on a difference
// from what was last written.
#include <cstdlib>
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "scanner/statement_stack.h"
#include "text/text.h"

namespace mif {

namespace {

bool Is(const char* word, const char* expected) { return std::strcmp(word, expected) == 0; }

void MarkIfAttributesChanged(ReaderContext* ctx) {
    if (ctx->current.charAttributes != ctx->lastEmitted.charAttributes) ctx->formatDirty = 1;
}

// A word that sets bit when it equals onWord and clears it otherwise.
int SetAttributeFromWord(ReaderContext* ctx, StatementFrame* frame, uint32_t bit, const char* onWord) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    SetAttribute(&ctx->current.charAttributes, bit, Is(value, onWord));
    MarkIfAttributesChanged(ctx);
    return 1;
}

// Clears bit, if set, and gives back the size it took away.
void ClearScript(FormatState* s, uint32_t bit) {
    if (s->charAttributes & bit) {
        s->charAttributes &= ~bit;
        s->fontSize = RestoreFontSize(s->fontSize);
    }
}

}  // namespace

int HandleFontCatalog(ReaderContext* ctx, StatementFrame*) {
    ctx->inFontCatalog = 0;
    return 1;
}

// Close of a font: a definition read under a new tag is applied once, here.
int HandleFont(ReaderContext* ctx, StatementFrame*) {
    ctx->inFont = 0;
    if (ctx->recordingFont) {
        if (!ApplyCatalogEntry(ctx, ctx->catalogs.fonts.currentEntry)) return 0;
        ctx->recordingFont = 0;
    }
    return 1;
}

// Inside the catalog a known tag applies its entry and a new one (or an
// empty one) starts a definition. In text a known tag applies its entry;
// any other tag closes the open attributes and falls back to the
// paragraph's own format.
int HandleFTag(ReaderContext* ctx, StatementFrame* frame) {
    const char* tag = StatementValue(frame);
    if (tag == nullptr) return 0;
    CatalogList* list = &ctx->catalogs.fonts;
    CatalogEntry* entry = FindCatalogEntry(list, tag);
    if (entry != nullptr) return ApplyCatalogEntry(ctx, entry);
    if (ctx->inFontCatalog) {
        if (!CreateCatalogEntry(ctx, list, tag)) return 0;
        ctx->recordingFont = 1;
        return 1;
    }
    if (ctx->lastEmitted.charAttributes != 0) ctx->formatDirty = static_cast<uint32_t>(CloseCharAttributes(ctx));
    if (ctx->inBodyFlow) ApplyCatalogEntry(ctx, ctx->catalogs.paragraphs.currentEntry);
    return 1;
}

int HandleFWeight(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ApplyWeightName(ctx, value);
    MarkIfAttributesChanged(ctx);
    return 1;
}

// Whole points: the fraction and the unit are ignored.
int HandleFSize(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ctx->current.fontSize = std::atoi(value);
    if (ctx->current.fontSize != ctx->lastEmitted.fontSize) ctx->formatDirty = 1;
    return 1;
}

// The host is asked for the font's number wherever the family can matter;
// the name is compared after the query.
int HandleFFamily(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    CopyNameField(ctx->current.fontFamily, value);
    if (ctx->inPgfCatalog || ctx->inFont || ctx->recordingFont || ctx->inBodyFlow) QueryHostFont(ctx);
    if (std::strcmp(ctx->current.fontFamily, ctx->lastEmitted.fontFamily) != 0) ctx->formatDirty = 1;
    return 1;
}

int HandleFAngle(ReaderContext* ctx, StatementFrame* frame) {
    return SetAttributeFromWord(ctx, frame, AttrItalic, "Italic");
}

// FUnderlining and FUnderline: every underline kind is one attribute.
int HandleFUnderline(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ApplyUnderlineWord(&ctx->current.charAttributes, value);
    MarkIfAttributesChanged(ctx);
    return 1;
}

int HandleFStrike(ReaderContext* ctx, StatementFrame* frame) {
    return SetAttributeFromWord(ctx, frame, AttrStrike, "Yes");
}

int HandleFColor(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ctx->current.textColor = ColourFromWord(value);
    if (ctx->current.textColor != ctx->lastEmitted.textColor) ctx->formatDirty = 1;
    return 1;
}

// Read directly in the body, a position also scales the size: shrinking on
// every raise or lower, restoring for each script bit it clears.
int HandleFPosition(ReaderContext* ctx, StatementFrame* frame) {
    if (!ctx->inBodyFlow) return 1;
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    FormatState* s = &ctx->current;
    if (Is(value, "FNormal")) {
        ClearScript(s, AttrSuperscript);
        ClearScript(s, AttrSubscript);
    } else if (Is(value, "FSuperscript")) {
        ClearScript(s, AttrSubscript);
        s->charAttributes |= AttrSuperscript;
        s->fontSize = ShrinkFontSize(s->fontSize);
    } else if (Is(value, "FSubscript")) {
        ClearScript(s, AttrSuperscript);
        s->charAttributes |= AttrSubscript;
        s->fontSize = ShrinkFontSize(s->fontSize);
    }
    MarkIfAttributesChanged(ctx);
    return 1;
}

// FSubScript and FSupScript: a yes/no word for one script, which excludes
// the other.
static int HandleScriptStatement(ReaderContext* ctx, StatementFrame* frame, uint32_t script, uint32_t other) {
    if (!ctx->inBodyFlow) return 1;
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ApplyScriptWord(&ctx->current, value, script, other);
    MarkIfAttributesChanged(ctx);
    return 1;
}

int HandleFSubScript(ReaderContext* ctx, StatementFrame* frame) {
    return HandleScriptStatement(ctx, frame, AttrSubscript, AttrSuperscript);
}

int HandleFSupScript(ReaderContext* ctx, StatementFrame* frame) {
    return HandleScriptStatement(ctx, frame, AttrSuperscript, AttrSubscript);
}

int HandleFCase(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ApplyCaseWord(&ctx->current.charAttributes, value);
    MarkIfAttributesChanged(ctx);
    return 1;
}

int HandleFPlain(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ApplyPlainWord(&ctx->current.charAttributes, value);
    MarkIfAttributesChanged(ctx);
    return 1;
}

int HandleFBold(ReaderContext* ctx, StatementFrame* frame) {
    return SetAttributeFromWord(ctx, frame, AttrBold, "Yes");
}

int HandleFItalic(ReaderContext* ctx, StatementFrame* frame) {
    return SetAttributeFromWord(ctx, frame, AttrItalic, "Yes");
}


void FreeFontCatalog(ReaderContext* ctx) { FreeCatalog(ctx, &ctx->catalogs.fonts); }

}  // namespace mif
