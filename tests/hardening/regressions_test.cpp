// Every input the fuzz targets found, kept minimised in inputs/ and named
// after its target, replayed through that target's checks; and every
// allocation refused in turn while the sample and each corpus document under
// 100 KB are read in fills of 300 bytes, with their objects read between
// fills (mifcheck::SweepRefusals).
#include <gtest/gtest.h>

#include "fuzz/render_target.h"
#include "support/test_host.h"

namespace {

TEST(FuzzFindings, EveryKeptInputPassesItsTargetsChecks) {
    const std::filesystem::path inputs = std::filesystem::path(MIF_SAMPLES_DIR) / "../tests/hardening/inputs";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(inputs)) {
        const std::string bytes = testhost::ReadFile(entry.path());
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        const std::string name = entry.path().filename().string();
        const bool read = name.starts_with("read-");
        ASSERT_TRUE(read || name.starts_with("render-")) << name << " names no target";
        EXPECT_EQ(read ? mifcheck::CheckReadInput(data, bytes.size()) : mifcheck::CheckRenderInput(data, bytes.size()),
                  "")
            << name;
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

TEST(AllocationSweep, EveryRefusedAllocationEndsCleanly) {
    mifcheck::Feed feed;
    feed.bufferSize = 300;
    for (const auto& path : testhost::SampleAndCorpus(100000)) {
        EXPECT_EQ(mifcheck::SweepRefusals(mifcheck::LinkedModule(), testhost::ReadFile(path), feed), "") << path;
    }
}

}  // namespace
