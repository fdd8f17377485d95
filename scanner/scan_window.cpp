#include "scanner/scan_window.h"

#include <cstring>

#include "reader/fill.h"
#include "reader/token_writer.h"
#include "scanner/import_data.h"
#include "scanner/statement_stack.h"
#include "tables/tables.h"

namespace mif {

char* SkipWhitespace(ReaderContext* ctx) {
    char* p = ctx->scanPointer;
    char* end = ctx->windowEnd;
    if (p < end) ++p;
    p = SkipSpaces(p, end);
    ctx->scanPointer = p;
    return p;
}

namespace {

// The first byte that is not blank after the line end of the comment whose
// '#' is at c0 (or end), or null when the comment does not end inside the
// window. CR LF, LF LF, LF CR and CR CR all count as one line end. look
// holds the bytes from c0 or before it.
char* PastComment(char* c0, const char* end, const CommentLookahead& look) {
    char* t = look.LineEnd(c0 + 1, end);
    if (t == end) return nullptr;
    char* e = t + 1 < end && IsLineEndByte(t[1]) ? t + 2 : t + 1;
    return e < end ? look.NonSpace(e, end) : nullptr;
}

char* PastComment(char* c0, const char* end) { return PastComment(c0, end, CommentLookahead(c0 + 1, end)); }

// Where the scan goes on after the comment at c0 (scanPointer), given
// what lies past it (PastComment): false when the comment does not end
// inside the window, and it is carried into the next one or dropped.
bool SkipCommentTo(ReaderContext* ctx, char* c0, char* e) {
    char* end = ctx->windowEnd;
    if (e == nullptr) {
        ctx->scanPointer = end;
        int32_t rest = static_cast<int32_t>(end - c0);
        ctx->leftoverCount = (MoreInputRemains(ctx) && rest > 0) ? rest : 0;
        return false;
    }
    ctx->scanPointer = e;
    return true;
}

}  // namespace

bool SkipComment(ReaderContext* ctx) {
    char* c0 = ctx->scanPointer;
    return SkipCommentTo(ctx, c0, PastComment(c0, ctx->windowEnd));
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
    char* mark;        // bytes before it are consumed (see Sync)
    char* tokenStart;  // where the current iteration began
    int64_t base;      // bytesConsumed less the mark's offset in the window
    int status;
    bool counting;     // not replaying: a replay starts or ends only as the call returns
};

// Brings bytesConsumed up to the mark. The count follows the mark and is
// stored only where it is read (a statement's push, a replay's start) and
// as the call returns; during a replay it stays as it was.
void Sync(Scan& s) {
    if (s.counting) s.ctx->bytesConsumed = static_cast<int32_t>(s.base + (s.mark - s.ctx->window));
}

enum class Macro { None, Define, Include };

// "define" or "include" at p, wholly inside the window.
Macro MacroAt(const char* p, const char* end) {
    if (*p == 'd' && end - p >= 6 && std::memcmp(p, "define", 6) == 0) return Macro::Define;
    if (*p == 'i' && end - p >= 7 && std::memcmp(p, "include", 7) == 0) return Macro::Include;
    return Macro::None;
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
Next MacroStatement(Scan& s, char* p, Macro macro) {
    static const char kDefine[] = "define macro statement encountered";
    static const char kInclude[] = "include statment encountered";
    ReaderContext* ctx = s.ctx;
    if (macro == Macro::Define) {
        WriteTextToken(ctx, kDefine, sizeof kDefine - 1);
    } else {
        WriteTextToken(ctx, kInclude, sizeof kInclude - 1);
    }
    char* f = FindByte(p, ctx->windowEnd, ')');
    if (f == ctx->windowEnd) {
        CarryOver(ctx, p);
        return Next::Return;
    }
    ctx->scanPointer = f + 1;
    if (ctx->scanPointer < ctx->windowEnd && IsSpace(*ctx->scanPointer)) {
        if (SkipWhitespace(ctx) >= ctx->windowEnd) {
            s.mark = ctx->windowEnd;
            return Next::Return;
        }
    }
    if (ctx->scanPointer < ctx->windowEnd && *ctx->scanPointer == '#') {
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
    // The data is consumed with the mark; during a replay, like every other
    // replayed byte, it leaves the count alone (the count names the stream
    // position, and the replayed bytes were counted once).
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

// Where a statement's own value stops.
enum class ValueStop {
    Close,    // at its '>': the value is plain
    Nested,   // at a '<': the statement is a container
    Comment,  // at a '#' outside a string
    Macro,    // at "define" or "include" outside a string
    Cut,      // at the window's end
};

// Finds where the value that starts at c stops. Whitespace outside a string
// needs no step of its own: none of it ends a value.
ValueStop FindValueEnd(char*& c, const char* end, const Lookahead& look) {
    bool inString = false;
    for (;;) {
        if (inString) {
            // Only a '>' ends a string's value, unless a backslash escapes it.
            c = look.Close(c, end);
            if (c == end) return ValueStop::Cut;
            if (c[-1] != '\\') return ValueStop::Close;
            ++c;
            continue;
        }
        c = look.ValueStop(c, end);
        if (c == end) return ValueStop::Cut;
        switch (*c) {
            case '>': return ValueStop::Close;
            case '<': return ValueStop::Nested;
            case '#': return ValueStop::Comment;
            case '`':
                // The string runs to the end of the value: a closing quote
                // does not end it.
                inString = true;
                ++c;
                continue;
            default:  // 'd' or 'i'
                if (MacroAt(c, end) != Macro::None) return ValueStop::Macro;
                ++c;
                continue;
        }
    }
}

[[gnu::always_inline]] inline Next CloseStatement(Scan& s, char* p, bool pop);

// After a plain statement closed at c: the '<' of the statement that
// follows it when only blanks and at most one comment (ending inside the
// window) stand between them, else null. Between two such statements the
// general loop would do nothing but count the bytes.
char* NextOpenAfter(char* c, const char* end, const Lookahead& look) {
    char* a = look.NonSpace(c + 1, end);
    if (a == end) return nullptr;
    if (*a == '#') {
        a = PastComment(a, end);
        if (a == nullptr || a == end) return nullptr;
    }
    return *a == '<' ? a : nullptr;
}

// Opens the statement at p and, while statements are passed over without a
// frame (see below) and follow each other directly, the ones after it.
Next OpenStatement(Scan& s, char* p) {
    ReaderContext* ctx = s.ctx;
    char* end = ctx->windowEnd;
    // A statement whose handler does nothing with a plain value (and that
    // raises no flag) needs a frame only if its value turns out not to be
    // plain: its frame is taken once that is known, and a plain one is
    // closed at once. Which statements those are stays the same while they
    // follow each other; a pending table start frames them all.
    const OpeningRoute route = RouteForOpening(ctx);
    const bool* passesOver = ctx->tableStartPending && ctx->inRow ? nullptr : route.passesOverWhenPlain;
    for (;;) {
        const Lookahead look(p + 1, end);
        char* q = look.KeywordEnd(p + 1, end);
        if (q == end) {
            CarryOver(ctx, s.mark);
            return Next::Return;
        }
        if (*q == '>') {
            // "<Keyword>": no frame, no handler, no section flag.
            ctx->scanPointer = q + 1;
            return Next::Iterate;
        }
        Keyword keyword = LookupKeyword(p + 1, static_cast<uint32_t>(q - (p + 1)));
        if (keyword == Keyword::Unknown) {
            // A NUL ends the keyword's spelling, as it ends a C string, but
            // not the keyword: the value starts after the whole word.
            char* nul = FindFirstNul(p + 1, q);
            if (nul != q) keyword = LookupKeyword(p + 1, static_cast<uint32_t>(nul - (p + 1)));
        }
        char* valueStart = q + 1;

        const bool frameless = passesOver != nullptr && passesOver[static_cast<int>(keyword)];
        const uint8_t* written = ctx->writePointer;
        if (!frameless) {
            Sync(s);
            if (!PushStatement(ctx, keyword, HandlerOf(route, keyword), valueStart)) {
                // No memory for the statement's frame: stop here rather than
                // read on with a stack that no longer matches the input.
                s.status = 0;
                return Next::Return;
            }
            if (keyword == Keyword::ImportObject && ctx->inImportObject && !ctx->inPage) {
                ctx->scanPointer = p + 1;
                ctx->importDataDepth = 1;
                Next next = ImportData(s);
                if (ctx->leftoverCount != 0 && ctx->scanPointer == p + 1) {
                    // The statement's first line runs past the window. Carried
                    // from its keyword, it would be read as stray text and its
                    // closing '>' lost; read the whole statement again from its '<'.
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
        }

        char* c = valueStart;
        ValueStop stop = FindValueEnd(c, end, look);
        if (stop == ValueStop::Cut) {
            // The value runs into the window's end: read the statement again,
            // whole, from its '<' in the next window.
            CarryOver(ctx, s.mark);
            if (!frameless) s.status = PopStatement(ctx, 0);
            return Next::Return;
        }
        if (stop == ValueStop::Close && frameless) {
            // Nothing was written and no handler ran: the checks between
            // statements cannot have changed, and a replay neither starts nor
            // ends here. Go straight on to a statement that follows directly.
            if (char* next = NextOpenAfter(c, end, look)) {
                s.mark = s.tokenStart = p = next;
                continue;
            }
            s.mark = s.tokenStart = c;
            return CloseStatement(s, c, false);
        }
        if (frameless) {
            Sync(s);
            if (!PushStatement(ctx, keyword, HandlerOf(route, keyword), valueStart)) {
                s.status = 0;
                return Next::Return;
            }
        }
        switch (stop) {
            case ValueStop::Close: {
                // The '>' at c ends the value; blanks before it are not part of it.
                char* valueEnd = c - 1;
                while (*valueEnd == ' ') --valueEnd;
                ctx->topFrame->valueEnd = valueEnd;
                ctx->scanPointer = c;
                // Close it here, as the next iteration would, unless opening
                // it wrote (or had no room for) a table start: the checks
                // between statements then come first.
                if (ctx->writePointer != written || ctx->outputOverflow) return Next::Iterate;
                s.mark = s.tokenStart = c;
                return CloseStatement(s, c, true);
            }
            case ValueStop::Nested:
                // A container: its value is its nested statements.
                ctx->topFrame->valueStart = nullptr;
                ctx->scanPointer = c;
                return Next::Iterate;
            case ValueStop::Comment:
                s.mark = c;
                ctx->scanPointer = c;
                if (SkipComment(ctx)) return Next::Iterate;
                ctx->scanPointer = MoreInputRemains(ctx) ? c : end;
                return Next::Return;
            default:  // a macro statement, handled by the next iteration
                ctx->scanPointer = c;
                return Next::Iterate;
        }
    }
}

// The '>' at p closes the top statement (or, when pop is false, a
// statement that was never given a frame).
[[gnu::always_inline]] inline Next CloseStatement(Scan& s, char* p, bool pop) {
    ReaderContext* ctx = s.ctx;
    if (pop && PopStatement(ctx, 1) == 0) {
        s.status = 0;
        return Next::Return;
    }
    s.mark = ctx->scanPointer = p + 1;
    if (ctx->replayRequested) {
        Sync(s);
        s.status = StartReplay(ctx);
        return Next::Return;
    }
    if (ctx->tableEnded && ctx->replaying) {
        s.status = EndReplay(ctx);
        return Next::Return;
    }
    char* end = ctx->windowEnd;
    char* next = p + 1;
    if (next == end || (!IsSpace(*next) && *next != '#')) return Next::Iterate;
    // The blanks after the close and a comment (most often "# end of ...")
    // with the blanks after it mostly lie in one look-ahead.
    const CommentLookahead look(next, end);
    if (*next != '#') {
        char* to = look.NonSpace(next + 1, end);
        ctx->scanPointer = to;
        s.mark = to;
        if (to == end) return Next::Return;
        if (*to != '#') return Next::Iterate;
        next = to;
    }
    if (SkipCommentTo(ctx, next, PastComment(next, end, look))) return Next::Iterate;
    char* resume = s.mark;
    if (ctx->leftoverCount == 0) s.mark = end;
    ctx->scanPointer = MoreInputRemains(ctx) ? resume : end;
    return Next::Return;
}

Next OtherByte(Scan& s, char* p) {
    ReaderContext* ctx = s.ctx;
    char b = *p;
    if (b == 'd' || b == 'i') {
        Macro macro = MacroAt(p, ctx->windowEnd);
        if (macro != Macro::None) return MacroStatement(s, p, macro);
    }
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
    Scan s{ctx, ctx->scanPointer, ctx->scanPointer, ctx->bytesConsumed - (ctx->scanPointer - ctx->window), 1,
           ctx->replaying == 0};
    Next next = Next::Final;
    while (ctx->scanPointer < ctx->windowEnd) {
        char* p = ctx->scanPointer;
        if (ctx->leftoverCount != 0 || ctx->outputOverflow) break;
        if (OutputUsed(ctx) >= ctx->fillThreshold) {
            // Consumed up to the stopping point, so that bytesConsumed keeps
            // naming the stream position when the next fill resumes here.
            s.mark = p;
            break;
        }
        s.mark = p;
        s.tokenStart = p;
        if (*p == '<') {
            next = OpenStatement(s, p);
        } else if (*p == '>') {
            next = CloseStatement(s, p, true);
        } else {
            next = OtherByte(s, p);
        }
        if (next == Next::Return) break;
        next = Next::Final;
    }
    if (next != Next::Return && OutputUsed(ctx) >= ctx->fillThreshold) ctx->resumeWindow = 1;
    Sync(s);
    return s.status;
}

}  // namespace mif
