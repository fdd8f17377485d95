#include "formats/properties.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "formats/format_rules.h"
#include "scanner/statement_stack.h"
#include "text/units.h"

namespace mif {

namespace {

enum class Kind : uint8_t {
    Length,       // a measurement into `field`
    Leading,      // a measurement, as a line spacing class
    Alignment,    // Left, Right, Center, LeftRight; other words change nothing
    TabCount,     // the number of tab stops: new arrays
    TabPosition,  // the next tab stop's position
    TabType,      // the next tab stop's type
    Size,         // whole points
    Family,       // the font family, described to the host
    Colour,       // a colour word
    OnWord,       // `bit` set by `onWord` (applied: `appliedOnWord`), cleared by any other word
    Weight,       // Bold, Book, DemiBold set bold; other words clear it
    Underline,    // every kind of underlining is one attribute
    Position,     // FNormal, FSuperscript, FSubscript
    Script,       // Yes sets `bit` (and clears `other`), other words clear it
    Case,         // FAsTyped, FLowerCase, FSmallCaps, FUpperCase
    Plain,        // Yes clears bold and italic
};

// Where reading a property directly and applying it from a catalog differ.
enum Difference : uint8_t {
    kSame = 0,
    kDirectInBodyFlowOnly = 1,  // read directly outside a body flow, it is not even read
    kDirectSkipsFullTabs = 2,   // read directly with the tab arrays full, it is not read
    kDirectScalesSize = 4,      // read directly, raising or lowering scales the font size
    kAppliedLimitsCount = 8,    // applied, a tab count above kMaxRecordedTabs fails
    kDirectAsksInFont = 16,     // read directly, a family inside a Font is described to the host
};

// Larger recorded tab counts are refused.
constexpr int32_t kMaxRecordedTabs = 50;

struct PropertyRule {
    Keyword keyword;
    Kind kind;
    uint8_t differences = kSame;
    int32_t FormatState::*field = nullptr;
    uint32_t bit = 0;
    uint32_t other = 0;
    const char* onWord = nullptr;
    const char* appliedOnWord = nullptr;
};

constexpr PropertyRule kRules[] = {
    {Keyword::PgfAlignment, Kind::Alignment},
    {Keyword::PgfLeading, Kind::Leading},
    {Keyword::PgfFIndent, Kind::Length, kSame, &FormatState::firstIndent},
    {Keyword::PgfLIndent, Kind::Length, kSame, &FormatState::leftIndent},
    {Keyword::PgfRIndent, Kind::Length, kSame, &FormatState::rightIndent},
    {Keyword::PgfSpBefore, Kind::Length, kSame, &FormatState::spaceBefore},
    {Keyword::PgfSpAfter, Kind::Length, kSame, &FormatState::spaceAfter},
    {Keyword::PgfNumTabs, Kind::TabCount, kAppliedLimitsCount},
    {Keyword::TSX, Kind::TabPosition, kDirectSkipsFullTabs},
    {Keyword::TSType, Kind::TabType, kDirectSkipsFullTabs},
    {Keyword::FWeight, Kind::Weight},
    {Keyword::FSize, Kind::Size},
    {Keyword::FFamily, Kind::Family, kDirectAsksInFont},
    {Keyword::FAngle, Kind::OnWord, kSame, nullptr, AttrItalic, 0, "Italic", "Italic"},
    {Keyword::FUnderlining, Kind::Underline},
    {Keyword::FUnderline, Kind::Underline},
    {Keyword::FStrike, Kind::OnWord, kSame, nullptr, AttrStrike, 0, "Yes", "Yes"},
    {Keyword::FColor, Kind::Colour},
    {Keyword::FPosition, Kind::Position, kDirectInBodyFlowOnly | kDirectScalesSize},
    {Keyword::FSubScript, Kind::Script, kDirectInBodyFlowOnly, nullptr, AttrSubscript, AttrSuperscript},
    {Keyword::FSupScript, Kind::Script, kDirectInBodyFlowOnly, nullptr, AttrSuperscript, AttrSubscript},
    {Keyword::FCase, Kind::Case},
    {Keyword::FPlain, Kind::Plain},
    {Keyword::FBold, Kind::OnWord, kSame, nullptr, AttrBold, 0, "Yes", "Yes"},
    {Keyword::FItalic, Kind::OnWord, kSame, nullptr, AttrItalic, 0, "Yes", "True"},
};

constexpr std::array<int8_t, kKeywordCount + 1> BuildRuleIndex() {
    std::array<int8_t, kKeywordCount + 1> index{};
    for (int8_t& i : index) i = -1;
    for (size_t r = 0; r < std::size(kRules); ++r) index[static_cast<int>(kRules[r].keyword)] = static_cast<int8_t>(r);
    return index;
}
constexpr std::array<int8_t, kKeywordCount + 1> kRuleIndex = BuildRuleIndex();

// The recorders and the scanner tell properties by their handler.
constexpr bool EveryPropertyHasTheHandler() {
    for (int k = 0; k <= kKeywordCount; ++k) {
        if ((kRuleIndex[k] >= 0) != HandledBy(k, "HandleFormatProperty")) return false;
    }
    return true;
}
static_assert(EveryPropertyHasTheHandler(), "a format property's keyword does not name HandleFormatProperty");

const PropertyRule* RuleOf(Keyword keyword) {
    int r = kRuleIndex[static_cast<int>(keyword)];
    return r < 0 ? nullptr : &kRules[r];
}

// Most words differ from the one asked for in their first letter.
bool Is(const char* word, const char* expected) { return word[0] == expected[0] && std::strcmp(word, expected) == 0; }

// ---- Words ------------------------------------------------------------------

constexpr int32_t kUnchanged = -1;

int32_t AlignmentOf(const char* word) {
    if (Is(word, "LeftRight")) return AlignLeftRight;
    if (Is(word, "Left")) return AlignLeft;
    if (Is(word, "Center")) return AlignCenter;
    if (Is(word, "Right")) return AlignRight;
    return kUnchanged;
}

// Line spacing class of a leading in twips.
int32_t LeadingClassOf(int32_t twips) {
    if (twips < 120) return 0;
    if (twips < 240) return 1;
    return 2;
}

int32_t TabTypeOf(const char* word) {
    if (Is(word, "Center")) return 2;
    if (Is(word, "Right")) return 1;
    return 0;
}

// 0x00BBGGRR of a colour word; 0 for every word outside the list.
int32_t ColourOf(const char* word) {
    static const struct {
        const char* word;
        int32_t colour;
    } kColours[] = {
        {"White", 0xFFFFFF}, {"Red", 0x0000FF},     {"Green", 0x008000}, {"Blue", 0xFF0000},
        {"Cyan", 0x800080},  {"Magenta", 0xFF00FF}, {"Yellow", 0x00FFFF},
    };
    for (const auto& c : kColours) {
        if (Is(word, c.word)) return c.colour;
    }
    return 0;
}

enum PositionCode : int32_t { kPositionOther, kPositionNormal, kPositionSuper, kPositionSub };
enum CaseCode : int32_t { kCaseOther, kCaseAsTyped, kCaseSmallCaps, kCaseUpper };

int32_t PositionOf(const char* word) {
    if (Is(word, "FNormal")) return kPositionNormal;
    if (Is(word, "FSuperscript")) return kPositionSuper;
    if (Is(word, "FSubscript")) return kPositionSub;
    return kPositionOther;
}

int32_t CaseOf(const char* word) {
    if (Is(word, "FAsTyped") || Is(word, "FLowerCase")) return kCaseAsTyped;
    if (Is(word, "FSmallCaps")) return kCaseSmallCaps;
    if (Is(word, "FUpperCase")) return kCaseUpper;
    return kCaseOther;
}

// ---- Attributes ---------------------------------------------------------------

uint32_t WithAttribute(uint32_t a, uint32_t bit, bool on) { return on ? a | bit : a & ~bit; }

// Applied, a position changes the attribute bits only.
uint32_t WithPosition(uint32_t a, int32_t position) {
    if (position == kPositionNormal) return a & ~(AttrSuperscript | AttrSubscript);
    if (position == kPositionSuper) return (a & ~AttrSubscript) | AttrSuperscript;
    if (position == kPositionSub) return (a & ~AttrSuperscript) | AttrSubscript;
    return a;
}

uint32_t WithCase(uint32_t a, int32_t code) {
    if (code == kCaseAsTyped) return a & ~(AttrSmallCaps | AttrUpperCase);
    if (code == kCaseSmallCaps) return (a & ~AttrUpperCase) | AttrSmallCaps;
    if (code == kCaseUpper) return (a & ~AttrSmallCaps) | AttrUpperCase;
    return a;
}

// The attribute bits a after a property that changes them alone (as
// applied, for a position), or a itself for any other property.
uint32_t AttributesAfter(const PropertyRule& rule, int32_t n, uint32_t a) {
    switch (rule.kind) {
        case Kind::OnWord: return WithAttribute(a, rule.bit, n != 0);
        case Kind::Weight: return WithAttribute(a, AttrBold, n != 0);
        case Kind::Underline: return WithAttribute(a, AttrUnderline, n != 0);
        case Kind::Position: return WithPosition(a, n);
        case Kind::Case: return WithCase(a, n);
        case Kind::Plain: return n != 0 ? a & ~(AttrBold | AttrItalic) : a;
        default: return a;
    }
}

// Clears bit, if set, and gives back the size it took away.
void ClearScript(FormatState* s, uint32_t bit) {
    if (s->charAttributes & bit) {
        s->charAttributes &= ~bit;
        s->fontSize = RestoreFontSize(s->fontSize);
    }
}

// A raise or lower read directly also scales the size: shrinking on every
// raise or lower, restoring for each script bit it clears.
void StoreScaledPosition(FormatState* s, int32_t position) {
    if (position == kPositionNormal) {
        ClearScript(s, AttrSuperscript);
        ClearScript(s, AttrSubscript);
    } else if (position == kPositionSuper || position == kPositionSub) {
        uint32_t bit = position == kPositionSuper ? AttrSuperscript : AttrSubscript;
        ClearScript(s, bit == AttrSuperscript ? AttrSubscript : AttrSuperscript);
        s->charAttributes |= bit;
        s->fontSize = ShrinkFontSize(s->fontSize);
    }
}

// "Yes" sets bit and shrinks the size unless other was set, in which case
// other is cleared and the size stays; any other word clears a set bit and
// restores the size.
void StoreScript(FormatState* s, bool yes, uint32_t bit, uint32_t other) {
    if (yes) {
        s->charAttributes |= bit;
        if (s->charAttributes & other) {
            s->charAttributes &= ~other;
        } else {
            s->fontSize = ShrinkFontSize(s->fontSize);
        }
    } else {
        ClearScript(s, bit);
    }
}

template <typename T>
void Compare(const T& now, const T& written, int* changed) {
    if (now != written) *changed = 1;
}

}  // namespace

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
    const size_t length = strnlen(text, kNameField - 1);
    std::memset(field, 0, kNameField);
    std::memcpy(field, text, length);
}

