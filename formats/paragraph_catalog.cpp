// The paragraph catalog and the paragraph property handlers. Handlers write
// no tokens: they change current and raise formatDirty when a field now
// differs from what was last written.
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "scanner/statement_stack.h"
#include "text/units.h"

namespace mif {

namespace {

// A length statement: the measured value goes into one field of current.
int StoreLength(ReaderContext* ctx, StatementFrame* frame, int32_t FormatState::*field) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ctx->current.*field = MeasureTwips(value);
    if (ctx->current.*field != ctx->lastEmitted.*field) ctx->formatDirty = 1;
    return 1;
}

}  // namespace

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

// Words other than the four leave the alignment as it is.
int HandlePgfAlignment(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    AlignmentFromWord(value, &ctx->current.alignment);
    if (ctx->current.alignment != ctx->lastEmitted.alignment) ctx->formatDirty = 1;
    return 1;
}

int HandlePgfLeading(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    ctx->current.leadingClass = LeadingClassFromTwips(MeasureTwips(value));
    if (ctx->current.leadingClass != ctx->lastEmitted.leadingClass) ctx->formatDirty = 1;
    return 1;
}

int HandlePgfFIndent(ReaderContext* ctx, StatementFrame* frame) {
    return StoreLength(ctx, frame, &FormatState::firstIndent);
}

int HandlePgfLIndent(ReaderContext* ctx, StatementFrame* frame) {
    return StoreLength(ctx, frame, &FormatState::leftIndent);
}

int HandlePgfRIndent(ReaderContext* ctx, StatementFrame* frame) {
    return StoreLength(ctx, frame, &FormatState::rightIndent);
}

int HandlePgfSpBefore(ReaderContext* ctx, StatementFrame* frame) {
    return StoreLength(ctx, frame, &FormatState::spaceBefore);
}

int HandlePgfSpAfter(ReaderContext* ctx, StatementFrame* frame) {
    return StoreLength(ctx, frame, &FormatState::spaceAfter);
}


void FreeParagraphCatalog(ReaderContext* ctx) { FreeCatalog(ctx, &ctx->catalogs.paragraphs); }

}  // namespace mif
