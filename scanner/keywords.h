// The keyword table: every statement keyword the reader acts on, its
// handler, and a perfect hash from keyword text to keyword.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

// The keywords with a handler of their own, in table order: name, handler.
#define MIF_KEYWORDS(X) \
    X(TblCatalog, HandleTblCatalog) \
    X(TblFormat, HandleTblFormat) \
    X(Tbl, HandleTbl) \
    X(Tbls, HandleTbls) \
    X(TblID, HandleTblID) \
    X(Cell, HandleCell) \
    X(CellContent, HandleDefault) \
    X(TblH, HandleDefault) \
    X(TblBody, HandleDefault) \
    X(Row, HandleRow) \
    X(ATbl, HandleATbl) \
    X(TblNumColumns, HandleTblNumColumns) \
    X(TblColumnWidth, HandleTblColumnWidth) \
    X(TblColumnWidthA, HandleTblColumnWidthA) \
    X(EqualizeWidths, HandleEqualizeWidths) \
    X(TblColumnNum, HandleTblColumnNum) \
    X(MIFFile, HandleMIFFile) \
    X(Para, HandlePara) \
    X(ParaLine, HandleDefault) \
    X(String, HandleString) \
    X(MText, HandleMText) \
    X(MType, HandleMType) \
    X(Char, HandleChar) \
    X(VariableFormats, HandleVariableFormats) \
    X(VariableName, HandleVariableName) \
    X(VariableDef, HandleVariableDef) \
    X(PgfCatalog, HandlePgfCatalog) \
    X(Pgf, HandlePgf) \
    X(PgfTag, HandlePgfTag) \
    X(PgfNumString, HandlePgfNumString) \
    X(PgfFont, HandleDefault) \
    X(TabStop, HandleDefault) \
    X(PgfAlignment, HandleFormatProperty) \
    X(PgfLeading, HandleFormatProperty) \
    X(PgfFIndent, HandleFormatProperty) \
    X(PgfLIndent, HandleFormatProperty) \
    X(PgfRIndent, HandleFormatProperty) \
    X(PgfSpBefore, HandleFormatProperty) \
    X(PgfSpAfter, HandleFormatProperty) \
    X(PgfNumTabs, HandleFormatProperty) \
    X(TSX, HandleFormatProperty) \
    X(TSType, HandleFormatProperty) \
    X(Page, HandlePage) \
    X(PageNum, HandlePageNum) \
    X(PageSize, HandlePageSize) \
    X(PageType, HandlePageType) \
    X(TextRect, HandleTextRect) \
    X(TextRectID, HandleTextRectID) \
    X(AFrames, HandleAFrames) \
    X(AFrame, HandleAFrame) \
    X(Frame, HandleFrame) \
    X(ID, HandleID) \
    X(ImportObject, HandleImportObject) \
    X(ShapeRect, HandleShapeRect) \
    X(FrameType, HandleDefault) \
    X(NSOffset, HandleDefault) \
    X(AnchorAlign, HandleDefault) \
    X(ImportObFileDI, HandleImportObFileDI) \
    X(Units, HandleDefault) \
    X(Notes, HandleNotes) \
    X(Unique, HandleDefault) \
    X(FontCatalog, HandleFontCatalog) \
    X(Font, HandleFont) \
    X(FTag, HandleFTag) \
    X(FWeight, HandleFormatProperty) \
    X(FSize, HandleFormatProperty) \
    X(FFamily, HandleFormatProperty) \
    X(FAngle, HandleFormatProperty) \
    X(FUnderlining, HandleFormatProperty) \
    X(FUnderline, HandleFormatProperty) \
    X(FStrike, HandleFormatProperty) \
    X(FColor, HandleFormatProperty) \
    X(FPosition, HandleFormatProperty) \
    X(FSubScript, HandleFormatProperty) \
    X(FSupScript, HandleFormatProperty) \
    X(FCase, HandleFormatProperty) \
    X(FPlain, HandleFormatProperty) \
    X(FBold, HandleFormatProperty) \
    X(FItalic, HandleFormatProperty)

enum class Keyword : uint8_t {
#define MIF_KEYWORD_ENUM(name, handler) name,
    MIF_KEYWORDS(MIF_KEYWORD_ENUM)
#undef MIF_KEYWORD_ENUM
    Unknown  // any other keyword: pushed, scanned and popped with HandleDefault
};

constexpr int kKeywordCount = static_cast<int>(Keyword::Unknown);

struct KeywordRow {
    const char* text;
    StatementHandler handler;
};

// Indexed by Keyword; the row of Keyword::Unknown has an empty text and
// HandleDefault.
extern const KeywordRow kKeywordTable[kKeywordCount + 1];

// Succeeds and does nothing: for keywords without a handler of their own.
int HandleDefault(ReaderContext* ctx, StatementFrame* frame);

// Whether a keyword's handler is HandleDefault, by Keyword.
extern const bool kHandledByDefault[kKeywordCount + 1];

// The keyword spelled by the n bytes at text (compared exactly and
// case-sensitively), or Keyword::Unknown. Reads up to 8 bytes from text
// even when n is smaller: the window's slack keeps that inside the context.
Keyword LookupKeyword(const char* text, uint32_t n);

}  // namespace mif