bool IsFormatProperty(Keyword keyword) { return RuleOf(keyword) != nullptr; }

PropertyValue ParseProperty(Keyword keyword, const char* value, Route route) {
    const PropertyRule* rule = RuleOf(keyword);
    PropertyValue v{0, nullptr};
    if (rule == nullptr) return v;
    switch (rule->kind) {
        case Kind::Length:
        case Kind::TabPosition: v.number = MeasureTwips(value); break;
        case Kind::Leading: v.number = LeadingClassOf(MeasureTwips(value)); break;
        case Kind::Alignment: v.number = AlignmentOf(value); break;
        case Kind::TabCount:
        case Kind::Size: v.number = std::atoi(value); break;
        case Kind::TabType: v.number = TabTypeOf(value); break;
        case Kind::Family: {
            // The class is that of the name as the name field keeps it.
            char name[kNameField];
            CopyNameField(name, value);
            v.number = FamilyClassOf(name);
            v.text = value;
            break;
        }
        case Kind::Colour: v.number = ColourOf(value); break;
        case Kind::OnWord: v.number = Is(value, route == Route::Direct ? rule->onWord : rule->appliedOnWord); break;
        case Kind::Weight: v.number = Is(value, "Bold") || Is(value, "Book") || Is(value, "DemiBold"); break;
        case Kind::Underline: v.number = !(Is(value, "FNoUnderlining") || Is(value, "No")); break;
        case Kind::Position: v.number = PositionOf(value); break;
        case Kind::Script:
        case Kind::Plain: v.number = Is(value, "Yes"); break;
        case Kind::Case: v.number = CaseOf(value); break;
    }
    return v;
}

