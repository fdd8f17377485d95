// Format words and the arithmetic shared by direct handlers and catalog
// application.
#include <cstring>

#include "formats/format_rules.h"

namespace mif {

namespace {

bool Is(const char* word, const char* expected) { return std::strcmp(word, expected) == 0; }

struct ColourWord {
    const char* word;
    uint32_t colour;
};

const ColourWord kColourWords[] = {
    {"White", 0xFFFFFF}, {"Red", 0x0000FF},     {"Green", 0x008000}, {"Blue", 0xFF0000},
    {"Cyan", 0x800080},  {"Magenta", 0xFF00FF}, {"Yellow", 0x00FFFF},
};

}  // namespace

uint32_t ColourFromWord(const char* word) {
    for (const ColourWord& c : kColourWords) {
        if (Is(word, c.word)) return c.colour;
    }
    return 0;
}

void ApplyWeightName(ReaderContext* ctx, const char* word) {
    int bold = Is(word, "Bold") || Is(word, "Book") || Is(word, "DemiBold");
    SetAttribute(&ctx->current.charAttributes, AttrBold, bold);
}

int AlignmentFromWord(const char* word, uint32_t* alignment) {
    if (Is(word, "LeftRight")) {
        *alignment = AlignLeftRight;
    } else if (Is(word, "Left")) {
        *alignment = AlignLeft;
    } else if (Is(word, "Center")) {
        *alignment = AlignCenter;
    } else if (Is(word, "Right")) {
        *alignment = AlignRight;
    } else {
        return 0;
    }
    return 1;
}

uint8_t LeadingClassFromTwips(int32_t twips) {
    if (twips < 120) return 0;
    if (twips < 240) return 1;
    return 2;
}

uint32_t TabTypeFromWord(const char* word) {
    if (Is(word, "Center")) return 2;
    if (Is(word, "Right")) return 1;
    return 0;
}

void SetAttribute(uint32_t* attributes, uint32_t bit, int on) {
    if (on) {
        *attributes |= bit;
    } else {
        *attributes &= ~bit;
    }
}

void ApplyUnderlineWord(uint32_t* attributes, const char* word) {
    SetAttribute(attributes, AttrUnderline, !(Is(word, "FNoUnderlining") || Is(word, "No")));
}

void ApplyCaseWord(uint32_t* attributes, const char* word) {
    if (Is(word, "FAsTyped") || Is(word, "FLowerCase")) {
        *attributes &= ~(AttrSmallCaps | AttrUpperCase);
    } else if (Is(word, "FSmallCaps")) {
        *attributes = (*attributes & ~AttrUpperCase) | AttrSmallCaps;
    } else if (Is(word, "FUpperCase")) {
        *attributes = (*attributes & ~AttrSmallCaps) | AttrUpperCase;
    }
}

void ApplyPlainWord(uint32_t* attributes, const char* word) {
    if (Is(word, "Yes")) *attributes &= ~(AttrBold | AttrItalic);
}

void ApplyScriptWord(FormatState* state, const char* word, uint32_t bit, uint32_t other) {
    if (Is(word, "Yes")) {
        state->charAttributes |= bit;
        if (state->charAttributes & other) {
            state->charAttributes &= ~other;
        } else {
            state->fontSize = ShrinkFontSize(state->fontSize);
        }
    } else if (state->charAttributes & bit) {
        state->charAttributes &= ~bit;
        state->fontSize = RestoreFontSize(state->fontSize);
    }
}

// The products wrap as 32-bit arithmetic would, without signed overflow.
int32_t ShrinkFontSize(int32_t size) {
    int32_t product = static_cast<int32_t>(static_cast<uint32_t>(size) * 3u);
    return product / 4;
}

int32_t RestoreFontSize(int32_t size) {
    int32_t product = static_cast<int32_t>(static_cast<uint32_t>(size) * 4u);
    return product / 3;
}

void CopyNameField(char* field, const char* text) {
    size_t length = 0;
    while (length < kNameField - 1 && text[length] != '\0') ++length;
    std::memset(field, 0, kNameField);
    std::memcpy(field, text, length);
}

}  // namespace mif
