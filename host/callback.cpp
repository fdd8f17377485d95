#include "host/callback.h"

#include <cstring>

namespace mifhost {

int32_t HostCallback::Thunk(void* handle, int32_t code, void* record) {
    return static_cast<HostCallback*>(handle)->Handle(code, record);
}

int32_t HostCallback::Handle(int32_t code, void* record) {
    if (record == nullptr) return 0;
    if (code == MIF_HOST_REGISTER_CALLBACKS) {
        std::memcpy(record_.data(), record, MIF_OC_SIZE);
        registered_ = true;
        ++registrations_;
        return 0;
    }
    if (code == MIF_HOST_FONT_QUERY) {
        ++fontQueries_;
        const auto* bytes = static_cast<const uint8_t*>(record);
        const char* face = reinterpret_cast<const char*>(bytes + MIF_LOGFONT_FACE_NAME_OFFSET);
        std::string name(face, strnlen(face, MIF_LOGFONT_FACE_NAME_SIZE));
        if (queryLog_ != nullptr) queryLog_->emplace_back(name, bytes[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET]);
        for (const FontEntry& f : fonts_) {
            if (f.face == name) return static_cast<int32_t>(f.number) + 1;
        }
        uint32_t number = static_cast<uint32_t>(fonts_.size());
        fonts_.push_back(FontEntry{name, bytes[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET], number});
        return static_cast<int32_t>(number) + 1;
    }
    ++unknownRequests_;
    return 0;
}

std::string_view HostCallback::FamilyName(uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
        case 0x10: return "roman";
        case 0x20: return "swiss";
        case 0x30: return "modern";
        case 0x40: return "script";
        case 0x50: return "decorative";
        default: return "dontcare";
    }
}

}  // namespace mifhost
