#include "scanner/import_data.h"

namespace mif {

char* SkipImportData(ReaderContext* ctx) { return ctx->scanPointer; }

}  // namespace mif
