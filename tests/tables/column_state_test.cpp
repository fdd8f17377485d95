// Column state left by the first reading of a Tbls section, and the table
// start token built from it.
#include <gtest/gtest.h>

#include "reader/token_writer.h"
#include "tables/table_docs.h"
#include "tables/tables.h"

namespace {

// Reads a document that has only a Tbls section; calls check with the
// context before it is freed.
template <typename Check>
void AfterFirstReading(const std::string& tblBody, Check check, int32_t wantedStatus = MIF_STATUS_OK) {
    std::string doc = tabledocs::Header() + "<Tbls \n <Tbl \n  <TblID 1>\n" + tblBody + " >\n> # end of Tbls\n";
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(doc);
    ASSERT_NE(ctx, nullptr);
    auto run = testhost::TestHost::Drain(ctx);
    EXPECT_EQ(run.status, wantedStatus);
    check(*ctx);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

std::vector<uint32_t> Widths(const mif::ReaderContext& ctx) {
    const mif::TableState& t = ctx.tables;
    return std::vector<uint32_t>(t.columnWidths, t.columnWidths + t.widthCapacity);
}

TEST(ColumnState, EqualizationGivesNamedColumnsTheWidestOfThem) {
    AfterFirstReading(
        "  <TblColumnNum 0>\n  <TblColumnWidth 1.0\">\n  <TblColumnNum 1>\n  <TblColumnWidth 2.0\">\n"
        "  <TblColumnNum 2>\n  <TblColumnWidth 1.5\">\n  <TblNumColumns 3>\n"
        "  <EqualizeWidths \n   <TblColumnNum 0>\n   <TblColumnNum 2>\n  >\n",
        [](const mif::ReaderContext& ctx) {
            EXPECT_EQ(ctx.tables.columnCount, 3);
            EXPECT_EQ(Widths(ctx), (std::vector<uint32_t>{2160, 2880, 2160}));
            EXPECT_EQ(ctx.tableStartPending, 1u);
            EXPECT_EQ(ctx.inEqualizeWidths, 0u);
        });
}

TEST(ColumnState, WidthPairStoresItsSecondMeasurement) {
    AfterFirstReading(
        "  <TblColumnNum 0>\n  <TblColumnWidthA 1.0 2.5>\n  <TblColumnNum 1>\n  <TblColumnWidthA 3 cm 4 cm>\n"
        "  <TblNumColumns 2>\n  <EqualizeWidths \n   <TblColumnNum 1>\n  >\n",
        [](const mif::ReaderContext& ctx) {
            EXPECT_EQ(ctx.tables.widthPairSeen, 1u);
            // Column 1: the text after the first space is "cm 4 cm", which reads as 0.
            EXPECT_EQ(Widths(ctx), (std::vector<uint32_t>{3600, 0}));
        });
}

TEST(ColumnState, ColumnNumbersOutsideTheArraysAndSurplusCountsStayInBounds) {
    AfterFirstReading(
        "  <TblNumColumns 2>\n  <TblColumnNum 0>\n  <TblColumnNum 1>\n  <TblColumnNum 2>\n"
        "  <TblColumnWidth 1.0\">\n"
        "  <EqualizeWidths \n   <TblColumnNum 64>\n   <TblColumnNum -1>\n   <TblColumnNum 100000>\n  >\n",
        [](const mif::ReaderContext& ctx) {
            // Three columns counted after the two of TblNumColumns: the count
            // passes the array, whose two entries alone are filled.
            EXPECT_EQ(ctx.tables.columnCount, 5);
            EXPECT_EQ(ctx.tables.widthsByColumn[4], 1440);
            EXPECT_EQ(Widths(ctx), (std::vector<uint32_t>{0, 0}));
            EXPECT_EQ(ctx.tables.equalizeMax, 0);
        });
}

TEST(ColumnState, FormatColumnsChangeNothing) {
    AfterFirstReading(
        "  <TblFormat \n   <TblColumn \n    <TblColumnNum 0>\n    <TblColumnWidth 9.0\">\n"
        "    <TblColumnWidthA 1 2>\n   >\n  >\n  <TblNumColumns 1>\n",
        [](const mif::ReaderContext& ctx) {
            EXPECT_EQ(ctx.tables.columnCount, 1);
            EXPECT_EQ(ctx.tables.widthsByColumn[0], 0);
            EXPECT_EQ(ctx.tables.widthPairSeen, 0u);
            EXPECT_EQ(ctx.inTblFormat, 0u);
        });
}

TEST(ColumnState, FailedColumnCountKeepsThePreviousState) {
    for (const char* count : {"65", "-3"}) {
        SCOPED_TRACE(count);
        AfterFirstReading(std::string("  <TblNumColumns 2>\n  <TblNumColumns ") + count + ">\n",
                          [](const mif::ReaderContext& ctx) {
                              EXPECT_EQ(ctx.tables.columnCount, 2);
                              EXPECT_EQ(ctx.tables.widthCapacity, 2);
                          },
                          MIF_STATUS_SCAN_FAILED);
    }
}

TEST(ColumnState, TableStartFillsColumnsBeyondTheArrayWithZero) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(tabledocs::Header());
    ASSERT_NE(ctx, nullptr);
    uint32_t stored[2] = {1000, 2000};
    std::vector<uint8_t> out(256, 0xEE);
    mif::ReaderContext& c = *ctx;
    uint32_t* saved = c.tables.columnWidths;
    c.tables.columnWidths = stored;
    c.tables.widthCapacity = 2;
    c.tables.columnCount = 5;
    c.bufferStart = c.writePointer = out.data();
    c.bufferEnd = out.data() + out.size();

    c.replaying = 0;
    mif::WriteTableStart(ctx);
    EXPECT_EQ(mif::OutputUsed(ctx), 0u);  // outside a replay no table starts

    c.replaying = 1;
    mif::WriteTableStart(ctx);
    std::vector<uint8_t> written(out.begin(), out.begin() + mif::OutputUsed(ctx));
    auto tokens = testhost::SplitTokens(written);
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(written.size(), 30u + 4 * 5);
    EXPECT_EQ(tokens[0].code, MIF_TOKEN_TABLE);
    std::vector<uint32_t> widths;
    for (int i = 0; i < 5; ++i) widths.push_back(tokens[0].U32(4 + 4 * i));
    EXPECT_EQ(widths, (std::vector<uint32_t>{1000, 2000, 0, 0, 0}));
    EXPECT_EQ(static_cast<int32_t>(tokens[0].U32(4 + 20 + 16)), (12240 - 2880 - 3000) / 2);

    // A buffer too small for the token gets nothing of it.
    c.bufferStart = c.writePointer = out.data();
    c.bufferEnd = out.data() + 49;
    c.outputOverflow = 0;
    mif::WriteTableStart(ctx);
    EXPECT_EQ(mif::OutputUsed(ctx), 0u);
    EXPECT_EQ(c.outputOverflow, 1u);

    c.tables.columnWidths = saved;
    c.tables.widthCapacity = 0;
    c.replaying = 0;
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(ColumnState, TableOfNoColumnsStillWritesItsCellsAndEnd) {
    using namespace tabledocs;
    Table t{"1", "0", {" 1.0\""}, {{"x"}}, ""};
    testhost::TestHost host;
    auto run = host.ReadDocument(Header() + Tbls({t}) + Pages() + Flow(AnchorPara("1")) + Footer());
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(Trace(run.tokens), (std::vector<std::string>{"'Before'", "'x'", "cell", "end", "'After'"}));
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
