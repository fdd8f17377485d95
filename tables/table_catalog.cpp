// The table list built from TblID statements, and the handlers of the
// statements that only open or close table sections.
#include <cstring>

#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "tables/tables.h"

namespace mif {

int HandleTblCatalog(ReaderContext*, StatementFrame*) { return 1; }

int HandleTblFormat(ReaderContext* ctx, StatementFrame*) {
    ctx->inTblFormat = 0;
    return 1;
}

int HandleTbls(ReaderContext* ctx, StatementFrame*) {
    // The first reading of each Tbl raised tableEnded; no replay follows it.
    ctx->tableEnded = 0;
    ctx->inTbls = 0;
    return 1;
}

int HandleTblID(ReaderContext* ctx, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    // A table read again (every replay reads its TblID once more) or an ID
    // used twice needs no record: FindTable always reaches the first one.
    if (FindTable(ctx, value) != nullptr) return 1;
    auto* record = static_cast<TableRecord*>(HostAllocateZeroed(ctx, sizeof(TableRecord)));
    if (record == nullptr) return 0;
    record->idText = HostDuplicate(ctx, value, static_cast<uint32_t>(std::strlen(value)));
    if (record->idText == nullptr) {
        HostFree(ctx, record);
        return 0;
    }
    record->startPosition = ctx->tableStartPosition;
    AppendToList(ctx->tables.tableList, ctx->tables.tableTail, record);
    return 1;
}

TableRecord* FindTable(const ReaderContext* ctx, const char* text) {
    for (TableRecord* r = ctx->tables.tableList; r != nullptr; r = r->next) {
        if (std::strcmp(r->idText, text) == 0) return r;
    }
    return nullptr;
}

void FreeTableList(ReaderContext* ctx) {
    TableState& tables = ctx->tables;
    FreeChain(ctx, tables.tableList, [ctx](TableRecord* r) { HostFree(ctx, r->idText); });
    tables.tableTail = nullptr;
    HostFree(ctx, tables.columnWidths);
    tables.columnWidths = nullptr;
    tables.widthCapacity = 0;
    ctx->replayTable = nullptr;
}

}  // namespace mif
