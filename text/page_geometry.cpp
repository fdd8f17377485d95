// Pages: their type, their size and the text rectangles of body pages, which
// decide whether the text of a flow is reported.
#include <cstdlib>
#include <cstring>

#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "text/text.h"
#include "text/units.h"

namespace mif {

namespace {

// Position of the next blank at or after p, or the NUL that ends the text.
const char* NextBlank(const char* p) {
    while (*p != '\0' && *p != ' ') ++p;
    return p;
}

}  // namespace

int HandlePage(ReaderContext* ctx, StatementFrame*) {
    ctx->inPage = 0;
    ctx->text.isBodyPage = 0;
    return 1;
}

int HandlePageNum(ReaderContext*, StatementFrame* frame) { return HasValue(frame) ? 1 : 0; }

int HandlePageType(ReaderContext* ctx, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    size_t length = std::strlen(value);
    while (length > 0 && value[length - 1] == ' ') --length;
    value[length] = '\0';
    ctx->text.isBodyPage = std::strcmp(value, "BodyPage") == 0 ? 1 : 0;
    return 1;
}

int HandlePageSize(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    int32_t factor = ParseUnitFactor(value);
    // Each number is read just after a blank, as MIF writes dimension lists.
    const char* p = NextBlank(value);
    double width = ParseDecimal(p);
    if (*p != '\0') p = NextBlank(p + 1);
    double height = ParseDecimal(p);
    ctx->pageWidth = TruncateToInt32(width * factor);
    ctx->pageHeight = TruncateToInt32(height * factor);
    return 1;
}

int HandleTextRect(ReaderContext* ctx, StatementFrame*) {
    ctx->inTextRect = 0;
    return 1;
}

int RecordBodyTextRectID(ReaderContext* ctx, StatementFrame* frame) {
    if (!HasValue(frame)) return 0;
    if (!ctx->text.isBodyPage || !ctx->inTextRect) return 1;
    // "<ID >" leaves the value end before its start: the ID reads as 0.
    uint32_t id = 0;
    if (frame->valueEnd >= frame->valueStart) {
        frame->valueEnd[1] = '\0';
        id = static_cast<uint32_t>(std::atoi(frame->valueStart));
    }
    auto* rect = static_cast<BodyTextRect*>(HostAllocateZeroed(ctx, sizeof(BodyTextRect)));
    if (rect == nullptr) return 0;
    rect->id = id;
    AppendToList(ctx->text.bodyRectHead, ctx->text.bodyRectTail, rect);
    return 1;
}

int HandleTextRectID(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    uint32_t id = static_cast<uint32_t>(std::atoi(value));
    ctx->inBodyFlow = 0;
    for (const BodyTextRect* rect = ctx->text.bodyRectHead; rect != nullptr; rect = rect->next) {
        if (rect->id == id) {
            ctx->inBodyFlow = 1;
            break;
        }
    }
    return 1;
}

int HandleNotes(ReaderContext* ctx, StatementFrame*) {
    ctx->inNotes = 0;
    return 1;
}

void FreeBodyTextRectList(ReaderContext* ctx) {
    FreeChain(ctx, ctx->text.bodyRectHead);
    ctx->text.bodyRectTail = nullptr;
}

}  // namespace mif
