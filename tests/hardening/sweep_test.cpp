// Refuses every allocation in turn while the sample and each corpus document
// under 100 KB are read in fills of 300 bytes, with their objects read between
// fills: every run fails with a documented status or finishes early (a
// refused block for carrying a cut statement ends the input), writes a
// prefix of the full output, and passes every check of the careful host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/careful_host.h"

namespace {

using Outcome = mifhost::RunResult::Outcome;

TEST(AllocationSweep, EveryRefusedAllocationEndsCleanly) {
    std::vector<std::filesystem::path> paths = {std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif"};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MIF_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".mif" && entry.file_size() < 100000) paths.push_back(entry.path());
    }
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::string document{std::istreambuf_iterator<char>(in), {}};
        mifcheck::Feed feed;
        feed.bufferSize = 300;
        const mifcheck::Checked full = mifcheck::Read(mifcheck::LinkedModule(), document, feed);
        ASSERT_EQ(full.problem, "") << path;
        for (feed.failAt = 1; feed.failAt <= full.memory.allocations; ++feed.failAt) {
            SCOPED_TRACE(path.filename().string() + ", allocation " + std::to_string(feed.failAt) + " refused");
            const mifcheck::Checked c = mifcheck::Read(mifcheck::LinkedModule(), document, feed);
            EXPECT_EQ(c.problem, "");
            EXPECT_TRUE(c.run.outcome != Outcome::FillFailed || c.run.status == MIF_STATUS_SCAN_FAILED);
            EXPECT_TRUE(mifcheck::IsPrefix(c.run.tokens, full.run.tokens));
        }
    }
}

}  // namespace
