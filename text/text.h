// Document text: strings and escapes, special characters, units, page geometry, paragraphs.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

int HandlePara(ReaderContext* ctx, StatementFrame* frame);
int HandleString(ReaderContext* ctx, StatementFrame* frame);
int HandleMText(ReaderContext* ctx, StatementFrame* frame);
int HandleMType(ReaderContext* ctx, StatementFrame* frame);
int HandleChar(ReaderContext* ctx, StatementFrame* frame);
int HandlePage(ReaderContext* ctx, StatementFrame* frame);
int HandlePageNum(ReaderContext* ctx, StatementFrame* frame);
int HandlePageSize(ReaderContext* ctx, StatementFrame* frame);
int HandlePageType(ReaderContext* ctx, StatementFrame* frame);
int HandleTextRect(ReaderContext* ctx, StatementFrame* frame);
int HandleTextRectID(ReaderContext* ctx, StatementFrame* frame);
int HandleNotes(ReaderContext* ctx, StatementFrame* frame);

// Decodes MIF escapes in place over at most maxLength bytes of text; returns
// the decoded text's length as a C string (a \x00 escape ends it early).
uint32_t DecodeMifString(ReaderContext* ctx, char* text, uint32_t maxLength);
// Two hexadecimal digits to one byte; convert maps the MIF character set.
uint8_t HexPairToByte(char high, char low, int convert);
// Writes the format tokens for what changed since the last flush; 0 when
// memory ran out.
int FlushPendingFormat(ReaderContext* ctx);
// The anchoring paragraph's pending number string is set aside while a
// table is replayed, so that the cells' paragraphs neither write nor clear
// it, and taken back (still to be written before the next text) after it.
void SetNumberStringAside(ReaderContext* ctx);
void TakeNumberStringBack(ReaderContext* ctx);
// Writes the attribute-off tokens; 1 if any attribute was on.
int CloseCharAttributes(ReaderContext* ctx);
// Writes an attribute-on token for every attribute set in current.
void EmitCharAttributes(ReaderContext* ctx);

// Named special characters of <Char Name>.
struct CharNameEntry {
    uint8_t replacement;  // byte in the output character set
    char name[20];
};
constexpr int kCharNameCount = 18;
extern const CharNameEntry kCharNameTable[kCharNameCount];
// Writes the output for a character name; 1 when a token was written.
int LookupCharName(ReaderContext* ctx, const char* name);

// The MIFFile header check; also the MIFFile statement's handler.
int ReadMifHeader(ReaderContext* ctx);
int HandleMIFFile(ReaderContext* ctx, StatementFrame* frame);
// The text-rectangle branch of the ID handler.
int RecordBodyTextRectID(ReaderContext* ctx, StatementFrame* frame);
void FreeBodyTextRects(ReaderContext* ctx);

}  // namespace mif
