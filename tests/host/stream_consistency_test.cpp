// The token stream must not depend on how the host feeds the module: buffer
// size and short reads change where fills end, never the bytes.
#include "fixture.h"

using namespace mifhost;
using hosttest::RunDocument;
using hosttest::FeedOptions;

namespace {

// Checks one document: it reads to the end (or stops with a reported status)
// without leaks or overruns, and every way of feeding it gives the same bytes.
void CheckDocument(const std::string& doc, bool slowReads) {
    auto base = RunDocument(doc);
    EXPECT_FALSE(base.run.overran);
    EXPECT_EQ(base.alloc.liveBlocks, 0u);
    EXPECT_EQ(base.alloc.badFrees, 0u);
    EXPECT_NE(base.run.outcome, RunResult::Outcome::Stalled);
    if (base.run.finished()) {
        EXPECT_EQ(base.run.lastPercent, 100u);
    } else {
        EXPECT_EQ(base.run.outcome, RunResult::Outcome::FillFailed);
        EXPECT_EQ(base.run.status, MIF_STATUS_SCAN_FAILED);
    }
    EXPECT_NO_THROW(DecodeTokens(base.run.tokens));
    // Percentages never go backwards.
    for (size_t i = 1; i < base.run.fills.size(); ++i) {
        EXPECT_GE(base.run.fills[i].percent, base.run.fills[i - 1].percent) << "fill " << i;
    }

    std::vector<FeedOptions> variants = {{.bufferSize = 256u << 10}, {.bufferSize = 4u << 20}, {.maxChunk = 4095}};
    if (slowReads) {
        variants.push_back({.maxChunk = 7});
        variants.push_back({.maxChunk = 1});
    }
    for (const FeedOptions& feed : variants) {
        SCOPED_TRACE("buffer " + std::to_string(feed.bufferSize) + ", read chunk " + std::to_string(feed.maxChunk));
        auto other = RunDocument(doc, feed);
        EXPECT_EQ(other.run.outcome, base.run.outcome);
        EXPECT_EQ(other.run.status, base.run.status);
        EXPECT_EQ(other.alloc.liveBlocks, 0u);
        EXPECT_FALSE(other.run.overran);
        ASSERT_EQ(other.run.tokens.size(), base.run.tokens.size());
        EXPECT_TRUE(other.run.tokens == base.run.tokens);
    }
}

TEST(StreamConsistency, Sample) { CheckDocument(hosttest::SampleDocument(), true); }

// Larger buffers than the document's output give a single fill.
TEST(StreamConsistency, SampleFitsInOneFill) {
    auto run = RunDocument(hosttest::SampleDocument(), {.bufferSize = 4u << 20});
    ASSERT_TRUE(run.run.finished());
    EXPECT_EQ(run.run.fills.size(), 1u);
}

class CorpusDocument : public testing::TestWithParam<std::string> {};

TEST_P(CorpusDocument, ReadsToTheEndTheSameWayWhateverTheFeeding) {
    const auto path = std::filesystem::path(MIF_CORPUS_DIR) / GetParam();
    const std::string doc = hosttest::ReadFile(path);
    ASSERT_FALSE(doc.empty());
    // Byte-at-a-time reads are slow on the large documents; the small ones
    // cover the same code.
    CheckDocument(doc, doc.size() <= (400u << 10));
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusDocument, testing::ValuesIn(hosttest::CorpusFiles()), hosttest::TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusDocument);

// A file stream and a memory stream over the same document give the same
// tokens (the file stream is what mifread uses).
TEST(StreamConsistency, FileStreamMatchesMemoryStream) {
    auto files = hosttest::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    const auto path = (std::filesystem::path(MIF_CORPUS_DIR) / files.front()).string();
    auto fromMemory = RunDocument(hosttest::ReadFile(path));
    auto file = InputStream::FromFile(path);
    Host host;
    RunResult fromFile = Driver(hosttest::LoadedModule()).Run(host, *file);
    EXPECT_EQ(fromFile.outcome, fromMemory.run.outcome);
    EXPECT_TRUE(fromFile.tokens == fromMemory.run.tokens);
}

}  // namespace
