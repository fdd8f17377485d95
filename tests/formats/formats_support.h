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

// "keyword=value" of every node of an entry.
inline Texts Nodes(const mif::CatalogEntry* entry) {
    Texts nodes;
    for (const mif::PropertyNode* n = entry != nullptr ? entry->properties : nullptr; n != nullptr; n = n->next) {
        nodes.push_back(std::string(n->keyword) + "=" + n->value);
    }
    return nodes;
}

inline int Count(const mif::CatalogList& list) {
    int n = 0;
    for (const mif::CatalogEntry* e = list.first; e != nullptr; e = e->next) ++n;
    return n;
}

// A recorded entry (tag node first) in test memory, for ApplyCatalogEntry.
struct Entry {
    Entry(std::initializer_list<std::pair<std::string, std::string>> recorded) : texts(recorded) {
        texts.insert(texts.begin(), {"PgfTag", "T"});
        for (auto& [keyword, value] : texts) nodes.push_back(mif::PropertyNode{keyword.data(), value.data(), nullptr});
        for (size_t i = 0; i + 1 < nodes.size(); ++i) nodes[i].next = &nodes[i + 1];
        entry.properties = nodes.data();
    }
    Entry(const Entry&) = delete;  // the nodes point into texts

    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<mif::PropertyNode> nodes;
    mif::CatalogEntry entry{};
};

}  // namespace formattest
