// Every public document of the shared corpus is read to the end, and its
// token stream depends neither on the buffer size nor on short reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_host.h"

namespace {

TEST(Corpus, EveryDocumentReadsAlikeWhateverTheBufferAndChunkSize) {
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MIF_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".mif") paths.push_back(entry.path());
    }
    if (paths.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    for (const auto& path : paths) {
        SCOPED_TRACE(path.filename().string());
        std::ifstream in(path, std::ios::binary);
        const std::string document{std::istreambuf_iterator<char>(in), {}};
        // A frame anchor without an AFrames section names a frame that is never read: status 4 where it stands.
        bool dangling = document.find("<AFrame ") != document.npos && document.find("<AFrames") == document.npos;
        std::vector<uint8_t> first;
        int fills = 0;
        // A larger buffer only where the first reading took several fills; byte-by-byte reads only on the
        // smaller documents: the refill path they take is the same for all.
        for (auto [bufferSize, chunk] : {std::pair<uint32_t, uint32_t>{64 << 10, 0}, {4 << 20, 0}, {64 << 10, 1}}) {
            if (chunk == 0 ? fills == 1 : document.size() > (128 << 10)) continue;
            testhost::TestHost host;
            host.stream.maxChunk = chunk;
            testhost::TestHost::Run run = host.ReadDocument(document, bufferSize);
            bool wellFormed = false;
            testhost::SplitTokens(run.tokens, &wellFormed);
            EXPECT_TRUE(wellFormed && host.allocator.live == 0) << bufferSize << "/" << chunk;
            EXPECT_EQ(run.status, dangling ? MIF_STATUS_SCAN_FAILED : MIF_STATUS_OK) << bufferSize << "/" << chunk;
            EXPECT_TRUE(dangling || (!run.percents.empty() && run.percents.back() == 100u));
            if (fills == 0) first = run.tokens, fills = run.fills;
            EXPECT_TRUE(run.tokens == first) << bufferSize << "/" << chunk;
        }
    }
}

}  // namespace
