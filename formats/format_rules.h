// Rules shared by the paragraph and font handlers, the format properties
// and catalog application: size scaling, name fields, tab capacity, the
// font query and the catalog lists.
#pragma once

#include <cstdint>

#include "formats/catalog_state.h"
#include "formats/format_state.h"
#include "reader/context.h"

namespace mif {

// 3 x size / 4 and 4 x size / 3 in signed 32-bit arithmetic, truncated toward zero.
int32_t ShrinkFontSize(int32_t size);
int32_t RestoreFontSize(int32_t size);

// Copies at most 79 characters into an 80-byte name field, zeroing the rest.
void CopyNameField(char* field, const char* text);

// ---- Tab stops -------------------------------------------------------------

// Sets current.tabCount to n with zeroed arrays (or keeps the arrays as they
// are when n equals the count); resets both fill counters. 0 on a negative
// or oversized count or when memory runs out, leaving no arrays.
int SetTabCapacity(ReaderContext* ctx, int32_t n);
// Whether SetTabCapacity(n) on s would ask the host for memory.
bool SetTabCapacityAllocates(const FormatState& s, int32_t n);
// The next tab position or type, when there is room for it.
void StoreTabPosition(ReaderContext* ctx, int32_t twips);
void StoreTabType(ReaderContext* ctx, uint32_t type);

// ---- Font query ------------------------------------------------------------

// The generic family class of a font name (0x10 roman ... 0x50 decorative, 0 unknown).
uint8_t FamilyClassOf(const char* name);
// Describes current.fontFamily, of the given class, to the host and stores
// its font number.
void QueryHostFont(ReaderContext* ctx, uint8_t familyClass);

// ---- Catalogs ---------------------------------------------------------------

// The entry whose tag equals tag, or null (an empty tag is never looked up).
CatalogEntry* FindCatalogEntry(const CatalogList* list, const char* tag);
// Appends an entry for tag; it becomes the current entry and the one that
// recorded statements are added to. 0 when memory runs out.
int CreateCatalogEntry(ReaderContext* ctx, CatalogList* list, const char* tag);
void FreeCatalog(ReaderContext* ctx, CatalogList* list);

// Stores a recorded format into current; 0 when a recorded tab count is
// refused. Sets formatDirty afresh from what differs from lastEmitted.
int ApplyCatalogEntry(ReaderContext* ctx, CatalogEntry* entry);

}  // namespace mif
