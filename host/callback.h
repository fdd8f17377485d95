// The host's answer to the module's callback: keeps a copy of the object
// callback record (code 2) and numbers fonts by face name (code 1).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mifreader/mifreader.h"

namespace mifhost {

struct FontEntry {
    std::string face;
    uint8_t family = 0;   // the pitch-and-family byte of the first query for it
    uint32_t number = 0;  // 0, 1, 2, ... in first-seen order; the answer is number + 1
};

class HostCallback {
public:
    using Record = std::array<uint64_t, MIF_OC_SLOTS>;

    // The handle and function to give to mifAllocateContext.
    void* handle() { return this; }
    static MifHostCallback function() { return &Thunk; }

    int32_t Handle(int32_t code, void* record);

    bool registered() const { return registered_; }
    const Record& objectRecord() const { return record_; }
    int registrations() const { return registrations_; }

    const std::vector<FontEntry>& fonts() const { return fonts_; }
    uint64_t fontQueries() const { return fontQueries_; }
    uint64_t unknownRequests() const { return unknownRequests_; }

    static std::string_view FamilyName(uint8_t pitchAndFamily);

    // When set, every font query is appended to it in order: face name and
    // pitch-and-family byte.
    void SetQueryLog(std::vector<std::pair<std::string, uint8_t>>* log) { queryLog_ = log; }

private:
    static int32_t Thunk(void* handle, int32_t code, void* record);

    Record record_{};
    bool registered_ = false;
    int registrations_ = 0;
    std::vector<FontEntry> fonts_;
    uint64_t fontQueries_ = 0;
    uint64_t unknownRequests_ = 0;
    std::vector<std::pair<std::string, uint8_t>>* queryLog_ = nullptr;
};

}  // namespace mifhost
