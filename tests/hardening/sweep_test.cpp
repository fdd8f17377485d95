// Refuses every allocation in turn while the sample and each corpus document
// under 100 KB are read in fills of 300 bytes, with their objects read
// between fills (mifcheck::SweepRefusals).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/careful_host.h"

namespace {

TEST(AllocationSweep, EveryRefusedAllocationEndsCleanly) {
    std::vector<std::filesystem::path> paths = {std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif"};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MIF_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".mif" && entry.file_size() < 100000) paths.push_back(entry.path());
    }
    mifcheck::Feed feed;
    feed.bufferSize = 300;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::string document{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(mifcheck::SweepRefusals(mifcheck::LinkedModule(), document, feed), "") << path;
    }
}

}  // namespace
