#include "scanner/keywords.h"

#include <cstring>

#include "formats/formats.h"
#include "frames/frames.h"
#include "reader/host_services.h"
#include "tables/tables.h"
#include "text/text.h"
#include "variables/variables.h"

namespace mif {

int HandleDefault(ReaderContext*, StatementFrame*) { return 1; }

const KeywordRow kKeywordTable[kKeywordCount] = {
    {"TblCatalog", HandleTblCatalog},
    {"TblFormat", HandleTblFormat},
    {"Tbl", HandleTbl},
    {"Tbls", HandleTbls},
    {"TblID", HandleTblID},
    {"Cell", HandleCell},
    {"CellContent", HandleDefault},
    {"TblH", HandleDefault},
    {"TblBody", HandleDefault},
    {"Row", HandleRow},
    {"ATbl", HandleATbl},
    {"TblNumColumns", HandleTblNumColumns},
    {"TblColumnWidth", HandleTblColumnWidth},
    {"TblColumnWidthA", HandleTblColumnWidthA},
    {"EqualizeWidths", HandleEqualizeWidths},
    {"TblColumnNum", HandleTblColumnNum},
    {"MIFFile", HandleMIFFile},
    {"Para", HandlePara},
    {"ParaLine", HandleDefault},
    {"String", HandleString},
    {"MText", HandleMText},
    {"MType", HandleMType},
    {"Char", HandleChar},
    {"VariableFormats", HandleVariableFormats},
    {"VariableName", HandleVariableName},
    {"VariableDef", HandleVariableDef},
    {"PgfCatalog", HandlePgfCatalog},
    {"Pgf", HandlePgf},
    {"PgfTag", HandlePgfTag},
    {"PgfNumString", HandlePgfNumString},
    {"PgfFont", HandlePgfFont},
    {"TabStop", HandleDefault},
    {"PgfAlignment", HandlePgfAlignment},
    {"PgfLeading", HandlePgfLeading},
    {"PgfFIndent", HandlePgfFIndent},
    {"PgfLIndent", HandlePgfLIndent},
    {"PgfRIndent", HandlePgfRIndent},
    {"PgfSpBefore", HandlePgfSpBefore},
    {"PgfSpAfter", HandlePgfSpAfter},
    {"PgfNumTabs", HandlePgfNumTabs},
    {"TSX", HandleTSX},
    {"TSType", HandleTSType},
    {"Page", HandlePage},
    {"PageNum", HandlePageNum},
    {"PageSize", HandlePageSize},
    {"PageType", HandlePageType},
    {"TextRect", HandleTextRect},
    {"TextRectID", HandleTextRectID},
    {"AFrames", HandleAFrames},
    {"AFrame", HandleAFrame},
    {"Frame", HandleFrame},
    {"ID", HandleID},
    {"ImportObject", HandleImportObject},
    {"ShapeRect", HandleShapeRect},
    {"FrameType", HandleFrameType},
    {"NSOffset", HandleNSOffset},
    {"AnchorAlign", HandleAnchorAlign},
    {"ImportObFileDI", HandleImportObFileDI},
    {"Units", HandleUnits},
    {"Notes", HandleNotes},
    {"Unique", HandleDefault},
    {"FontCatalog", HandleFontCatalog},
    {"Font", HandleFont},
    {"FTag", HandleFTag},
    {"FWeight", HandleFWeight},
    {"FSize", HandleFSize},
    {"FFamily", HandleFFamily},
    {"FAngle", HandleFAngle},
    {"FUnderlining", HandleFUnderline},
    {"FUnderline", HandleFUnderline},
    {"FStrike", HandleFStrike},
    {"FColor", HandleFColor},
    {"FPosition", HandleFPosition},
    {"FSubScript", HandleFSubScript},
    {"FSupScript", HandleFSupScript},
    {"FCase", HandleFCase},
    {"FPlain", HandleFPlain},
    {"FBold", HandleFBold},
    {"FItalic", HandleFItalic},
};

uint32_t KeywordBucket(const char* keyword) {
    uint32_t h = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(keyword); *p; ++p) {
        h = h * 37u + *p;
    }
    return h % kKeywordBuckets;
}

int BuildKeywordIndex(ReaderContext* ctx) {
    for (const KeywordRow& row : kKeywordTable) {
        auto* node = static_cast<KeywordNode*>(HostAllocate(ctx, sizeof(KeywordNode)));
        if (node == nullptr) return 0;
        uint32_t bucket = KeywordBucket(row.keyword);
        node->keyword = row.keyword;
        node->handler = row.handler;
        node->next = ctx->keywordBuckets[bucket];
        ctx->keywordBuckets[bucket] = node;
    }
    return 1;
}

