// Application of a recorded format: each recorded statement is stored into
// the current format in the order it was read; afterwards formatDirty says
// whether current now differs from what was last written.
#include <cstdlib>
#include <cstring>
#include <string>

#include "formats/format_rules.h"
#include "text/units.h"

namespace mif {

namespace {

// Larger recorded tab counts are refused.
constexpr int32_t kMaxRecordedTabs = 50;

// One recorded keyword: stores value into current; sets *changed when the
// field it compares differs from lastEmitted; 0 fails the application.
typedef int (*ApplyRow)(ReaderContext* ctx, const char* value, int* changed);

bool Is(const char* word, const char* expected) { return std::strcmp(word, expected) == 0; }

template <typename T>
void Compare(const T& now, const T& emitted, int* changed) {
    if (now != emitted) *changed = 1;
}

int ApplyAlignment(ReaderContext* ctx, const char* value, int* changed) {
    AlignmentFromWord(value, &ctx->current.alignment);
    Compare(ctx->current.alignment, ctx->lastEmitted.alignment, changed);
    return 1;
}

// A length: the measured value goes into one field of current.
template <int32_t FormatState::*field>
int ApplyLength(ReaderContext* ctx, const char* value, int* changed) {
    ctx->current.*field = MeasureTwips(value);
    Compare(ctx->current.*field, ctx->lastEmitted.*field, changed);
    return 1;
}

int ApplyLeading(ReaderContext* ctx, const char* value, int* changed) {
    ctx->current.leadingClass = LeadingClassFromTwips(MeasureTwips(value));
    Compare(ctx->current.leadingClass, ctx->lastEmitted.leadingClass, changed);
    return 1;
}

int ApplyWeight(ReaderContext* ctx, const char* value, int*) {
    ApplyWeightName(ctx, value);
    return 1;
}

int ApplySize(ReaderContext* ctx, const char* value, int* changed) {
    ctx->current.fontSize = std::atoi(value);
    Compare(ctx->current.fontSize, ctx->lastEmitted.fontSize, changed);
    return 1;
}

int ApplyNumTabs(ReaderContext* ctx, const char* value, int*) {
    int32_t n = std::atoi(value);
    if (n > kMaxRecordedTabs) return 0;
    return SetTabCapacity(ctx, n);
}

int ApplyTabPosition(ReaderContext* ctx, const char* value, int*) {
    StoreTabPosition(ctx, MeasureTwips(value));
    return 1;
}

int ApplyTabType(ReaderContext* ctx, const char* value, int*) {
    StoreTabType(ctx, TabTypeFromWord(value));
    return 1;
}

// The family is compared before the query, which only fills fontIndex.
int ApplyFamily(ReaderContext* ctx, const char* value, int* changed) {
    CopyNameField(ctx->current.fontFamily, value);
    if (std::strcmp(ctx->current.fontFamily, ctx->lastEmitted.fontFamily) != 0) *changed = 1;
    if (ctx->inPgfCatalog || ctx->recordingFont || ctx->inBodyFlow) QueryHostFont(ctx);
    return 1;
}

int ApplyAngle(ReaderContext* ctx, const char* value, int*) {
    SetAttribute(&ctx->current.charAttributes, AttrItalic, Is(value, "Italic"));
    return 1;
}

int ApplyUnderline(ReaderContext* ctx, const char* value, int*) {
    ApplyUnderlineWord(&ctx->current.charAttributes, value);
    return 1;
}

int ApplyStrike(ReaderContext* ctx, const char* value, int*) {
    SetAttribute(&ctx->current.charAttributes, AttrStrike, Is(value, "Yes"));
    return 1;
}

int ApplyColour(ReaderContext* ctx, const char* value, int* changed) {
    ctx->current.textColor = ColourFromWord(value);
    Compare(ctx->current.textColor, ctx->lastEmitted.textColor, changed);
    return 1;
}

// A recorded position changes the attribute bits only, never the size.
int ApplyPosition(ReaderContext* ctx, const char* value, int*) {
    uint32_t& a = ctx->current.charAttributes;
    if (Is(value, "FNormal")) {
        a &= ~(AttrSuperscript | AttrSubscript);
    } else if (Is(value, "FSuperscript")) {
        a = (a & ~AttrSubscript) | AttrSuperscript;
    } else if (Is(value, "FSubscript")) {
        a = (a & ~AttrSuperscript) | AttrSubscript;
    }
    return 1;
}

int ApplyCase(ReaderContext* ctx, const char* value, int*) {
    ApplyCaseWord(&ctx->current.charAttributes, value);
    return 1;
}

int ApplyPlain(ReaderContext* ctx, const char* value, int*) {
    ApplyPlainWord(&ctx->current.charAttributes, value);
    return 1;
}

int ApplyBold(ReaderContext* ctx, const char* value, int*) {
    SetAttribute(&ctx->current.charAttributes, AttrBold, Is(value, "Yes"));
    return 1;
}

// Recorded italic takes "True"; the direct handler takes "Yes".
int ApplyItalic(ReaderContext* ctx, const char* value, int*) {
    SetAttribute(&ctx->current.charAttributes, AttrItalic, Is(value, "True"));
    return 1;
}

int ApplySubScript(ReaderContext* ctx, const char* value, int*) {
    ApplyScriptWord(&ctx->current, value, AttrSubscript, AttrSuperscript);
    return 1;
}

int ApplySupScript(ReaderContext* ctx, const char* value, int*) {
    ApplyScriptWord(&ctx->current, value, AttrSuperscript, AttrSubscript);
    return 1;
}

struct ApplyKeyword {
    const char* keyword;
    ApplyRow apply;
    size_t length = std::char_traits<char>::length(keyword);
};

const ApplyKeyword kApplyKeywords[] = {
    {"PgfAlignment", ApplyAlignment},
    {"PgfFIndent", ApplyLength<&FormatState::firstIndent>},
    {"PgfLIndent", ApplyLength<&FormatState::leftIndent>},
    {"PgfRIndent", ApplyLength<&FormatState::rightIndent>},
    {"PgfLeading", ApplyLeading},
    {"PgfSpBefore", ApplyLength<&FormatState::spaceBefore>},
    {"PgfSpAfter", ApplyLength<&FormatState::spaceAfter>},
    {"FWeight", ApplyWeight},
    {"FSize", ApplySize},
    {"PgfNumTabs", ApplyNumTabs},
    {"TSX", ApplyTabPosition},
    {"TSType", ApplyTabType},
    {"FFamily", ApplyFamily},
    {"FAngle", ApplyAngle},
    {"FUnderlining", ApplyUnderline},
    {"FUnderline", ApplyUnderline},
    {"FStrike", ApplyStrike},
    {"FColor", ApplyColour},
    {"FPosition", ApplyPosition},
    {"FCase", ApplyCase},
    {"FPlain", ApplyPlain},
    {"FBold", ApplyBold},
    {"FItalic", ApplyItalic},
    {"FSubScript", ApplySubScript},
    {"FSupScript", ApplySupScript},
};

// Most recorded statements are not applied at all; comparing lengths first
// keeps them from costing a string comparison per row.
ApplyRow FindApplyRow(const char* keyword) {
    size_t length = std::strlen(keyword);
    for (const ApplyKeyword& row : kApplyKeywords) {
        if (row.length == length && std::memcmp(keyword, row.keyword, length) == 0) return row.apply;
    }
    return nullptr;
}

}  // namespace

int ApplyCatalogEntry(ReaderContext* ctx, CatalogEntry* entry) {
    if (entry == nullptr || entry->properties == nullptr) return 1;
    int changed = 0;
    for (const PropertyNode* node = entry->properties; node != nullptr; node = node->next) {
        if (node->keyword == nullptr || node->value == nullptr) continue;
        ApplyRow apply = FindApplyRow(node->keyword);
        if (apply == nullptr) continue;
        if (!apply(ctx, node->value, &changed)) return 0;
    }
    if (ctx->current.charAttributes != ctx->lastEmitted.charAttributes) {
        ctx->formatDirty = 1;
    } else {
        ctx->formatDirty = changed ? 1u : 0u;
    }
    return 1;
}

}  // namespace mif
