#include "variables/variables.h"

namespace mif {

int HandleVariableFormats(ReaderContext*, StatementFrame*) { return 1; }
int HandleVariableName(ReaderContext*, StatementFrame*) { return 1; }
int HandleVariableDef(ReaderContext*, StatementFrame*) { return 1; }

void FreeVariableCatalog(ReaderContext*) {}

}  // namespace mif
