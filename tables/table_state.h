// Per-document state of the tables subsystem.
#pragma once

#include <cstdint>

namespace mif {

constexpr int kMaxTableColumns = 64;

// One record per TblID read, in reading order.
struct TableRecord {
    uint32_t startPosition;  // stream position of the table's "<Tbl"
    char* idText;            // the TblID value, owned
    TableRecord* next;
};

struct TableState {
    TableRecord* tableList;  // head
    TableRecord* tableTail;

    // Column state of the table read last (shared by all tables).
    int32_t columnCount;
    uint32_t* columnWidths;         // widthCapacity entries, twips
    int32_t widthCapacity;          // entries of columnWidths
    int32_t widthsByColumn[kMaxTableColumns];
    uint32_t equalizeFlags[kMaxTableColumns];
    int32_t equalizeMax;
    uint32_t widthPairSeen;
};

}  // namespace mif