namespace {

void StoreFamily(ReaderContext* ctx, const PropertyRule* rule, const PropertyValue& value, Route route, int* changed) {
    FormatState& s = ctx->current;
    CopyNameField(s.fontFamily, value.text);
    if (std::strcmp(s.fontFamily, ctx->lastEmitted.fontFamily) != 0) *changed = 1;
    // The host is asked for the font's number wherever the family can
    // matter; the value's number is the family's class.
    if (ctx->inPgfCatalog || ctx->recordingFont || ctx->inBodyFlow ||
        (route == Route::Direct && (rule->differences & kDirectAsksInFont) && ctx->inFont)) {
        QueryHostFont(ctx, static_cast<uint8_t>(value.number));
    }
}

[[gnu::always_inline]] inline int Store(ReaderContext* ctx, const PropertyRule* rule, const PropertyValue& value, Route route,
                                        int* changed) {
    const bool direct = route == Route::Direct;
    FormatState& s = ctx->current;
    const FormatState& last = ctx->lastEmitted;
    const int32_t n = value.number;
    switch (rule->kind) {
        case Kind::Length:
            s.*rule->field = n;
            Compare(s.*rule->field, last.*rule->field, changed);
            return 1;
        case Kind::Leading:
            s.leadingClass = static_cast<uint8_t>(n);
            Compare(s.leadingClass, last.leadingClass, changed);
            return 1;
        case Kind::Alignment:
            if (n != kUnchanged) s.alignment = static_cast<uint32_t>(n);
            Compare(s.alignment, last.alignment, changed);
            return 1;
        case Kind::TabCount:
            if (!direct && (rule->differences & kAppliedLimitsCount) && n > kMaxRecordedTabs) return 0;
            return SetTabCapacity(ctx, n);
        case Kind::TabPosition: StoreTabPosition(ctx, n); return 1;
        case Kind::TabType: StoreTabType(ctx, static_cast<uint32_t>(n)); return 1;
        case Kind::Size:
            s.fontSize = n;
            Compare(s.fontSize, last.fontSize, changed);
            return 1;
        case Kind::Family: StoreFamily(ctx, rule, value, route, changed); return 1;
        case Kind::Colour:
            s.textColor = static_cast<uint32_t>(n);
            Compare(s.textColor, last.textColor, changed);
            return 1;
        case Kind::Position:
            if (direct && (rule->differences & kDirectScalesSize)) {
                StoreScaledPosition(&s, n);
            } else {
                s.charAttributes = AttributesAfter(*rule, n, s.charAttributes);
            }
            break;
        case Kind::Script: StoreScript(&s, n != 0, rule->bit, rule->other); break;
        case Kind::OnWord:
        case Kind::Weight:
        case Kind::Underline:
        case Kind::Case:
        case Kind::Plain: s.charAttributes = AttributesAfter(*rule, n, s.charAttributes); break;
    }
    // The attribute properties.
    if (direct) Compare(s.charAttributes, last.charAttributes, changed);
    return 1;
}

}  // namespace

