// Helpers for the format tests: a document read through the fill with its
// context kept open for inspection, and documents with a reported flow.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/format_rules.h"
#include "formats/formats.h"
#include "support/test_host.h"

namespace formattest {

constexpr const char* kHeader = "<MIFFile 5.00>\n";

// Header plus a body page with text rectangle 7; text placed with
// <TextRectID 7> is reported.
inline std::string BodyDocument(const std::string& before, const std::string& flow) {
    return std::string(kHeader) + before + "\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow " + flow + ">\n";
}

// Reads a whole document and keeps the context until the reading is
// destroyed, which frees it and checks that nothing is left allocated.
class Reading {
public:
    explicit Reading(const std::string& document, long failAt = -1) {
        host.allocator.failAt = failAt;
        ctx = host.Open(document);
        if (ctx != nullptr) run = testhost::TestHost::Drain(ctx);
    }
    ~Reading() {
        if (ctx != nullptr) mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0) << "blocks left after mifFreeContext";
    }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

    bool Finished() const { return run.status == MIF_STATUS_OK && !run.percents.empty() && run.percents.back() == 100; }
    std::vector<testhost::Token> Body() const { return testhost::BodyTokens(run.tokens); }

    // Keyword and value of every node of a catalog entry, "keyword=value".
    static std::vector<std::string> Nodes(const mif::CatalogEntry* entry) {
        std::vector<std::string> nodes;
        for (const mif::PropertyNode* n = entry != nullptr ? entry->properties : nullptr; n != nullptr; n = n->next) {
            nodes.push_back(std::string(n->keyword) + "=" + n->value);
        }
        return nodes;
    }
    static int Count(const mif::CatalogList& list) {
        int n = 0;
        for (const mif::CatalogEntry* e = list.first; e != nullptr; e = e->next) ++n;
        return n;
    }
    static const mif::CatalogEntry* Find(const mif::CatalogList& list, const char* tag) {
        return mif::FindCatalogEntry(&list, tag);
    }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;
    testhost::TestHost::Run run;
};

// A recorded entry built from keyword/value pairs in test-owned memory, for
// calling ApplyCatalogEntry directly.
class Entry {
public:
    Entry(std::initializer_list<std::pair<std::string, std::string>> nodes) {
        texts_.reserve(nodes.size() * 2 + 2);
        nodes_.reserve(nodes.size() + 1);
        Add("PgfTag", "T");
        for (const auto& [keyword, value] : nodes) Add(keyword, value);
        for (size_t i = 0; i + 1 < nodes_.size(); ++i) nodes_[i].next = &nodes_[i + 1];
        entry_.properties = &nodes_[0];
    }
    mif::CatalogEntry* get() { return &entry_; }

private:
    void Add(const std::string& keyword, const std::string& value) {
        texts_.push_back(keyword);
        char* k = texts_.back().data();
        texts_.push_back(value);
        char* v = texts_.back().data();
        nodes_.push_back(mif::PropertyNode{k, v, nullptr});
    }
    std::vector<std::string> texts_;
    std::vector<mif::PropertyNode> nodes_;
    mif::CatalogEntry entry_{};
};

}  // namespace formattest
