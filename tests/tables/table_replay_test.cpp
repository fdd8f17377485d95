#include <gtest/gtest.h>

#include "tables/table_docs.h"

namespace {

using namespace tabledocs;
using Trace_t = std::vector<std::string>;

const std::vector<std::vector<std::string>> kRows = {{"h1", "h2", "h3"}, {"a", "b", "c"}};

Table ThreeColumns(const std::string& id = "1") {
    return Table{id, "3", {" 1.0\"", " 2.0\"", " 1.5\""}, kRows, ""};
}

const std::string kThreeStart = StartEntry({1440, 2880, 2160});

Trace_t Concat(std::initializer_list<Trace_t> parts) {
    Trace_t out;
    for (const Trace_t& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string Document(const std::vector<Table>& tables, const std::string& paras) {
    return Header() + Tbls(tables) + Pages() + Flow(paras) + Footer();
}

TEST(TableReplay, TableIsWrittenAtItsAnchorBetweenTheSurroundingText) {
    testhost::TestHost host;
    auto run = host.ReadDocument(Document({ThreeColumns()}, AnchorPara("1")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.percents.back(), 100u);
    EXPECT_EQ(Trace(run.tokens), Concat({{"'Before'"}, TableEntries(kThreeStart, kRows), {"'After'"}}));
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(TableReplay, TablesAreReplayedAsOftenAsAnchoredAndFoundByExactId) {
    Table second{"03", "1", {" 0.5\""}, {{"x"}}, ""};
    Table duplicate{"1", "1", {" 3.0\""}, {{"never"}}, ""};
    testhost::TestHost host;
    auto run = host.ReadDocument(Document({ThreeColumns(), second, duplicate},
                                          AnchorPara("03", 7, "p1", "q1") + AnchorPara("1", 7, "p2", "q2") +
                                              AnchorPara("1", 7, "p3", "q3")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    Trace_t table1 = TableEntries(kThreeStart, kRows);
    Trace_t table03 = TableEntries(StartEntry({720}), {{"x"}});
    EXPECT_EQ(Trace(run.tokens), Concat({{"'p1'"}, table03, {"'q1'", "'p2'"}, table1, {"'q2'", "'p3'"}, table1,
                                         {"'q3'"}}));
    EXPECT_EQ(host.allocator.live, 0);
}

struct WidthCase {
    const char* name;
    std::string numColumns;
    std::vector<std::string> widths;
    std::vector<int64_t> expected;  // empty: no table start
};

void PrintTo(const WidthCase& c, std::ostream* os) { *os << c.name; }

class ColumnWidths : public ::testing::TestWithParam<WidthCase> {};

TEST_P(ColumnWidths, TableStartCarriesTheReplayedWidths) {
    const WidthCase& c = GetParam();
    std::vector<std::string> row;
    int columns = std::atoi(c.numColumns.c_str());
    for (int i = 0; i < columns && i < 3; ++i) row.push_back("c" + std::to_string(i));
    Table t{"5", c.numColumns, c.widths, {row}, ""};
    testhost::TestHost host;
    auto run = host.ReadDocument(Document({t}, AnchorPara("5")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    std::string start = c.expected.empty() ? "" : StartEntry(c.expected);
    EXPECT_EQ(Trace(run.tokens), Concat({{"'Before'"}, TableEntries(start, {row}), {"'After'"}}));
    EXPECT_EQ(host.allocator.live, 0);
}

std::vector<WidthCase> WidthCases() {
    std::vector<WidthCase> cases = {
        {"ZeroWidthLeavesItsEntryFree", "3", {" 1.0\"", " 0", " 2.0\"", " 3.0\""}, {1440, 2880, 4320}},
        {"FewerWidthsThanColumnsGiveNoStart", "3", {" 1.0\"", " 2.0\""}, {}},
        {"ExtraWidthsAreIgnored", "2", {" 1.0\"", " 2.0\"", " 4.0\""}, {1440, 2880}},
        {"UnitsAreConverted", "3", {" 2.54 cm", " 72.0 pt", " 10 mm"}, {1440, 1440, 570}},
        {"WideTableHasNegativeIndent", "3", {" 4.0\"", " 4.0\"", " 4.0\""}, {5760, 5760, 5760}},
        {"OddRoomTruncatesTowardZero", "1", {" 1 mm"}, {57}},
        {"OddNegativeRoomTruncatesTowardZero", "1", {" 165 mm"}, {9405}},
        {"NumberWithoutUnitIsInches", "1", {" 2"}, {2880}},
    };
    WidthCase wide{"SixtyFourColumns", "64", {}, {}};
    for (int i = 0; i < 64; ++i) {
        wide.widths.push_back(" 0.1\"");
        wide.expected.push_back(144);
    }
    cases.push_back(wide);
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Replay, ColumnWidths, ::testing::ValuesIn(WidthCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TableReplay, IndentsOfOddAndNegativeRoomMatchTheRule) {
    // Independent of the table code: the rule's arithmetic itself.
    EXPECT_EQ(StartEntry({57}), "start(57|4651)");
    EXPECT_EQ(StartEntry({9405}), "start(9405|-22)");
}

TEST(TableReplay, PageWidthFromPageSizeSetsTheIndent) {
    std::string doc = Header() + Tbls({ThreeColumns()}) +
                      "<Page \n <PageType BodyPage>\n <PageSize  11.0\" 8.5\">\n <TextRect \n  <ID 7>\n"
                      " > # end of TextRect\n> # end of Page\n" +
                      Flow(AnchorPara("1")) + Footer();
    testhost::TestHost host;
    auto run = host.ReadDocument(doc);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(Trace(run.tokens),
              Concat({{"'Before'"}, TableEntries(StartEntry({1440, 2880, 2160}, 15840), kRows), {"'After'"}}));
}

TEST(TableReplay, AnchorInUnreportedFlowWritesNothingButTheReportedOneDoes) {
    testhost::TestHost host;
    auto run = host.ReadDocument(Document({ThreeColumns()}, AnchorPara("1", 9, "m1", "m2") + AnchorPara("1")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(Trace(run.tokens), Concat({{"'Before'"}, TableEntries(kThreeStart, kRows), {"'After'"}}));
}

struct FailureCase {
    const char* name;
    std::string document;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailingTables : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailingTables, FillEndsWithStatusFourInResultAndStatusWord) {
    testhost::TestHost host;
    auto run = host.ReadDocument(GetParam().document);
    EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(host.StatusWord(), 4u);
    EXPECT_LT(run.percents.back(), 100u);
    EXPECT_EQ(host.allocator.live, 0);
    for (const std::string& e : Trace(run.tokens)) EXPECT_NE(e, "bad");
}

std::vector<FailureCase> FailureCases() {
    Table t3{"3", "1", {" 1.0\""}, {{"x"}}, ""};
    return {
        {"UnknownId", Document({ThreeColumns()}, AnchorPara("2"))},
        {"IdIsTextNotNumber", Document({t3}, AnchorPara("03"))},
        {"NoTablesAtAll", Header() + Pages() + Flow(AnchorPara("1")) + Footer()},
        {"TooManyColumns", Document({Table{"1", "65", {}, {{"x"}}, ""}}, AnchorPara("1"))},
        {"NegativeColumns", Document({Table{"1", "-1", {}, {{"x"}}, ""}}, AnchorPara("1"))},
        {"TblWithoutAnyId", Header() + "<Tbls \n <Tbl \n  <TblNumColumns 1>\n > # end of Tbl\n> # end of Tbls\n" +
                                Footer()},
        {"AnchorWithoutValue", Document({ThreeColumns()}, " <Para \n  <ParaLine \n   <TextRectID 7>\n   <ATbl <Unique 1>>\n"
                                                          "  > # end of ParaLine\n > # end of Para\n")},
    };
}

INSTANTIATE_TEST_SUITE_P(Replay, FailingTables, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TableReplay, UnknownIdStopsBeforeAnyTableOutput) {
    testhost::TestHost host;
    auto run = host.ReadDocument(Document({ThreeColumns()}, AnchorPara("1") + AnchorPara("9", 7, "x", "y")));
    ASSERT_EQ(run.status, MIF_STATUS_SCAN_FAILED);
    // The first table is complete; the failing anchor added nothing after 'x'.
    EXPECT_EQ(Trace(run.tokens), Concat({{"'Before'"}, TableEntries(kThreeStart, kRows), {"'After'", "'x'"}}));
}

TEST(TableReplay, AnchorInsideACellIsNotFollowed) {
    Table inner{"2", "1", {" 1.0\""}, {{"inner"}}, ""};
    Table outer = ThreeColumns();
    // The second row's middle cell anchors table 2 between two strings.
    outer.rows = {{"h1", "h2", "h3"}};
    outer.beforeRows.clear();
    std::string outerText = TableText(outer);
    std::string nested = "     <Cell \n      <CellContent \n       <Para \n        <ParaLine \n"
                         "         <String `n1'>\n         <ATbl 2>\n         <String `n2'>\n"
                         "        > # end of ParaLine\n       > # end of Para\n      > # end of CellContent\n"
                         "     > # end of Cell\n";
    size_t at = outerText.find("   > # end of Row");
    outerText.insert(at, nested);
    // Table 3 anchors a table that is defined only later: the first reading
    // of the Tbls section must not fail on it.
    Table forward{"3", "1", {" 1.0\""}, {{"f"}}, ""};
    std::string forwardText = TableText(forward);
    forwardText.insert(forwardText.find("   > # end of Row"),
                       "     <Cell \n      <CellContent \n       <Para \n        <ParaLine \n"
                       "         <ATbl 4>\n        > # end of ParaLine\n       > # end of Para\n"
                       "      > # end of CellContent\n     > # end of Cell\n");
    std::string doc = Header() + "<Tbls \n" + TableText(inner) + outerText + forwardText +
                      TableText(Table{"4", "1", {" 1.0\""}, {{"late"}}, ""}) + "> # end of Tbls\n" + Pages() +
                      Flow(AnchorPara("1") + AnchorPara("3", 7, "B3", "A3")) + Footer();
    testhost::TestHost host;
    auto run = host.ReadDocument(doc);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.percents.back(), 100u);
    Trace_t expected = {"'Before'", kThreeStart, "'h1'", "cell", "'h2'", "cell", "'h3'", "cell", "'n1'", "'n2'",
                        "cell",     "end",       "'After'", "'B3'", StartEntry({1440}), "'f'", "cell", "cell",
                        "end",      "'A3'"};
    EXPECT_EQ(Trace(run.tokens), expected);
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(TableReplay, EqualizedWidthsInTheFirstReadingStartNoTable) {
    // A body flow before the Tbls section leaves text reporting on while the
    // tables are first read; the equalisation there must not start a table.
    Table t = ThreeColumns();
    t.beforeRows = "  <EqualizeWidths \n   <TblColumnNum 0>\n   <TblColumnNum 2>\n  > # end of EqualizeWidths\n";
    std::string doc = Header() + Pages() + Flow(" <Para \n  <ParaLine \n   <TextRectID 7>\n   <String `early'>\n"
                                                "  > # end of ParaLine\n > # end of Para\n") +
                      Tbls({t}) + Flow(AnchorPara("1")) + Footer();
    testhost::TestHost host;
    auto run = host.ReadDocument(doc);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    // The replay writes the widths of its own TblColumnWidth statements.
    EXPECT_EQ(Trace(run.tokens), Concat({{"'early'", "'Before'"}, TableEntries(kThreeStart, kRows), {"'After'"}}));
}

TEST(TableReplay, WidthPairsInTheFirstReadingDropTheFirstReplayedWidth) {
    Table t{"1", "2", {" 1.0\"", " 2.0\"", " 3.0\""}, {{"x", "y"}}, ""};
    t.beforeRows = "";
    std::string tableText = TableText(t);
    // A width pair read in the first pass, before the widths.
    tableText.insert(tableText.find("\n  <TblColumnWidth ") + 1, "  <TblColumnWidthA  1.0\" 2.0\">\n");
    std::string doc = Header() + "<Tbls \n" + tableText + "> # end of Tbls\n" + Pages() +
                      Flow(AnchorPara("1") + AnchorPara("1", 7, "again", "done")) + Footer();
    testhost::TestHost host;
    auto run = host.ReadDocument(doc);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    // First replay: the first width only clears the pair data, so 2.0 and
    // 3.0 fill the two columns. The second replay records all widths.
    EXPECT_EQ(Trace(run.tokens),
              Concat({{"'Before'"}, TableEntries(StartEntry({2880, 4320}), {{"x", "y"}}), {"'After'", "'again'"},
                      TableEntries(StartEntry({1440, 2880}), {{"x", "y"}}), {"'done'"}}));
}

}  // namespace
