// mifread's plain reading of one document to standard output: its text,
// one line per token, or the raw token bytes; optionally the fonts the
// module asked about and the frames' objects written to a folder.
#pragma once

#include <cstdint>
#include <string>

#include "host/mifhost.h"
#include "tools/mifread/input.h"

namespace mifread {

struct PlainOptions {
    bool tokens = false;
    bool raw = false;
    bool fonts = false;
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    std::string extractDir;
    uint64_t refuseAllocation = 0;  // the host refuses this allocation (1-based; 0: none)
};

// Returns true when the document was read to the end and all its output
// was written.
bool ReadPlain(const mifhost::Module& module, Source& source, const PlainOptions& options);

}  // namespace mifread
