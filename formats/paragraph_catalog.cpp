// The paragraph catalog: Pgf definitions recorded under their tag and
// applied where the tag is named. Handlers write no tokens: they change
// current and raise formatDirty when a field now differs from what was
// last written.
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "scanner/statement_stack.h"

namespace mif {

int HandlePgfCatalog(ReaderContext* ctx, StatementFrame*) {
    ctx->inPgfCatalog = 0;
    return 1;
}

// Close of a paragraph format: a definition read under a new tag is applied
// once, here. recordingPgf stays set when the application fails.
int HandlePgf(ReaderContext* ctx, StatementFrame*) {
    ctx->inPgf = 0;
    if (ctx->recordingPgf) {
        if (!ApplyCatalogEntry(ctx, ctx->catalogs.paragraphs.currentEntry)) return 0;
        ctx->recordingPgf = 0;
    }
    return 1;
}

// A known tag applies its entry; a new one starts recording a definition.
// A tag is never defined twice.
int HandlePgfTag(ReaderContext* ctx, StatementFrame* frame) {
    const char* tag = StatementValue(frame);
    if (tag == nullptr) return 0;
    CatalogList* list = &ctx->catalogs.paragraphs;
    CatalogEntry* entry = FindCatalogEntry(list, tag);
    if (tag[0] == '\0') return 0;
    if (entry != nullptr) {
        list->currentEntry = entry;
        return ApplyCatalogEntry(ctx, entry);
    }
    if (!CreateCatalogEntry(ctx, list, tag)) return 0;
    ctx->recordingPgf = 1;
    return 1;
}

// The last character of the value is dropped whatever it is; the text is
// kept undecoded until the flush writes it.
int HandlePgfNumString(ReaderContext* ctx, StatementFrame* frame) {
    char* start = frame->valueStart;
    char* end = frame->valueEnd;
    if (start == nullptr || end == nullptr) return 0;
    char* text = start;
    if (end < start) {
        text = const_cast<char*>("");
    } else {
        *end = '\0';
        if (*text == '`') ++text;
        if (text > end) text = end;
    }
    CopyNameField(ctx->current.numberString, text);
    if (std::strcmp(ctx->current.numberString, ctx->lastEmitted.numberString) != 0) ctx->formatDirty = 1;
    return 1;
}

void FreeParagraphCatalog(ReaderContext* ctx) { FreeCatalog(ctx, &ctx->catalogs.paragraphs); }

}  // namespace mif
