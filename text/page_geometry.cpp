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

namespace {

uint64_t* FindSlot(uint64_t* slots, uint32_t count, uint32_t id) {
    uint32_t mask = count - 1;
    for (uint32_t i = (id * 2654435761u) & mask;; i = (i + 1) & mask) {
        if (slots[i] == 0 || slots[i] == static_cast<uint64_t>(id) + 1) return &slots[i];
    }
}

// Doubles the set (or gives it its first 64 slots); 0 when memory runs out.
int GrowBodyRects(ReaderContext* ctx) {
    TextState& t = ctx->text;
    uint32_t slots = t.bodyRectSlots == 0 ? 64 : t.bodyRectSlots * 2;
    if (slots > (1u << 26)) return 0;
    auto* grown = static_cast<uint64_t*>(HostAllocateZeroed(ctx, slots * static_cast<uint32_t>(sizeof(uint64_t))));
    if (grown == nullptr) return 0;
    for (uint32_t i = 0; i < t.bodyRectSlots; ++i) {
        if (t.bodyRects[i] != 0) *FindSlot(grown, slots, static_cast<uint32_t>(t.bodyRects[i] - 1)) = t.bodyRects[i];
    }
    HostFree(ctx, t.bodyRects);
    t.bodyRects = grown;
    t.bodyRectSlots = slots;
    return 1;
}

}  // namespace

int RecordBodyTextRectID(ReaderContext* ctx, StatementFrame* frame) {
    if (!HasValue(frame)) return 0;
    if (!ctx->text.isBodyPage || !ctx->inTextRect) return 1;
    // "<ID >" leaves the value end before its start: the ID reads as 0.
    uint32_t id = 0;
    if (frame->valueEnd >= frame->valueStart) {
        frame->valueEnd[1] = '\0';
        id = static_cast<uint32_t>(std::atoi(frame->valueStart));
    }
    TextState& t = ctx->text;
    if ((t.bodyRectCount + 1) * 2 > t.bodyRectSlots && !GrowBodyRects(ctx)) return 0;
    uint64_t* slot = FindSlot(t.bodyRects, t.bodyRectSlots, id);
    if (*slot == 0) {
        *slot = static_cast<uint64_t>(id) + 1;
        ++t.bodyRectCount;
    }
    return 1;
}

int HandleTextRectID(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    uint32_t id = static_cast<uint32_t>(std::atoi(value));
    const TextState& t = ctx->text;
    ctx->inBodyFlow = t.bodyRectSlots != 0 && *FindSlot(t.bodyRects, t.bodyRectSlots, id) != 0 ? 1 : 0;
    return 1;
}

int HandleNotes(ReaderContext* ctx, StatementFrame*) {
    ctx->inNotes = 0;
    return 1;
}

void FreeBodyTextRects(ReaderContext* ctx) {
    HostFree(ctx, ctx->text.bodyRects);
    ctx->text.bodyRects = nullptr;
    ctx->text.bodyRectSlots = 0;
    ctx->text.bodyRectCount = 0;
}

}  // namespace mif
