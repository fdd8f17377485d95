#include <gtest/gtest.h>

#include "frames_support.h"

namespace {

using framestest::Anchor;
using framestest::Bytes;
using framestest::Document;
using framestest::FrameTokens;
using framestest::FrameWithFacets;
using framestest::ObjectClient;

// "Hello, World!" in hexadecimal over three lines, the pairs of one line
// split across a read boundary for most chunk sizes.
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

TEST_F(Greeting, ShortReadBeyondTheEndZeroFillsAndStops) {
    std::vector<uint8_t> got = client.Read(16);
    EXPECT_EQ(client.lastResult, 13u);
    EXPECT_EQ(got, Bytes(kGreeting));
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
    EXPECT_EQ(client.Seek(0, 1), 1);
    EXPECT_EQ(client.Read(2), Bytes("Wo"));
    EXPECT_EQ(client.Tell(), 9u);

    // Seeking back to the start after a partial read starts over.
    EXPECT_EQ(client.Seek(0, 0), 1);
    EXPECT_EQ(client.ReadAll(5), Bytes(kGreeting));
}

TEST_F(Greeting, ZeroCountAndUnknownOriginChangeNothing) {
    EXPECT_EQ(client.Read(3), Bytes("Hel"));
    EXPECT_TRUE(client.Read(0).empty());
    EXPECT_EQ(client.lastResult, 0u);
    EXPECT_EQ(client.Seek(5, 7), 1);
    EXPECT_EQ(client.Tell(), 3u);
    EXPECT_EQ(client.ReadAll(64), Tail(3));
}

TEST_F(Greeting, SkipPastTheEndDeliversNothing) {
    EXPECT_EQ(client.Seek(14, 0), 1);
    EXPECT_EQ(client.Tell(), 0u);
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
    EXPECT_EQ(client.Read(4).size(), 0u);
    EXPECT_EQ(client.lastResult, 0u);
    EXPECT_EQ(client.Tell(), 2u);
    host.allocator.failAt = host.allocator.count + 1;
    EXPECT_EQ(client.Seek(3, 1), 1);
    EXPECT_EQ(client.Tell(), 2u) << "a refused skip delivers nothing";
    host.allocator.failAt = -1;
    EXPECT_EQ(client.ReadAll(64), Tail(2));
}

TEST_F(Greeting, EveryCallbackLeavesTheStreamWhereItWas) {
    size_t before = host.stream.pos;
    long seeks = host.stream.seeks;
    client.Read(5);
    EXPECT_EQ(host.stream.pos, before);
    client.Seek(3, 0);
    EXPECT_EQ(host.stream.pos, before);
    client.Seek(2, 1);
    EXPECT_EQ(host.stream.pos, before);
    client.Tell();
    client.Seek(0, 2);
    EXPECT_EQ(host.stream.pos, before);
    EXPECT_EQ(client.Close(), 1);
    EXPECT_EQ(host.stream.pos, before);
    EXPECT_GT(host.stream.seeks, seeks);
    // Closing resets the cursor.
    EXPECT_EQ(client.Tell(), 0u);
}

TEST(ObjectCallbacksWithoutState, FailCleanly) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(Document("", "", ""));
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    size_t pos = host.stream.pos;
    long seeks = host.stream.seeks, reads = host.stream.reads;
    // No frame is current before any frame was read or opened.
    EXPECT_TRUE(client.Read(8).empty());
    EXPECT_EQ(client.Seek(0, 0), 0);
    EXPECT_EQ(client.Tell(), 0xFFFFFFFFu);
    EXPECT_EQ(client.Close(), 0);
    EXPECT_EQ(client.Open("1"), 0);
    EXPECT_EQ(host.stream.pos, pos);
    EXPECT_EQ(host.stream.seeks, seeks);
    EXPECT_EQ(host.stream.reads, reads);
    // A record without a context.
    std::memset(client.Record() + 8 * MIF_OC_SLOT_CONTEXT, 0, 8);
    EXPECT_EQ(client.Open("1"), 0);
    EXPECT_TRUE(client.Read(8).empty());
    EXPECT_EQ(client.Seek(0, 2), 0);
    EXPECT_EQ(client.Tell(), 0xFFFFFFFFu);
    EXPECT_EQ(client.Close(), 0);
    // Open without an ID text.
    std::memcpy(client.Record() + 8 * MIF_OC_SLOT_CONTEXT, &ctx, sizeof ctx);
    std::memset(client.Record() + 8 * MIF_OC_SLOT_ID_TEXT, 0, 8);
    auto open = reinterpret_cast<MifObjectOpenFn>(*reinterpret_cast<void**>(client.Record() + 8 * MIF_OC_SLOT_OPEN));
    EXPECT_EQ(open(client.Record()), 0);
    mifFreeContext(ctx);
}

