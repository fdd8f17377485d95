// The catalog lists shared by paragraph and font formats: lookup by tag,
// creation of an entry, recording of one statement, application, release.
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "formats/properties.h"
#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "text/text.h"

namespace mif {

namespace {

uint32_t TagHash(const char* tag) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(tag); *p != '\0'; ++p) h = (h ^ *p) * 16777619u;
    return h;
}

CatalogEntry** BucketOf(const CatalogList* list, uint32_t hash) { return &list->buckets[hash % kCatalogBuckets]; }

// Adds a parsed property to the entry (a family name is copied); 0 when
// memory runs out.
int AddProperty(ReaderContext* ctx, CatalogEntry* entry, Keyword keyword, const PropertyValue& value) {
    if (entry->propertyCount == entry->propertyCapacity) {
        uint32_t capacity = entry->propertyCapacity == 0 ? 24 : entry->propertyCapacity * 2;
        void* grown = HostReallocate(ctx, entry->properties, capacity * static_cast<uint32_t>(sizeof(RecordedProperty)));
        if (grown == nullptr) return 0;
        entry->properties = static_cast<RecordedProperty*>(grown);
        entry->propertyCapacity = capacity;
    }
    char* text = nullptr;
    if (value.text != nullptr) {
        // The name field keeps at most 79 characters.
        text = HostDuplicate(ctx, value.text, static_cast<uint32_t>(strnlen(value.text, kNameField - 1)));
        if (text == nullptr) return 0;
    }
    entry->properties[entry->propertyCount++] = RecordedProperty{static_cast<uint8_t>(keyword), value.number, text};
    return 1;
}

// A statement inside a definition being recorded. Its value is decoded (in
// a body flow that writes the tab tokens of its \t escapes); what
// application would store is kept, parsed, and the rest is dropped.
int RecordCatalogProperty(ReaderContext* ctx, CatalogList* list, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    const bool kept = IsFormatProperty(frame->keyword);
    // The whole value: the decoder stops at its NUL.
    if (kept || ctx->inBodyFlow) DecodeMifString(ctx, value, UINT32_MAX);
    if (list->recordingEntry == nullptr) return 0;
    if (!kept) return 1;
    return AddProperty(ctx, list->recordingEntry, frame->keyword,
                       ParseProperty(frame->keyword, value, Route::Applied));
}

int RecordParagraphProperty(ReaderContext* ctx, StatementFrame* frame) {
    return RecordCatalogProperty(ctx, &ctx->catalogs.paragraphs, frame);
}

int RecordFontProperty(ReaderContext* ctx, StatementFrame* frame) {
    return RecordCatalogProperty(ctx, &ctx->catalogs.fonts, frame);
}

}  // namespace

CatalogEntry* FindCatalogEntry(const CatalogList* list, const char* tag) {
    if (tag[0] == '\0' || list->buckets == nullptr) return nullptr;
    uint32_t hash = TagHash(tag);
    for (CatalogEntry* entry = *BucketOf(list, hash); entry != nullptr; entry = entry->nextInBucket) {
        if (entry->tagHash == hash && std::strcmp(entry->tag, tag) == 0) return entry;
    }
    return nullptr;
}

int CreateCatalogEntry(ReaderContext* ctx, CatalogList* list, const char* tag) {
    if (list->buckets == nullptr) {
        auto* buckets = static_cast<CatalogEntry**>(HostAllocateZeroed(ctx, kCatalogBuckets * sizeof(CatalogEntry*)));
        if (buckets == nullptr) return 0;
        list->buckets = buckets;
    }
    // The tag's copy (a value from the window, so short) follows the entry
    // in the same block.
    const size_t length = std::strlen(tag);
    auto* entry = static_cast<CatalogEntry*>(
        HostAllocateZeroed(ctx, static_cast<uint32_t>(sizeof(CatalogEntry) + length + 1)));
    if (entry == nullptr) return 0;
    entry->tag = reinterpret_cast<char*>(entry + 1);
    std::memcpy(entry->tag, tag, length);
    entry->tagHash = TagHash(tag);
    // An empty tag is never looked up, so it needs no place in the hash.
    if (tag[0] != '\0') {
        CatalogEntry** bucket = BucketOf(list, entry->tagHash);
        entry->nextInBucket = *bucket;
        *bucket = entry;
    }
    AppendToList(list->first, list->last, entry);
    list->currentEntry = entry;
    list->recordingEntry = entry;
    return 1;
}

int ApplyCatalogEntry(ReaderContext* ctx, CatalogEntry* entry) {
    if (entry == nullptr) return 1;
    int changed = 0;
    if (!ApplyRecordedProperties(ctx, entry, &changed)) return 0;
    ctx->formatDirty = changed || ctx->current.charAttributes != ctx->lastEmitted.charAttributes ? 1u : 0u;
    return 1;
}

namespace {

// Which statements a plain value lets pass without a frame, by Keyword. A
// recorder ignores what is not a format property unless the definition has
// no entry (its first statements) or the flow is a body flow, where decoding
// the value may write tab tokens: then every recorded statement is framed.
// PgfFont and TabStop inside a Pgf keep their own handlers (HandleDefault).
constexpr bool OwnHandlerInPgf(int k) {
    return k == static_cast<int>(Keyword::PgfFont) || k == static_cast<int>(Keyword::TabStop);
}

template <typename Passes>
constexpr KeywordFlags FlagsOf(Passes passes) {
    KeywordFlags flags{};
    for (int k = 0; k <= kKeywordCount; ++k) flags[k] = passes(k);
    return flags;
}

constexpr KeywordFlags kPassesOverInPgf =
    FlagsOf([](int k) { return OwnHandlerInPgf(k) ? kHandledByDefault[k] : !HandledBy(k, "HandleFormatProperty"); });
constexpr KeywordFlags kPassesOverInFramedPgf =
    FlagsOf([](int k) { return OwnHandlerInPgf(k) && kHandledByDefault[k]; });
constexpr KeywordFlags kPassesOverInFont = FlagsOf([](int k) { return !HandledBy(k, "HandleFormatProperty"); });
constexpr KeywordFlags kPassesOverNothing{};

}  // namespace

OpeningRoute RouteWhileRecording(const ReaderContext* ctx) {
    const bool ignoresPlain = !ctx->inBodyFlow;
    if (ctx->inPgf && ctx->recordingPgf) {
        const bool passes = ignoresPlain && ctx->catalogs.paragraphs.recordingEntry != nullptr;
        return {RecordParagraphProperty, true, passes ? kPassesOverInPgf.data() : kPassesOverInFramedPgf.data()};
    }
    if (ctx->inFont && ctx->recordingFont) {
        const bool passes = ignoresPlain && ctx->catalogs.fonts.recordingEntry != nullptr;
        return {RecordFontProperty, false, passes ? kPassesOverInFont.data() : kPassesOverNothing.data()};
    }
    return {nullptr, false, kHandledByDefault.data()};
}

void FreeCatalog(ReaderContext* ctx, CatalogList* list) {
    FreeChain(ctx, list->first, [ctx](CatalogEntry* entry) {
        for (uint32_t i = 0; i < entry->propertyCount; ++i) HostFree(ctx, entry->properties[i].text);
        HostFree(ctx, entry->properties);
    });
    HostFree(ctx, list->buckets);
    list->buckets = nullptr;
    list->last = nullptr;
    list->currentEntry = nullptr;
    list->recordingEntry = nullptr;
}

}  // namespace mif
