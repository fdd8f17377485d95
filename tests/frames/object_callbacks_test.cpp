#include <gtest/gtest.h>

#include <functional>

#include "frames_support.h"
#include "tables/table_docs.h"

namespace {

using framestest::Anchor;
using framestest::Bytes;
using framestest::Document;
using framestest::FrameTokens;
using framestest::FrameWithFacets;
using framestest::ObjectClient;

// "Hello, World!" in hexadecimal over three lines, followed by a second facet.
const char* const kGreetingFacets = "=GIF\n&%v\n&\\x48656C\n&6C6F2C\n&20576F726C6421\\x\n=OTHER\n&\\x5A5A\\x\n";
const std::string kGreeting = "Hello, World!";

class Greeting : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = host.Open(Document("", FrameWithFacets("5", kGreetingFacets) + FrameWithFacets("6", "=T\n&%v\n&xyz\n"),
                                 Anchor("5")));
        ASSERT_NE(ctx, nullptr);
        ASSERT_EQ(testhost::TestHost::Drain(ctx).status, MIF_STATUS_OK);
        ASSERT_EQ(client.Open("5"), 1);
    }
    void TearDown() override {
        if (ctx != nullptr) mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
    std::vector<uint8_t> Tail(size_t from) { return Bytes(kGreeting.substr(from)); }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;
    ObjectClient client{host};
};

TEST_F(Greeting, ChunkedReadsDeliverTheSameBytes) {
    for (uint32_t chunk : {1u, 2u, 3u, 5u, 13u, 64u}) {
        ASSERT_EQ(client.Open("5"), 1);
        EXPECT_EQ(client.ReadAll(chunk), Bytes(kGreeting)) << "chunk " << chunk;
        EXPECT_EQ(client.Tell(), kGreeting.size()) << "chunk " << chunk;
    }
}

TEST_F(Greeting, ReadBeyondTheEndZeroFillsAndEndsTheData) {
    EXPECT_EQ(client.Read(16), Bytes(kGreeting));
    EXPECT_EQ(client.lastResult, 13u);
    for (size_t i = 13; i < 16; ++i) EXPECT_EQ(client.lastBuffer[i], 0) << i;
    EXPECT_EQ(client.lastBuffer[16], 0xAA) << "wrote past count";
    EXPECT_EQ(client.Tell(), 13u);
    EXPECT_TRUE(client.Read(4).empty());
    // Seeking does not revive ended data; opening again does.
    EXPECT_EQ(client.Seek(0, 0), 1);
    EXPECT_TRUE(client.Read(4).empty());
    ASSERT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.Read(5), Bytes("Hello"));
}

TEST_F(Greeting, Seeks) {
    EXPECT_EQ(client.Seek(0, 2), 1);
    EXPECT_EQ(client.Tell(), 13u);
    EXPECT_EQ(client.Seek(0, 0), 1);
    EXPECT_EQ(client.Tell(), 0u);
    EXPECT_EQ(client.Read(13), Bytes(kGreeting));

    ASSERT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.Seek(3, 0), 1);
    EXPECT_EQ(client.Tell(), 3u);
    EXPECT_EQ(client.ReadAll(4), Tail(3));

    ASSERT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.Read(2), Bytes("He"));
    EXPECT_EQ(client.Seek(2, 1), 1);
    EXPECT_EQ(client.Tell(), 4u);
    EXPECT_EQ(client.Read(3), Bytes("o, "));
    // A zero count, a zero offset and an unknown origin move nothing.
    EXPECT_TRUE(client.Read(0).empty());
    EXPECT_EQ(client.Seek(0, 1), 1);
    EXPECT_EQ(client.Seek(5, 7), 1);
    EXPECT_EQ(client.Read(2), Bytes("Wo"));
    EXPECT_EQ(client.Tell(), 9u);
    EXPECT_EQ(client.Seek(0, 0), 1);
    EXPECT_EQ(client.ReadAll(5), Bytes(kGreeting));

    // Skips that cannot be made deliver nothing.
    ASSERT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.Seek(14, 0), 1);
    EXPECT_EQ(client.Tell(), 0u);
    ASSERT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.Seek(-2, 0), 1);
    EXPECT_EQ(client.Tell(), 0u);
}

