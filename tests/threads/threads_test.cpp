// Two threads read the sample and every corpus document at once, each
// document in a context of its own and through the careful host's checks:
// one in 64 KiB fills with plain reads, from the first document on; the
// other in 4 MiB fills with mixed short reads, -1 at the end of the input
// and every frame's object read between fills, from the last. Both must
// write the same tokens for every document. make test also runs this under
// ThreadSanitizer, which must find no race.
#include <gtest/gtest.h>

#include <thread>

#include "fuzz/careful_host.h"
#include "support/test_host.h"

namespace {

TEST(Threads, TwoThreadsReadEveryDocumentAlike) {
    const std::vector<std::filesystem::path> paths = testhost::SampleAndCorpus();
    std::vector<std::string> documents;
    for (const auto& path : paths) documents.push_back(testhost::ReadFile(path));
    const size_t n = documents.size();
    auto read = [&](std::vector<mifcheck::Checked>* out, const mifcheck::Feed& feed, bool backwards) {
        out->resize(n);
        for (size_t i = 0; i < n; ++i) {
            const size_t d = backwards ? n - 1 - i : i;
            (*out)[d] = mifcheck::Read(mifcheck::LinkedModule(), documents[d], feed);
        }
    };
    mifcheck::Feed plain, mixed;
    plain.readObjects = false;
    mixed.bufferSize = 4u << 20;
    mixed.chunks = {1, 7, 4093, 0};
    mixed.endResult = -1;
    std::vector<mifcheck::Checked> a, b;
    std::thread first(read, &a, plain, false), second(read, &b, mixed, true);
    first.join();
    second.join();
    for (size_t d = 0; d < n; ++d) {
        SCOPED_TRACE(paths[d].filename().string());
        // A frame anchor without an AFrames section names a frame that is
        // never read: status 4 where it stands.
        const bool dangling = documents[d].find("<AFrame ") != std::string::npos &&
                              documents[d].find("<AFrames") == std::string::npos;
        EXPECT_EQ(a[d].problem + b[d].problem, "");
        EXPECT_EQ(a[d].run.status, dangling ? MIF_STATUS_SCAN_FAILED : MIF_STATUS_OK);
        EXPECT_EQ(b[d].run.status, a[d].run.status);
        EXPECT_TRUE(a[d].run.tokens == b[d].run.tokens);
    }
}

}  // namespace
