// Tab stops of the current format: the declared count, the two arrays sized
// by it and the fill counters that the next TSX and TSType advance.
#include <cstdlib>
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "formats/tab_arrays.h"
#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "text/units.h"

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

// Read directly, any count that SetTabCapacity accepts is taken.
int HandlePgfNumTabs(ReaderContext* ctx, StatementFrame* frame) {
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    return SetTabCapacity(ctx, std::atoi(value));
}

// A full array ignores further stops without reading their value.
int HandleTSX(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->current.tabPositionsFilled >= ctx->current.tabCount) return 1;
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    StoreTabPosition(ctx, MeasureTwips(value));
    return 1;
}

int HandleTSType(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->current.tabTypesFilled >= ctx->current.tabCount) return 1;
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    StoreTabType(ctx, TabTypeFromWord(value));
    return 1;
}

}  // namespace mif
