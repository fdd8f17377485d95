#include "scanner/import_data.h"

#include <cstring>

#include "frames/object_data.h"
#include "scanner/statement_stack.h"
#include "scanner/scan_window.h"

namespace mif {

namespace {

// What a line changes, taken at its start so that a line cut by the
// window's end can be taken back whole and read again in the next window.
struct LineSnapshot {
    char* start;
    uint32_t dataStart;
    uint32_t kind;
    int32_t dataSize;
    uint32_t hexMode;
    int32_t depth;
    uint32_t firstFacetBegun;
    uint32_t laterFacetBegun;
    uint32_t markerPassed;
    uint32_t endSeen;
};

LineSnapshot TakeSnapshot(const ReaderContext* ctx, const FrameRecord* f, char* at) {
    return LineSnapshot{at,
                        f->dataStart,
                        f->kind,
                        f->dataSize,
                        ctx->frames.hexMode,
                        ctx->importDataDepth,
                        f->firstFacetBegun,
                        f->laterFacetBegun,
                        f->markerPassed,
                        f->endSeen};
}

void RestoreSnapshot(ReaderContext* ctx, FrameRecord* f, const LineSnapshot& snap) {
    if (f->dataStart != snap.dataStart) {
        // The unfinished line only looked like the first data line.
        f->dataStart = snap.dataStart;
        f->readPos = snap.dataStart;
        f->scanPos = snap.dataStart;
        f->kind = snap.kind;
    }
    f->dataSize = snap.dataSize;
    ctx->frames.hexMode = snap.hexMode;
    ctx->importDataDepth = snap.depth;
    f->firstFacetBegun = snap.firstFacetBegun;
    f->laterFacetBegun = snap.laterFacetBegun;
    f->markerPassed = snap.markerPassed;
    f->endSeen = snap.endSeen;
}

char* PassLineEnds(char* cur, const char* end) {
    while (cur < end && IsLineEndByte(*cur)) ++cur;
    return cur;
}

char* PassLine(char* cur, const char* end) {
    while (cur < end && !IsLineEndByte(*cur)) ++cur;
    return PassLineEnds(cur, end);
}

// The window holds [window, windowEnd) and the stream stands just after it.
uint32_t StreamPositionOf(const ReaderContext* ctx, const char* at) {
    return static_cast<uint32_t>(ctx->streamPosition - static_cast<int32_t>(ctx->windowEnd - at));
}

}  // namespace

char* SkipImportData(ReaderContext* ctx) {
    char* s = ctx->scanPointer;
    if (ctx->importDataDepth == 0) return s;

    // Data of an object with no frame record is still passed over.
    FrameRecord scratch{};
    FrameRecord* f = ctx->frames.currentFrame != nullptr ? ctx->frames.currentFrame : &scratch;
    char* end = ctx->windowEnd;
    char* cur = s;
    LineSnapshot snap = TakeSnapshot(ctx, f, s);
    // '=' and '&' introduce facet and data lines only where a line begins
    // (or where a data line was ended by an '=').
    bool lineStart = true;

    while (cur < end && ctx->importDataDepth != 0) {
        if (cur == s || IsLineEndByte(cur[-1])) snap = TakeSnapshot(ctx, f, cur);
        char b = *cur;

        if (lineStart && b == '=') {
            ctx->frames.hexMode = 0;
            if (end - (cur + 1) >= 8 && std::memcmp(cur + 1, "EndInset", 8) == 0) {
                char* p = cur + 9;
                while (p < end && IsSpace(*p)) ++p;
                ctx->scanPointer = p;
                return p;
            }
            if (!f->firstFacetBegun) {
                f->firstFacetBegun = 1;
            } else {
                f->laterFacetBegun = 1;
            }
            cur = PassLine(cur, end);
            continue;
        }

        if (lineStart && b == '&' && !f->endSeen) {
            if (f->laterFacetBegun) {
                f->endSeen = 1;  // only the first facet's data is counted
                ++cur;
                lineStart = false;
                continue;
            }
            ++cur;
            if (cur < end && *cur == '%') {
                if (f->markerPassed && cur + 1 < end) ++cur;
                if (*cur == '%' && cur + 1 < end) {
                    cur += 2;
                    f->markerPassed = 1;
                    char* after = PassLineEnds(cur, end);
                    // The byte after the '%' may itself have been the line end.
                    lineStart = after != cur || IsLineEndByte(cur[-1]);
                    cur = after;
                    continue;
                }
            }
            if (f->dataStart == 0) {
                f->dataStart = StreamPositionOf(ctx, cur);
                f->readPos = f->dataStart;
                f->scanPos = f->dataStart;
                f->kind = 2;
            }
            while (cur < end && !EndsDataLine(*cur, true)) {
                DataStep step = StepDataLine(cur, end, &ctx->frames.hexMode, true);
                if (step.advance == 0) {
                    cur = end;  // cut by the window's end
                    break;
                }
                cur += step.advance;
                f->dataSize += static_cast<int32_t>(step.bytes);
            }
            if (cur < end && *cur == '=') {
                lineStart = true;
                continue;
            }
            if (cur < end && *cur == '<') {
                lineStart = false;
                continue;
            }
            cur = PassLineEnds(cur, end);
            lineStart = true;
            continue;
        }

        if (lineStart && (b == '%' || b == '&') && f->endSeen) {
            cur = PassLine(cur, end);
            lineStart = true;
            continue;
        }

        if (b == '<') {
            ++ctx->importDataDepth;
        } else if (b == '>') {
            --ctx->importDataDepth;
        }
        ++cur;
        lineStart = IsLineEndByte(b);
    }

    if (ctx->importDataDepth == 0) {
        // The whole statement, nested statements included, was passed over.
        PopStatement(ctx, 0);
        return cur;
    }

    // The window ended. A window that ends just after a line break carries
    // nothing over.
    if (end == s || IsLineEndByte(end[-1])) return end;

    // The last line is unfinished: take back what it changed and read it
    // again, whole, from the next window.
    RestoreSnapshot(ctx, f, snap);
    int32_t rest = static_cast<int32_t>(end - snap.start);
    ctx->leftoverCount = MoreInputRemains(ctx) && rest > 0 ? rest : 0;
    return snap.start;
}

}  // namespace mif
