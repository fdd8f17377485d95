// Tab stops of the current format: the declared count, the two arrays sized
// by it and the fill counters that the next TSX and TSType advance.
#include "formats/format_rules.h"
#include "formats/tab_arrays.h"

namespace mif {

int SetTabCapacity(ReaderContext* ctx, int32_t n) {
    FormatState& s = ctx->current;
    if (n == 0) {
        ReleaseTabArrays(ctx, s);
        return 1;
    }
    if (n == s.tabCount) {
        s.tabPositionsFilled = 0;
        s.tabTypesFilled = 0;
        return 1;
    }
    ReleaseTabArrays(ctx, s);
    // Each array takes n * 4 bytes, which must fit a signed 32-bit size.
    if (n < 0 || n > 0x7FFFFFFF / 4) return 0;
    if (!AllocateTabArrays(ctx, s, static_cast<uint32_t>(n))) return 0;
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
