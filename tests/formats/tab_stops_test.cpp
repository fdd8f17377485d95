// Tab stops read directly: the declared count, the arrays it sizes, the fill
// counters, the token the flush writes from them, and allocation failure.
#include <gtest/gtest.h>

#include <string>

#include "formats_support.h"

using formattest::kHeader;
using formattest::Reading;

namespace {

std::string Doc(const std::string& body) { return std::string(kHeader) + body + "\n"; }

std::vector<int32_t> Positions(const mif::FormatState& s) {
    return std::vector<int32_t>(s.tabPositions, s.tabPositions + s.tabCount);
}
std::vector<uint32_t> Types(const mif::FormatState& s) { return std::vector<uint32_t>(s.tabTypes, s.tabTypes + s.tabCount); }

TEST(TabStops, CountSizesTheArraysAndExtraStopsAreIgnored) {
    Reading r(Doc("<PgfNumTabs 2> <TabStop <TSX 1.0\"> <TSType Center>> <TabStop <TSX 2.54 cm> <TSType Right>> "
                  "<TabStop <TSX 9\"> <TSType Center>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Positions(r.ctx->current), (std::vector<int32_t>{1440, 1440}));
    EXPECT_EQ(Types(r.ctx->current), (std::vector<uint32_t>{2, 1}));
    EXPECT_EQ(r.ctx->current.tabPositionsFilled, 2);
    EXPECT_EQ(r.ctx->current.tabTypesFilled, 2);
    EXPECT_EQ(r.ctx->formatDirty, 0u);
}

TEST(TabStops, TypeWords) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"Left", 0}, {"Center", 2}, {"Right", 1}, {"Decimal", 0}, {"center", 0}, {"`Right'", 1},
    };
    for (const auto& [word, type] : cases) {
        Reading r(Doc(std::string("<PgfNumTabs 1> <TSType Right> <PgfNumTabs 1> <TSType ") + word + ">"));
        ASSERT_TRUE(r.Finished()) << word;
        EXPECT_EQ(r.ctx->current.tabTypes[0], type) << word;
    }
}

