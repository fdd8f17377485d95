// Per-document state of the variable catalog.
#pragma once

#include <cstdint>

namespace mif {

struct VariableEntry {
    char* name;        // owned
    char* definition;  // owned; building blocks removed, escapes not yet decoded; null until defined
    VariableEntry* next;
};

struct VariableState {
    VariableEntry* catalog;  // head, in definition order
    VariableEntry* catalogTail;
};

}  // namespace mif
