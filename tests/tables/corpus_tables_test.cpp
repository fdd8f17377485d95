// Real documents with anchored tables: complete, leak-free, and independent
// of how the input and output are cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/test_host.h"

namespace {

TEST(CorpusTables, DocumentsWithTablesReadTheSameWayAnyHow) {
    if (!std::filesystem::is_directory(MIF_CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MIF_CORPUS_DIR)) {
        // Documents up to 600 KB keep the run short.
        if (entry.path().extension() != ".mif" || entry.file_size() > 600000) continue;
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (doc.find("<ATbl ") == std::string::npos) continue;
        // A frame anchor without an AFrames section fails the fill by design.
        bool orphan = doc.find("<AFrame ") != std::string::npos && doc.find("<AFrames") == std::string::npos;
        std::vector<uint8_t> first;
        for (uint32_t chunk : {0u, 997u}) {  // 64 KiB fills, then 4 MiB fills over short reads
            testhost::TestHost host;
            host.stream.maxChunk = chunk;
            auto run = host.ReadDocument(doc, chunk == 0 ? 65536 : 4u << 20);
            ASSERT_EQ(run.status, orphan ? MIF_STATUS_SCAN_FAILED : MIF_STATUS_OK);
            EXPECT_TRUE(orphan || run.percents.back() == 100u);
            EXPECT_TRUE(std::is_sorted(run.percents.begin(), run.percents.end()));
            EXPECT_EQ(host.allocator.live, 0);
            EXPECT_TRUE(first.empty() || run.tokens == first) << "the stream depends on buffer size and reads";
            first = run.tokens;
        }
        ++read;
    }
    EXPECT_GT(read, 0);
}

}  // namespace
