// Helpers for the format tests: documents read through the fill with the
// context kept open, and recorded entries built in test memory.
#pragma once

#include <gtest/gtest.h>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "support/test_host.h"

namespace formattest {

inline std::string Doc(const std::string& body) { return "<MIFFile 5.00>\n" + body + "\n"; }

// A body page with text rectangle 7: text of a line with <TextRectID 7> is reported.
inline std::string BodyDoc(const std::string& before, const std::string& flow) {
    return Doc(before + "\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow " + flow + ">");
}

// Statements inside a Font of a reported line.
inline std::string InBody(const std::string& statements) {
    return BodyDoc("", "<Para <ParaLine <TextRectID 7> <Font " + statements + ">>>");
}

// Reads a whole document, optionally refusing allocation number failAt;
// on destruction frees the context and checks that no host block is left.
struct Reading {
    explicit Reading(const std::string& document, long failAt = -1) {
        host.allocator.failAt = failAt;
        ctx = host.Open(document);
        if (ctx != nullptr) run = testhost::TestHost::Drain(ctx);
    }
    ~Reading() {
        if (ctx != nullptr) mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0) << "blocks left after mifFreeContext";
    }
    bool Finished() const {
        return run.status == MIF_STATUS_OK && !run.percents.empty() && run.percents.back() == 100;
    }
    mif::FormatState& cur() { return ctx->current; }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;
    testhost::TestHost::Run run;
};

using Texts = std::vector<std::string>;

inline mif::Keyword KeywordOf(const std::string& text) {
    std::string padded = text + std::string(16, '\0');
    return mif::LookupKeyword(padded.data(), static_cast<uint32_t>(text.size()));
}

// "keyword=value" of every recorded property of an entry, the value parsed.
inline Texts Nodes(const mif::CatalogEntry* entry) {
    Texts nodes;
    for (uint32_t i = 0; entry != nullptr && i < entry->propertyCount; ++i) {
        const mif::RecordedProperty& p = entry->properties[i];
        nodes.push_back(std::string(mif::kKeywordTable[p.keyword].text) + "=" +
                        (p.text != nullptr ? std::string(p.text) : std::to_string(p.number)));
    }
    return nodes;
}

inline int Count(const mif::CatalogList& list) {
    int n = 0;
    for (const mif::CatalogEntry* e = list.first; e != nullptr; e = e->next) ++n;
    return n;
}

// A recorded entry in test memory, for ApplyCatalogEntry: each statement's
// value parsed as the recorder parses it.
struct Entry {
    Entry(std::initializer_list<std::pair<std::string, std::string>> recorded) : texts(recorded) {
        for (auto& [keyword, value] : texts) {
            mif::Keyword k = KeywordOf(keyword);
            mif::PropertyValue v = mif::ParseProperty(k, value.c_str(), mif::Route::Applied);
            properties.push_back(mif::RecordedProperty{static_cast<uint8_t>(k), v.number, const_cast<char*>(v.text)});
        }
        entry.properties = properties.data();
        entry.propertyCount = static_cast<uint32_t>(properties.size());
    }
    Entry(const Entry&) = delete;  // the names point into texts

    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<mif::RecordedProperty> properties;
    mif::CatalogEntry entry{};
};

}  // namespace formattest
