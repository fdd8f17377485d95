// Reads a frame's embedded object through the callbacks the module
// registered: open by the frame's decimal ID text, then read, seek, tell and
// close. Use only between fills, never while a fill runs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/callback.h"

namespace mifhost {

class ObjectReader {
public:
    // Takes a copy of the record the module registered (code 2).
    explicit ObjectReader(const HostCallback::Record& record);

    // True when the record holds all five callbacks and a context.
    bool usable() const;

    bool Open(const std::string& idText);
    uint32_t Read(uint8_t* buffer, uint32_t count);
    int32_t Seek(int32_t offset, uint32_t origin);
    uint32_t Tell();
    int32_t Close();

    // Opens the object, measures it (seek to the end, tell), reads it from
    // the start and closes it. Reads until a short read when the size is
    // unknown. Returns false when the object cannot be opened.
    bool ReadAll(const std::string& idText, std::vector<uint8_t>* out, uint32_t maxBytes = 256u << 20);

private:
    template <typename Fn>
    Fn Slot(int slot) const;
    void* record() { return record_.data(); }

    HostCallback::Record record_;
    std::string id_;  // the text slot 2 points at while an object is open
};

}  // namespace mifhost