TEST_F(Greeting, OpeningSwitchesFramesAndUnknownIdsKeepTheCurrentOne) {
    EXPECT_EQ(client.Read(2), Bytes("He"));
    EXPECT_EQ(client.Open("6"), 1);
    EXPECT_EQ(client.ReadAll(64), Bytes("xyz"));
    EXPECT_EQ(client.Open("77"), 0);
    EXPECT_EQ(client.Tell(), 3u) << "frame 6 stays current";
    EXPECT_EQ(client.Open("5"), 1);
    EXPECT_EQ(client.ReadAll(64), Bytes(kGreeting));
}

TEST_F(Greeting, RefusedScratchBlockChangesNothing) {
    EXPECT_EQ(client.Read(2), Bytes("He"));
    host.allocator.failAt = host.allocator.count + 1;
    EXPECT_TRUE(client.Read(4).empty());
    EXPECT_EQ(client.Tell(), 2u);
    host.allocator.failAt = host.allocator.count + 1;
    EXPECT_EQ(client.Seek(3, 1), 1);
    EXPECT_EQ(client.Tell(), 2u) << "a refused skip delivers nothing";
    host.allocator.failAt = -1;
    EXPECT_EQ(client.ReadAll(64), Tail(2));
}

TEST_F(Greeting, EveryCallbackLeavesTheStreamWhereItWas) {
    const size_t before = host.stream.pos;
    const long seeks = host.stream.seeks;
    const std::function<void()> calls[] = {[&] { client.Read(5); },      [&] { client.Seek(3, 0); },
                                           [&] { client.Seek(2, 1); },   [&] { client.Seek(0, 2); },
                                           [&] { client.Close(); }};
    for (const auto& call : calls) {
        call();
        EXPECT_EQ(host.stream.pos, before);
    }
    EXPECT_GT(host.stream.seeks, seeks);
    EXPECT_EQ(client.Tell(), 0u) << "closing resets the cursor";
}

TEST(ObjectCallbacksWithoutState, FailCleanly) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(Document("", "", ""));
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    const long seeks = host.stream.seeks, reads = host.stream.reads;
    // No frame is current before any frame was read or opened.
    EXPECT_TRUE(client.Read(8).empty());
    EXPECT_EQ(client.Seek(0, 0), 0);
    EXPECT_EQ(client.Tell(), 0xFFFFFFFFu);
    EXPECT_EQ(client.Close(), 0);
    EXPECT_EQ(client.Open("1"), 0);
    EXPECT_EQ(host.stream.seeks, seeks);
    EXPECT_EQ(host.stream.reads, reads);
    // A record without a context.
    std::memset(client.Record() + 8 * MIF_OC_SLOT_CONTEXT, 0, 8);
    EXPECT_EQ(client.Open("1"), 0);
    EXPECT_TRUE(client.Read(8).empty());
    EXPECT_EQ(client.Seek(0, 2), 0);
    EXPECT_EQ(client.Tell(), 0xFFFFFFFFu);
    EXPECT_EQ(client.Close(), 0);
    mifFreeContext(ctx);
}

// Reads doc in fills of bufferSize, calling between every two fills; the
// tokens of all fills.
std::vector<uint8_t> InterleavedRun(testhost::TestHost& host, mif::ReaderContext* ctx, uint32_t bufferSize,
                                    const std::function<void(int fill)>& between) {
    std::vector<uint8_t> tokens, buffer(bufferSize);
    uint32_t percent = 0;
    for (int fill = 0; fill < 10000 && percent < 100; ++fill) {
        uint32_t written = 0;
        EXPECT_EQ(mifFillBuffer(ctx, buffer.data(), &written, &percent, bufferSize), MIF_STATUS_OK);
        tokens.insert(tokens.end(), buffer.begin(), buffer.begin() + written);
        size_t pos = host.stream.pos;
        between(fill);
        EXPECT_EQ(host.stream.pos, pos) << "fill " << fill;
    }
    return tokens;
}

