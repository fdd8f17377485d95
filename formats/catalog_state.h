// Per-document state of the paragraph and font catalogs.
#pragma once

#include <cstdint>

#include "formats/format_state.h"

namespace mif {

struct CatalogState {
    CatalogEntry* paragraphCatalog;  // head of the paragraph catalog
    CatalogEntry* fontCatalog;       // head of the font catalog list
};

}  // namespace mif
