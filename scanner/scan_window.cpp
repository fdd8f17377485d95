#include "scanner/scan_window.h"

#include <cstdio>
#include <cstring>

#include "scanner/import_data.h"
#include "reader/fill.h"
#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "scanner/keywords.h"
#include "tables/tables.h"

namespace mif {

char* SkipWhitespace(ReaderContext* ctx) {
    char* p = ctx->scanPointer;
    char* end = ctx->windowEnd;
    if (p < end) ++p;
    while (p < end && IsSpace(*p)) ++p;
    ctx->scanPointer = p;
    return p;
}

bool SkipComment(ReaderContext* ctx) {
    char* c0 = ctx->scanPointer;
    char* end = ctx->windowEnd;
    char* t = c0 + 1;
    while (t < end && !IsLineEndByte(*t)) ++t;
    char* e = end;
    if (t < end) e = (t + 1 < end && IsLineEndByte(t[1])) ? t + 2 : t + 1;
    if (e >= end) {
        ctx->scanPointer = end;
        int32_t rest = static_cast<int32_t>(end - c0);
        ctx->leftoverCount = (MoreInputRemains(ctx) && rest > 0) ? rest : 0;
        return false;
    }
    while (e < end && IsSpace(*e)) ++e;
    ctx->scanPointer = e;
    return true;
}

void CarryOver(ReaderContext* ctx, char* m) {
    if (!MoreInputRemains(ctx)) {
        ctx->scanPointer = ctx->windowEnd;
        ctx->leftoverCount = 0;
        return;
    }
    ctx->scanPointer = m;
    int32_t rest = static_cast<int32_t>(ctx->windowEnd - m);
    ctx->leftoverCount = rest > 0 ? rest : 0;
}

namespace {

// One call's working values.
struct Scan {
    ReaderContext* ctx;
    char* keyword;
    uint32_t keywordCapacity;
    char* mark;
    char* tokenStart;
    int status;
};

void Count(Scan& s, int64_t n) {
    if (!s.ctx->replaying) s.ctx->bytesConsumed += static_cast<int32_t>(n);
}

bool StartsWith(const char* p, const char* end, const char* word, size_t n) {
    return static_cast<size_t>(end - p) >= n && std::memcmp(p, word, n) == 0;
}

enum class Next { Iterate, Return, Final };

// A '#' comment met at the top level (after a close, a macro statement or
// on its own): the rest of the window if it does not end there.
Next CommentAtTop(Scan& s) {
    ReaderContext* ctx = s.ctx;
    if (SkipComment(ctx)) return Next::Iterate;
    ctx->scanPointer = MoreInputRemains(ctx) ? s.mark : ctx->windowEnd;
    return Next::Return;
}

// "define" / "include" macro statements: a notice in the token stream, and
// the statement passed over up to its closing parenthesis.
Next MacroStatement(Scan& s, char* p, const char* notice) {
    ReaderContext* ctx = s.ctx;
    WriteTextToken(ctx, notice, static_cast<uint32_t>(std::strlen(notice)));
    char* f = static_cast<char*>(std::memchr(p, ')', static_cast<size_t>(ctx->windowEnd - p)));
    if (f == nullptr) {
        CarryOver(ctx, p);
        return Next::Return;
    }
    ctx->scanPointer = f + 1;
    if (ctx->scanPointer < ctx->windowEnd && IsSpace(*ctx->scanPointer)) {
        if (SkipWhitespace(ctx) >= ctx->windowEnd) {
            Count(s, ctx->windowEnd - p);
            return Next::Return;
        }
    }
    if (ctx->scanPointer < ctx->windowEnd && *ctx->scanPointer == '#') {
        Count(s, ctx->scanPointer - p);
        s.mark = ctx->scanPointer;
        return CommentAtTop(s);
    }
    return Next::Iterate;
}

// Hands the window to the import-data skipper at scanPointer.
Next ImportData(Scan& s) {
    ReaderContext* ctx = s.ctx;
    char* q = SkipImportData(ctx);
    ctx->scanPointer = q;
    // Counted even during a replay. The mark moves with the count, so the
    // next iteration does not count the same bytes again.
    ctx->bytesConsumed += static_cast<int32_t>(q - s.tokenStart);
    s.mark = q;
    if (q != s.tokenStart) return Next::Iterate;
    if (ctx->leftoverCount != 0) {
        // The skipper carries its unfinished line, which starts right here.
        ctx->scanPointer = q;
        return Next::Return;
    }
    if (q + 1 < ctx->windowEnd) {
        ctx->scanPointer = q + 1;
        s.mark = s.tokenStart;
        return Next::Iterate;
    }
    ctx->scanPointer = MoreInputRemains(ctx) ? s.tokenStart : ctx->windowEnd;
    return Next::Return;
}

// The value of the statement just pushed, from c to its end, a nested
// statement, a macro statement, a comment or the window's end.
Next ScanValue(Scan& s, char* c) {
    ReaderContext* ctx = s.ctx;
    char* end = ctx->windowEnd;
    while (c < end) {
        if (!ctx->inString && IsSpace(*c)) {
            ctx->scanPointer = c;
            c = SkipWhitespace(ctx);
            if (c >= end) break;
        }
        if (!ctx->inString && *c == '`') ctx->inString = 1;
        char b = *c;
        if (b == '#' && !ctx->inString) {
            Count(s, c - s.mark);
            s.mark = c;
            ctx->scanPointer = c;
            ctx->inString = 0;
            if (SkipComment(ctx)) return Next::Iterate;
            ctx->scanPointer = MoreInputRemains(ctx) ? c : end;
            return Next::Return;
        }
        if (b == '>' && !(ctx->inString && c[-1] == '\\')) {
            char* valueEnd = c - 1;
            while (*valueEnd == ' ') --valueEnd;
            if (ctx->topFrame != nullptr) ctx->topFrame->valueEnd = valueEnd;
            ctx->inString = 0;
            ctx->scanPointer = c;
            return Next::Iterate;
        }
        if (!ctx->inString) {
            if (b == '<') {
                if (ctx->topFrame != nullptr) ctx->topFrame->valueStart = nullptr;
                ctx->scanPointer = c;
                return Next::Iterate;
            }
            if (StartsWith(c, end, "define", 6) || StartsWith(c, end, "include", 7)) {
                ctx->scanPointer = c;
                return Next::Iterate;
            }
        }
        ++c;
    }
    // The value runs into the window's end: read the statement again, whole,
    // from its '<' in the next window.
    ctx->inString = 0;
    CarryOver(ctx, s.mark);
    s.status = PopStatement(ctx, 0);
    return Next::Return;
}

Next OpenStatement(Scan& s, char* p) {
    ReaderContext* ctx = s.ctx;
    char* end = ctx->windowEnd;
    char* q = p + 1;
    while (q < end && !IsSpace(*q) && *q != '>') ++q;
    ctx->keywordStart = p + 1;
    ctx->keywordEnd = q < end ? q : nullptr;
    if (q < end && *q == '>') {
        ctx->scanPointer = q + 1;
        return Next::Iterate;
    }
    if (ctx->keywordEnd == nullptr) {
        CarryOver(ctx, s.mark);
        return Next::Return;
    }
    uint32_t n = static_cast<uint32_t>(q - (p + 1));
    if (n + 1 > s.keywordCapacity) {
        char* grown = static_cast<char*>(HostReallocate(ctx, s.keyword, n + 512));
        if (grown == nullptr) {
            s.status = 0;
            return Next::Return;
        }
        s.keyword = grown;
        s.keywordCapacity = n + 512;
    }
    std::memcpy(s.keyword, p + 1, n);
    s.keyword[n] = '\0';
    char* valueStart = q + 1;
    s.status = PushStatement(ctx, s.keyword, valueStart);
    if (s.status == 0) {
        // No memory for the statement's frame: stop here rather than read
        // on with a stack that no longer matches the input.
        return Next::Return;
    }

    if (ctx->inImportObject && !ctx->inPage && std::strcmp(s.keyword, "ImportObject") == 0) {
        ctx->scanPointer = p + 1;
        ctx->importDataDepth = 1;
        Next next = ImportData(s);
        if (ctx->leftoverCount != 0 && ctx->scanPointer == p + 1) {
            // The statement's first line runs past the window. Carried from
            // its keyword, it would be read as stray text and its closing
            // '>' lost; read the whole statement again from its '<'.
            ctx->scanPointer = p;
            ctx->leftoverCount = static_cast<int32_t>(ctx->windowEnd - p);
            s.status = PopStatement(ctx, 0);
            return Next::Return;
        }
        return next;
    }
    if (ctx->inRow && ctx->tableStartPending) {
        if (ctx->inBodyFlow) WriteTableStart(ctx);
        ctx->tableStartPending = 0;
    }
    return ScanValue(s, valueStart);
}

Next CloseStatement(Scan& s, char* p) {
    ReaderContext* ctx = s.ctx;
    if (PopStatement(ctx, 1) == 0) {
        s.status = 0;
        return Next::Return;
    }
    Count(s, 1);
    s.mark = ctx->scanPointer = p + 1;
    if (ctx->replayRequested) {
        s.status = StartReplay(ctx);
        return Next::Return;
    }
    if (ctx->tableEnded && ctx->replaying) {
        s.status = EndReplay(ctx);
        return Next::Return;
    }
    char* end = ctx->windowEnd;
    if (ctx->scanPointer < end && IsSpace(*ctx->scanPointer)) {
        char* from = ctx->scanPointer;
        char* to = SkipWhitespace(ctx);
        Count(s, to - from);
        if (to >= end) return Next::Return;
        s.mark = to;
    }
    if (ctx->scanPointer < end && *ctx->scanPointer == '#') {
        if (SkipComment(ctx)) return Next::Iterate;
        if (ctx->leftoverCount == 0) Count(s, end - s.mark);
        ctx->scanPointer = MoreInputRemains(ctx) ? s.mark : end;
        return Next::Return;
    }
    return Next::Iterate;
}

Next OtherByte(Scan& s, char* p) {
    ReaderContext* ctx = s.ctx;
    char* end = ctx->windowEnd;
    if (StartsWith(p, end, "define", 6)) return MacroStatement(s, p, "define macro statement encountered");
    if (StartsWith(p, end, "include", 7)) return MacroStatement(s, p, "include statment encountered");
    char b = *p;
    if (b == '#') return CommentAtTop(s);
    if (IsSpace(b)) {
        SkipWhitespace(ctx);
        return Next::Iterate;
    }
    if (ctx->inImportObject && !ctx->inPage && (b == '=' || b == '&')) return ImportData(s);
    // Stray text: it and the rest of its line are passed over as a comment.
    *p = '#';
    return Next::Iterate;
}

}  // namespace

int ScanWindow(ReaderContext* ctx) {
    Scan s{ctx, nullptr, 128, ctx->scanPointer, ctx->scanPointer, 1};
    s.keyword = static_cast<char*>(HostAllocate(ctx, s.keywordCapacity));
    if (s.keyword == nullptr) return 0;

    Next next = Next::Final;
    while (ctx->scanPointer < ctx->windowEnd) {
        char* p = ctx->scanPointer;
        if (ctx->leftoverCount != 0 || ctx->outputOverflow) break;
        if (OutputUsed(ctx) >= ctx->fillThreshold) {
            // Count up to the stopping point, so that bytesConsumed keeps
            // naming the stream position when the next fill resumes here.
            Count(s, p - s.mark);
            s.mark = p;
            break;
        }
        Count(s, p - s.mark);
        s.mark = p;
        s.tokenStart = p;
        if (*p == '<') {
            next = OpenStatement(s, p);
        } else if (*p == '>') {
            next = CloseStatement(s, p);
        } else {
            next = OtherByte(s, p);
        }
        if (next == Next::Return) break;
        next = Next::Final;
    }
    if (next != Next::Return && OutputUsed(ctx) >= ctx->fillThreshold) ctx->resumeWindow = 1;
    HostFree(ctx, s.keyword);
    return s.status;
}

}  // namespace mif
