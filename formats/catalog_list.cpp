// The catalog lists shared by paragraph and font formats: lookup by tag,
// creation of an entry, recording of one statement, release.
#include <cstring>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "reader/host_services.h"
#include "scanner/statement_stack.h"
#include "text/text.h"

namespace mif {

namespace {

// The keyword the scanner delimited last, ended in place in the window.
// For a statement without nested statements it is the statement's own.
const char* LastKeyword(ReaderContext* ctx, uint32_t* length) {
    char* start = ctx->keywordStart;
    char* end = ctx->keywordEnd;
    if (start == nullptr || end == nullptr || end < start) return nullptr;
    *end = '\0';
    *length = static_cast<uint32_t>(end - start);
    return start;
}

void FreeNode(ReaderContext* ctx, PropertyNode* node) {
    if (node == nullptr) return;
    HostFree(ctx, node->keyword);
    HostFree(ctx, node->value);
    HostFree(ctx, node);
}

// A node holding copies of both texts, or null with nothing left allocated.
PropertyNode* NewNode(ReaderContext* ctx, const char* keyword, uint32_t keywordLength, const char* value) {
    auto* node = static_cast<PropertyNode*>(HostAllocateZeroed(ctx, sizeof(PropertyNode)));
    char* keywordCopy = HostDuplicate(ctx, keyword, keywordLength);
    char* valueCopy = HostDuplicate(ctx, value, static_cast<uint32_t>(std::strlen(value)));
    if (node == nullptr || keywordCopy == nullptr || valueCopy == nullptr) {
        HostFree(ctx, node);
        HostFree(ctx, keywordCopy);
        HostFree(ctx, valueCopy);
        return nullptr;
    }
    node->keyword = keywordCopy;
    node->value = valueCopy;
    return node;
}

}  // namespace

CatalogEntry* FindCatalogEntry(const CatalogList* list, const char* tag) {
    if (tag[0] == '\0') return nullptr;
    const CatalogEntry* first = list->first;
    if (first == nullptr || first->properties == nullptr || first->properties->value == nullptr) return nullptr;
    for (CatalogEntry* entry = list->first; entry != nullptr; entry = entry->next) {
        const PropertyNode* tagNode = entry->properties;
        if (tagNode != nullptr && tagNode->value != nullptr && std::strcmp(tagNode->value, tag) == 0) return entry;
    }
    return nullptr;
}

int CreateCatalogEntry(ReaderContext* ctx, CatalogList* list, const char* tag) {
    uint32_t keywordLength = 0;
    const char* keyword = LastKeyword(ctx, &keywordLength);
    if (keyword == nullptr) return 0;
    auto* entry = static_cast<CatalogEntry*>(HostAllocateZeroed(ctx, sizeof(CatalogEntry)));
    PropertyNode* node = NewNode(ctx, keyword, keywordLength, tag);
    if (entry == nullptr || node == nullptr) {
        HostFree(ctx, entry);
        FreeNode(ctx, node);
        return 0;
    }
    entry->properties = node;
    if (list->last == nullptr) {
        list->first = entry;
    } else {
        list->last->next = entry;
    }
    list->last = entry;
    list->currentEntry = entry;
    list->propertyTail = node;
    return 1;
}

int RecordCatalogProperty(ReaderContext* ctx, CatalogList* list, StatementFrame* frame) {
    char* value = StatementValue(frame);
    if (value == nullptr) return 0;
    DecodeMifString(ctx, value, static_cast<uint32_t>(std::strlen(value)));
    uint32_t keywordLength = 0;
    const char* keyword = LastKeyword(ctx, &keywordLength);
    if (keyword == nullptr || list->propertyTail == nullptr) return 0;
    PropertyNode* node = NewNode(ctx, keyword, keywordLength, value);
    if (node == nullptr) return 0;
    list->propertyTail->next = node;
    list->propertyTail = node;
    return 1;
}

namespace {

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

void FreeCatalog(ReaderContext* ctx, CatalogList* list) {
    FreeChain(ctx, list->first, [ctx](CatalogEntry* entry) {
        FreeChain(ctx, entry->properties, [ctx](PropertyNode* node) {
            HostFree(ctx, node->keyword);
            HostFree(ctx, node->value);
        });
    });
    list->last = nullptr;
    list->currentEntry = nullptr;
    list->propertyTail = nullptr;
}

}  // namespace mif