std::vector<uint8_t> PlainRun(const std::string& doc, uint32_t bufferSize) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    EXPECT_NE(ctx, nullptr);
    auto run = testhost::TestHost::Drain(ctx, bufferSize);
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_GT(run.fills, 10);
    mifFreeContext(ctx);
    return run.tokens;
}

// Several windows of object data and many anchors, in small fills: reading
// the object between fills must leave the token stream as it was.
TEST(ObjectCallbacksBetweenFills, TokenStreamIsUnchanged) {
    std::string objectBytes;
    std::string anchors;
    for (int i = 0; i < 120; ++i) anchors += Anchor(i % 3 == 0 ? "12" : "5") + "   # filler\n";
    const std::string doc = Document(
        "", FrameWithFacets("5", framestest::HexFacet(120, 36, &objectBytes)) + FrameWithFacets("12", "=T\n&%v\n&a\n"),
        anchors);
    ASSERT_GT(doc.size(), 3 * 4096u);
    const std::vector<uint8_t> expected = PlainRun(doc, 700);
    ASSERT_EQ(FrameTokens(expected).size(), 120u);

    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    std::string collected;
    auto tokens = InterleavedRun(host, ctx, 700, [&](int fill) {
        if (client.Open("5") != 1) return;  // frame 5 not read yet
        client.Seek(static_cast<int32_t>(collected.size()), 0);
        for (uint8_t b : client.Read(37)) collected.push_back(static_cast<char>(b));
        client.Seek(5, 1);
        client.Tell();
        client.Seek(0, 2);
        if (fill % 2 == 0) client.Close();
    });
    EXPECT_EQ(tokens, expected);
    ASSERT_GT(collected.size(), 37u);
    EXPECT_EQ(collected, objectBytes.substr(0, collected.size()));
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

// Frames anchored in table cells are written again by every replay of the
// table; callbacks between fills while a replay is under way must put the
// stream back where the replay goes on.
TEST(ObjectCallbacksBetweenFills, DuringATableReplay) {
    std::string objectBytes;
    tabledocs::Table table{"1", "2", {"1.0\"", "2.0\""}, {}, ""};
    for (int r = 0; r < 30; ++r) table.rows.push_back({"a'>\n         <AFrame 5>\n         <String `b", "c"});
    const std::string doc = tabledocs::Header() + "<AFrames\n" +
                            FrameWithFacets("5", framestest::HexFacet(40, 30, &objectBytes)) +
                            "> # end of AFrames\n" + tabledocs::Tbls({table}) + tabledocs::Pages() +
                            tabledocs::Flow(tabledocs::AnchorPara("1") + tabledocs::AnchorPara("1")) +
                            tabledocs::Footer();
    const std::vector<uint8_t> expected = PlainRun(doc, 600);
    ASSERT_GE(FrameTokens(expected).size(), 60u) << "each replay writes the cells' frame tokens";

    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    int pausesInReplay = 0;
    auto tokens = InterleavedRun(host, ctx, 600, [&](int fill) {
        pausesInReplay += ctx->replaying ? 1 : 0;
        if (client.Open("5") != 1) return;
        client.Seek(fill % 50, 0);
        EXPECT_EQ(client.Read(23), Bytes(objectBytes.substr(fill % 50, 23))) << "fill " << fill;
        client.Close();
    });
    EXPECT_GT(pausesInReplay, 0) << "no fill ended inside a replay";
    EXPECT_EQ(tokens, expected);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
