// Access to the host's services: allocator, status word and input stream,
// read at the byte offsets of the host's blocks.
#pragma once

#include <cstdint>

#include "reader/context.h"

namespace mif {

void* HostAllocate(ReaderContext* ctx, uint32_t size);
// Zero-filled block, or null.
void* HostAllocateZeroed(ReaderContext* ctx, uint32_t size);
void HostFree(ReaderContext* ctx, void* p);
void* HostAllocateArray(ReaderContext* ctx, uint32_t elementSize, uint32_t count);
void* HostReallocate(ReaderContext* ctx, void* p, uint32_t newSize);
void SetHostStatus(ReaderContext* ctx, uint32_t status);
// Copy of a string into a fresh host block (length + 1 bytes), or null.
char* HostDuplicate(ReaderContext* ctx, const char* text, uint32_t length);

// Releases a chain of host blocks linked through `next`, each after its own
// blocks (releaseParts), and leaves the head null.
template <typename T, typename ReleaseParts>
void FreeChain(ReaderContext* ctx, T*& head, ReleaseParts releaseParts) {
    while (head != nullptr) {
        T* next = head->next;
        releaseParts(head);
        HostFree(ctx, head);
        head = next;
    }
}

template <typename T>
void FreeChain(ReaderContext* ctx, T*& head) {
    FreeChain(ctx, head, [](T*) {});
}

// Appends node to the list of head and tail linked through `next`.
template <typename T>
void AppendToList(T*& head, T*& tail, T* node) {
    if (tail != nullptr) {
        tail->next = node;
    } else {
        head = node;
    }
    tail = node;
}

// The stream operations keep ctx->streamPosition in step with the host stream.
int32_t StreamRead(ReaderContext* ctx, void* buffer, uint32_t maxBytes);
int32_t StreamSeek(ReaderContext* ctx, int32_t offset, int32_t whence);
int32_t StreamTell(ReaderContext* ctx);
// The double seek the host expects: to 0 from the start, then to position.
void StreamSeekTo(ReaderContext* ctx, uint32_t position);

}  // namespace mif
