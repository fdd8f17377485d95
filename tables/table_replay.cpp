// The table replay: the ATbl anchor that requests it, and the tokens that
// the replayed Tbl statement writes (table start, cell ends, table end).
#include "reader/host_services.h"
#include "reader/token_writer.h"
#include "scanner/statement_stack.h"
#include "tables/tables.h"

namespace mif {

namespace {

constexpr uint8_t kTokenTable = MIF_TOKEN_TABLE;
constexpr uint8_t kTokenCellEnd = MIF_TOKEN_CELL_END;

}  // namespace

int HandleATbl(ReaderContext* ctx, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    // An anchor inside table content (a table within a cell, met while a
    // table is replayed or while the Tbls section is first read) is not
    // followed: the replay has a single return position, so a second one
    // would lose the way back to the outer table and its flow.
    if (ctx->replaying || ctx->inTbls) return 1;
    TableRecord* record = FindTable(ctx, value);
    if (record == nullptr) return 0;
    ctx->replayTable = record;
    ctx->replayRequested = 1;
    return 1;
}

int HandleTbl(ReaderContext* ctx, StatementFrame*) {
    TableState& t = ctx->tables;
    if (t.tableList == nullptr) {
        HostFree(ctx, t.columnWidths);
        t.columnWidths = nullptr;
        t.widthCapacity = 0;
        return 0;
    }
    if (ctx->replaying && ctx->inBodyFlow) WriteU32Token(ctx, kTokenTable, 0);
    ctx->tableEnded = 1;
    return 1;
}

int HandleRow(ReaderContext* ctx, StatementFrame*) {
    ctx->inRow = 0;
    return 1;
}

int HandleCell(ReaderContext* ctx, StatementFrame*) {
    if (ctx->replaying && ctx->inBodyFlow) WriteBareToken(ctx, kTokenCellEnd);
    return 1;
}

void WriteTableStart(ReaderContext* ctx) {
    // Widths completed by EqualizeWidths while the Tbls section is first
    // read start no table: a table is written only where it is replayed.
    if (!ctx->replaying) return;
    const TableState& t = ctx->tables;
    uint32_t n = t.columnCount > 0 ? static_cast<uint32_t>(t.columnCount) : 0;
    uint64_t size = TableStartTokenLength(n);
    if (!ReserveOutput(ctx, size > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(size))) return;
    // Columns counted beyond the width array are written with width 0.
    uint32_t sum = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (i < static_cast<uint32_t>(t.widthCapacity)) sum += t.columnWidths[i];
    }
    // Signed 32-bit arithmetic with wrap-around, halved toward zero.
    uint32_t room = static_cast<uint32_t>(ctx->pageWidth) - static_cast<uint32_t>(ctx->current.rightIndent) -
                    static_cast<uint32_t>(ctx->current.leftIndent) - sum;
    int32_t indent = static_cast<int32_t>(room) / 2;

    PutU8(ctx, kTokenTable);
    PutU32(ctx, static_cast<uint32_t>(size));
    PutU32(ctx, n);
    for (uint32_t i = 0; i < n; ++i) {
        PutU32(ctx, i < static_cast<uint32_t>(t.widthCapacity) ? t.columnWidths[i] : 0);
    }
    for (uint32_t spacing : ctx->tableSpacing) PutU32(ctx, spacing);
    PutU32(ctx, static_cast<uint32_t>(indent));
    PutU8(ctx, 0);
}

}  // namespace mif
