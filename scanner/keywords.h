// The keyword table, its per-context hashed index, and the statement stack
// with the section flags that opening a statement raises.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

constexpr int kKeywordCount = 79;

struct KeywordRow {
    char keyword[32];
    StatementHandler handler;
};

extern const KeywordRow kKeywordTable[kKeywordCount];

// Succeeds and does nothing: for keywords without a handler of their own.
int HandleDefault(ReaderContext* ctx, StatementFrame* frame);

uint32_t KeywordBucket(const char* keyword);
int BuildKeywordIndex(ReaderContext* ctx);
StatementHandler LookupKeyword(const ReaderContext* ctx, const char* keyword);
void FreeKeywordIndex(ReaderContext* ctx);

int PushStatement(ReaderContext* ctx, const char* keyword, char* valueStart);
int PopStatement(ReaderContext* ctx, int callHandler);
void FreeStatementFrames(ReaderContext* ctx);

}  // namespace mif

namespace mif {

// The value of a statement as handlers read it: null when the frame has no
// plain value; otherwise the text after one leading backquote, ended in
// place with a NUL before a closing quote (or after the value's last byte).
char* StatementValue(StatementFrame* frame);

}  // namespace mif
