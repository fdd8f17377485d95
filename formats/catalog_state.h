// Per-document state of the paragraph and font catalogs.
#pragma once

#include <cstdint>

#include "formats/format_state.h"

namespace mif {

// One catalog: its entries in the order they were defined, the entry that
// application and recording work on, and the last node of that entry.
struct CatalogList {
    CatalogEntry* first;
    CatalogEntry* last;
    CatalogEntry* currentEntry;
    PropertyNode* propertyTail;
};

struct CatalogState {
    CatalogList paragraphs;  // PgfTag entries
    CatalogList fonts;       // FTag entries
};

}  // namespace mif
