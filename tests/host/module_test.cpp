// The module through its exported C interface, loaded and driven as a host
// does: header tokens, the header check and stream measuring. (Module::Load
// itself checks the interface slots; the careful host's tests check the rest
// through the same driver.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/mifhost.h"
#include "support/test_host.h"

using namespace mifhost;

namespace {

const Module& Loaded() {
    static const Module module = Module::Load(MIF_MODULE_PATH);
    return module;
}

const std::string kSample = testhost::ReadFile(std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif");

struct DocRun {
    RunResult run;
    Allocator::Stats alloc;
};

DocRun RunDoc(const std::string& bytes, int32_t inputSize = 0) {
    auto stream = InputStream::FromMemory(bytes);
    Host host;
    DriverOptions options;
    options.inputSize = inputSize;
    options.keepTokens = true;
    RunResult run = Driver(Loaded()).Run(host, *stream, options);
    EXPECT_EQ(host.allocator.CheckGuards(), 0u) << "a block's guard bytes were overwritten";
    return {std::move(run), host.allocator.stats()};
}

TEST(HeaderTokens, FirstFillStartsWithThe53HeaderBytesWhateverThePageSize) {
    std::vector<uint8_t> want;
    auto u8 = [&](uint8_t v) { want.push_back(v); };
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 32; i += 8) u8(static_cast<uint8_t>(v >> i)); };
    u8(16), u32(38), u8(2);
    for (uint32_t v : {12240u, 15840u, 1440u, 1440u, 1440u, 1440u, ~0u, ~0u}) u32(v);
    u8(18), u32(6), u8(0), u8(27), u32(9), u32(7);
    ASSERT_EQ(want.size(), 53u);
    for (const char* doc : {"<MIFFile 5.00>\n", "<MIFFile 7.00> <Page <PageSize  21.0cm 29.7cm>>\n"}) {
        auto r = RunDoc(doc);
        ASSERT_TRUE(r.run.finished() && r.run.tokens.size() >= want.size()) << doc;
        EXPECT_TRUE(std::equal(want.begin(), want.end(), r.run.tokens.begin())) << doc;
    }
}

TEST(HeaderCheck, RefusesWhatIsNotMifWithNothingReported) {
    const std::pair<std::string, bool> cases[] = {
        {"<MIFFile 5.00> # comment\r\n<Units Uin>\r\n", true}, {"<MIFFile 2019>", true}, {"hello world\n", false},
        {" <MIFFile 5.00>\n", false}, {"\xEF\xBB\xBF<MIFFile 5.00>\n", false}, {"<MIFfile 5.00>\n", false},
        {"<MIFFile 5.00", false} /* no '>' in the window */, {"", false}};
    for (const auto& [doc, mif] : cases) {
        auto r = RunDoc(doc, static_cast<int32_t>(std::max<size_t>(doc.size(), 1)));
        EXPECT_EQ(r.alloc.liveBlocks, 0u) << doc;
        EXPECT_EQ(r.run.finished(), mif) << doc;
        if (mif) continue;
        ASSERT_EQ(r.run.fills.size(), 1u) << doc;
        EXPECT_EQ(r.run.status, MIF_STATUS_SETUP_FAILED) << doc;
        EXPECT_FALSE(r.run.fills[0].bytesWrittenSet || r.run.fills[0].percentSet || !r.run.tokens.empty()) << doc;
    }
}

// With inputSize 0 the module measures the stream (seek to the end, tell,
// back to the start) without reading; with a size given it leaves it alone.
TEST(InitDoc, MeasuresTheStreamOnlyWhenNoSizeIsGiven) {
    const ReaderInterface& r = Loaded().reader();
    for (int32_t inputSize : {0, static_cast<int32_t>(kSample.size())}) {
        auto stream = InputStream::FromMemory(kSample);
        stream->SetLogging(true);
        Host host;
        uint32_t flag = 0;
        void* ctx = r.allocateContext(host.callback.handle(), HostCallback::function(), &flag, host.services.block(), 0);
        ASSERT_NE(ctx, nullptr);
        ASSERT_EQ(r.initDoc(ctx, nullptr, inputSize, stream->block()), MIF_STATUS_OK);
        EXPECT_TRUE(host.callback.registered());
        const auto& log = stream->log();
        auto endSeek = std::find_if(log.begin(), log.end(), [](auto& c) { return c.kind == StreamCall::Seek && c.b == 2; });
        auto tell = std::find_if(endSeek, log.end(), [](auto& c) { return c.kind == StreamCall::Tell; });
        EXPECT_EQ(log.empty(), inputSize != 0);
        EXPECT_EQ(tell != log.end() && tell->result == static_cast<int64_t>(kSample.size()), inputSize == 0);
        EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](auto& c) { return c.kind == StreamCall::Read; }));
        EXPECT_EQ(stream->Position(), 0);
        EXPECT_EQ(r.freeContext(ctx), MIF_STATUS_OK);
        EXPECT_EQ(host.allocator.stats().liveBlocks + host.allocator.stats().damaged, 0u);
    }
}

}  // namespace
