// Table replay: tokens at the anchors, column widths and indent, failures,
// and independence from input windows, fill buffers, short reads and
// refused allocations.
#include <gtest/gtest.h>

#include <tuple>

#include "fuzz/careful_host.h"
#include "support/test_host.h"

namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<Strings>;

struct Table {
    std::string id, numColumns;  // empty id: no TblID; empty count: no TblNumColumns
    Strings widths;              // TblColumnWidth values, in order
    Rows rows;                   // cell texts; a text "@n" also anchors table n inside its cell
    std::string extra;           // statements after TblNumColumns
};

std::string TableText(const Table& t) {
    std::string s = " <Tbl \n" + (t.id.empty() ? "" : "  <TblID " + t.id + ">\n");
    // The format's own column statements must change nothing.
    s += "  <TblFormat <TblColumn <TblColumnNum 0> <TblColumnWidth  7.0\">>>\n";
    s += (t.numColumns.empty() ? "" : "  <TblNumColumns " + t.numColumns + ">\n") + t.extra;
    for (const std::string& w : t.widths) s += "  <TblColumnWidth " + w + ">\n";
    for (size_t r = 0; r < t.rows.size(); ++r) {
        s += r == 0 ? "  <TblH <Row \n" : "  <TblBody <Row \n";
        for (const std::string& c : t.rows[r])
            s += "   <Cell <CellContent <Para <ParaLine <String `" + c + "'>" +
                 (c[0] == '@' ? "<ATbl " + c.substr(1) + ">" : "") + ">>>>\n";
        s += "  >>\n";
    }
    return s + " > # end of Tbl\n";
}

std::string Para(const std::string& content, int rect = 7) {
    return " <Para <ParaLine <TextRectID " + std::to_string(rect) + ">\n" + content + " >>\n";
}
std::string Text(const std::string& s) { return "  <String `" + s + "'>\n"; }
std::string Anchor(const std::string& id, const std::string& before, const std::string& after, int rect = 7) {
    return Para(Text(before) + "  <ATbl " + id + ">\n" + Text(after), rect);
}
// Pages (a body page with text rectangle 7, a master page with 9), lead,
// the tables, and one flow holding paras.
std::string Document(const std::vector<Table>& tables, const std::string& paras, const std::string& lead = "",
                     const std::string& pageSize = "8.5\" 11.0\"") {
    std::string s = "<MIFFile 5.00>\n<Units Uin>\n<Page <PageType BodyPage> <PageSize  " + pageSize +
                    "> <TextRect <ID 7>>>\n<Page <PageType RightMasterPage> <TextRect <ID 9>>>\n" + lead + "<Tbls \n";
    for (const Table& t : tables) s += TableText(t);
    return s + "> # end of Tbls\n<TextFlow \n" + paras + "> # end of TextFlow\n";
}

// A table start as Trace shows it: the widths, the spacings 30 60 30 60,
// the indent and the final 0.
std::string Start(const std::vector<int32_t>& widths, int32_t indent) {
    std::string s = "start(";
    for (int32_t w : widths) s += std::to_string(w) + ",";
    return s + "30,60,30,60," + std::to_string(indent) + ",0)";
}

// Text, cell ends and table tokens after the header, one entry each; a
// table start shows its widths, spacings, indent and final byte.
Strings Trace(const std::vector<uint8_t>& bytes) {
    Strings out;
    for (const mifhost::Token& t : mifhost::DecodeTokens(bytes)) {
        if (const auto* text = std::get_if<mifhost::TextToken>(&t.value)) out.push_back("'" + text->bytes + "'");
        if (std::holds_alternative<mifhost::CellEndToken>(t.value)) out.push_back("cell");
        if (std::holds_alternative<mifhost::TableEndToken>(t.value)) out.push_back("end");
        if (const auto* start = std::get_if<mifhost::TableStartToken>(&t.value)) {
            std::string s = "start(";
            for (uint32_t v : start->widths) s += std::to_string(v) + ",";
            for (uint32_t v : start->spacing) s += std::to_string(v) + ",";
            out.push_back(s + std::to_string(start->indent) + "," + std::to_string(start->trailer) + ")");
        }
    }
    return out;
}