int StoreProperty(ReaderContext* ctx, Keyword keyword, const PropertyValue& value, Route route, int* changed) {
    const PropertyRule* rule = RuleOf(keyword);
    return rule == nullptr ? 1 : Store(ctx, rule, value, route, changed);
}

int StoreRecordedProperties(ReaderContext* ctx, const RecordedProperty* properties, uint32_t count, int* changed) {
    for (uint32_t i = 0; i < count; ++i) {
        const RecordedProperty& p = properties[i];
        if (!Store(ctx, RuleOf(static_cast<Keyword>(p.keyword)), PropertyValue{p.number, p.text}, Route::Applied,
                   changed)) {
            return 0;
        }
    }
    return 1;
}

namespace {

// The fields a fold stores whole: 32-bit fields at these offsets, then the
// leading class, a byte.
enum FoldedField { kFoldedSize = 5, kFoldedColour, kFoldedAlignment, kLeadingField };
constexpr int32_t FormatState::*kFoldedLengths[] = {&FormatState::firstIndent, &FormatState::leftIndent,
                                                    &FormatState::rightIndent, &FormatState::spaceBefore,
                                                    &FormatState::spaceAfter};
constexpr size_t kFoldedFields[] = {
    offsetof(FormatState, firstIndent), offsetof(FormatState, leftIndent), offsetof(FormatState, rightIndent),
    offsetof(FormatState, spaceBefore), offsetof(FormatState, spaceAfter), offsetof(FormatState, fontSize),
    offsetof(FormatState, textColor),   offsetof(FormatState, alignment),
};
static_assert(std::size(kFoldedLengths) == kFoldedSize && std::size(kFoldedFields) == kLeadingField &&
                  kLeadingField + 1 == kFoldedFieldCount,
              "the folded fields and their offsets disagree");

// The folded field that a property with value n sets whole, or -1.
int FoldedFieldOf(const PropertyRule& rule, int32_t n) {
    switch (rule.kind) {
        case Kind::Length:
            for (int i = 0; i < kFoldedSize; ++i) {
                if (rule.field == kFoldedLengths[i]) return i;
            }
            return -1;
        case Kind::Size: return kFoldedSize;
        case Kind::Colour: return kFoldedColour;
        case Kind::Alignment: return n != kUnchanged ? kFoldedAlignment : -1;  // an unknown word compares what is there
        case Kind::Leading: return kLeadingField;
        default: return -1;
    }
}

FoldedFormat Fold(const CatalogEntry& entry) {
    FoldedFormat f{};
    f.foldedFrom = entry.propertyCount + 1;
    f.usable = 1;
    f.keepAttributes = ~0u;
    f.family = -1;
    f.tabCount = -1;
    for (uint32_t i = 0; i < entry.propertyCount; ++i) {
        const RecordedProperty& p = entry.properties[i];
        const PropertyRule& rule = *RuleOf(static_cast<Keyword>(p.keyword));
        const int32_t n = p.number;
        if (const int field = FoldedFieldOf(rule, n); field >= 0) {
            // Set twice to different values, the field differs from what
            // was written after one of them, whatever that was.
            const int32_t v = field == kLeadingField ? static_cast<uint8_t>(n) : n;
            const auto bit = static_cast<uint16_t>(1u << field);
            if ((f.fields & bit) != 0 && f.values[field] != v) f.alwaysChanged = 1;
            f.values[field] = v;
            f.fields |= bit;
            continue;
        }
        switch (rule.kind) {
            case Kind::TabCount:
                // A refused count fails where it stands; a second count
                // restarts the stops.
                if (f.tabCount >= 0 || n < 0 || n > kMaxRecordedTabs) f.usable = 0;
                f.tabCount = n;
                f.tabsFrom = f.tabsTo = i + 1;
                break;
            case Kind::TabPosition:
            case Kind::TabType:
                // Before a count they fill the stops that are there.
                if (f.tabCount < 0) f.usable = 0;
                f.tabsTo = i + 1;
                break;
            case Kind::Family:
                if (f.family >= 0) f.usable = 0;
                f.family = static_cast<int32_t>(i);
                break;
            case Kind::OnWord:
            case Kind::Weight:
            case Kind::Underline:
            case Kind::Position:
            case Kind::Case:
            case Kind::Plain: {
                // Each keeps, sets or clears bits: composed, one mask of
                // kept bits and one of set bits.
                const uint32_t set = AttributesAfter(rule, n, 0);
                const uint32_t keep = AttributesAfter(rule, n, ~0u) & ~set;
                f.setAttributes = (f.setAttributes & keep) | set;
                f.keepAttributes &= keep;
                break;
            }
            default:  // a script changes the size by what is set; an unknown alignment reads it
                f.usable = 0;
                break;
        }
    }
    return f;
}

}  // namespace

