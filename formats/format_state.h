// The format state shared by the property handlers and the format flush,
// and the records in which the paragraph and font catalogs keep formats.
#pragma once

#include <cstdint>

#include "mifreader/mifreader.h"

namespace mif {

enum CharAttribute : uint32_t {
    AttrBold = 0x01,
    AttrItalic = 0x02,
    AttrUnderline = 0x04,
    AttrStrike = 0x08,
    AttrSuperscript = 0x10,
    AttrSubscript = 0x20,
    AttrSmallCaps = 0x40,
    AttrUpperCase = 0x80,
};

// Token 4's codes for switching each attribute on and off, by bit from 0x01 to 0x80.
constexpr uint32_t kAttributeOnCodes[8] = {MIF_ATTR_BOLD_ON,        MIF_ATTR_ITALIC_ON,    MIF_ATTR_UNDERLINE_ON,
                                           MIF_ATTR_STRIKE_ON,      MIF_ATTR_SUPERSCRIPT_ON, MIF_ATTR_SUBSCRIPT_ON,
                                           MIF_ATTR_SMALLCAPS_ON,   MIF_ATTR_UPPERCASE_ON};
constexpr uint32_t kAttributeOffCodes[8] = {MIF_ATTR_BOLD_OFF,      MIF_ATTR_ITALIC_OFF,    MIF_ATTR_UNDERLINE_OFF,
                                            MIF_ATTR_STRIKE_OFF,    MIF_ATTR_SUPERSCRIPT_OFF, MIF_ATTR_SUBSCRIPT_OFF,
                                            MIF_ATTR_SMALLCAPS_OFF, MIF_ATTR_UPPERCASE_OFF};

enum Alignment : uint32_t { AlignLeft = 0, AlignRight = 1, AlignCenter = 2, AlignLeftRight = 3 };

constexpr int kNameField = 80;  // fixed name fields keep at most 79 characters and a NUL

struct FormatState {
    char numberString[kNameField];
    char fontFamily[kNameField];
    uint32_t fontIndex;
    int32_t fontSize;
    uint32_t textColor;
    uint32_t charAttributes;
    int32_t leftIndent;
    int32_t rightIndent;
    int32_t firstIndent;
    uint32_t alignment;
    int32_t spaceBefore;
    int32_t spaceAfter;
    int32_t tabPositionsFilled;
    int32_t tabTypesFilled;
    int32_t tabCount;
    int32_t tabCapacity;  // entries the arrays hold; kept for reuse when the count falls
    int32_t* tabPositions;
    uint32_t* tabTypes;
    uint8_t leadingClass;
};

// One property of a catalog entry, parsed when it was recorded (see
// formats/properties.h): the statement's keyword and its value.
struct RecordedProperty {
    uint8_t keyword;  // a Keyword
    int32_t number;
    char* text;       // FFamily: the family name, owned; else null
};

// The fields a fold sets whole: five lengths, the size, the colour, the
// alignment and the leading class.
constexpr int kFoldedFieldCount = 9;

// What applying an entry's properties in order comes to, worked out once
// (see ApplyRecordedProperties): the whole fields it sets, its net change
// to the attribute bits, and where its family and tab stops stand. Not
// usable when a step would read what an earlier one changed, or may fail.
struct FoldedFormat {
    uint32_t foldedFrom;        // propertyCount + 1 when folded, 0 before
    uint8_t usable;
    uint8_t alwaysChanged;      // a field is set to two different values
    uint16_t fields;            // bit i: values[i] is stored (see FoldedField)
    int32_t values[kFoldedFieldCount];
    uint32_t keepAttributes;    // charAttributes & keepAttributes | setAttributes
    uint32_t setAttributes;
    int32_t family;             // the FFamily property's index, or -1
    int32_t tabCount;           // the PgfNumTabs value, or -1
    uint32_t tabsFrom, tabsTo;  // the properties after it holding the tab stops
};

// A format recorded under its tag. Only the properties that application
// stores are kept, in the order they were read.
struct CatalogEntry {
    char* tag;                   // in the entry's own block, after it
    uint32_t tagHash;
    RecordedProperty* properties;
    uint32_t propertyCount;
    uint32_t propertyCapacity;
    FoldedFormat folded;
    CatalogEntry* next;          // definition order
    CatalogEntry* nextInBucket;  // entries whose tags share a hash bucket
};

}  // namespace mif
