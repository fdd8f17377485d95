// The host allocator: counts what the module takes and gives back, and can
// refuse one chosen allocation to test the module's failure paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace mifhost {

class Allocator {
public:
    struct Stats {
        uint64_t liveBlocks = 0;
        uint64_t liveBytes = 0;
        uint64_t peakBytes = 0;
        uint64_t allocations = 0;  // attempts: allocate, allocateArray, reallocate
        uint64_t refused = 0;      // attempts answered with null
        uint64_t frees = 0;
        uint64_t badFrees = 0;     // pointers this allocator never handed out
    };

    Allocator() = default;
    Allocator(const Allocator&) = delete;
    Allocator& operator=(const Allocator&) = delete;
    ~Allocator();

    // Refuse the allocation attempt with this 1-based number (0: never).
    void FailAt(uint64_t attempt) { failAt_ = attempt; }
    // Refuse every attempt from this 1-based number on (0: never).
    void FailFrom(uint64_t attempt) { failFrom_ = attempt; }

    void* Allocate(uint32_t size);
    void* AllocateArray(uint32_t elementSize, uint32_t count);
    void* Reallocate(void* p, uint32_t newSize);
    void Free(void* p);

    const Stats& stats() const { return stats_; }

    // The module's view: plain C functions that take the allocator object
    // (the services block + MIF_HS_ALLOCATOR) as their first argument.
    static void* AllocateThunk(void* object, uint32_t size);
    static void FreeThunk(void* object, void* p);
    static void* AllocateArrayThunk(void* object, uint32_t elementSize, uint32_t count);
    static void* ReallocateThunk(void* object, void* p, uint32_t newSize);

    // The allocator object slot holds a pointer to the Allocator.
    static Allocator* FromObject(void* object);

private:
    bool Refuse();
    void* Track(void* p, uint32_t size);

    std::unordered_map<void*, uint32_t> live_;  // block -> size
    uint64_t failAt_ = 0;
    uint64_t failFrom_ = 0;
    Stats stats_;
};

}  // namespace mifhost
