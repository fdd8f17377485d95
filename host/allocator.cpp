#include "host/allocator.h"

#include <cstdlib>
#include <cstring>

namespace mifhost {

Allocator::~Allocator() {
    // Blocks the module never gave back are released here, so that a leak
    // shows in the statistics but not in the process.
    for (auto& [p, size] : live_) std::free(p);
}

bool Allocator::Refuse() {
    ++stats_.allocations;
    bool refuse = (failAt_ != 0 && stats_.allocations == failAt_) || (failFrom_ != 0 && stats_.allocations >= failFrom_);
    if (refuse) ++stats_.refused;
    return refuse;
}

void* Allocator::Track(void* p, uint32_t size) {
    live_.emplace(p, size);
    ++stats_.liveBlocks;
    stats_.liveBytes += size;
    if (stats_.liveBytes > stats_.peakBytes) stats_.peakBytes = stats_.liveBytes;
    return p;
}

void* Allocator::Allocate(uint32_t size) {
    if (Refuse()) return nullptr;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) return nullptr;
    return Track(p, size);
}

void* Allocator::AllocateArray(uint32_t elementSize, uint32_t count) {
    uint64_t total = static_cast<uint64_t>(elementSize) * count;
    if (total > 0xFFFFFFFFull) {
        ++stats_.allocations;
        ++stats_.refused;
        return nullptr;
    }
    return Allocate(static_cast<uint32_t>(total));
}

void* Allocator::Reallocate(void* p, uint32_t newSize) {
    if (p == nullptr) return Allocate(newSize);
    auto it = live_.find(p);
    if (it == live_.end()) {
        ++stats_.badFrees;
        return nullptr;
    }
    if (Refuse()) return nullptr;  // the old block stays valid
    void* q = std::malloc(newSize == 0 ? 1 : newSize);
    if (q == nullptr) return nullptr;
    std::memcpy(q, p, it->second < newSize ? it->second : newSize);
    stats_.liveBytes -= it->second;
    --stats_.liveBlocks;
    live_.erase(it);
    std::free(p);
    return Track(q, newSize);
}

void Allocator::Free(void* p) {
    if (p == nullptr) return;
    auto it = live_.find(p);
    if (it == live_.end()) {
        ++stats_.badFrees;
        return;
    }
    stats_.liveBytes -= it->second;
    --stats_.liveBlocks;
    ++stats_.frees;
    live_.erase(it);
    std::free(p);
}

Allocator* Allocator::FromObject(void* object) {
    Allocator* a;
    std::memcpy(&a, object, sizeof a);
    return a;
}

void* Allocator::AllocateThunk(void* object, uint32_t size) { return FromObject(object)->Allocate(size); }
void Allocator::FreeThunk(void* object, void* p) { FromObject(object)->Free(p); }
void* Allocator::AllocateArrayThunk(void* object, uint32_t elementSize, uint32_t count) {
    return FromObject(object)->AllocateArray(elementSize, count);
}
void* Allocator::ReallocateThunk(void* object, void* p, uint32_t newSize) {
    return FromObject(object)->Reallocate(p, newSize);
}

}  // namespace mifhost
