#include "host/objects.h"

#include <algorithm>
#include <cstring>

namespace mifhost {

ObjectReader::ObjectReader(const HostCallback::Record& record) : record_(record) {}

template <typename Fn>
Fn ObjectReader::Slot(int slot) const {
    Fn fn;
    static_assert(sizeof fn == sizeof record_[0]);
    std::memcpy(&fn, &record_[slot], sizeof fn);
    return fn;
}

bool ObjectReader::usable() const {
    for (int slot : {MIF_OC_SLOT_CONTEXT, MIF_OC_SLOT_OPEN, MIF_OC_SLOT_READ, MIF_OC_SLOT_SEEK, MIF_OC_SLOT_TELL,
                     MIF_OC_SLOT_CLOSE}) {
        if (record_[slot] == 0) return false;
    }
    return true;
}

bool ObjectReader::Open(const std::string& idText) {
    if (!usable()) return false;
    id_ = idText;
    const char* text = id_.c_str();
    std::memcpy(&record_[MIF_OC_SLOT_ID_TEXT], &text, sizeof text);
    return Slot<MifObjectOpenFn>(MIF_OC_SLOT_OPEN)(record()) != 0;
}

uint32_t ObjectReader::Read(uint8_t* buffer, uint32_t count) {
    if (!usable()) return 0;
    return Slot<MifObjectReadFn>(MIF_OC_SLOT_READ)(record(), buffer, count);
}

int32_t ObjectReader::Seek(int32_t offset, uint32_t origin) {
    if (!usable()) return 0;
    return Slot<MifObjectSeekFn>(MIF_OC_SLOT_SEEK)(record(), offset, origin);
}

uint32_t ObjectReader::Tell() {
    if (!usable()) return 0xFFFFFFFFu;
    return Slot<MifObjectTellFn>(MIF_OC_SLOT_TELL)(record());
}

int32_t ObjectReader::Close() {
    if (!usable()) return 0;
    return Slot<MifObjectCloseFn>(MIF_OC_SLOT_CLOSE)(record());
}

bool ObjectReader::ReadAll(const std::string& idText, std::vector<uint8_t>* out, uint32_t maxBytes) {
    out->clear();
    if (!Open(idText)) return false;
    Seek(0, 2);
    uint32_t size = Tell();
    Seek(0, 0);
    bool known = size != 0 && size != 0xFFFFFFFFu && size <= maxBytes;
    uint32_t limit = known ? size : maxBytes;
    constexpr uint32_t kChunk = 16384;
    std::vector<uint8_t> chunk(kChunk);
    while (out->size() < limit) {
        uint32_t want = std::min<uint32_t>(kChunk, limit - static_cast<uint32_t>(out->size()));
        uint32_t got = Read(chunk.data(), want);
        got = std::min(got, want);
        out->insert(out->end(), chunk.begin(), chunk.begin() + got);
        if (got < want) break;
    }
    Close();
    return true;
}

}  // namespace mifhost