TEST(ObjectCallbacksWithoutState, RegisteredInTheirSlots) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(Document("", "", ""));
    ASSERT_NE(ctx, nullptr);
    for (int slot = 0; slot < MIF_OC_SLOTS; ++slot) {
        void* p;
        std::memcpy(&p, host.objectCallbacks.data() + 8 * slot, sizeof p);
        bool callback = slot == 7 || slot == 8 || slot == 10 || slot == 11 || slot == 12;
        if (callback) {
            EXPECT_NE(p, nullptr) << slot;
        } else if (slot > 3) {
            EXPECT_EQ(p, nullptr) << slot;
        }
    }
    mifFreeContext(ctx);
}

// A document of several windows with a large object and many anchors, read
// in small fills with the callbacks used between every two fills: the token
// stream must be exactly that of a run without callbacks.
std::string ManyAnchorsDocument(std::string* objectBytes) {
    std::string facets = "=GIF\n&%v\n&\\x\n";
    for (int line = 0; line < 120; ++line) {
        facets += "&";
        for (int i = 0; i < 36; ++i) {
            uint8_t b = static_cast<uint8_t>(line * 3 + i);
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", b);
            facets += hex;
            objectBytes->push_back(static_cast<char>(b));
        }
        facets += "\n";
    }
    facets += "&\\x\n";
    std::string anchors;
    for (int i = 0; i < 120; ++i) anchors += Anchor(i % 3 == 0 ? "12" : "5") + "   # filler text of the flow\n";
    return Document("", FrameWithFacets("5", facets) + FrameWithFacets("12", "=T\n&%v\n&tiny\n"), anchors);
}