// One replayed table: its start (if any), each cell's text and token 8, its end.
Strings Entries(const std::string& start, const Rows& rows) {
    Strings out;
    if (!start.empty()) out.push_back(start);
    for (const Strings& row : rows)
        for (const std::string& c : row) out.insert(out.end(), {"'" + c + "'", "cell"});
    out.push_back("end");
    return out;
}
Strings operator+(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Reads a whole document through the careful host, whose checks must hold.
mifhost::RunResult Read(const std::string& doc, uint32_t size = 65536, uint32_t chunk = 0) {
    mifcheck::Checked c = mifcheck::Read(mifcheck::LinkedModule(), doc, {size, {chunk}});
    EXPECT_EQ(c.problem, "");
    return std::move(c.run);
}

const Table kThree{"1", "3", {" 1.0\"", " 2.0\"", " 1.5\""}, {{"h1", "h2", "h3"}, {"a", "b", "c"}}, ""};

TEST(TableReplay, EachAnchorReplaysTheFirstTableWithItsExactId) {
    // Table 1 anchors "03" from a cell before "03" is defined: the first
    // reading must not fail, and the replay does not follow it.
    Table one = kThree;
    one.rows.push_back({"@03"});
    Table other{"03", "1", {" 0.5\""}, {{"x"}}, ""}, duplicate{"1", "1", {" 3.0\""}, {{"never"}}, ""};
    auto run = Read(Document({one, other, duplicate}, Anchor("03", "p1", "q1") + Anchor("1", "p2", "q2") +
                                                          Anchor("1", "m1", "m2", 9) + Anchor("1", "p3", "q3")));
    ASSERT_TRUE(run.finished());
    // Indents: (12240 - 1440 - 1440 - 6480) / 2 and (12240 - 1440 - 1440 - 720) / 2.
    Strings table1 = Entries(Start({1440, 2880, 2160}, 1440), one.rows);
    // The anchor on the master page (rectangle 9) writes nothing.
    EXPECT_EQ(Trace(run.tokens), (Strings{"'p1'"} + Entries(Start({720}, 4320), {{"x"}}) + Strings{"'q1'", "'p2'"} + table1 +
                                  Strings{"'q2'", "'p3'"} + table1 + Strings{"'q3'"}));
}

// On a landscape page (15840 twips wide) the indent is (12960 - the sum of
// the widths) / 2, truncated toward zero.
TEST(TableReplay, StartCarriesTheReplayedWidthsAndTheIndent) {
    using Case = std::tuple<const char*, std::string, Strings, std::string, std::string>;
    // Name, TblNumColumns, widths (number x unit factor truncated: inch 1440,
    // cm 567, pt 20, mm 57), the start (none: no start), extra statements.
    const Case wide{"SixtyFourColumns", "64", Strings(64, " 0.1\""), Start(std::vector<int32_t>(64, 144), 1872), ""};
    for (const auto& [name, columns, widths, start, extra] :
         {Case{"ZeroWidthLeavesItsEntryFree", "3", {" 1.0\"", " 0", " 2.0\"", " 3.0\""}, Start({1440, 2880, 4320}, 2160), ""},
          Case{"FewerWidthsThanColumns", "3", {" 1.0\"", " 2.0\""}, "", ""}, Case{"NoColumns", "0", {" 1.0\""}, "", ""},
          Case{"ExtraWidthsIgnored", "2", {" 1.0\"", " 2.0\"", " 4.0\""}, Start({1440, 2880}, 4320), ""},
          Case{"Units", "3", {" 2.54 cm", " 12.0 pt", " 1.5"}, Start({1440, 240, 2160}, 4560), ""},
          Case{"OddRoom", "1", {" 1 mm"}, Start({57}, 6451), ""},
          Case{"OddNegativeRoom", "1", {" 229 mm"}, Start({13053}, -46), ""},
          Case{"NegativeIndent", "3", {" 5.0\"", " 5.0\"", " 5.0\""}, Start({7200, 7200, 7200}, -4320), ""},
          Case{"EqualizationNotRepeated", "3", {" 1.0\"", " 2.0\"", " 1.5\""}, Start({1440, 2880, 2160}, 3240),
               "  <EqualizeWidths <TblColumnNum 0> <TblColumnNum 2>>\n"},
          Case{"WidthPairDropsFirstWidth", "2", {" 1.0\"", " 2.0\"", " 3.0\""}, Start({2880, 4320}, 2880),
               "  <TblColumnWidthA  1.0\" 2.0\">\n"},
          wide}) {
        SCOPED_TRACE(name);
        Rows rows = {{"c0", "c1"}};
        auto run =
            Read(Document({Table{"5", columns, widths, rows, extra}}, Anchor("5", "B", "A"), "", "11.0\" 8.5\""));
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(Trace(run.tokens), Strings{"'B'"} + Entries(start, rows) + Strings{"'A'"});
    }
}

TEST(TableReplay, FirstReadingEqualizesTheNamedColumnsButStartsNoTable) {
    // A body flow before the Tbls section leaves text reporting on.
    Table t{"1", "", {}, {{"x"}},
            "  <TblColumnNum 0> <TblColumnWidth 1.0\"> <TblColumnNum 1> <TblColumnWidth 2.0\">\n"
            "  <TblColumnNum 2> <TblColumnWidth 1.5\"> <TblNumColumns 3>\n"
            "  <EqualizeWidths <TblColumnNum 0> <TblColumnNum 2>>\n"};
    testhost::Reading r(Document({t}, "", "<TextFlow \n" + Para(Text("early")) + ">\n"));
    ASSERT_NE(r.ctx, nullptr);
    EXPECT_EQ(r.run.status, MIF_STATUS_OK);
    EXPECT_EQ(Trace(r.run.tokens), Strings{"'early'"});
    // Columns 0 and 2 take the wider of 1440 and 2160; column 1 keeps 2880.
    const mif::TableState& s = r.ctx->tables;
    EXPECT_EQ(std::vector<uint32_t>(s.columnWidths, s.columnWidths + s.widthCapacity),
              (std::vector<uint32_t>{2160, 2880, 2160}));
}

TEST(TableReplay, FailuresEndTheFillWithStatusFourAndNothingAfter) {
    using Case = std::tuple<const char*, std::string, Strings>;  // name, document, trace
    Table three{"3", "1", {" 1.0\""}, {{"x"}}, ""};
    for (const auto& [name, document, trace] : {
             Case{"UnknownIdAfterAKnownOne", Document({kThree}, Anchor("1", "B", "A") + Anchor("2", "x", "y")),
                  Strings{"'B'"} + Entries(Start({1440, 2880, 2160}, 1440), kThree.rows) + Strings{"'A'", "'x'"}},
             Case{"IdComparedAsText", Document({three}, Anchor("03", "x", "y")), {"'x'"}},
             Case{"NoTables", Document({}, Anchor("1", "x", "y")), {"'x'"}},
             Case{"AnchorWithoutValue", Document({kThree}, Para(Text("x") + "  <ATbl <Unique 1>>\n")), {"'x'"}},
             Case{"SixtyFiveColumns", Document({Table{"1", "65", {}, {{"x"}}, ""}}, Anchor("1", "x", "y")), {}},
             Case{"NegativeColumns", Document({Table{"1", "-1", {}, {{"x"}}, ""}}, Anchor("1", "x", "y")), {}},
             Case{"TblWithoutId", Document({Table{"", "1", {}, {{"x"}}, ""}}, ""), {}},
         }) {
        SCOPED_TRACE(name);
        auto run = Read(document);
        EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED);
        EXPECT_LT(run.lastPercent, 100u);
        EXPECT_EQ(Trace(run.tokens), trace);
    }
}

