// The keyword table: every statement keyword the reader acts on, its
// handler, and a perfect hash from keyword text to keyword.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "reader/context.h"

namespace mif {

// The keywords with a handler of their own, in table order: name, handler.
#define MIF_KEYWORDS(X) \
    X(TblCatalog, HandleTblCatalog) \
    X(TblFormat, HandleTblFormat) \
    X(Tbl, HandleTbl) \
    X(Tbls, HandleTbls) \
    X(TblID, HandleTblID) \
    X(Cell, HandleCell) \
    X(CellContent, HandleDefault) \
    X(TblH, HandleDefault) \
    X(TblBody, HandleDefault) \
    X(Row, HandleRow) \
    X(ATbl, HandleATbl) \
    X(TblNumColumns, HandleTblNumColumns) \
    X(TblColumnWidth, HandleTblColumnWidth) \
    X(TblColumnWidthA, HandleTblColumnWidthA) \
    X(EqualizeWidths, HandleEqualizeWidths) \
    X(TblColumnNum, HandleTblColumnNum) \
    X(MIFFile, HandleMIFFile) \
    X(Para, HandlePara) \
    X(ParaLine, HandleDefault) \
    X(String, HandleString) \
    X(MText, HandleMText) \
    X(MType, HandleMType) \
    X(Char, HandleChar) \
    X(VariableFormats, HandleVariableFormats) \
    X(VariableName, HandleVariableName) \
    X(VariableDef, HandleVariableDef) \
    X(PgfCatalog, HandlePgfCatalog) \
    X(Pgf, HandlePgf) \
    X(PgfTag, HandlePgfTag) \
    X(PgfNumString, HandlePgfNumString) \
    X(PgfFont, HandleDefault) \
    X(TabStop, HandleDefault) \
    X(PgfAlignment, HandleFormatProperty) \
    X(PgfLeading, HandleFormatProperty) \
    X(PgfFIndent, HandleFormatProperty) \
    X(PgfLIndent, HandleFormatProperty) \
    X(PgfRIndent, HandleFormatProperty) \
    X(PgfSpBefore, HandleFormatProperty) \
    X(PgfSpAfter, HandleFormatProperty) \
    X(PgfNumTabs, HandleFormatProperty) \
    X(TSX, HandleFormatProperty) \
    X(TSType, HandleFormatProperty) \
    X(Page, HandlePage) \
    X(PageNum, HandlePageNum) \
    X(PageSize, HandlePageSize) \
    X(PageType, HandlePageType) \
    X(TextRect, HandleTextRect) \
    X(TextRectID, HandleTextRectID) \
    X(AFrames, HandleAFrames) \
    X(AFrame, HandleAFrame) \
    X(Frame, HandleFrame) \
    X(ID, HandleID) \
    X(ImportObject, HandleImportObject) \
    X(ShapeRect, HandleShapeRect) \
    X(FrameType, HandleDefault) \
    X(NSOffset, HandleDefault) \
    X(AnchorAlign, HandleDefault) \
    X(ImportObFileDI, HandleImportObFileDI) \
    X(Units, HandleDefault) \
    X(Notes, HandleNotes) \
    X(Unique, HandleDefault) \
    X(FontCatalog, HandleFontCatalog) \
    X(Font, HandleFont) \
    X(FTag, HandleFTag) \
    X(FWeight, HandleFormatProperty) \
    X(FSize, HandleFormatProperty) \
    X(FFamily, HandleFormatProperty) \
    X(FAngle, HandleFormatProperty) \
    X(FUnderlining, HandleFormatProperty) \
    X(FUnderline, HandleFormatProperty) \
    X(FStrike, HandleFormatProperty) \
    X(FColor, HandleFormatProperty) \
    X(FPosition, HandleFormatProperty) \
    X(FSubScript, HandleFormatProperty) \
    X(FSupScript, HandleFormatProperty) \
    X(FCase, HandleFormatProperty) \
    X(FPlain, HandleFormatProperty) \
    X(FBold, HandleFormatProperty) \
    X(FItalic, HandleFormatProperty)

enum class Keyword : uint8_t {
#define MIF_KEYWORD_ENUM(name, handler) name,
    MIF_KEYWORDS(MIF_KEYWORD_ENUM)
#undef MIF_KEYWORD_ENUM
    Unknown  // any other keyword: pushed, scanned and popped with HandleDefault
};

constexpr int kKeywordCount = static_cast<int>(Keyword::Unknown);

struct KeywordRow {
    const char* text;
    StatementHandler handler;
};

// Indexed by Keyword; the row of Keyword::Unknown has an empty text and
// HandleDefault.
extern const KeywordRow kKeywordTable[kKeywordCount + 1];

// Succeeds and does nothing: for keywords without a handler of their own.
int HandleDefault(ReaderContext* ctx, StatementFrame* frame);

// Whether keyword k's handler is the one named, known at compile time.
constexpr bool HandledBy(int k, const char* handler) {
    constexpr const char* kHandlerNames[kKeywordCount + 1] = {
#define MIF_KEYWORD_HANDLER(name, handler) #handler,
        MIF_KEYWORDS(MIF_KEYWORD_HANDLER)
#undef MIF_KEYWORD_HANDLER
        "HandleDefault",
    };
    const char* a = kHandlerNames[k];
    while (*a != '\0' && *a == *handler) ++a, ++handler;
    return *a == *handler;
}

using KeywordFlags = std::array<bool, kKeywordCount + 1>;

// Whether a keyword's handler is HandleDefault, by Keyword.
inline constexpr KeywordFlags kHandledByDefault = [] {
    KeywordFlags flags{};
    for (int k = 0; k <= kKeywordCount; ++k) flags[k] = HandledBy(k, "HandleDefault");
    return flags;
}();

// ---- The keyword hash ------------------------------------------------------
namespace keyword_hash {

inline constexpr const char* kKeywordTexts[kKeywordCount] = {
#define MIF_KEYWORD_TEXT(name, handler) #name,
    MIF_KEYWORDS(MIF_KEYWORD_TEXT)
#undef MIF_KEYWORD_TEXT
};

static_assert(std::endian::native == std::endian::little, "keyword words are read as little-endian");

// A keyword is identified by its length, its first eight bytes (zero past
// its end) and, when longer than eight, its last eight bytes. Every keyword
// of the table has at most 16 bytes, so the three determine it exactly.
constexpr uint32_t kMaxKeywordLength = 16;

struct KeywordKey {
    uint64_t head = 0;
    uint64_t tail = 0;
    uint32_t length = 0;
};

constexpr uint64_t WordAt(const char* text, uint32_t n) {
    uint64_t word = 0;
    for (uint32_t i = 0; i < n && i < 8; ++i) word |= static_cast<uint64_t>(static_cast<uint8_t>(text[i])) << (8 * i);
    return word;
}

constexpr KeywordKey KeyOf(const char* text, uint32_t n) {
    return {WordAt(text, n), n > 8 ? WordAt(text + n - 8, 8) : 0, n};
}

constexpr uint32_t LengthOf(const char* text) {
    uint32_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// Multiplicative hash of the key into 512 slots. The multiplier is searched
// for at compile time until no two keywords share a slot.
constexpr int kSlotBits = 9;

constexpr uint32_t SlotOf(const KeywordKey& k, uint64_t multiplier) {
    return static_cast<uint32_t>(((k.head ^ (k.tail + k.length)) * multiplier) >> (64 - kSlotBits));
}

// An empty slot names the key of Keyword::Unknown, whose length 0 no
// lookup has: every lookup ends in one comparison.
struct KeywordIndex {
    uint64_t multiplier = 0;
    std::array<uint8_t, 1u << kSlotBits> slots{};
    std::array<KeywordKey, kKeywordCount + 1> keys{};
};

constexpr KeywordIndex BuildIndex() {
    KeywordIndex index;
    for (int k = 0; k < kKeywordCount; ++k) index.keys[k] = KeyOf(kKeywordTexts[k], LengthOf(kKeywordTexts[k]));
    uint64_t candidate = 0x2545F4914F6CDD1Dull;
    for (int attempt = 0; attempt < 100000; ++attempt) {
        candidate = candidate * 6364136223846793005ull + 1442695040888963407ull;
        uint64_t multiplier = candidate | 1;
        for (uint8_t& slot : index.slots) slot = kKeywordCount;
        bool collided = false;
        for (int k = 0; k < kKeywordCount && !collided; ++k) {
            uint8_t& slot = index.slots[SlotOf(index.keys[k], multiplier)];
            collided = slot != kKeywordCount;
            slot = static_cast<uint8_t>(k);
        }
        if (!collided) {
            index.multiplier = multiplier;
            return index;
        }
    }
    return index;
}

inline constexpr KeywordIndex kIndex = BuildIndex();
static_assert(kIndex.multiplier != 0, "no collision-free keyword hash was found");

constexpr bool KeywordsFitTheKey() {
    for (const char* text : kKeywordTexts) {
        if (LengthOf(text) > kMaxKeywordLength) return false;
    }
    return true;
}
static_assert(KeywordsFitTheKey(), "a keyword is longer than the key covers");

inline uint64_t Load8(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace keyword_hash

// The keyword spelled by the n bytes at text (compared exactly and
// case-sensitively), or Keyword::Unknown. Reads up to 8 bytes from text
// even when n is smaller: the window's slack keeps that inside the context.
inline Keyword LookupKeyword(const char* text, uint32_t n) {
    using namespace keyword_hash;
    if (n == 0 || n > kMaxKeywordLength) return Keyword::Unknown;
    KeywordKey key;
    key.head = Load8(text);
    if (n < 8) key.head &= (uint64_t{1} << (8 * n)) - 1;
    key.tail = n > 8 ? Load8(text + n - 8) : 0;
    key.length = n;
    uint8_t k = kIndex.slots[SlotOf(key, kIndex.multiplier)];
    const KeywordKey& found = kIndex.keys[k];
    bool same = (found.length ^ n) == 0 && ((found.head ^ key.head) | (found.tail ^ key.tail)) == 0;
    return same ? static_cast<Keyword>(k) : Keyword::Unknown;
}



}  // namespace mif
