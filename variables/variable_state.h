// Per-document state of the variable catalog.
#pragma once

#include <cstdint>

namespace mif {

struct VariableState {
    void* catalog;
};

}  // namespace mif