TEST(TabStops, StopsWithoutRoomAreIgnoredEvenWithoutValue) {
    // No count yet: ignored, and the value is not even looked at.
    Reading r(Doc("<TSX 1\"> <TSType Center> <TSX <X 1>> <TSType <X 1>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(r.ctx->current.tabCount, 0);
    EXPECT_EQ(r.ctx->current.tabPositions, nullptr);
    // With room, a missing value fails.
    Reading fails(Doc("<PgfNumTabs 1> <TSX <X 1>>"));
    EXPECT_EQ(fails.run.status, MIF_STATUS_SCAN_FAILED);
}

TEST(TabStops, SameCountKeepsUnsetEntriesOfThePreviousParagraph) {
    Reading r(Doc("<PgfNumTabs 3> <TabStop <TSX 1\"> <TSType Right>> <TabStop <TSX 2\">> <TabStop <TSX 3\"> "
                  "<TSType Center>>\n"
                  "<PgfNumTabs 3> <TabStop <TSX 4\"> <TSType Left>> <TabStop <TSX 5\">>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Positions(r.ctx->current), (std::vector<int32_t>{4 * 1440, 5 * 1440, 3 * 1440}));
    // Types fill on their own counter: the first paragraph's two types went
    // to entries 0 and 1; the second overwrote entry 0 only.
    EXPECT_EQ(Types(r.ctx->current), (std::vector<uint32_t>{0, 2, 0}));
    EXPECT_EQ(r.ctx->current.tabPositionsFilled, 2);
    EXPECT_EQ(r.ctx->current.tabTypesFilled, 1);
}

TEST(TabStops, CountChangesReallocateZeroedArrays) {
    Reading r(Doc("<PgfNumTabs 2> <TSX 1\"> <TSX 2\"> <PgfNumTabs 3> <TSX 7\">"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Positions(r.ctx->current), (std::vector<int32_t>{7 * 1440, 0, 0}));
    Reading none(Doc("<PgfNumTabs 2> <TSX 1\"> <PgfNumTabs 0> <TSX 1\">"));
    ASSERT_TRUE(none.Finished());
    EXPECT_EQ(none.ctx->current.tabCount, 0);
    EXPECT_EQ(none.ctx->current.tabPositions, nullptr);
    EXPECT_EQ(none.ctx->current.tabTypes, nullptr);
}

// Read directly, a count above 50 is taken; a negative one fails.
TEST(TabStops, DirectCountLimits) {
    Reading many(Doc("<PgfNumTabs 60>"));
    ASSERT_TRUE(many.Finished());
    EXPECT_EQ(many.ctx->current.tabCount, 60);
    Reading negative(Doc("<PgfNumTabs 2> <PgfNumTabs -4>"));
    EXPECT_EQ(negative.run.status, MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(negative.ctx->current.tabCount, 0);
    EXPECT_EQ(negative.ctx->current.tabPositions, nullptr);
}

TEST(TabStops, CapacityRefusesSizesBeyondThirtyTwoBits) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(kHeader);
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(mif::SetTabCapacity(ctx, 4), 1);
    long before = host.allocator.count;
    EXPECT_EQ(mif::SetTabCapacity(ctx, 0x20000000), 0);  // 2^29 * 4 bytes does not fit
    EXPECT_EQ(host.allocator.count, before);             // refused without asking the host
    EXPECT_EQ(ctx->current.tabCount, 0);
    EXPECT_EQ(ctx->current.tabPositions, nullptr);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

// Every allocation of a document with tab stops refused in turn: the fill
// fails or finishes, and nothing is left after mifFreeContext.
TEST(TabStops, AllocationFailureLeavesNoArraysAndNoLeak) {
    const std::string doc = Doc(
        "<PgfCatalog <Pgf <PgfTag `T'> <PgfNumTabs 2> <TabStop <TSX 1\"> <TSType Right>> <TabStop <TSX 2\">>>>\n"
        "<PgfNumTabs 3> <TSX 1\"> <PgfNumTabs 1> <PgfTag `T'>");
    long total = 0;
    {
        Reading clean(doc);
        ASSERT_TRUE(clean.Finished());
        total = clean.host.allocator.count;
    }
    ASSERT_GT(total, 0);
    for (long k = 1; k <= total; ++k) {
        Reading r(doc, k);
        if (r.ctx == nullptr) continue;  // the context or its index could not be built
        const mif::FormatState& s = r.ctx->current;
        EXPECT_TRUE(r.run.status == MIF_STATUS_OK || r.run.status == MIF_STATUS_SCAN_FAILED) << k;
        // Arrays exist exactly when there is a count.
        EXPECT_EQ(s.tabPositions != nullptr, s.tabCount != 0) << k;
        EXPECT_EQ(s.tabTypes != nullptr, s.tabCount != 0) << k;
    }
}

// With the flush in place: the tab token lists all declared entries and is
// written only when something else makes the format dirty.
TEST(TabStops, TokenListsEveryDeclaredEntry) {
    Reading r(formattest::BodyDocument(
        "", "<Para <ParaLine <TextRectID 7> <PgfNumTabs 2> <TSX 1\"> <TSType Center> <PgfLIndent 2\"> <String `a'>>>"
            "<Para <ParaLine <PgfNumTabs 0> <String `b'>>>"
            "<Para <ParaLine <PgfLIndent 3\"> <String `c'>>>"));
    ASSERT_TRUE(r.Finished());
    std::vector<testhost::Token> tabTokens;
    for (const testhost::Token& t : r.Body()) {
        if (t.code == MIF_TOKEN_TAB_STOPS) tabTokens.push_back(t);
    }
    ASSERT_EQ(tabTokens.size(), 2u);
    // Two entries: Center at 1440 and the untouched zero entry.
    const std::vector<uint8_t> two = {2, 0, 0, 0, 2, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(tabTokens[0].payload, two);
    // The count of 0 is written with the next change (the third paragraph).
    EXPECT_EQ(tabTokens[1].payload, (std::vector<uint8_t>{0, 0, 0, 0}));
}

}  // namespace
