#include "scanner/keywords.h"

#include "formats/formats.h"
#include "frames/frames.h"
#include "tables/tables.h"
#include "text/text.h"
#include "variables/variables.h"

namespace mif {

int HandleDefault(ReaderContext*, StatementFrame*) { return 1; }

const KeywordRow kKeywordTable[kKeywordCount + 1] = {
#define MIF_KEYWORD_ROW(name, handler) {#name, handler},
    MIF_KEYWORDS(MIF_KEYWORD_ROW)
#undef MIF_KEYWORD_ROW
    {"", HandleDefault},
};

}  // namespace mif
