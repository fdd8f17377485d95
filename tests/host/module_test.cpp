// The module through its exported C interface, loaded and driven as a host
// does: entry slots, header tokens and check, stream measuring, allocation
// failure, and token streams that do not depend on how the input is fed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/mifhost.h"

using namespace mifhost;

namespace {

const Module& Loaded() {
    static const Module module = Module::Load(MIF_MODULE_PATH);
    return module;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

const std::string kSample = ReadFile(std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif");

struct Feed {
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    uint32_t maxChunk = 0;  // largest read the stream delivers (0: no limit)
    uint64_t failAt = 0;    // allocation attempt to refuse (0: none)
    int32_t inputSize = 0;
};

struct DocRun {
    RunResult run;
    Allocator::Stats alloc;
    uint32_t statusWord = 0;
};

DocRun RunDoc(const std::string& bytes, const Feed& feed = {}) {
    auto stream = InputStream::FromMemory(bytes);
    stream->SetMaxChunk(feed.maxChunk);
    Host host;
    host.allocator.FailAt(feed.failAt);
    DriverOptions options;
    options.bufferSize = feed.bufferSize;
    options.inputSize = feed.inputSize;
    options.keepTokens = true;
    RunResult run = Driver(Loaded()).Run(host, *stream, options);
    EXPECT_EQ(host.allocator.CheckGuards() + host.allocator.stats().damaged, 0u) << "a block's guard bytes were overwritten";
    return {std::move(run), host.allocator.stats(), host.services.StatusWord()};
}

TEST(ModuleInterface, FillsTheFiveEntrySlotsAndClearsTheRest) {
    const EntryPoints& e = Loaded().exports();
    auto p = [](auto fn) { return reinterpret_cast<void*>(fn); };
    void* const want[MIF_INTERFACE_SLOTS] = {p(e.allocateContext), p(e.freeContext), p(e.initDoc), p(e.fillBuffer),
                                             nullptr, nullptr, nullptr, nullptr, nullptr, p(e.charSet)};
    for (int garbage : {0x00, 0xA5}) {
        void* table[MIF_INTERFACE_SLOTS];
        std::memset(table, garbage, sizeof table);
        e.getReaderInterface(table);
        for (int i = 0; i < MIF_INTERFACE_SLOTS; ++i) EXPECT_EQ(table[i], want[i]) << "slot " << i << ", garbage " << garbage;
    }
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
        auto r = RunDoc(doc, {.inputSize = static_cast<int32_t>(std::max<size_t>(doc.size(), 1))});
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
        EXPECT_EQ(host.allocator.stats().liveBlocks, 0u);
    }
}

// Refusing each allocation of the sample in turn: every run ends cleanly,
// frees everything, and a fill that fails for it says so in the status word.
TEST(Allocation, EveryRefusedAllocationOfTheSampleFailsCleanly) {
    const uint64_t n = RunDoc(kSample).alloc.allocations;
    ASSERT_GT(n, 0u);
    for (uint64_t k = 1; k <= n; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " of " + std::to_string(n) + " refused");
        auto r = RunDoc(kSample, {.failAt = k});
        EXPECT_EQ(r.alloc.liveBlocks + r.alloc.badFrees, 0u);
        EXPECT_FALSE(r.run.overran);
        switch (r.run.outcome) {
            case RunResult::Outcome::NoContext: EXPECT_EQ(r.run.allocateFlag, 1u); break;
            case RunResult::Outcome::InitFailed: EXPECT_EQ(r.run.initStatus, MIF_STATUS_SETUP_FAILED); break;
            case RunResult::Outcome::FillFailed:
                EXPECT_TRUE(r.run.status != MIF_STATUS_SCAN_FAILED || r.statusWord == 4u);
                EXPECT_TRUE(r.run.status == MIF_STATUS_SCAN_FAILED || r.run.status == MIF_STATUS_SETUP_FAILED);
                EXPECT_NO_THROW(DecodeTokens(r.run.tokens));  // what was written stays well formed
                break;
            default: EXPECT_TRUE(r.run.finished());
        }
    }
}

// One document reads to 100 percent, or stops with status 4 (and 4 in the
// status word), without leaks or
// overruns and with rising percentages; every other feeding gives the same
// bytes. A larger buffer is tried only where the first run needed several fills.
void CheckFeeding(const std::string& doc, const std::vector<Feed>& variants) {
    auto base = RunDoc(doc);
    EXPECT_EQ(base.alloc.liveBlocks, 0u);
    EXPECT_FALSE(base.run.overran);
    EXPECT_TRUE(base.run.finished() ? base.run.lastPercent == 100 : base.run.status == MIF_STATUS_SCAN_FAILED);
    EXPECT_TRUE(base.run.finished() || base.statusWord == 4u);
    EXPECT_TRUE(std::is_sorted(base.run.fills.begin(), base.run.fills.end(),
                               [](const FillRecord& a, const FillRecord& b) { return a.percent < b.percent; }));
    EXPECT_NO_THROW(DecodeTokens(base.run.tokens));
    for (const Feed& feed : variants) {
        if (feed.bufferSize > MIF_MIN_BUFFER_SIZE && base.run.fills.size() == 1) continue;  // no fill to move
        auto other = RunDoc(doc, feed);
        EXPECT_EQ(other.run.status, base.run.status);
        EXPECT_EQ(other.alloc.liveBlocks, 0u);
        EXPECT_TRUE(other.run.tokens == base.run.tokens) << "buffer " << feed.bufferSize << ", reads " << feed.maxChunk;
    }
}

TEST(StreamConsistency, SampleWithShortReads) { CheckFeeding(kSample, {{.maxChunk = 7}, {.maxChunk = 1}}); }

// Every corpus document with a 4 MiB buffer; the smallest few also with short reads.
TEST(StreamConsistency, Corpus) {
    std::vector<std::pair<uintmax_t, std::filesystem::path>> docs;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(MIF_CORPUS_DIR, ec)) {
        if (e.path().extension() == ".mif") docs.emplace_back(e.file_size(), e.path());
    }
    if (docs.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    std::sort(docs.begin(), docs.end());
    for (size_t i = 0; i < docs.size(); ++i) {
        SCOPED_TRACE(docs[i].second.filename().string());
        CheckFeeding(ReadFile(docs[i].second), i < 4 ? std::vector<Feed>{{.bufferSize = 4u << 20}, {.maxChunk = 61}}
                                                     : std::vector<Feed>{{.bufferSize = 4u << 20}});
    }
}

}  // namespace
