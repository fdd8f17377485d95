#include "formats/tab_arrays.h"

#include "reader/host_services.h"

namespace mif {

void ReleaseTabArrays(ReaderContext* ctx, FormatState& state) {
    HostFree(ctx, state.tabPositions);
    HostFree(ctx, state.tabTypes);
    state.tabPositions = nullptr;
    state.tabTypes = nullptr;
    state.tabCount = 0;
    state.tabCapacity = 0;
    state.tabPositionsFilled = 0;
    state.tabTypesFilled = 0;
}

int AllocateTabArrays(ReaderContext* ctx, FormatState& state, uint32_t n) {
    auto* positions = static_cast<int32_t*>(HostAllocateZeroed(ctx, n * 4u));
    auto* types = static_cast<uint32_t*>(HostAllocateZeroed(ctx, n * 4u));
    if (positions == nullptr || types == nullptr) {
        HostFree(ctx, positions);
        HostFree(ctx, types);
        return 0;
    }
    state.tabPositions = positions;
    state.tabTypes = types;
    state.tabCapacity = static_cast<int32_t>(n);
    return 1;
}

}  // namespace mif
