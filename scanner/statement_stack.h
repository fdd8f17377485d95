// The stack of open statements, the section flags that opening a statement
// raises, and the value convention by which handlers read a statement.
#pragma once

#include "reader/context.h"
#include "scanner/keywords.h"

namespace mif {

// Opens a statement: a frame with the keyword's handler (or a catalog
// recorder) and the start of its value becomes the top, and the keyword's
// section flag is raised. 0 when no frame can be had from the host.
int PushStatement(ReaderContext* ctx, Keyword keyword, char* valueStart);
// Closes the top statement, running its handler when callHandler is 1;
// returns the handler's result (1 otherwise, and on an empty stack).
int PopStatement(ReaderContext* ctx, int callHandler);
// Releases the frame blocks (and with them any open frames).
void FreeStatementFrames(ReaderContext* ctx);

// The value of a statement as handlers read it: null when the frame has no
// plain value; otherwise the text after one leading backquote, ended in
// place with a NUL before a closing quote (or after the value's last byte).
char* StatementValue(StatementFrame* frame);

}  // namespace mif
