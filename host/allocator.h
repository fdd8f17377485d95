// The host allocator: counts what the module takes and gives back, can
// refuse a chosen allocation to test the module's failure paths, and
// surrounds every block with guard bytes so that a write before or after a
// block is caught when the block is freed (or by CheckGuards), in any build.
// Each block carries a small header, so every operation is O(1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace mifhost {

class Allocator {
public:
    struct Stats {
        uint64_t liveBlocks = 0;
        uint64_t liveBytes = 0;
        uint64_t peakBytes = 0;
        uint64_t peakBlocks = 0;
        uint64_t allocations = 0;  // attempts: allocate, allocateArray, reallocate
        uint64_t refused = 0;      // attempts answered with null
        uint64_t frees = 0;
        uint64_t badFrees = 0;     // pointers this allocator never handed out
        uint64_t damaged = 0;      // blocks whose guard bytes were overwritten
        uint64_t oversized = 0;    // refused because they exceeded the block limit
    };

    // The largest block given. A document that declares an absurd count (of
    // tab stops, say) then fails cleanly with a refusal instead of taking
    // gigabytes; no well-formed document comes near it.
    static constexpr uint32_t kBlockLimit = 64u << 20;

    Allocator();
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

    // Checks the guards of every live block; returns how many blocks were
    // found damaged so far, freed or live (stats().damaged).
    uint64_t CheckGuards();

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
    // Sits before every block: the live list, the owner and a tag that mark
    // the header as this allocator's, the size, and the guard bytes before
    // the block. Its size keeps blocks 16-byte aligned.
    struct Header {
        Header* prev;
        Header* next;
        const Allocator* owner;
        uint32_t size;
        uint32_t tag;
        uint8_t front[16];
    };
    static_assert(sizeof(Header) % 16 == 0);

    static size_t RawSize(uint32_t size);
    bool Refuse(uint64_t size);
    void* Link(Header* h, uint32_t size);
    void Unlink(Header* h);
    Header* HeaderOf(void* p) const;
    bool Damaged(const Header* h) const;
    void Check(Header* h);

    Header live_{};  // sentinel of the circular list of live blocks
    uint64_t failAt_ = 0;
    uint64_t failFrom_ = 0;
    Stats stats_;
};

}  // namespace mifhost
