#include "scanner/import_data.h"

#include <cstring>

#include "frames/frames.h"
#include "frames/object_data.h"
#include "scanner/scan_window.h"
#include "scanner/statement_stack.h"

namespace mif {

namespace {

// The count and the nesting depth at the start of a line, so that a line
// cut by the window's end can be taken back whole and read again in the
// next window.
struct LineStart {
    char* at;
    InsetCount count;
    int32_t depth;
};

char* PassLineEnds(char* cur, const char* end) {
    while (cur < end && IsLineEndByte(*cur)) ++cur;
    return cur;
}

char* PassLine(char* cur, const char* end) { return PassLineEnds(FindLineEnd(cur, end), end); }

// The window holds [window, windowEnd) and the stream stands just after it.
uint32_t StreamPositionOf(const ReaderContext* ctx, const char* at) {
    return static_cast<uint32_t>(ctx->streamPosition - static_cast<int32_t>(ctx->windowEnd - at));
}

}  // namespace

char* SkipImportData(ReaderContext* ctx) {
    char* s = ctx->scanPointer;
    if (ctx->importDataDepth == 0) return s;

    InsetCount n = LoadInsetCount(ctx);
    char* end = ctx->windowEnd;
    char* cur = s;
    LineStart line{s, n, ctx->importDataDepth};
    // '=' and '&' introduce facet and data lines only where a line begins
    // (or where a data line was ended by an '=').
    bool lineStart = true;

    while (cur < end && ctx->importDataDepth != 0) {
        if (cur == s || IsLineEndByte(cur[-1])) line = LineStart{cur, n, ctx->importDataDepth};
        char b = *cur;

        if (lineStart && b == '=') {
            n.hexMode = 0;
            if (end - (cur + 1) >= 8 && std::memcmp(cur + 1, "EndInset", 8) == 0) {
                char* p = SkipSpaces(cur + 9, end);
                ctx->scanPointer = p;
                StoreInsetCount(ctx, n);
                return p;
            }
            if (!n.firstFacetBegun) {
                n.firstFacetBegun = 1;
            } else {
                n.laterFacetBegun = 1;
            }
            cur = PassLine(cur, end);
            continue;
        }

        if (lineStart && b == '&' && !n.endSeen) {
            if (n.laterFacetBegun) {
                n.endSeen = 1;  // only the first facet's data is counted
                ++cur;
                lineStart = false;
                continue;
            }
            ++cur;
            if (cur < end && *cur == '%') {
                if (n.markerPassed && cur + 1 < end) ++cur;
                if (*cur == '%' && cur + 1 < end) {
                    cur += 2;
                    n.markerPassed = 1;
                    char* after = PassLineEnds(cur, end);
                    // The byte after the '%' may itself have been the line end.
                    lineStart = after != cur || IsLineEndByte(cur[-1]);
                    cur = after;
                    continue;
                }
            }
            if (n.dataStart == 0) {
                n.dataStart = StreamPositionOf(ctx, cur);
                n.kind = 2;
            }
            while (cur < end && !EndsDataLine(*cur, true)) {
                DataStep step = StepDataLine(cur, end, &n.hexMode, true);
                if (step.advance == 0) {
                    cur = end;  // cut by the window's end
                    break;
                }
                cur += step.advance;
                n.dataSize += static_cast<int32_t>(step.bytes);
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

        if (lineStart && (b == '%' || b == '&') && n.endSeen) {
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
        StoreInsetCount(ctx, n);
        PopStatement(ctx, 0);
        return cur;
    }

    // The window ended. A window that ends just after a line break carries
    // nothing over.
    if (end == s || IsLineEndByte(end[-1])) {
        StoreInsetCount(ctx, n);
        return end;
    }

    // The last line is unfinished: take back what it changed and read it
    // again, whole, from the next window.
    StoreInsetCount(ctx, line.count);
    ctx->importDataDepth = line.depth;
    int32_t rest = static_cast<int32_t>(end - line.at);
    ctx->leftoverCount = MoreInputRemains(ctx) && rest > 0 ? rest : 0;
    return line.at;
}

}  // namespace mif
