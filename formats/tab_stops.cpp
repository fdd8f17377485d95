// Tab stops of the current format: the declared count, the two arrays sized
// by it and the fill counters that the next TSX and TSType advance.
#include <cstring>

#include "formats/format_rules.h"
#include "formats/tab_arrays.h"

namespace mif {

bool SetTabCapacityAllocates(const FormatState& s, int32_t n) { return n > s.tabCapacity && n != s.tabCount; }

int SetTabCapacity(ReaderContext* ctx, int32_t n) {
    FormatState& s = ctx->current;
    s.tabPositionsFilled = 0;
    s.tabTypesFilled = 0;
    if (n == s.tabCount) return 1;
    if (n < 0) {
        ReleaseTabArrays(ctx, s);
        return 0;
    }
    // Arrays that hold n entries already are reused, zeroed as fresh ones
    // would be: formats alternate between a few counts, and each change
    // would otherwise cost two allocations and two releases.
    if (SetTabCapacityAllocates(s, n)) {
        ReleaseTabArrays(ctx, s);
        // Each array takes n * 4 bytes, which must fit a signed 32-bit size.
        if (n > 0x7FFFFFFF / 4) return 0;
        if (!AllocateTabArrays(ctx, s, static_cast<uint32_t>(n))) return 0;
    } else {
        std::memset(s.tabPositions, 0, static_cast<size_t>(n) * sizeof *s.tabPositions);
        std::memset(s.tabTypes, 0, static_cast<size_t>(n) * sizeof *s.tabTypes);
    }
    s.tabCount = n;
    return 1;
}

void StoreTabPosition(ReaderContext* ctx, int32_t twips) {
    FormatState& s = ctx->current;
    if (s.tabPositionsFilled < s.tabCount) s.tabPositions[s.tabPositionsFilled++] = twips;
}

void StoreTabType(ReaderContext* ctx, uint32_t type) {
    FormatState& s = ctx->current;
    if (s.tabTypesFilled < s.tabCount) s.tabTypes[s.tabTypesFilled++] = type;
}

}  // namespace mif
