// The replay across input-window boundaries, output-buffer boundaries and
// short reads, and its effect on the progress percentage.
#include <gtest/gtest.h>

#include <algorithm>

#include "tables/table_docs.h"

namespace {

using namespace tabledocs;

std::vector<std::vector<std::string>> MakeRows() {
    std::vector<std::vector<std::string>> rows = {{"h1", "h2"}};
    for (int i = 0; i < 12; ++i) rows.push_back({"r" + std::to_string(i) + "a", "r" + std::to_string(i) + "b"});
    return rows;
}

const std::vector<std::vector<std::string>> kRows = MakeRows();

Table TwoColumns(const std::string& id) { return Table{id, "2", {" 1.0\"", " 2.0\""}, kRows, ""}; }

std::vector<std::string> Expected(int anchors) {
    std::vector<std::string> out;
    for (int i = 0; i < anchors; ++i) {
        std::string n = std::to_string(i);
        out.push_back("'B" + n + "'");
        std::vector<std::string> table = TableEntries(StartEntry({1440, 2880}), kRows);
        out.insert(out.end(), table.begin(), table.end());
        out.push_back("'A" + n + "'");
    }
    return out;
}

// Tables padded so that the Tbl starts about tblAt bytes into the input,
// and two anchors of which the first stands about anchorAt bytes in.
std::string Document(size_t tblAt, size_t anchorAt) {
    std::string doc = Header();
    if (tblAt > doc.size() + 8) doc += Padding(tblAt - doc.size() - 8);
    doc += "<Tbls \n" + TableText(TwoColumns("1")) + "> # end of Tbls\n" + Pages() + "<TextFlow \n";
    if (anchorAt > doc.size() + 60) doc += Padding(anchorAt - doc.size() - 60);
    doc += AnchorPara("1", 7, "B0", "A0") + AnchorPara("1", 7, "B1", "A1") + "> # end of TextFlow\n" + Footer();
    return doc;
}

bool NeverBackwards(const std::vector<uint32_t>& percents) {
    return std::is_sorted(percents.begin(), percents.end());
}

TEST(ReplayBoundaries, TableAndAnchorAroundWindowEdges) {
    // Every offset from 160 bytes before to 40 after each window edge.
    for (size_t edge : {4096u, 8192u}) {
        for (size_t delta = 0; delta < 200; delta += 3) {
            size_t at = edge - 160 + delta;
            for (bool moveTable : {true, false}) {
                std::string doc = moveTable ? Document(at, 0) : Document(0, at);
                testhost::TestHost host;
                auto run = host.ReadDocument(doc, 1024);
                SCOPED_TRACE("offset " + std::to_string(at) + (moveTable ? " (table)" : " (anchor)"));
                ASSERT_EQ(run.status, MIF_STATUS_OK);
                EXPECT_EQ(run.percents.back(), 100u);
                EXPECT_TRUE(NeverBackwards(run.percents));
                EXPECT_EQ(Trace(run.tokens), Expected(2));
                EXPECT_EQ(host.allocator.live, 0);
            }
        }
    }
}

struct Reading {
    uint32_t bufferSize;
    uint32_t maxChunk;
};

void PrintTo(const Reading& r, std::ostream* os) { *os << "buffer " << r.bufferSize << ", chunk " << r.maxChunk; }

class ReplayReadings : public ::testing::TestWithParam<Reading> {};

TEST_P(ReplayReadings, SameTokensAndMonotonicProgress) {
    std::string doc = Document(4000, 8150);
    testhost::TestHost reference;
    auto wanted = reference.ReadDocument(doc, 65536);
    ASSERT_EQ(wanted.status, MIF_STATUS_OK);
    ASSERT_EQ(Trace(wanted.tokens), Expected(2));

    testhost::TestHost host;
    host.stream.maxChunk = GetParam().maxChunk;
    auto run = host.ReadDocument(doc, GetParam().bufferSize);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.percents.back(), 100u);
    EXPECT_TRUE(NeverBackwards(run.percents));
    EXPECT_EQ(run.tokens, wanted.tokens);
    EXPECT_EQ(host.allocator.live, 0);
    if (GetParam().bufferSize <= 300) {
        EXPECT_GT(run.fills, 4);  // the small buffers do split the tables
    }
}