TEST(ObjectCallbacksBetweenFills, TokenStreamIsUnchanged) {
    std::string objectBytes;
    const std::string doc = ManyAnchorsDocument(&objectBytes);
    ASSERT_GT(doc.size(), 3 * 4096u);
    const uint32_t bufferSize = 700;

    testhost::TestHost plainHost;
    mif::ReaderContext* plain = plainHost.Open(doc);
    ASSERT_NE(plain, nullptr);
    auto expected = testhost::TestHost::Drain(plain, bufferSize);
    ASSERT_EQ(expected.status, MIF_STATUS_OK);
    ASSERT_GT(expected.fills, 10);
    ASSERT_EQ(FrameTokens(expected.tokens).size(), 120u);
    mifFreeContext(plain);

    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    std::vector<uint8_t> tokens, buffer(bufferSize);
    std::vector<uint8_t> collected;
    uint32_t percent = 0;
    for (int fill = 0; fill < 10000 && percent < 100; ++fill) {
        uint32_t written = 0;
        ASSERT_EQ(mifFillBuffer(ctx, buffer.data(), &written, &percent, bufferSize), MIF_STATUS_OK);
        tokens.insert(tokens.end(), buffer.begin(), buffer.begin() + written);
        size_t pos = host.stream.pos;
        if (client.Open("5") != 1) continue;  // frame 5 not read yet
        // Continue reading where the previous pause left off, then wander.
        EXPECT_EQ(client.Seek(static_cast<int32_t>(collected.size()), 0), 1);
        EXPECT_EQ(host.stream.pos, pos);
        std::vector<uint8_t> part = client.Read(37);
        collected.insert(collected.end(), part.begin(), part.end());
        EXPECT_EQ(host.stream.pos, pos);
        client.Seek(5, 1);
        client.Tell();
        EXPECT_EQ(host.stream.pos, pos);
        client.Seek(0, 2);
        if (fill % 2 == 0) {
            EXPECT_EQ(client.Close(), 1);
        }
        EXPECT_EQ(host.stream.pos, pos);
    }
    EXPECT_EQ(tokens, expected.tokens);
    ASSERT_FALSE(collected.empty());
    EXPECT_EQ(collected, Bytes(objectBytes.substr(0, collected.size())));
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace

#include "tables/table_docs.h"

namespace {

// Frames anchored in table cells are written again by every replay of the
// table; callbacks made between fills while a replay is under way must put
// the stream back where the replay goes on.
TEST(ObjectCallbacksBetweenFills, DuringATableReplay) {
    std::string objectBytes;
    std::string facets = "=GIF\n&%v\n&\\x\n";
    for (int line = 0; line < 40; ++line) {
        facets += "&";
        for (int i = 0; i < 30; ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", (line * 30 + i) & 0xFF);
            facets += hex;
            objectBytes.push_back(static_cast<char>((line * 30 + i) & 0xFF));
        }
        facets += "\n";
    }
    facets += "&\\x\n";
    tabledocs::Table table{"1", "2", {"1.0\"", "2.0\""}, {}, ""};
    for (int r = 0; r < 30; ++r) {
        table.rows.push_back({"a" + std::to_string(r) + "'>\n         <AFrame 5>\n         <String `b", "c"});
    }
    std::string doc = tabledocs::Header() + "<AFrames\n" + FrameWithFacets("5", facets) + "> # end of AFrames\n" +
                      tabledocs::Tbls({table}) + tabledocs::Pages() +
                      tabledocs::Flow(tabledocs::AnchorPara("1") + tabledocs::AnchorPara("1")) + tabledocs::Footer();
    const uint32_t bufferSize = 600;

    testhost::TestHost plainHost;
    mif::ReaderContext* plain = plainHost.Open(doc);
    ASSERT_NE(plain, nullptr);
    auto expected = testhost::TestHost::Drain(plain, bufferSize);
    ASSERT_EQ(expected.status, MIF_STATUS_OK);
    mifFreeContext(plain);
    size_t frameTokens = FrameTokens(expected.tokens).size();
    ASSERT_GE(frameTokens, 60u) << "each replay writes the cells' frame tokens";

    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    ObjectClient client(host);
    std::vector<uint8_t> tokens, buffer(bufferSize);
    uint32_t percent = 0;
    int pausesInReplay = 0;
    for (int fill = 0; fill < 10000 && percent < 100; ++fill) {
        uint32_t written = 0;
        ASSERT_EQ(mifFillBuffer(ctx, buffer.data(), &written, &percent, bufferSize), MIF_STATUS_OK);
        tokens.insert(tokens.end(), buffer.begin(), buffer.begin() + written);
        pausesInReplay += ctx->replaying ? 1 : 0;
        size_t pos = host.stream.pos;
        if (client.Open("5") != 1) continue;
        EXPECT_EQ(client.Seek(fill % 50, 0), 1);
        std::vector<uint8_t> part = client.Read(23);
        EXPECT_EQ(part, Bytes(objectBytes.substr(fill % 50, 23))) << "fill " << fill;
        client.Close();
        EXPECT_EQ(host.stream.pos, pos) << "fill " << fill;
    }
    EXPECT_GT(pausesInReplay, 0) << "no fill ended inside a replay";
    EXPECT_EQ(tokens, expected.tokens);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
