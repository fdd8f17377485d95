// Variable catalog and the text written for variable references.
#pragma once

#include "reader/context.h"

namespace mif {

int HandleVariableFormats(ReaderContext* ctx, StatementFrame* frame);
int HandleVariableName(ReaderContext* ctx, StatementFrame* frame);
int HandleVariableDef(ReaderContext* ctx, StatementFrame* frame);

void FreeVariableCatalog(ReaderContext* ctx);

}  // namespace mif
