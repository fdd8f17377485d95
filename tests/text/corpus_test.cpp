// Every public document of the shared corpus is read to the end, and its
// token stream does not depend on the buffer size or on how the host's
// stream chunks its reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/test_host.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusDocuments() {
    std::vector<fs::path> paths;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(MIF_CORPUS_DIR, error)) {
        if (entry.is_regular_file() && entry.path().extension() == ".mif") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Reading {
    std::vector<uint8_t> tokens;
    int32_t status = -1;
    uint32_t lastPercent = 0;
    long leaked = -1;
    bool wellFormed = false;
    int fills = 0;
};

Reading Read(const std::string& document, uint32_t bufferSize, uint32_t maxChunk) {
    testhost::TestHost host;
    host.stream.maxChunk = maxChunk;
    testhost::TestHost::Run run = host.ReadDocument(document, bufferSize);
    Reading r;
    r.tokens = std::move(run.tokens);
    r.status = run.status;
    r.lastPercent = run.percents.empty() ? 0 : run.percents.back();
    r.leaked = host.allocator.live;
    r.fills = run.fills;
    testhost::SplitTokens(r.tokens, &r.wellFormed);
    return r;
}

TEST(Corpus, EveryDocumentIsReadAlikeWhateverTheBufferAndChunkSize) {
    std::vector<fs::path> documents = CorpusDocuments();
    if (documents.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    // Short reads are tried on the smaller documents only: byte-by-byte
    // reads cost one host call per byte, and the refill path they exercise
    // is the same whatever the document's size.
    constexpr size_t kShortReadLimit = 400 * 1024;
    for (const fs::path& path : documents) {
        SCOPED_TRACE(path.filename().string());
        std::string document = ReadFile(path);
        // An AFrame anchor with no AFrames section names a frame that was
        // never read, which ends the fill with status 4 where it stands.
        bool danglingFrame = document.find("<AFrame ") != std::string::npos &&
                             document.find("<AFrames") == std::string::npos;
        Reading base = Read(document, 64 * 1024, 0);
        if (danglingFrame) {
            EXPECT_EQ(base.status, MIF_STATUS_SCAN_FAILED);
        } else {
            EXPECT_EQ(base.status, MIF_STATUS_OK);
            EXPECT_EQ(base.lastPercent, 100u);
        }
        EXPECT_EQ(base.leaked, 0);
        EXPECT_TRUE(base.wellFormed);
        EXPECT_GE(base.tokens.size(), static_cast<size_t>(MIF_FIRST_FILL_HEADER_BYTES));

        struct Variant {
            uint32_t bufferSize;
            uint32_t maxChunk;
        };
        std::vector<Variant> variants;
        if (document.size() <= kShortReadLimit) variants.insert(variants.end(), {{64 * 1024, 777}, {64 * 1024, 1}});
        // A larger buffer changes only where fills stop: when the whole
        // output fitted in one 64 KiB fill there is nothing to compare.
        if (base.fills > 1) variants.insert(variants.end(), {{256 * 1024, 0}, {4 * 1024 * 1024, 0}});
        for (const Variant& v : variants) {
            SCOPED_TRACE(testing::Message() << "buffer " << v.bufferSize << ", chunk " << v.maxChunk);
            Reading other = Read(document, v.bufferSize, v.maxChunk);
            EXPECT_EQ(other.status, base.status);
            EXPECT_EQ(other.lastPercent, base.lastPercent);
            EXPECT_EQ(other.leaked, 0);
            EXPECT_TRUE(other.tokens == base.tokens) << "token streams differ (" << other.tokens.size() << " and "
                                                     << base.tokens.size() << " bytes)";
        }
    }
}

}  // namespace
