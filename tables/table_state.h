// Per-document state of the tables subsystem.
#pragma once

#include <cstdint>

namespace mif {

struct TableRecord {
    uint32_t startPosition;  // stream position of the table's "<Tbl"
    TableRecord* next;
};

struct TableState {
    TableRecord* tableList;
};

}  // namespace mif
