#include "formats/properties.h"

#include <array>
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

void SetAttribute(uint32_t* attributes, uint32_t bit, bool on) {
    if (on) {
        *attributes |= bit;
    } else {
        *attributes &= ~bit;
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

// Applied, a position changes the attribute bits only.
void StorePositionBits(uint32_t* a, int32_t position) {
    if (position == kPositionNormal) {
        *a &= ~(AttrSuperscript | AttrSubscript);
    } else if (position == kPositionSuper) {
        *a = (*a & ~AttrSubscript) | AttrSuperscript;
    } else if (position == kPositionSub) {
        *a = (*a & ~AttrSuperscript) | AttrSubscript;
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

void StoreCase(uint32_t* a, int32_t code) {
    if (code == kCaseAsTyped) {
        *a &= ~(AttrSmallCaps | AttrUpperCase);
    } else if (code == kCaseSmallCaps) {
        *a = (*a & ~AttrUpperCase) | AttrSmallCaps;
    } else if (code == kCaseUpper) {
        *a = (*a & ~AttrSmallCaps) | AttrUpperCase;
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
        case Kind::Family:
            CopyNameField(s.fontFamily, value.text);
            if (std::strcmp(s.fontFamily, last.fontFamily) != 0) *changed = 1;
            // The host is asked for the font's number wherever the family can
            // matter; the value's number is the family's class.
            if (ctx->inPgfCatalog || ctx->recordingFont || ctx->inBodyFlow ||
                (direct && (rule->differences & kDirectAsksInFont) && ctx->inFont)) {
                QueryHostFont(ctx, static_cast<uint8_t>(n));
            }
            return 1;
        case Kind::Colour:
            s.textColor = static_cast<uint32_t>(n);
            Compare(s.textColor, last.textColor, changed);
            return 1;
        case Kind::OnWord: SetAttribute(&s.charAttributes, rule->bit, n != 0); break;
        case Kind::Weight: SetAttribute(&s.charAttributes, AttrBold, n != 0); break;
        case Kind::Underline: SetAttribute(&s.charAttributes, AttrUnderline, n != 0); break;
        case Kind::Position:
            if (direct && (rule->differences & kDirectScalesSize)) {
                StoreScaledPosition(&s, n);
            } else {
                StorePositionBits(&s.charAttributes, n);
            }
            break;
        case Kind::Script: StoreScript(&s, n != 0, rule->bit, rule->other); break;
        case Kind::Case: StoreCase(&s.charAttributes, n); break;
        case Kind::Plain:
            if (n != 0) s.charAttributes &= ~(AttrBold | AttrItalic);
            break;
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
