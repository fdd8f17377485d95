// The HostServices block: the allocator object and its four operations at
// the byte offsets the module reads, and the u32 status word.
#pragma once

#include <cstdint>
#include <vector>

#include "host/allocator.h"
#include "mifreader/mifreader.h"

namespace mifhost {

class Services {
public:
    explicit Services(Allocator& allocator);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    void* block() { return block_.data(); }
    Allocator& allocator() { return allocator_; }

    uint32_t StatusWord() const;
    void SetStatusWord(uint32_t value);

private:
    Allocator& allocator_;
    std::vector<uint64_t> block_;  // 8-byte aligned storage for the byte layout
};

}  // namespace mifhost
