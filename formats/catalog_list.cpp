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
        uint32_t capacity = entry->propertyCapacity == 0 ? 8 : entry->propertyCapacity * 2;
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
    if (kept || ctx->inBodyFlow) DecodeMifString(ctx, value, static_cast<uint32_t>(std::strlen(value)));
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

StatementHandler RecordingHandler(const ReaderContext* ctx, Keyword keyword) {
    if (ctx->inPgf && ctx->recordingPgf) {
        return keyword == Keyword::PgfFont || keyword == Keyword::TabStop ? nullptr : RecordParagraphProperty;
    }
    if (ctx->inFont && ctx->recordingFont) return RecordFontProperty;
    return nullptr;
}

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
    auto* entry = static_cast<CatalogEntry*>(HostAllocateZeroed(ctx, sizeof(CatalogEntry)));
    char* copy = HostDuplicate(ctx, tag, static_cast<uint32_t>(std::strlen(tag)));
    if (entry == nullptr || copy == nullptr) {
        HostFree(ctx, entry);
        HostFree(ctx, copy);
        return 0;
    }
    entry->tag = copy;
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
    if (!StoreRecordedProperties(ctx, entry->properties, entry->propertyCount, &changed)) return 0;
    ctx->formatDirty = changed || ctx->current.charAttributes != ctx->lastEmitted.charAttributes ? 1u : 0u;
    return 1;
}

bool RecordsNothingWhenPlain(const ReaderContext* ctx, Keyword keyword) {
    // The value of a statement that application ignores is only decoded,
    // which writes tab tokens in a body flow alone.
    if (IsFormatProperty(keyword) || ctx->inBodyFlow) return false;
    const CatalogList& list = ctx->inPgf && ctx->recordingPgf ? ctx->catalogs.paragraphs : ctx->catalogs.fonts;
    return list.recordingEntry != nullptr;
}

void FreeCatalog(ReaderContext* ctx, CatalogList* list) {
    FreeChain(ctx, list->first, [ctx](CatalogEntry* entry) {
        HostFree(ctx, entry->tag);
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
