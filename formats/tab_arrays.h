// The pair of tab-stop arrays that a FormatState owns.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

// Releases both arrays; the count, the capacity and the fill counters become 0.
void ReleaseTabArrays(ReaderContext* ctx, FormatState& state);

// Gives state two zero-filled arrays of n entries (n * 4 bytes each, which
// the caller has checked). On a refused allocation it keeps neither and
// returns 0. The capacity becomes n; the count is left to the caller.
int AllocateTabArrays(ReaderContext* ctx, FormatState& state, uint32_t n);

}  // namespace mif
