// The fill loop: the document header check, failure statuses, the
// nine-tenths stop and its resumption, progress, and memory failures. The
// header tokens and interface slots are checked through the loaded library
// in the host toolkit's tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_host.h"

namespace {

using testhost::SplitTokens;
using testhost::TestHost;
using testhost::Token;
using testhost::U32At;

const char kIncludeNotice[] = "include statment encountered";

int CountText(const std::vector<uint8_t>& tokens, const std::string& text) {
    int n = 0;
    for (const Token& t : SplitTokens(tokens)) n += (t.code == MIF_TOKEN_TEXT && t.Text() == text);
    return n;
}

TEST(HeaderCheck, AnyVersionIsAcceptedAndTheCommentLineIsConsumed) {
    TestHost host;
    const std::string doc = "<MIFFile 99> # written by hand\r\n  include(x)\n";
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    auto run = TestHost::Drain(ctx);
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(CountText(run.tokens, kIncludeNotice), 1);
    EXPECT_EQ(run.percents.back(), 100u);
    mifFreeContext(ctx);
}

TEST(FillStatus, MissingContextOrOutputsAreRefused) {
    uint32_t written = 0, percent = 0;
    uint8_t buffer[64];
    EXPECT_EQ(mifInitDoc(nullptr, nullptr, 0, nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(mifFreeContext(nullptr), MIF_STATUS_SETUP_FAILED);
    EXPECT_EQ(mifFillBuffer(nullptr, buffer, &written, &percent, sizeof buffer), MIF_STATUS_SETUP_FAILED);
}

TEST(FillStatus, SecondHeaderStatementFailsWithFourAndSetsTheStatusWord) {
    TestHost host;
    const std::string doc = "<MIFFile 5.00>\ninclude(a)\n<MIFFile 5.00>\ninclude(b)\n";
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    std::vector<uint8_t> buffer(65536);
    uint32_t written = 0, percent = 999;
    EXPECT_EQ(mifFillBuffer(ctx, buffer.data(), &written, &percent, 65536), MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(host.StatusWord(), 4u);
    EXPECT_EQ(written, 53u + 37u) << "tokens written before the failure are reported";
    EXPECT_LT(percent, 100u);
    EXPECT_GT(percent, 0u);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(InitDoc, RegistersTheObjectCallbackRecord) {
    TestHost host;
    mif::ReaderContext* ctx = host.Open("<MIFFile 5.00>\n");
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(host.objectCallbacks.size(), static_cast<size_t>(MIF_OC_SIZE));
    const std::vector<uint8_t>& r = host.objectCallbacks;
    EXPECT_EQ(U32At(r, 0), 3u);
    EXPECT_EQ(U32At(r, 4), 5u);
    EXPECT_EQ(U32At(r, 8), 0xFFFFFFFFu);
    EXPECT_EQ(U32At(r, 12), 0xFFFFFFFFu);
    void* context = nullptr;
    std::memcpy(&context, r.data() + 8 * MIF_OC_SLOT_CONTEXT, sizeof context);
    EXPECT_EQ(context, ctx);
    mifFreeContext(ctx);
}

// A document of many macro notices, so that output volume is known exactly.
std::string NoticeDocument(int notices) {
    std::string doc = "<MIFFile 5.00>\n";
    for (int i = 0; i < notices; ++i) doc += (i % 2 ? "define(x)\n" : "include(y)\n");
    return doc;
}

TEST(NineTenths, FillStopsAtTheThresholdAndResumesWithoutRereading) {
    const std::string doc = NoticeDocument(2000);  // about 21 KB: six windows
    TestHost whole;
    auto reference = whole.ReadDocument(doc, 1 << 20);
    ASSERT_EQ(reference.status, MIF_STATUS_OK);
    ASSERT_EQ(reference.fills, 1);
    long referenceReads = whole.stream.reads;

    for (uint32_t size : {430u, 1000u, 4096u, 65536u}) {
        TestHost host;
        mif::ReaderContext* ctx = host.Open(doc);
        ASSERT_NE(ctx, nullptr);
        std::vector<uint8_t> all;
        std::vector<uint8_t> buffer(size + 64, 0xEE);
        uint32_t last = 0;
        int32_t status = 0;
        for (int fill = 0; fill < 100000; ++fill) {
            uint32_t written = 0, percent = 0;
            status = mifFillBuffer(ctx, buffer.data(), &written, &percent, size);
            ASSERT_EQ(status, MIF_STATUS_OK) << size;
            ASSERT_LE(written, size);
            for (size_t i = size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xEE) << "wrote past the buffer";
            if (percent < 100) {
                // Not finished: the fill stopped because nine tenths were used.
                EXPECT_GE(written, size * 9 / 10) << size;
            }
            ASSERT_GE(percent, last) << "progress went backwards";
            last = percent;
            all.insert(all.end(), buffer.begin(), buffer.begin() + written);
            if (percent >= 100) break;
        }
        EXPECT_EQ(last, 100u);
        EXPECT_EQ(all, reference.tokens) << "buffer size " << size;
        EXPECT_EQ(host.stream.reads, referenceReads) << "a resumed fill must not read again";
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
}

TEST(NineTenths, AStopAtTheThresholdDoesNotDependOnWhatEndsTheWindow) {
    // The last notice crosses the threshold; the window then ends in a
    // comment and blanks, or in one more stray byte. Either way the fill
    // stops there and a second fill reports the end.
    std::string doc = "<MIFFile 5.00>\n";
    for (int i = 0; i < 19; ++i) doc += "define(a)\n";
    doc += "define(a) # c\n  ";
    for (const std::string& tail : {std::string(), std::string("x")}) {
        TestHost host;
        auto run = host.ReadDocument(doc + tail, 1000);
        ASSERT_EQ(run.status, MIF_STATUS_OK) << tail;
        EXPECT_EQ(run.fills, 2) << "tail '" << tail << "'";
        EXPECT_LT(run.percents.front(), 100u) << tail;
    }
}

TEST(SmallBuffers, OutputThatCannotFitStopsWithFiveAndNeverOverruns) {
    for (uint32_t size : {0u, 20u, 52u}) {
        TestHost host;
        mif::ReaderContext* ctx = host.Open(NoticeDocument(3));
        std::vector<uint8_t> buffer(size + 64, 0xEE);
        uint32_t written = 77, percent = 77;
        EXPECT_EQ(mifFillBuffer(ctx, buffer.data(), &written, &percent, size), MIF_STATUS_BUFFER_TOO_SMALL);
        EXPECT_EQ(written, 0u);
        for (uint8_t b : buffer) ASSERT_EQ(b, 0xEE);
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
    TestHost host;
    auto run = host.ReadDocument(NoticeDocument(3), 70);  // header fits, a 43-byte notice does not
    EXPECT_EQ(run.status, MIF_STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(run.tokens.size(), 53u);
    EXPECT_EQ(host.StatusWord(), 5u);
}

TEST(Progress, ExactlyOneWindowAndSizesAroundIt) {
    for (size_t size : {4095u, 4096u, 4097u, 8192u, 8193u}) {
        std::string doc = "<MIFFile 5.00>\n";
        while (doc.size() + 11 <= size) doc += "include(y)\n";
        doc.append(size - doc.size(), ' ');
        TestHost host;
        auto run = host.ReadDocument(doc);
        ASSERT_EQ(run.status, MIF_STATUS_OK) << size;
        EXPECT_EQ(run.percents.back(), 100u) << size;
        EXPECT_EQ(CountText(run.tokens, kIncludeNotice), static_cast<int>((size - 15) / 11)) << size;
        EXPECT_EQ(host.allocator.live, 0);
    }
}

TEST(Progress, ShortReadsGiveTheSameStream) {
    const std::string doc = NoticeDocument(1500);
    TestHost whole;
    auto reference = whole.ReadDocument(doc);
    for (uint32_t chunk : {1u, 7u, 4095u}) {
        TestHost host;
        host.stream.maxChunk = chunk;
        auto run = host.ReadDocument(doc);
        EXPECT_EQ(run.tokens, reference.tokens) << chunk;
    }
}

TEST(MemoryFailure, EveryAllocationPointFailsCleanly) {
    // Crosses windows with carried pieces and nests statements.
    std::string doc = "<MIFFile 5.00>\n";
    while (doc.size() < 9000) doc += "<Unknown <Nested 1> # note\n> include(y)\n";
    TestHost probe;
    auto reference = probe.ReadDocument(doc);
    ASSERT_EQ(reference.status, MIF_STATUS_OK);
    long total = probe.allocator.count;
    ASSERT_GE(total, 2) << "the context and a block of statement frames";
    for (long k = 1; k <= total; ++k) {
        TestHost host;
        host.allocator.failAt = k;
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(&host, nullptr, &flag, host.Services(), 0);
        EXPECT_EQ(flag, 1u);
        if (ctx == nullptr) continue;
        host.stream.data = doc;
        if (mifInitDoc(ctx, nullptr, static_cast<int32_t>(doc.size()), host.StreamBlock()) == MIF_STATUS_OK) {
            auto run = TestHost::Drain(static_cast<mif::ReaderContext*>(ctx));
            // A refused block of statement frames fails the fill; a run
            // that still succeeds wrote a clean prefix of the full output.
            if (run.status == MIF_STATUS_OK) {
                EXPECT_EQ(run.percents.back(), 100u) << k;
                ASSERT_LE(run.tokens.size(), reference.tokens.size()) << k;
                EXPECT_TRUE(std::equal(run.tokens.begin(), run.tokens.end(), reference.tokens.begin())) << k;
            } else {
                EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED) << k;
                EXPECT_EQ(host.StatusWord(), 4u) << k;
            }
        }
        EXPECT_EQ(mifFreeContext(ctx), MIF_STATUS_OK);
        EXPECT_EQ(host.allocator.live, 0) << "leak when allocation " << k << " fails";
    }
}

}  // namespace
