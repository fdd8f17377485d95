// Format properties: the statements that change the current format
// (PgfAlignment, PgfLIndent, TSX, FWeight, FSize, FFamily, FColor ...).
// A property reaches the current format by one of two routes: read
// directly where it stands, or recorded in a catalog entry and applied
// with the entry. One rule per property serves both; where the routes
// differ, the rule says so with a flag.
#pragma once

#include <cstdint>

#include "formats/format_state.h"
#include "reader/context.h"
#include "scanner/keywords.h"

namespace mif {

enum class Route { Direct, Applied };

// A property's value parsed from its statement: a length in twips, a size,
// a colour, a word's code, a flag; or, for FFamily, the name.
struct PropertyValue {
    int32_t number;
    const char* text;
};

// True for the keywords that ParseProperty and StoreProperty know.
bool IsFormatProperty(Keyword keyword);

PropertyValue ParseProperty(Keyword keyword, const char* value, Route route);

// Stores the value into ctx->current. Raises *changed when the property's
// field now differs from what was last written (read directly, attributes
// count as a field; applied, the caller compares them once at the end).
// 0 when a tab count is refused.
int StoreProperty(ReaderContext* ctx, Keyword keyword, const PropertyValue& value, Route route, int* changed);

// Stores recorded properties in order, as application does (Route::Applied);
// 0 when one of them fails.
int StoreRecordedProperties(ReaderContext* ctx, const RecordedProperty* properties, uint32_t count, int* changed);

// The same for a catalog entry's properties, with the same result, from
// their fold where it can serve: no switch on each property.
int ApplyRecordedProperties(ReaderContext* ctx, CatalogEntry* entry, int* changed);

// The handler of every format property read directly: stores it and raises
// formatDirty when it changed what is to be written.
int HandleFormatProperty(ReaderContext* ctx, StatementFrame* frame);

}  // namespace mif
