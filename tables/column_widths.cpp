// Column state: the column count, the widths that the table-start token
// carries, and the first-pass data used by width equalisation.
#include <cstdlib>
#include <cstring>

#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "tables/tables.h"
#include "text/units.h"

namespace mif {

namespace {

bool IsColumnIndex(int32_t i) { return i >= 0 && i < kMaxTableColumns; }

// The first-pass store: the width of the column counted last. Widths of
// columns that cannot be indexed are used by nothing and are dropped.
void StoreWidthByColumn(TableState& t, int32_t width) {
    int32_t index = t.columnCount - 1;
    if (IsColumnIndex(index)) t.widthsByColumn[index] = width;
}

}  // namespace

int HandleTblNumColumns(ReaderContext* ctx, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    int n = std::atoi(value);
    // Negative counts and counts above the limit fail and leave the state as it was.
    if (n < 0 || n > kMaxTableColumns) return 0;
    TableState& t = ctx->tables;
    auto* widths = static_cast<uint32_t*>(HostAllocateZeroed(ctx, sizeof(uint32_t) * static_cast<uint32_t>(n)));
    if (widths == nullptr) return 0;
    HostFree(ctx, t.columnWidths);
    t.columnWidths = widths;
    t.widthCapacity = n;
    t.columnCount = n;
    return 1;
}

int HandleTblColumnWidth(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inTblFormat) return 1;
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    TableState& t = ctx->tables;
    if (t.widthPairSeen) {
        if (ctx->replaying && t.columnCount != 0) {
            // The first width of a replay after a table with width pairs:
            // forget the equalisation data, record nothing.
            t.widthPairSeen = 0;
            t.equalizeMax = 0;
            for (int i = 0; i < 16; ++i) {
                t.widthsByColumn[i] = 0;
                t.equalizeFlags[i] = 0;
            }
            return 1;
        }
    } else if (ctx->replaying && t.columnCount != 0) {
        int32_t limit = t.columnCount < t.widthCapacity ? t.columnCount : t.widthCapacity;
        for (int32_t i = 0; i < limit; ++i) {
            if (t.columnWidths[i] != 0) continue;
            // A zero width leaves the entry free for the next width.
            t.columnWidths[i] = static_cast<uint32_t>(MeasureTwips(value));
            if (i == t.columnCount - 1) ctx->tableStartPending = 1;
            return 1;
        }
        return 1;
    }
    StoreWidthByColumn(t, MeasureTwips(value));
    return 1;
}

int HandleTblColumnWidthA(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inTblFormat || ctx->replaying) return 1;
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    // Two measurements: the one after the first space counts, with the unit
    // of the whole value.
    const char* space = std::strchr(value, ' ');
    double second = space != nullptr ? ParseDecimal(space + 1) : 0.0;
    StoreWidthByColumn(ctx->tables, TruncateToInt32(second * static_cast<double>(ParseUnitFactor(value))));
    ctx->tables.widthPairSeen = 1;
    return 1;
}

int HandleTblColumnNum(ReaderContext* ctx, StatementFrame* frame) {
    if (ctx->inTblFormat) return 1;
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    if (ctx->replaying) return 1;
    TableState& t = ctx->tables;
    if (!ctx->inEqualizeWidths) {
        if (t.columnCount < INT32_MAX) ++t.columnCount;
        return 1;
    }
    int n = std::atoi(value);
    if (!IsColumnIndex(n)) return 1;
    if (t.widthsByColumn[n] > t.equalizeMax) t.equalizeMax = t.widthsByColumn[n];
    t.equalizeFlags[n] = 1;
    return 1;
}

int HandleEqualizeWidths(ReaderContext* ctx, StatementFrame*) {
    if (ctx->replaying) return 1;
    TableState& t = ctx->tables;
    int32_t limit = t.columnCount < t.widthCapacity ? t.columnCount : t.widthCapacity;
    for (int32_t i = 0; i < limit; ++i) {
        t.columnWidths[i] = static_cast<uint32_t>(t.equalizeFlags[i] ? t.equalizeMax : t.widthsByColumn[i]);
    }
    ctx->tableStartPending = 1;
    ctx->inEqualizeWidths = 0;
    return 1;
}

}  // namespace mif