const Table kLong{"1", "2", {" 1.0\"", " 2.0\""}, Rows(13, {"left", "right"}), ""};
const Strings kLongTwice = Strings{"'B0'"} + Entries(Start({1440, 2880}, 2520), kLong.rows) +
                           Strings{"'A0'", "'B1'"} + Entries(Start({1440, 2880}, 2520), kLong.rows) + Strings{"'A1'"};

// The long table's "<Tbl" at tblAt (or as early as it can be), two anchors
// to it from about anchorAt.
std::string Straddling(size_t tblAt, size_t anchorAt) {
    size_t first = Document({}, "").find("<Tbls") + 8;
    std::string lead(tblAt > first ? tblAt - first : 0, '\n');
    size_t flowAt = Document({kLong}, "", lead).size();
    std::string anchors = Anchor("1", "B0", "A0") + Anchor("1", "B1", "A1");
    return Document({kLong}, std::string(anchorAt > flowAt ? anchorAt - flowAt : 0, '\n') + anchors, lead);
}

TEST(TableReplay, SameStreamWhereverInputWindowsAndFillBuffersCut) {
    // The table, then the anchors, from 160 bytes before to 40 after each
    // window edge; each document read with one big fill and with one of the
    // buffer sizes and short reads in turn (small buffers stop fills inside
    // the replays).
    const uint32_t sizes[] = {256, 257, 300, 1000, 4u << 20}, chunks[] = {0, 1, 13, 4095};
    size_t i = 0;
    for (size_t edge : {4096u, 8192u}) {
        for (size_t at = edge - 160; at < edge + 40; at += 3) {
            for (bool moveTable : {true, false}) {
                uint32_t size = sizes[i % 5], chunk = chunks[i++ % 4];
                SCOPED_TRACE(std::to_string(at) + (moveTable ? " table" : " anchor") + ", buffer " +
                             std::to_string(size) + ", reads of at most " + std::to_string(chunk));
                std::string doc = moveTable ? Straddling(at, 0) : Straddling(0, at);
                auto whole = Read(doc), run = Read(doc, size, chunk);
                ASSERT_TRUE(run.finished());
                EXPECT_EQ(Trace(whole.tokens), kLongTwice);
                EXPECT_EQ(run.tokens, whole.tokens);
                EXPECT_TRUE(size > 300 || run.fills.size() > 4);
            }
        }
    }
}

TEST(TableReplay, EveryRefusedAllocationFailsCleanly) {
    mifcheck::Feed feed;
    feed.bufferSize = 1024;
    EXPECT_EQ(mifcheck::SweepRefusals(mifcheck::LinkedModule(), Straddling(4050, 8150), feed), "");
}

}  // namespace
