#include "host/services.h"

#include <cstring>

namespace mifhost {

namespace {
void PutPointer(void* block, int offset, const void* p) {
    std::memcpy(static_cast<uint8_t*>(block) + offset, &p, sizeof p);
}
template <typename Fn>
void PutFunction(void* block, int offset, Fn fn) {
    static_assert(sizeof fn == 8, "the module reads 64-bit function pointers");
    std::memcpy(static_cast<uint8_t*>(block) + offset, &fn, sizeof fn);
}
}  // namespace

Services::Services(Allocator& allocator)
    : allocator_(allocator), block_((MIF_HS_MIN_SIZE + 7) / 8 + 1, 0) {
    PutPointer(block(), MIF_HS_ALLOCATOR, &allocator_);
    PutFunction<MifAllocateFn>(block(), MIF_HS_ALLOCATE, &Allocator::AllocateThunk);
    PutFunction<MifFreeFn>(block(), MIF_HS_FREE, &Allocator::FreeThunk);
    PutFunction<MifAllocateArrayFn>(block(), MIF_HS_ALLOCATE_ARRAY, &Allocator::AllocateArrayThunk);
    PutFunction<MifReallocateFn>(block(), MIF_HS_REALLOCATE, &Allocator::ReallocateThunk);
}

uint32_t Services::StatusWord() const {
    uint32_t v;
    std::memcpy(&v, reinterpret_cast<const uint8_t*>(block_.data()) + MIF_HS_STATUS_WORD, sizeof v);
    return v;
}

void Services::SetStatusWord(uint32_t value) {
    std::memcpy(reinterpret_cast<uint8_t*>(block_.data()) + MIF_HS_STATUS_WORD, &value, sizeof value);
}

}  // namespace mifhost
