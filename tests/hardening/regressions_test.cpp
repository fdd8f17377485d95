// Every input the fuzz targets found, kept minimised in inputs/ and named
// after its target, replayed through that target's checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/render_target.h"

namespace {

TEST(FuzzFindings, EveryKeptInputPassesItsTargetsChecks) {
    const std::filesystem::path inputs = std::filesystem::path(MIF_SAMPLES_DIR) / "../tests/hardening/inputs";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(inputs)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
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

}  // namespace
