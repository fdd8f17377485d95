// The variable catalog built from VariableFormats, and the text written at
// each variable reference.
#include <cstring>

#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "text/text.h"
#include "variables/variables.h"

namespace mif {

namespace {

// The value with its first character (the opening backquote) skipped and
// a NUL written at nulAt; empty when the value has no second character.
char* TextAfterFirst(StatementFrame* frame, char* nulAt) {
    *nulAt = '\0';
    return nulAt > frame->valueStart ? frame->valueStart + 1 : nulAt;
}

// Removes every span from '<' up to and including the next '>', in place.
// An unclosed span drops the rest of the text. Returns the kept length.
uint32_t RemoveBuildingBlocks(char* text) {
    char* w = text;
    for (char* r = text; *r != '\0'; ++r) {
        if (*r != '<') {
            *w++ = *r;
            continue;
        }
        char* close = std::strchr(r, '>');
        if (close == nullptr) break;
        r = close;
    }
    *w = '\0';
    return static_cast<uint32_t>(w - text);
}

// A reference: the definition decoded and written as one text token.
int WriteReference(ReaderContext* ctx, VariableEntry* entry) {
    // Decoding works in place, so it runs on a copy: every reference
    // decodes the stored text afresh (and writes its tab tokens again). A
    // definition comes from one input window, so the copy always fits.
    char scratch[kWindowSize + 1];
    uint32_t length = 0;
    if (entry->definition != nullptr) {
        length = static_cast<uint32_t>(strnlen(entry->definition, kWindowSize));
        std::memcpy(scratch, entry->definition, length);
    }
    scratch[length] = '\0';
    DecodeMifString(ctx, scratch, length);
    if (ctx->formatDirty && !FlushPendingFormat(ctx)) return 0;
    // A variable named but never defined writes no text.
    if (!ctx->inBodyFlow || entry->definition == nullptr) return 1;
    WriteTextToken(ctx, scratch, static_cast<uint32_t>(std::strlen(scratch)));
    return 1;
}

}  // namespace

int HandleVariableFormats(ReaderContext* ctx, StatementFrame*) {
    ctx->inVariableFormats = 0;
    return 1;
}

int HandleVariableName(ReaderContext* ctx, StatementFrame* frame) {
    if (frame->valueStart == nullptr || frame->valueEnd == nullptr) return 0;
    char* later = frame->valueEnd > frame->valueStart ? frame->valueEnd : frame->valueStart;
    char* name = TextAfterFirst(frame, later);
    VariableState& vars = ctx->variables;

    if (ctx->inVariableFormats) {
        auto* entry = static_cast<VariableEntry*>(HostAllocateZeroed(ctx, sizeof(VariableEntry)));
        if (entry == nullptr) return 0;
        entry->name = HostDuplicate(ctx, name, static_cast<uint32_t>(std::strlen(name)));
        if (entry->name == nullptr) {
            HostFree(ctx, entry);
            return 0;
        }
        AppendToList(vars.catalog, vars.catalogTail, entry);
        return 1;
    }

    if (vars.catalog == nullptr) return 0;
    // A name not in the catalog resolves to the last variable defined.
    VariableEntry* entry = vars.catalog;
    while (entry->next != nullptr && std::strcmp(entry->name, name) != 0) entry = entry->next;
    return WriteReference(ctx, entry);
}

int HandleVariableDef(ReaderContext* ctx, StatementFrame* frame) {
    if (frame->valueStart == nullptr || frame->valueEnd == nullptr) return 0;
    char* nulAt = frame->valueEnd;
    // "<VariableDef >": the value end lies before its start; the text is empty.
    if (nulAt < frame->valueStart) nulAt = frame->valueStart;
    char* text = TextAfterFirst(frame, nulAt);
    uint32_t kept = RemoveBuildingBlocks(text);
    VariableEntry* last = ctx->variables.catalogTail;
    if (last == nullptr) return 0;
    char* copy = HostDuplicate(ctx, text, kept);
    if (copy == nullptr) return 0;
    HostFree(ctx, last->definition);
    last->definition = copy;
    return 1;
}

void FreeVariableCatalog(ReaderContext* ctx) {
    FreeChain(ctx, ctx->variables.catalog, [ctx](VariableEntry* entry) {
        HostFree(ctx, entry->name);
        HostFree(ctx, entry->definition);
    });
    ctx->variables.catalogTail = nullptr;
}

}  // namespace mif
