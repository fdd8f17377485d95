// The five callbacks through which the host reads the embedded data of an
// anchored frame, decoded on the fly from the document's own input stream.
// Each one leaves the stream where the reader's next refill expects it.
#include <cstdlib>
#include <cstring>

#include "frames/frames.h"
#include "frames/object_data.h"
#include "reader/host_services.h"
#include "scanner/scan_window.h"

namespace mif {

namespace {

void* RecordSlot(void* record, int slot) {
    void* value;
    std::memcpy(&value, static_cast<uint8_t*>(record) + slot * 8, sizeof value);
    return value;
}

ReaderContext* ContextOf(void* record) {
    if (record == nullptr) return nullptr;
    return static_cast<ReaderContext*>(RecordSlot(record, MIF_OC_SLOT_CONTEXT));
}

// The position the reader's next refill expects. Taken when a callback
// starts rather than once at ObjectOpen, so that it stays right when fills
// (or a table replay's seeks) happen between two callbacks.
void SaveStreamPosition(ReaderContext* ctx) {
    ctx->frames.savedStreamPos = static_cast<uint32_t>(ctx->streamPosition);
}

void ResetCursor(FrameRecord* f) {
    f->readPos = f->dataStart;
    f->scanPos = f->dataStart;
    f->delivered = 0;
    // dataStart is just after the '&' of the first data line.
    f->readHex = 0;
    f->readLineStart = 0;
    f->scanHex = 0;
    f->scanLineStart = 0;
}

// Decodes up to count bytes at the read cursor of f into out (or drops
// them when out is null). Returns count when that many bytes were decoded
// (the read cursor then moves past them), the smaller number produced when
// the data ended first, and 0 when the input ran out first or the scratch
// block was refused.
uint32_t DecodeData(ReaderContext* ctx, FrameRecord* f, uint8_t* out, uint32_t count) {
    if (count == 0) return 0;
    if (count > 0xFFFFFFFFu / 6u) return 0;
    auto* chars = static_cast<char*>(HostAllocateArray(ctx, 6, count));
    if (chars == nullptr) return 0;
    if (out != nullptr) std::memset(out, 0, count);

    SaveStreamPosition(ctx);
    StreamSeek(ctx, static_cast<int32_t>(f->readPos), 0);
    uint32_t want = count * 6u;
    uint32_t n = 0;
    // Short reads are topped up while the input has more, as the refill does.
    while (n < want) {
        int32_t got = StreamRead(ctx, chars + n, want - n);
        if (got <= 0) break;
        n += static_cast<uint32_t>(got);
        if (ctx->streamPosition >= ctx->inputSize) break;
    }

    const char* end = chars + n;
    uint32_t i = 0;
    uint32_t produced = 0;
    uint32_t hex = f->readHex;
    bool lineStart = f->readLineStart != 0;
    bool ended = f->endSeen != 0;
    while (produced < count && !ended && i < n) {
        char c = chars[i];
        if (c == '=') {
            ended = true;
            hex = 0;
            ++i;
        } else if (IsLineEndByte(c)) {
            lineStart = true;
            ++i;
        } else if (c == '&' && lineStart) {
            lineStart = false;
            ++i;
        } else {
            lineStart = false;
            while (produced < count && i < n && !EndsDataLine(chars[i], false)) {
                DataStep step = StepDataLine(chars + i, end, &hex, false);
                if (step.advance == 0) {
                    i = n;  // the last character read cannot form a byte alone
                    break;
                }
                i += step.advance;
                if (step.bytes != 0) {
                    if (out != nullptr) out[produced] = step.value;
                    ++produced;
                }
            }
        }
    }

    uint32_t start = f->readPos;
    uint32_t result = 0;
    if (produced == count) {
        result = count;
        f->readPos += i;
        f->readHex = hex;
        f->readLineStart = lineStart ? 1 : 0;
    } else if (ended) {
        result = produced;
        f->endSeen = 1;
    }
    // The scan cursor names where this scan stopped, whatever the result.
    f->scanPos = start + i;
    f->scanHex = hex;
    f->scanLineStart = lineStart ? 1 : 0;

    StreamSeek(ctx, static_cast<int32_t>(ctx->frames.savedStreamPos), 0);
    HostFree(ctx, chars);
    return result;
}

int32_t ObjectSkip(ReaderContext* ctx, FrameRecord* f, int32_t count) {
    if (count <= 0) return 0;
    uint32_t n = DecodeData(ctx, f, nullptr, static_cast<uint32_t>(count));
    return n == static_cast<uint32_t>(count) ? count : 0;
}

int32_t ObjectOpen(void* record) {
    ReaderContext* ctx = ContextOf(record);
    if (ctx == nullptr) return 0;
    auto* idText = static_cast<const char*>(RecordSlot(record, MIF_OC_SLOT_ID_TEXT));
    if (idText == nullptr) return 0;
    // The host writes the ID as a frame token carries it: at most seven
    // characters. Read no further than a little beyond that.
    char idCopy[16];
    size_t idLength = strnlen(idText, sizeof idCopy - 1);
    std::memcpy(idCopy, idText, idLength);
    idCopy[idLength] = '\0';
    int32_t id = std::atoi(idCopy);
    FrameRecord* f = ctx->frames.frameList;
    while (f != nullptr && f->id != id) f = f->next;
    if (f == nullptr) return 0;
    ResetCursor(f);
    f->endSeen = 0;
    SaveStreamPosition(ctx);
    ctx->frames.currentFrame = f;
    return 1;
}

uint32_t ObjectRead(void* record, uint8_t* buffer, uint32_t count) {
    ReaderContext* ctx = ContextOf(record);
    if (ctx == nullptr || buffer == nullptr) return 0;
    FrameRecord* f = ctx->frames.currentFrame;
    if (f == nullptr) return 0;
    uint32_t n = DecodeData(ctx, f, buffer, count);
    f->delivered += n;
    return n;
}

int32_t ObjectSeek(void* record, int32_t offset, uint32_t origin) {
    ReaderContext* ctx = ContextOf(record);
    if (ctx == nullptr) return 0;
    FrameRecord* f = ctx->frames.currentFrame;
    if (f == nullptr) return 0;
    if (origin == 0) {
        ResetCursor(f);
        if (offset != 0) f->delivered = static_cast<uint32_t>(ObjectSkip(ctx, f, offset));
    } else if (origin == 1) {
        f->readPos = f->scanPos;
        f->readHex = f->scanHex;
        f->readLineStart = f->scanLineStart;
        if (offset != 0) f->delivered += static_cast<uint32_t>(ObjectSkip(ctx, f, offset));
    } else if (origin == 2) {
        f->delivered = static_cast<uint32_t>(f->dataSize);
    }
    return 1;
}

uint32_t ObjectTell(void* record) {
    ReaderContext* ctx = ContextOf(record);
    if (ctx == nullptr || ctx->frames.currentFrame == nullptr) return 0xFFFFFFFFu;
    return ctx->frames.currentFrame->delivered;
}

int32_t ObjectClose(void* record) {
    ReaderContext* ctx = ContextOf(record);
    if (ctx == nullptr) return 0;
    FrameRecord* f = ctx->frames.currentFrame;
    if (f == nullptr) return 0;
    SaveStreamPosition(ctx);
    StreamSeekTo(ctx, ctx->frames.savedStreamPos);
    ResetCursor(f);
    return 1;
}

}  // namespace

void FillObjectCallbacks(void** record) {
    record[MIF_OC_SLOT_OPEN] = reinterpret_cast<void*>(&ObjectOpen);
    record[MIF_OC_SLOT_READ] = reinterpret_cast<void*>(&ObjectRead);
    record[MIF_OC_SLOT_SEEK] = reinterpret_cast<void*>(&ObjectSeek);
    record[MIF_OC_SLOT_TELL] = reinterpret_cast<void*>(&ObjectTell);
    record[MIF_OC_SLOT_CLOSE] = reinterpret_cast<void*>(&ObjectClose);
}

}  // namespace mif
