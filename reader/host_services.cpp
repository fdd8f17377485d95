#include "reader/host_services.h"

#include <cstring>

namespace mif {

namespace {

template <typename Fn>
Fn LoadMember(const uint8_t* block, int offset) {
    Fn fn;
    std::memcpy(&fn, block + offset, sizeof fn);
    return fn;
}

void* AllocatorObject(ReaderContext* ctx) { return ctx->services + MIF_HS_ALLOCATOR; }

}  // namespace

void* HostAllocate(ReaderContext* ctx, uint32_t size) {
    auto fn = LoadMember<MifAllocateFn>(ctx->services, MIF_HS_ALLOCATE);
    return fn(AllocatorObject(ctx), size);
}

void* HostAllocateZeroed(ReaderContext* ctx, uint32_t size) {
    void* p = HostAllocate(ctx, size);
    if (p != nullptr) std::memset(p, 0, size);
    return p;
}

void HostFree(ReaderContext* ctx, void* p) {
    if (p == nullptr) return;
    auto fn = LoadMember<MifFreeFn>(ctx->services, MIF_HS_FREE);
    fn(AllocatorObject(ctx), p);
}

void* HostAllocateArray(ReaderContext* ctx, uint32_t elementSize, uint32_t count) {
    auto fn = LoadMember<MifAllocateArrayFn>(ctx->services, MIF_HS_ALLOCATE_ARRAY);
    return fn(AllocatorObject(ctx), elementSize, count);
}

void* HostReallocate(ReaderContext* ctx, void* p, uint32_t newSize) {
    auto fn = LoadMember<MifReallocateFn>(ctx->services, MIF_HS_REALLOCATE);
    return fn(AllocatorObject(ctx), p, newSize);
}

void SetHostStatus(ReaderContext* ctx, uint32_t status) {
    std::memcpy(ctx->services + MIF_HS_STATUS_WORD, &status, sizeof status);
}

char* HostDuplicate(ReaderContext* ctx, const char* text, uint32_t length) {
    char* copy = static_cast<char*>(HostAllocate(ctx, length + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

int32_t StreamRead(ReaderContext* ctx, void* buffer, uint32_t maxBytes) {
    auto fn = LoadMember<MifReadFn>(ctx->stream, MIF_IS_READ);
    int32_t got = fn(ctx->stream, buffer, maxBytes);
    if (got < 0) got = 0;  // a failing read ends the input
    if (static_cast<uint32_t>(got) > maxBytes) got = static_cast<int32_t>(maxBytes);
    ctx->streamPosition += got;
    return got;
}

int32_t StreamSeek(ReaderContext* ctx, int32_t offset, int32_t whence) {
    auto fn = LoadMember<MifSeekFn>(ctx->stream, MIF_IS_SEEK);
    int32_t result = fn(ctx->stream, offset, whence);
    // Only seeks from the start keep the position known without asking the
    // host; a seek from the end is always followed by one from the start.
    if (whence == 0) ctx->streamPosition = offset;
    return result;
}

int32_t StreamTell(ReaderContext* ctx) {
    auto fn = LoadMember<MifTellFn>(ctx->stream, MIF_IS_TELL);
    return fn(ctx->stream);
}

void StreamSeekTo(ReaderContext* ctx, uint32_t position) {
    StreamSeek(ctx, 0, 0);
    StreamSeek(ctx, static_cast<int32_t>(position), 0);
}

}  // namespace mif
