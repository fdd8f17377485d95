// The module through its exported C interface, as a host loads it.
#include <cstring>

#include "fixture.h"

using namespace mifhost;
using hosttest::LoadedModule;
using hosttest::RunDocument;

namespace {

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

TEST(ModuleInterface, FillsEntrySlotsAndClearsTheRest) {
    const EntryPoints& e = LoadedModule().exports();
    for (uint8_t garbage : {0x00, 0x5A, 0xFF}) {
        void* table[MIF_INTERFACE_SLOTS];
        std::memset(table, garbage, sizeof table);
        e.getReaderInterface(table);
        for (int i = 0; i < MIF_INTERFACE_SLOTS; ++i) {
            bool used = i <= 3 || i == 9;
            EXPECT_EQ(table[i] != nullptr, used) << "slot " << i << " after garbage " << int(garbage);
        }
        EXPECT_EQ(table[0], reinterpret_cast<void*>(e.allocateContext));
        EXPECT_EQ(table[1], reinterpret_cast<void*>(e.freeContext));
        EXPECT_EQ(table[2], reinterpret_cast<void*>(e.initDoc));
        EXPECT_EQ(table[3], reinterpret_cast<void*>(e.fillBuffer));
        EXPECT_EQ(table[9], reinterpret_cast<void*>(e.charSet));
    }
}

TEST(ModuleInterface, CharSetIsSevenWithoutAContext) { EXPECT_EQ(LoadedModule().reader().charSet(), MIF_CHARSET); }

TEST(ModuleInterface, LoadingAMissingLibraryThrows) {
    EXPECT_THROW(Module::Load("/nonexistent/libmifreader.so"), ModuleError);
}

TEST(ModuleInterface, NullContextIsRefused) {
    const ReaderInterface& r = LoadedModule().reader();
    EXPECT_EQ(r.initDoc(nullptr, nullptr, 0, nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(r.freeContext(nullptr), MIF_STATUS_SETUP_FAILED);
}

TEST(ModuleInterface, ContextAllocationFailureStillSetsTheFlag) {
    auto run = RunDocument("<MIFFile 5.00>\n", {.failAt = 1});
    EXPECT_EQ(run.run.outcome, RunResult::Outcome::NoContext);
    EXPECT_EQ(run.run.allocateFlag, 1u);
    EXPECT_EQ(run.alloc.liveBlocks, 0u);
}

TEST(HeaderTokens, FirstFillStartsWithThe53HeaderBytes) {
    std::vector<uint8_t> want;
    want.push_back(16);
    PutU32(want, 38);
    want.push_back(2);
    for (uint32_t v : {12240u, 15840u, 1440u, 1440u, 1440u, 1440u, 0xFFFFFFFFu, 0xFFFFFFFFu}) PutU32(want, v);
    want.push_back(18);
    PutU32(want, 6);
    want.push_back(0);
    want.push_back(27);
    PutU32(want, 9);
    PutU32(want, 7);
    ASSERT_EQ(want.size(), static_cast<size_t>(MIF_FIRST_FILL_HEADER_BYTES));

    // Whatever the document holds, the page size is not read yet.
    for (const std::string& doc : std::vector<std::string>{std::string("<MIFFile 5.00>\n"), hosttest::SampleDocument(),
                                  std::string("<MIFFile 7.00> <Page <PageSize 21.0cm 29.7cm>>\n")}) {
        auto run = RunDocument(doc);
        ASSERT_TRUE(run.run.finished());
        ASSERT_GE(run.run.tokens.size(), want.size());
        EXPECT_TRUE(std::equal(want.begin(), want.end(), run.run.tokens.begin()));
        auto tokens = DecodeTokens(std::span(run.run.tokens).first(MIF_FIRST_FILL_HEADER_BYTES));
        ASSERT_EQ(tokens.size(), 3u);
        const auto& page = std::get<PageToken>(tokens[0].value);
        EXPECT_EQ(page.width, 12240u);
        EXPECT_EQ(page.height, 15840u);
        EXPECT_EQ(std::get<LineSpacingToken>(tokens[1].value).lineClass, 0);
        EXPECT_EQ(std::get<CharsetToken>(tokens[2].value).charset, 7u);
    }
}

TEST(HeaderCheck, InputThatIsNotMifIsRefusedWithNothingReported) {
    const std::string cases[] = {
        "hello world\n",
        " <MIFFile 5.00>\n",
        "\n<MIFFile 5.00>\n",
        "\xEF\xBB\xBF<MIFFile 5.00>\n",
        "<MIFfile 5.00>\n",
        "<MIFFile 5.00",  // no closing bracket in the window
        "",
    };
    for (const std::string& doc : cases) {
        auto run = RunDocument(doc, {.inputSize = static_cast<int32_t>(doc.size() == 0 ? 1 : doc.size())});
        SCOPED_TRACE(testing::PrintToString(doc));
        ASSERT_EQ(run.run.fills.size(), 1u);
        EXPECT_EQ(run.run.status, MIF_STATUS_SETUP_FAILED);
        EXPECT_FALSE(run.run.fills[0].bytesWrittenSet);
        EXPECT_FALSE(run.run.fills[0].percentSet);
        EXPECT_TRUE(run.run.tokens.empty());
        EXPECT_EQ(run.alloc.liveBlocks, 0u);
    }
}

TEST(HeaderCheck, AcceptsAnyVersionAndACommentWithCrLf) {
    for (const std::string& doc : std::vector<std::string>{"<MIFFile 5.00> # comment\r\n<Units Uin>\r\n", "<MIFFile 99>\n", "<MIFFile 2019>"}) {
        auto run = RunDocument(doc);
        EXPECT_TRUE(run.run.finished()) << doc;
        EXPECT_EQ(run.run.lastPercent, 100u);
    }
}

TEST(InitDoc, InputSizeZeroMeasuresTheStreamAndRewinds) {
    const std::string doc = hosttest::SampleDocument();
    auto stream = InputStream::FromMemory(doc);
    stream->SetLogging(true);
    Host host;
    const ReaderInterface& r = LoadedModule().reader();
    uint32_t flag = 0;
    void* ctx = r.allocateContext(host.callback.handle(), HostCallback::function(), &flag, host.services.block(), 0);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(flag, 1u);
    ASSERT_EQ(r.initDoc(ctx, nullptr, 0, stream->block()), MIF_STATUS_OK);

    // Measuring: to the end, ask the position, back to the start; no reads.
    bool sawEndSeek = false, sawTell = false;
    for (const StreamCall& c : stream->log()) {
        EXPECT_NE(c.kind, StreamCall::Read);
        if (c.kind == StreamCall::Seek && c.b == 2) sawEndSeek = true;
        if (c.kind == StreamCall::Tell && sawEndSeek) {
            sawTell = true;
            EXPECT_EQ(c.result, static_cast<int64_t>(doc.size()));
        }
    }
    EXPECT_TRUE(sawEndSeek);
    EXPECT_TRUE(sawTell);
    EXPECT_EQ(stream->Position(), 0);
    EXPECT_TRUE(host.callback.registered());
    EXPECT_EQ(r.freeContext(ctx), MIF_STATUS_OK);
    EXPECT_EQ(host.allocator.stats().liveBlocks, 0u);
}

TEST(InitDoc, GivenInputSizeLeavesTheStreamAlone) {
    const std::string doc = hosttest::SampleDocument();
    auto stream = InputStream::FromMemory(doc);
    stream->SetLogging(true);
    Host host;
    const ReaderInterface& r = LoadedModule().reader();
    uint32_t flag = 0;
    void* ctx = r.allocateContext(host.callback.handle(), HostCallback::function(), &flag, host.services.block(), 0);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(r.initDoc(ctx, nullptr, static_cast<int32_t>(doc.size()), stream->block()), MIF_STATUS_OK);
    EXPECT_TRUE(stream->log().empty());
    r.freeContext(ctx);
}

TEST(InitDoc, RegistersTheObjectCallbackRecord) {
    auto stream = InputStream::FromMemory("<MIFFile 5.00>\n");
    Host host;
    const ReaderInterface& r = LoadedModule().reader();
    uint32_t flag = 0;
    void* ctx = r.allocateContext(host.callback.handle(), HostCallback::function(), &flag, host.services.block(), 0);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(r.initDoc(ctx, nullptr, 0, stream->block()), MIF_STATUS_OK);
    ASSERT_EQ(host.callback.registrations(), 1);
    const HostCallback::Record& rec = host.callback.objectRecord();
    uint32_t header[2];
    std::memcpy(header, &rec[0], sizeof header);
    EXPECT_EQ(header[0], 3u);
    EXPECT_EQ(header[1], 5u);
    EXPECT_EQ(rec[1], ~uint64_t{0});
    EXPECT_EQ(rec[2], 0u);
    EXPECT_EQ(rec[3], reinterpret_cast<uintptr_t>(ctx));
    for (int slot = 4; slot < MIF_OC_SLOTS; ++slot) {
        bool callback = slot == 7 || slot == 8 || slot == 10 || slot == 11 || slot == 12;
        EXPECT_EQ(rec[slot] != 0, callback) << "slot " << slot;
    }
    r.freeContext(ctx);
}

TEST(Allocation, EveryRefusedAllocationOfTheSampleFailsCleanly) {
    const std::string doc = hosttest::SampleDocument();
    auto clean = RunDocument(doc);
    ASSERT_TRUE(clean.run.finished());
    ASSERT_EQ(clean.alloc.liveBlocks, 0u);
    ASSERT_EQ(clean.alloc.badFrees, 0u);
    const uint64_t n = clean.alloc.allocations;
    ASSERT_GT(n, 0u);
    for (uint64_t k = 1; k <= n + 1; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k) + " of " + std::to_string(n) + " refused");
        auto run = RunDocument(doc, {.failAt = k});
        EXPECT_EQ(run.alloc.liveBlocks, 0u);
        EXPECT_EQ(run.alloc.badFrees, 0u);
        EXPECT_FALSE(run.run.overran);
        using O = RunResult::Outcome;
        switch (run.run.outcome) {
            case O::NoContext: EXPECT_EQ(run.run.allocateFlag, 1u); break;
            case O::InitFailed: EXPECT_EQ(run.run.initStatus, MIF_STATUS_SETUP_FAILED); break;
            case O::FillFailed:
                EXPECT_TRUE(run.run.status == MIF_STATUS_SCAN_FAILED || run.run.status == MIF_STATUS_SETUP_FAILED)
                    << run.run.status;
                break;
            case O::Finished: break;
            case O::Stalled: ADD_FAILURE() << "the reader stopped making progress"; break;
        }
        if (run.run.outcome == RunResult::Outcome::FillFailed && run.run.status == MIF_STATUS_SCAN_FAILED) {
            EXPECT_NO_THROW(DecodeTokens(run.run.tokens));  // what was written stays well formed
            EXPECT_EQ(run.statusWord, 4u);
        }
    }
}

}  // namespace
