// Real documents with tables: complete, leak-free and independent of how
// the input and output are cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tables/table_docs.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream s(line);
    std::string field;
    while (std::getline(s, field, '\t')) out.push_back(field);
    return out;
}

// Corpus documents whose manifest counts at least one Tbl.
std::vector<std::string> DocumentsWithTables() {
    std::ifstream manifest(std::string(MIF_CORPUS_DIR) + "/MANIFEST.tsv");
    std::vector<std::string> files;
    std::string line;
    if (!std::getline(manifest, line)) return files;
    std::vector<std::string> header = SplitTabs(line);
    auto column = std::find(header.begin(), header.end(), "tbl");
    auto fileColumn = std::find(header.begin(), header.end(), "file");
    if (column == header.end() || fileColumn == header.end()) return files;
    size_t tbl = static_cast<size_t>(column - header.begin());
    size_t file = static_cast<size_t>(fileColumn - header.begin());
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() > tbl && std::atoi(fields[tbl].c_str()) > 0) files.push_back(fields[file]);
    }
    return files;
}

// Table tokens nest properly: a start is followed by its end before the
// next start; no malformed table token.
void ExpectBalancedTables(const std::vector<uint8_t>& tokens) {
    bool open = false;
    for (const std::string& e : tabledocs::Trace(tokens)) {
        ASSERT_NE(e, "bad");
        if (e.rfind("start(", 0) == 0) {
            EXPECT_FALSE(open) << "table started inside a table";
            open = true;
        } else if (e == "end") {
            open = false;
        }
    }
    EXPECT_FALSE(open);
}

TEST(CorpusTables, EveryDocumentWithTablesReadsTheSameWayAnyHow) {
    std::vector<std::string> files = DocumentsWithTables();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    for (const std::string& name : files) {
        std::string doc = ReadFile(std::string(MIF_CORPUS_DIR) + "/" + name);
        if (doc.empty()) continue;
        SCOPED_TRACE(name);
        // A frame anchor with no AFrames section fails the fill by design;
        // such a document must still fail the same way every time.
        bool orphanFrameAnchor =
            doc.find("<AFrame ") != std::string::npos && doc.find("<AFrames") == std::string::npos;
        int32_t wantedStatus = orphanFrameAnchor ? MIF_STATUS_SCAN_FAILED : MIF_STATUS_OK;
        struct Way {
            uint32_t bufferSize;
            uint32_t maxChunk;
        };
        std::vector<uint8_t> first;
        for (Way way : {Way{65536, 0}, Way{4u << 20, 0}, Way{65536, 997}}) {
            testhost::TestHost host;
            host.stream.maxChunk = way.maxChunk;
            auto run = host.ReadDocument(doc, way.bufferSize);
            ASSERT_EQ(run.status, wantedStatus);
            if (wantedStatus == MIF_STATUS_OK) {
                EXPECT_EQ(run.percents.back(), 100u);
            }
            EXPECT_TRUE(std::is_sorted(run.percents.begin(), run.percents.end()));
            EXPECT_EQ(host.allocator.live, 0);
            if (first.empty()) {
                first = run.tokens;
                if (wantedStatus == MIF_STATUS_OK) {
                    ExpectBalancedTables(run.tokens);
                }
            } else {
                EXPECT_TRUE(run.tokens == first) << "token stream differs for buffer " << way.bufferSize
                                                 << " and chunk " << way.maxChunk;
            }
        }
    }
}

}  // namespace
