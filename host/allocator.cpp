#include "host/allocator.h"

#include <cstdlib>
#include <cstring>

namespace mifhost {

namespace {
constexpr uint32_t kGuardSize = 8;  // after the block; the header holds the ones before
constexpr uint8_t kFrontGuard = 0xFB;
constexpr uint8_t kBackGuard = 0xFD;
constexpr uint32_t kLiveTag = 0x4D494641;  // marks a header of a live block
constexpr uint32_t kDamagedTag = 0x4D494644;  // a live block already counted as damaged

}  // namespace

size_t Allocator::RawSize(uint32_t size) { return sizeof(Header) + static_cast<size_t>(size) + kGuardSize; }

Allocator::Allocator() { live_.prev = live_.next = &live_; }

Allocator::~Allocator() {
    // Blocks the module never gave back are released here, so that a leak
    // shows in the statistics but not in the process.
    for (Header* h = live_.next; h != &live_;) {
        Header* next = h->next;
        std::free(h);
        h = next;
    }
}

bool Allocator::Refuse(uint64_t size) {
    ++stats_.allocations;
    bool oversized = size > kBlockLimit;
    bool refuse = oversized || (failAt_ != 0 && stats_.allocations == failAt_) ||
                  (failFrom_ != 0 && stats_.allocations >= failFrom_);
    if (refuse) ++stats_.refused;
    if (oversized) ++stats_.oversized;
    return refuse;
}

void* Allocator::Link(Header* h, uint32_t size) {
    h->owner = this;
    h->size = size;
    h->tag = kLiveTag;
    std::memset(h->front, kFrontGuard, sizeof h->front);
    uint8_t* block = reinterpret_cast<uint8_t*>(h + 1);
    std::memset(block + size, kBackGuard, kGuardSize);
    h->prev = &live_;
    h->next = live_.next;
    live_.next->prev = h;
    live_.next = h;
    ++stats_.liveBlocks;
    stats_.liveBytes += size;
    if (stats_.liveBytes > stats_.peakBytes) stats_.peakBytes = stats_.liveBytes;
    if (stats_.liveBlocks > stats_.peakBlocks) stats_.peakBlocks = stats_.liveBlocks;
    return block;
}

void Allocator::Unlink(Header* h) {
    h->prev->next = h->next;
    h->next->prev = h->prev;
    --stats_.liveBlocks;
    stats_.liveBytes -= h->size;
}

Allocator::Header* Allocator::HeaderOf(void* p) const {
    Header* h = static_cast<Header*>(p) - 1;
    // A pointer this allocator never handed out (or one already freed) has
    // no live tag, or another owner, before it.
    if ((h->tag != kLiveTag && h->tag != kDamagedTag) || h->owner != this) return nullptr;
    return h;
}

bool Allocator::Damaged(const Header* h) const {
    for (uint8_t b : h->front) {
        if (b != kFrontGuard) return true;
    }
    const uint8_t* back = reinterpret_cast<const uint8_t*>(h + 1) + h->size;
    for (uint32_t i = 0; i < kGuardSize; ++i) {
        if (back[i] != kBackGuard) return true;
    }
    return false;
}

void Allocator::Check(Header* h) {
    if (h->tag == kLiveTag && Damaged(h)) {
        h->tag = kDamagedTag;
        ++stats_.damaged;
    }
}

uint64_t Allocator::CheckGuards() {
    for (Header* h = live_.next; h != &live_; h = h->next) Check(h);
    return stats_.damaged;
}

void* Allocator::Allocate(uint32_t size) {
    if (Refuse(size)) return nullptr;
    auto* h = static_cast<Header*>(std::malloc(RawSize(size)));
    if (h == nullptr) return nullptr;
    return Link(h, size);
}

void* Allocator::AllocateArray(uint32_t elementSize, uint32_t count) {
    uint64_t total = static_cast<uint64_t>(elementSize) * count;
    if (total > 0xFFFFFFFFull) {
        Refuse(total);
        return nullptr;
    }
    return Allocate(static_cast<uint32_t>(total));
}

void* Allocator::Reallocate(void* p, uint32_t newSize) {
    if (p == nullptr) return Allocate(newSize);
    Header* h = HeaderOf(p);
    if (h == nullptr) {
        ++stats_.badFrees;
        return nullptr;
    }
    if (Refuse(newSize)) return nullptr;  // the old block stays valid
    Check(h);
    uint32_t tag = h->tag;
    Unlink(h);
    h->tag = 0;
    auto* moved = static_cast<Header*>(std::realloc(h, RawSize(newSize)));
    if (moved == nullptr) {
        Link(h, h->size);
        h->tag = tag;
        return nullptr;
    }
    void* block = Link(moved, newSize);
    if (tag == kDamagedTag) moved->tag = kDamagedTag;
    return block;
}

void Allocator::Free(void* p) {
    if (p == nullptr) return;
    Header* h = HeaderOf(p);
    if (h == nullptr) {
        ++stats_.badFrees;
        return;
    }
    Check(h);
    Unlink(h);
    h->tag = 0;
    ++stats_.frees;
    std::free(h);
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
