// Rules shared by the paragraph and font handlers and by catalog
// application: format words, size scaling, tab capacity, the font query and
// the catalog lists.
#pragma once

#include <cstdint>

#include "formats/catalog_state.h"
#include "formats/format_state.h"
#include "reader/context.h"

namespace mif {

// ---- Words ---------------------------------------------------------------

// 0x00BBGGRR of a colour word; 0 for every word outside the list.
uint32_t ColourFromWord(const char* word);
// "Bold", "Book" and "DemiBold" set AttrBold in current; any other word clears it.
void ApplyWeightName(ReaderContext* ctx, const char* word);
// Alignment code of a word; 0 when the word is none of the four.
int AlignmentFromWord(const char* word, uint32_t* alignment);
// Line spacing class of a leading in twips: 0 below 120, 1 below 240, else 2.
uint8_t LeadingClassFromTwips(int32_t twips);
// Tab type code: 2 "Center", 1 "Right", 0 otherwise.
uint32_t TabTypeFromWord(const char* word);

// Attribute words that act the same whether read directly or applied.
void SetAttribute(uint32_t* attributes, uint32_t bit, int on);
void ApplyUnderlineWord(uint32_t* attributes, const char* word);
void ApplyCaseWord(uint32_t* attributes, const char* word);
void ApplyPlainWord(uint32_t* attributes, const char* word);
// FSubScript (bit AttrSubscript, other AttrSuperscript) and FSupScript
// (the two exchanged): "Yes" sets bit and shrinks unless other was set, in
// which case other is cleared and the size stays; any other word clears a
// set bit and restores the size.
void ApplyScriptWord(FormatState* state, const char* word, uint32_t bit, uint32_t other);

// 3 x size / 4 and 4 x size / 3 in signed 32-bit arithmetic, truncated toward zero.
int32_t ShrinkFontSize(int32_t size);
int32_t RestoreFontSize(int32_t size);

// Copies at most 79 characters into an 80-byte name field, zeroing the rest.
void CopyNameField(char* field, const char* text);

// ---- Tab stops -------------------------------------------------------------

// Sets current.tabCount to n with fresh zeroed arrays (or keeps the arrays
// when n equals the count); resets both fill counters. 0 on a negative or
// oversized count or when memory runs out, leaving no arrays.
int SetTabCapacity(ReaderContext* ctx, int32_t n);
// The next tab position or type, when there is room for it.
void StoreTabPosition(ReaderContext* ctx, int32_t twips);
void StoreTabType(ReaderContext* ctx, uint32_t type);

// ---- Font query ------------------------------------------------------------

// Describes current.fontFamily to the host and stores its font number.
void QueryHostFont(ReaderContext* ctx);

// ---- Catalogs ---------------------------------------------------------------

// The entry whose tag equals tag, or null (an empty tag is never looked up).
CatalogEntry* FindCatalogEntry(const CatalogList* list, const char* tag);
// Appends an entry whose first node holds the keyword last delimited by the
// scanner and tag; it becomes the current entry. 0 when memory runs out.
int CreateCatalogEntry(ReaderContext* ctx, CatalogList* list, const char* tag);
// Appends the top statement (keyword and decoded value) to the current entry.
int RecordCatalogProperty(ReaderContext* ctx, CatalogList* list, StatementFrame* frame);
void FreeCatalog(ReaderContext* ctx, CatalogList* list);

// Stores a recorded format into current; 0 when a recorded tab count is
// refused. Sets formatDirty afresh from what differs from lastEmitted.
int ApplyCatalogEntry(ReaderContext* ctx, CatalogEntry* entry);

}  // namespace mif