int ApplyRecordedProperties(ReaderContext* ctx, CatalogEntry* entry, int* changed) {
    if (entry->folded.foldedFrom != entry->propertyCount + 1) entry->folded = Fold(*entry);
    const FoldedFormat& f = entry->folded;
    FormatState& s = ctx->current;
    // Only the tab count could ask the host for memory: where it would, the
    // steps run one by one so that a refusal finds them as it always has.
    if (!f.usable || (f.tabCount >= 0 && SetTabCapacityAllocates(s, f.tabCount))) {
        return StoreRecordedProperties(ctx, entry->properties, entry->propertyCount, changed);
    }
    // No step reads what another writes, so their order no longer matters.
    auto* now = reinterpret_cast<char*>(&s);
    const auto* written = reinterpret_cast<const char*>(&ctx->lastEmitted);
    int differs = f.alwaysChanged;
    for (uint32_t bits = f.fields & ((1u << kLeadingField) - 1); bits != 0; bits &= bits - 1) {
        const int i = std::countr_zero(bits);
        int32_t last;
        std::memcpy(now + kFoldedFields[i], &f.values[i], sizeof last);
        std::memcpy(&last, written + kFoldedFields[i], sizeof last);
        differs |= last != f.values[i];
    }
    if ((f.fields & (1u << kLeadingField)) != 0) {
        s.leadingClass = static_cast<uint8_t>(f.values[kLeadingField]);
        differs |= s.leadingClass != ctx->lastEmitted.leadingClass;
    }
    if (differs) *changed = 1;
    s.charAttributes = (s.charAttributes & f.keepAttributes) | f.setAttributes;
    if (f.family >= 0) {
        const RecordedProperty& p = entry->properties[f.family];
        StoreFamily(ctx, RuleOf(Keyword::FFamily), PropertyValue{p.number, p.text}, Route::Applied, changed);
    }
    if (f.tabCount >= 0) {
        if (!SetTabCapacity(ctx, f.tabCount)) return 0;
        for (uint32_t i = f.tabsFrom; i < f.tabsTo; ++i) {
            const RecordedProperty& p = entry->properties[i];
            if (p.keyword == static_cast<uint8_t>(Keyword::TSX)) StoreTabPosition(ctx, p.number);
            if (p.keyword == static_cast<uint8_t>(Keyword::TSType)) StoreTabType(ctx, static_cast<uint32_t>(p.number));
        }
    }
    return 1;
}

int HandleFormatProperty(ReaderContext* ctx, StatementFrame* frame) {
    const Keyword keyword = frame->keyword;
    const PropertyRule* rule = RuleOf(keyword);
    if (rule == nullptr) return 1;
    if ((rule->differences & kDirectInBodyFlowOnly) && !ctx->inBodyFlow) return 1;
    if (rule->differences & kDirectSkipsFullTabs) {
        const FormatState& s = ctx->current;
        int32_t filled = rule->kind == Kind::TabPosition ? s.tabPositionsFilled : s.tabTypesFilled;
        if (filled >= s.tabCount) return 1;
    }
    const char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    int changed = 0;
    if (!StoreProperty(ctx, keyword, ParseProperty(keyword, value, Route::Direct), Route::Direct, &changed)) return 0;
    if (changed) ctx->formatDirty = 1;
    return 1;
}

}  // namespace mif
