// The font query: the host numbers fonts; the reader describes the family
// as a LOGFONTA record and keeps the host's answer, less one.
#include <cstddef>
#include <cstring>

#include "formats/format_rules.h"
#include "mifreader/mifreader.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace mif {

// Generic family class guessed from the name; the first substring found wins.
uint8_t FamilyClassOf(const char* name) {
    struct FamilyClass {
        const char* substring;
        uint8_t value;
    };
    static const FamilyClass kClasses[] = {
        {"Roman", 0x10}, {"Arial", 0x20}, {"Courier", 0x30}, {"Cursive", 0x40}, {"Symbol", 0x50},
    };
    for (const FamilyClass& c : kClasses) {
        if (std::strstr(name, c.substring) != nullptr) return c.value;
    }
    return 0;
}

namespace {

// Face name: the first 31 characters of the family at most.
void CopyFaceName(char* face, const char* name) {
    size_t length = 0;
    while (length < MIF_LOGFONT_FACE_NAME_SIZE - 1 && name[length] != '\0') ++length;
    std::memcpy(face, name, length);
    face[length] = '\0';
}

}  // namespace

void QueryHostFont(ReaderContext* ctx, uint8_t familyClass) {
    char* name = ctx->current.fontFamily;
    name[kNameField - 1] = '\0';
#if defined(_WIN32)
    static_assert(sizeof(LOGFONTA) == MIF_LOGFONT_SIZE, "LOGFONTA is 60 bytes");
    static_assert(offsetof(LOGFONTA, lfPitchAndFamily) == MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET, "pitch byte");
    static_assert(offsetof(LOGFONTA, lfFaceName) == MIF_LOGFONT_FACE_NAME_OFFSET, "face name");
    LOGFONTA record;
    std::memset(&record, 0, sizeof record);
    record.lfPitchAndFamily = familyClass;
    CopyFaceName(record.lfFaceName, name);
#else
    // The same bytes as the platform's LOGFONTA: five 32-bit fields, eight
    // bytes ending with the pitch-and-family byte, then the face name.
    unsigned char record[MIF_LOGFONT_SIZE];
    std::memset(record, 0, sizeof record);
    record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET] = familyClass;
    CopyFaceName(reinterpret_cast<char*>(record) + MIF_LOGFONT_FACE_NAME_OFFSET, name);
#endif
    int32_t answer = 0;
    if (ctx->hostCallback != nullptr) answer = ctx->hostCallback(ctx->hostHandle, MIF_HOST_FONT_QUERY, &record);
    ctx->current.fontIndex = answer == 0 ? 0u : static_cast<uint32_t>(answer) - 1u;
}

}  // namespace mif