INSTANTIATE_TEST_SUITE_P(Replay, ReplayReadings,
                         ::testing::Values(Reading{256, 0}, Reading{257, 0}, Reading{300, 0}, Reading{512, 0},
                                           Reading{1000, 0}, Reading{65536, 1}, Reading{65536, 7},
                                           Reading{4u << 20, 0}, Reading{256, 13}, Reading{4u << 20, 4095}));

TEST(ReplayBoundaries, FillsThatStopInsideAReplayReportTheAnchorsPosition) {
    // The replayed bytes lie far before the anchor; while they are read the
    // percentage stays at the position just after the anchor's '>'.
    std::string doc = Document(0, 6000);
    std::vector<uint32_t> anchorPercents;
    for (size_t at = doc.find("<ATbl"); at != std::string::npos; at = doc.find("<ATbl", at + 1)) {
        anchorPercents.push_back(static_cast<uint32_t>((doc.find('>', at) + 1) * 100 / doc.size()));
    }
    ASSERT_EQ(anchorPercents.size(), 2u);
    ASSERT_LT(doc.find("<Tbl ") * 100 / doc.size(), anchorPercents[0]);

    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    std::vector<uint8_t> buffer(256 + 64);
    int insideReplay = 0;
    size_t replays = 0;
    int stoppedInside = 0;
    uint32_t last = 0;
    for (int i = 0; i < 10000; ++i) {
        uint32_t written = 0, percent = 0;
        int32_t status = mifFillBuffer(ctx, buffer.data(), &written, &percent, 256);
        ASSERT_EQ(status, MIF_STATUS_OK);
        EXPECT_GE(percent, last);
        last = percent;
        for (const testhost::Token& t : testhost::SplitTokens({buffer.begin(), buffer.begin() + written})) {
            if (t.code != MIF_TOKEN_TABLE) continue;
            if (t.payload.size() == 4) {
                --insideReplay;
            } else {
                ++insideReplay;
                ++replays;
            }
        }
        if (insideReplay > 0) {
            ++stoppedInside;
            ASSERT_GE(replays, 1u);
            ASSERT_LE(replays, 2u);
            EXPECT_EQ(percent, anchorPercents[replays - 1]);
        }
        if (percent >= 100) break;
    }
    mifFreeContext(ctx);
    EXPECT_EQ(last, 100u);
    EXPECT_GT(stoppedInside, 0);
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(ReplayBoundaries, EveryAllocationFailureIsCleanAndLeakFree) {
    std::string doc = Document(4050, 8150);
    testhost::TestHost counting;
    auto full = counting.ReadDocument(doc, 1024);
    ASSERT_EQ(full.status, MIF_STATUS_OK);
    long allocations = counting.allocator.count;
    ASSERT_GT(allocations, 20);
    int failedWithFour = 0;
    for (long k = 1; k <= allocations; ++k) {
        testhost::TestHost host;
        host.allocator.failAt = k;
        auto run = host.ReadDocument(doc, 1024);
        SCOPED_TRACE("allocation " + std::to_string(k));
        EXPECT_EQ(host.allocator.live, 0);
        bool wellFormed = false;
        testhost::SplitTokens(run.tokens, &wellFormed);
        EXPECT_TRUE(wellFormed);
        for (const std::string& e : Trace(run.tokens)) EXPECT_NE(e, "bad");
        if (run.status == MIF_STATUS_SCAN_FAILED) {
            ++failedWithFour;
            EXPECT_EQ(host.StatusWord(), 4u);
        }
    }
    EXPECT_GT(failedWithFour, 0);
}

}  // namespace
