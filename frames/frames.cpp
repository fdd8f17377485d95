#include "frames/frames.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frames/object_data.h"
#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "scanner/statement_stack.h"
#include "text/text.h"
#include "text/units.h"

namespace mif {

namespace {

FrameRecord* FindFrame(ReaderContext* ctx, int32_t id) {
    for (FrameRecord* f = ctx->frames.frameList; f != nullptr; f = f->next) {
        if (f->id == id) return f;
    }
    return nullptr;
}

// The text after the n-th space of value, or null when there are fewer.
const char* AfterSpace(const char* value, int n) {
    const char* p = value;
    for (int i = 0; i < n; ++i) {
        p = std::strchr(p, ' ');
        if (p == nullptr) return nullptr;
        ++p;
    }
    return p;
}

int32_t MeasureWithFactor(const char* text, int32_t factor) {
    if (text == nullptr) return 0;
    return TruncateToInt32(ParseDecimal(text) * static_cast<double>(factor));
}

void WriteFrameToken(ReaderContext* ctx, const FrameRecord* f) {
    char idText[16];
    int k = std::snprintf(idText, sizeof idText, "%d", f->id);
    // The token has room for seven characters of ID text; a longer ID could
    // not be opened by the host, so its frame writes no token.
    if (k <= 0 || k > MIF_FRAME_ID_MAX_CHARS) return;
    uint32_t length = MIF_FRAME_TOKEN_BASE_LENGTH + static_cast<uint32_t>(k);
    if (!ReserveOutput(ctx, length)) return;
    PutU8(ctx, MIF_TOKEN_FRAME);
    PutU32(ctx, length);
    PutBytes(ctx, idText, static_cast<uint32_t>(k) + 1);
    PutU32(ctx, static_cast<uint32_t>(f->width));
    PutU32(ctx, static_cast<uint32_t>(f->height));
    PutU32(ctx, f->kind);
    PutU32(ctx, 0);
    PutU32(ctx, 100);
    PutU32(ctx, 100);
    for (int i = 0; i < 8; ++i) PutU32(ctx, 0);
    PutU32(ctx, 180);
    PutU32(ctx, 0);
    PutU32(ctx, 180);
    PutU32(ctx, 0);
    PutU8(ctx, 255);
    for (int i = 0; i < 4; ++i) PutU8(ctx, 0);
}

}  // namespace

int HandleAFrames(ReaderContext* ctx, StatementFrame*) {
    ctx->inAFrames = 0;
    return 1;
}

int HandleFrame(ReaderContext* ctx, StatementFrame*) {
    ctx->inFrame = 0;
    return 1;
}

int HandleImportObject(ReaderContext* ctx, StatementFrame*) {
    ctx->inImportObject = 0;
    return 1;
}

int HandleID(ReaderContext* ctx, StatementFrame* frame) {
    if (!HasValue(frame)) return 0;
    if (!(ctx->inAFrames && ctx->inFrame)) return RecordBodyTextRectID(ctx, frame);
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    auto* record = static_cast<FrameRecord*>(HostAllocateZeroed(ctx, sizeof(FrameRecord)));
    if (record == nullptr) return 0;
    if (*value == '`') ++value;
    record->id = std::atoi(value);
    AppendToList(ctx->frames.frameList, ctx->frames.frameTail, record);
    ctx->frames.currentFrame = record;
    return 1;
}

int HandleShapeRect(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inPage) return 1;
    if (!ctx->inFrame && !ctx->inImportObject) return 1;
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    // Position and then size; the size follows the third and fourth space.
    int32_t factor = ParseUnitFactor(value);
    int32_t width = MeasureWithFactor(AfterSpace(value, 3), factor);
    int32_t height = MeasureWithFactor(AfterSpace(value, 4), factor);
    if (ctx->frames.currentFrame != nullptr) {
        ctx->frames.currentFrame->width = width;
        ctx->frames.currentFrame->height = height;
    }
    return 1;
}

int HandleAFrame(ReaderContext* ctx, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    FrameRecord* record = FindFrame(ctx, std::atoi(value));
    if (record == nullptr) return 0;
    if (record->dataSize < 1) return 1;
    ctx->frames.currentFrame = record;
    WriteFrameToken(ctx, record);
    return 1;
}

int HandleImportObFileDI(ReaderContext* ctx, StatementFrame*) {
    if (ctx->frames.currentFrame != nullptr) ctx->frames.currentFrame->kind = 0;
    return 1;
}

InsetCount LoadInsetCount(const ReaderContext* ctx) {
    InsetCount count{};
    count.hexMode = ctx->frames.hexMode;
    if (const FrameRecord* f = ctx->frames.currentFrame) {
        count.dataStart = f->dataStart;
        count.kind = f->kind;
        count.dataSize = f->dataSize;
        count.firstFacetBegun = f->firstFacetBegun;
        count.laterFacetBegun = f->laterFacetBegun;
        count.markerPassed = f->markerPassed;
        count.endSeen = f->endSeen;
    }
    return count;
}

void StoreInsetCount(ReaderContext* ctx, const InsetCount& count) {
    ctx->frames.hexMode = count.hexMode;
    FrameRecord* f = ctx->frames.currentFrame;
    if (f == nullptr) return;  // the data of an object without a frame is passed over all the same
    if (f->dataStart != count.dataStart) {
        f->dataStart = count.dataStart;
        f->readPos = count.dataStart;
        f->scanPos = count.dataStart;
        f->kind = count.kind;
    }
    f->dataSize = count.dataSize;
    f->firstFacetBegun = count.firstFacetBegun;
    f->laterFacetBegun = count.laterFacetBegun;
    f->markerPassed = count.markerPassed;
    f->endSeen = count.endSeen;
}

void FreeFrameList(ReaderContext* ctx) {
    FreeChain(ctx, ctx->frames.frameList);
    ctx->frames.frameTail = nullptr;
    ctx->frames.currentFrame = nullptr;
}

}  // namespace mif