StatementHandler LookupKeyword(const ReaderContext* ctx, const char* keyword) {
    for (const KeywordNode* node = ctx->keywordBuckets[KeywordBucket(keyword)]; node; node = node->next) {
        if (std::strcmp(node->keyword, keyword) == 0) return node->handler;
    }
    return HandleDefault;
}

void FreeKeywordIndex(ReaderContext* ctx) {
    for (KeywordNode*& head : ctx->keywordBuckets) FreeChain(ctx, head);
}

namespace {

StatementHandler ChooseHandler(const ReaderContext* ctx, const char* keyword) {
    if (ctx->inPgf && ctx->recordingPgf) {
        if (std::strcmp(keyword, "PgfFont") == 0 || std::strcmp(keyword, "TabStop") == 0) {
            return LookupKeyword(ctx, keyword);
        }
        return RecordParagraphProperty;
    }
    if (ctx->inFont && ctx->recordingFont) return RecordFontProperty;
    return LookupKeyword(ctx, keyword);
}

// Section flags raised when their statement opens; the first match applies.
void RaiseSectionFlag(ReaderContext* ctx, const char* keyword) {
    struct SectionFlag {
        const char* keyword;
        uint32_t ReaderContext::*flag;
    };
    static const SectionFlag kSections[] = {
        {"PgfCatalog", &ReaderContext::inPgfCatalog},
        {"VariableFormats", &ReaderContext::inVariableFormats},
        {"Page", &ReaderContext::inPage},
        {"TextRect", &ReaderContext::inTextRect},
        {"Tbls", &ReaderContext::inTbls},
        {"Tbl", nullptr},
        {"TblFormat", &ReaderContext::inTblFormat},
        {"Row", &ReaderContext::inRow},
        {"EqualizeWidths", &ReaderContext::inEqualizeWidths},
        {"Notes", &ReaderContext::inNotes},
        {"ImportObject", &ReaderContext::inImportObject},
        {"FontCatalog", &ReaderContext::inFontCatalog},
        {"Pgf", &ReaderContext::inPgf},
        {"Font", &ReaderContext::inFont},
        {"AFrames", &ReaderContext::inAFrames},
        {"Frame", &ReaderContext::inFrame},
    };
    for (const SectionFlag& section : kSections) {
        if (keyword[0] != section.keyword[0] || std::strcmp(keyword, section.keyword) != 0) continue;
        if (section.flag == nullptr) {
            // "Tbl": remember where the table statement starts in the stream.
            ctx->tableStartPosition = static_cast<uint32_t>(ctx->bytesConsumed);
        } else {
            ctx->*section.flag = 1;
        }
        return;
    }
}

}  // namespace

int PushStatement(ReaderContext* ctx, const char* keyword, char* valueStart) {
    auto* frame = static_cast<StatementFrame*>(HostAllocateZeroed(ctx, sizeof(StatementFrame)));
    if (frame == nullptr) return 0;
    frame->handler = ChooseHandler(ctx, keyword);
    frame->valueStart = valueStart;
    frame->parent = ctx->topFrame;
    ctx->topFrame = frame;
    RaiseSectionFlag(ctx, keyword);
    return 1;
}

int PopStatement(ReaderContext* ctx, int callHandler) {
    StatementFrame* frame = ctx->topFrame;
    if (frame == nullptr) return 1;
    StatementFrame* parent = frame->parent;
    int result = 1;
    if (callHandler == 1) result = frame->handler(ctx, frame);
    HostFree(ctx, ctx->topFrame);
    ctx->topFrame = parent;
    return result;
}

void FreeStatementFrames(ReaderContext* ctx) {
    while (ctx->topFrame != nullptr) {
        StatementFrame* parent = ctx->topFrame->parent;
        HostFree(ctx, ctx->topFrame);
        ctx->topFrame = parent;
    }
}

}  // namespace mif

namespace mif {

char* StatementValue(StatementFrame* frame) {
    if (frame == nullptr || frame->valueStart == nullptr || frame->valueEnd == nullptr) return nullptr;
    char* start = frame->valueStart;
    char* end = frame->valueEnd;
    if (end < start) {
        // "<Keyword >": the value end lies before its start; the value is empty.
        *start = '\0';
        return start;
    }
    if (*start == '`') ++start;
    if (*end == '\'' && end >= start) {
        *end = '\0';
    } else {
        end[1] = '\0';
    }
    if (start > end) {
        // The value was a lone backquote.
        *end = '\0';
        return end;
    }
    return start;
}

}  // namespace mif
