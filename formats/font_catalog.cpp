// The font catalog: Font definitions recorded under their FTag and applied
// where the tag is named. Like the paragraph handlers they change current
// only and raise formatDirty on a difference from what was last written.
#include "formats/format_rules.h"
#include "formats/formats.h"
#include "scanner/statement_stack.h"
#include "text/text.h"

namespace mif {

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

void FreeFontCatalog(ReaderContext* ctx) { FreeCatalog(ctx, &ctx->catalogs.fonts); }

}  // namespace mif
