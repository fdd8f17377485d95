#include "formats/formats.h"

namespace mif {

int HandlePgfCatalog(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgf(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfTag(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfNumString(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfFont(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfAlignment(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfLeading(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfFIndent(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfLIndent(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfRIndent(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfSpBefore(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfSpAfter(ReaderContext*, StatementFrame*) { return 1; }
int HandlePgfNumTabs(ReaderContext*, StatementFrame*) { return 1; }
int HandleTSX(ReaderContext*, StatementFrame*) { return 1; }
int HandleTSType(ReaderContext*, StatementFrame*) { return 1; }
int HandleFontCatalog(ReaderContext*, StatementFrame*) { return 1; }
int HandleFont(ReaderContext*, StatementFrame*) { return 1; }
int HandleFTag(ReaderContext*, StatementFrame*) { return 1; }
int HandleFWeight(ReaderContext*, StatementFrame*) { return 1; }
int HandleFSize(ReaderContext*, StatementFrame*) { return 1; }
int HandleFFamily(ReaderContext*, StatementFrame*) { return 1; }
int HandleFAngle(ReaderContext*, StatementFrame*) { return 1; }
int HandleFUnderline(ReaderContext*, StatementFrame*) { return 1; }
int HandleFStrike(ReaderContext*, StatementFrame*) { return 1; }
int HandleFColor(ReaderContext*, StatementFrame*) { return 1; }
int HandleFPosition(ReaderContext*, StatementFrame*) { return 1; }
int HandleFSubScript(ReaderContext*, StatementFrame*) { return 1; }
int HandleFSupScript(ReaderContext*, StatementFrame*) { return 1; }
int HandleFCase(ReaderContext*, StatementFrame*) { return 1; }
int HandleFPlain(ReaderContext*, StatementFrame*) { return 1; }
int HandleFBold(ReaderContext*, StatementFrame*) { return 1; }
int HandleFItalic(ReaderContext*, StatementFrame*) { return 1; }

int RecordParagraphProperty(ReaderContext*, StatementFrame*) { return 1; }
int RecordFontProperty(ReaderContext*, StatementFrame*) { return 1; }
void FreeParagraphCatalog(ReaderContext*) {}
void FreeFontCatalog(ReaderContext*) {}

}  // namespace mif
