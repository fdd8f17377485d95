#include "scanner/keywords.h"

#include <array>
#include <bit>
#include <cstring>

#include "formats/formats.h"
#include "frames/frames.h"
#include "tables/tables.h"
#include "text/text.h"
#include "variables/variables.h"

namespace mif {

int HandleDefault(ReaderContext*, StatementFrame*) { return 1; }

const KeywordRow kKeywordTable[kKeywordCount + 1] = {
#define MIF_KEYWORD_ROW(name, handler) {#name, handler},
    MIF_KEYWORDS(MIF_KEYWORD_ROW)
#undef MIF_KEYWORD_ROW
    {"", HandleDefault},
};

const bool kHandledByDefault[kKeywordCount + 1] = {
#define MIF_KEYWORD_DEFAULT(name, handler) &handler == &HandleDefault,
    MIF_KEYWORDS(MIF_KEYWORD_DEFAULT)
#undef MIF_KEYWORD_DEFAULT
    true,
};

namespace {

constexpr const char* kKeywordTexts[kKeywordCount] = {
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

constexpr KeywordIndex kIndex = BuildIndex();
static_assert(kIndex.multiplier != 0, "no collision-free keyword hash was found");

constexpr bool KeywordsFitTheKey() {
    for (const char* text : kKeywordTexts) {
        if (LengthOf(text) > kMaxKeywordLength) return false;
    }
    return true;
}
static_assert(KeywordsFitTheKey(), "a keyword is longer than the key covers");

uint64_t Load8(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

}  // namespace

Keyword LookupKeyword(const char* text, uint32_t n) {
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
