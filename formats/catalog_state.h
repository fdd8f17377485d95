// Per-document state of the paragraph and font catalogs.
#pragma once

#include <cstdint>

#include "formats/format_state.h"

namespace mif {

constexpr uint32_t kCatalogBuckets = 256;

// One catalog: its entries in the order they were defined, a hash of their
// tags, the entry that application works on, and the entry that recorded
// statements are added to (the one created last).
struct CatalogList {
    CatalogEntry* first;
    CatalogEntry* last;
    CatalogEntry* currentEntry;
    CatalogEntry* recordingEntry;
    CatalogEntry** buckets;  // kCatalogBuckets heads, taken with the first entry
};

struct CatalogState {
    CatalogList paragraphs;  // PgfTag entries
    CatalogList fonts;       // FTag entries
};

}  // namespace mif
