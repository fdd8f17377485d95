// The text subsystem: escapes and the character-code table, String and Char
// statements, units, page geometry, which text is reported, paragraph ends,
// the format flush and allocation failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "reader/host_services.h"
#include "support/test_host.h"
#include "text/text.h"
#include "text/units.h"

namespace {

// Body page with text rectangle 7, master page with 9; `line` stands in a paragraph line of rectangle `rect`.
std::string DocumentWithLine(const std::string& line, int rect = 7) {
    return "<MIFFile 5.00> # test\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<Page <PageType MasterPage> "
           "<TextRect <ID 9>>>\n<TextFlow <Para <ParaLine <TextRectID " + std::to_string(rect) + "> " + line + ">>>\n";
}

// Text runs as 'text' ('?' when the count disagrees with the length), attribute tokens as 4/code in hex,
// other tokens as their code; each followed by a blank.
std::string Render(const std::vector<testhost::Token>& tokens) {
    std::string s;
    for (const testhost::Token& t : tokens) {
        uint32_t first = t.payload.size() >= 4 ? t.U32(0) : ~0u;  // a text token's count, an attribute code
        char field[16];
        std::snprintf(field, sizeof field, t.code == MIF_TOKEN_ATTRIBUTE ? "4/%x " : "%u ",
                      t.code == MIF_TOKEN_ATTRIBUTE ? first : t.code);
        s += t.code != MIF_TOKEN_TEXT ? field : first + 4 == t.payload.size() ? "'" + t.Text() + "' " : "? ";
    }
    return s;
}

// The body of a whole document (after the 53 header bytes), rendered; the status when the read fails or leaks.
std::string ReadBody(const std::string& document) {
    testhost::TestHost host;
    testhost::TestHost::Run run = host.ReadDocument(document);
    if (run.status != MIF_STATUS_OK || host.allocator.live != 0)
        return "status " + std::to_string(run.status) + ", leaked " + std::to_string(host.allocator.live);
    return Render(testhost::BodyTokens(run.tokens));
}

// A context in a reported flow writing into the test's buffer, its lastEmitted brought up to current.
struct Direct {
    Direct() : out(8192), ctx(host.Open("<MIFFile 5.00>\n")) { ctx->inBodyFlow = 1, Flush(); }
    ~Direct() { if (ctx != nullptr) mifFreeContext(ctx); }
    void Reset() { ctx->bufferStart = ctx->writePointer = out.data(), ctx->bufferEnd = out.data() + out.size(); }
    std::vector<uint8_t> Written() const { return std::vector<uint8_t>(ctx->bufferStart, ctx->writePointer); }
    std::string Rendered() const { return Render(testhost::SplitTokens(Written())); }
    std::string Flush() {
        Reset();
        ctx->formatDirty = 1;
        EXPECT_TRUE(mif::FlushPendingFormat(ctx) == 1 && ctx->formatDirty == 0);
        return Rendered();
    }
    void SetTabs(std::vector<int32_t> positions, std::vector<uint32_t> types) {
        mif::FormatState& s = ctx->current;
        mif::HostFree(ctx, s.tabPositions), mif::HostFree(ctx, s.tabTypes);
        s.tabCount = static_cast<int32_t>(positions.size());
        s.tabPositions = static_cast<int32_t*>(mif::HostAllocateArray(ctx, 4, uint32_t(s.tabCount)));
        s.tabTypes = static_cast<uint32_t*>(mif::HostAllocateArray(ctx, 4, uint32_t(s.tabCount)));
        std::copy(positions.begin(), positions.end(), s.tabPositions);
        std::copy(types.begin(), types.end(), s.tabTypes);
    }
    testhost::TestHost host;
    std::vector<uint8_t> out;
    mif::ReaderContext* ctx;
};

TEST(HexPairToByte, MapsTheDocumentedCodesAndLeavesOthersAlone) {
    // Codes from every row of the table and its quirks, then codes between its entries.
    const std::pair<const char*, int> cases[] = {
        {"05", 0x20}, {"15", 0xAE}, {"80", 0xC4}, {"8a", 0xE4}, {"9f", 0xFC}, {"a1", 0xB0}, {"af", 0xD8}, {"b9", 0xBC},
        {"bf", 0xF8}, {"c3", 0xD0}, {"c4", 0x83}, {"c6", 0xFD}, {"d4", 0x99}, {"d5", 0x92}, {"db", 0xA4}, {"e2", 0xB8},
        {"ef", 0xD4}, {"f1", 0xD2}, {"f4", 0xD9}, {"00", 0x00}, {"41", 0x41}, {"a0", 0xA0}, {"d0", 0xD0}, {"ff", 0xFF},
    };
    for (const auto& [code, mapped] : cases) {
        char hi = code[0], lo = code[1], HI = char(std::toupper(hi)), LO = char(std::toupper(lo));
        EXPECT_EQ(mif::HexPairToByte(hi, lo, 1), mapped) << code;
        EXPECT_EQ(mif::HexPairToByte(HI, LO, 7), mapped) << code;  // any case, any non-zero convert
        EXPECT_EQ(mif::HexPairToByte(HI, lo, 0), std::stoi(code, nullptr, 16)) << code;  // no mapping
    }
}

TEST(DecodeMifString, EscapesAndLimits) {
    // max ~0u: the input's length. Not fixed: cut short, the bytes may be any but must stay inside the text.
    const struct { std::string input; uint32_t max; std::string expected; bool fixed = true; } cases[] = {
        {"a\\>b\\\\c\\Qd\\qe", ~0u, "a>b\\c`d'e"}, {"caf\\x8e s", ~0u, "caf\xE9s"}, {"\\x8E ", ~0u, "\xE9"},
        {"\\x41Zb", ~0u, "Ab"}, {"\\x00 z", ~0u, std::string("\0z", 2)}, {"Name\\tValue", ~0u, "Name Value"},
        {"\\T\\X41 \\N", ~0u, "\\T\\X41 \\N"}, {"x\\ny\\>z\\n", ~0u, "x\\ny>z\\n"}, {"\\\\n", ~0u, "\\n"},
        {"ab\\", ~0u, "ab\\"}, {"", ~0u, ""}, {"abcdef", 3, "abc"}, {"abc", 0, ""},
        {"\\>\\>\\>", 4, ">>"},  // the limit counts input bytes
        {"ab\\x41", ~0u, "", false}, {"ab\\x4", ~0u, "", false}, {"ab\\x", ~0u, "", false},
    };
    for (const auto& c : cases) {
        std::vector<char> buffer(c.input.begin(), c.input.end());
        buffer.insert(buffer.end(), {'\0', '#'});  // the guard after the text must survive
        mif::DecodeMifString(nullptr, buffer.data(), c.max == ~0u ? uint32_t(c.input.size()) : c.max);
        // Still terminated inside the text, nothing written past it.
        EXPECT_TRUE(buffer.back() == '#' && std::memchr(buffer.data(), 0, c.input.size() + 1)) << c.input;
        if (c.fixed) {
            EXPECT_EQ(std::string(buffer.data(), c.expected.size() + 1), c.expected + '\0') << c.input;
        }
    }
}

TEST(StringStatement, OneTextTokenPerStatement) {
    // Render checks each text token's count against its length.
    const std::pair<const char*, const char*> cases[] = {
        {"<String `a\\>b\\\\c\\Qd\\qe'>", "'a>b\\c`d'e' "},
        {"<String `caf\\x8e s'>", "'caf\xE9s' "}, {"<String `'>", "'' "},
        {"<String abc>", "'ab' "},  // the last character is taken for the closing quote
        {"<String `a'> <String `b'>", "'a' 'b' "}, {"<String `#1 <b\\>'>", "'#1 <b>' "},
        {"<String `ab\\x00 cd'>", "'ab' "},              // the text ends at an encoded NUL
        {"<String `A\\xzz BC'>", "'A\\xzz BC' "},        // not hexadecimal: the escape stays as text
        {"<String `\\x4g \\xG1 x'>", "'\\x4g \\xG1 x' "},
        {"<String `Name\\tValue'>", "3 'Name Value' "},  // the tab goes first
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(ReadBody(DocumentWithLine(line)), std::string(expected) + "14 13 ") << line;
        EXPECT_EQ(ReadBody(DocumentWithLine(line, 9)), "") << line;  // master page: nothing
    }
}

TEST(CharStatement, EveryNameOfTheTable) {
    const std::pair<const char*, const char*> cases[] = {
        {"Tab", "3 "}, {"HardSpace", "' ' "}, {"SoftHyphen", ""}, {"DiscHyphen", ""}, {"NoHyphen", ""},
        {"Cent", "'\xA2' "}, {"Pound", "'\xA3' "}, {"Yen", "'\xA5' "}, {"EnDash", ""}, {"EmDash", ""},
        {"Dagger", ""}, {"DoubleDagger", ""}, {"Bullet", ""}, {"HardReturn", "14 "}, {"NumberSpace", "' ' "},
        {"ThinSpace", "' ' "}, {"EnSpace", "' ' "}, {"EmSpace", "' ' "},
        {"tab", ""}, {"Hard", ""}, {"`Tab'", ""},  // whole, exact names only; not unquoted
    };
    for (const auto& [name, expected] : cases) {
        const std::string statement = std::string("<Char ") + name + ">";
        EXPECT_EQ(ReadBody(DocumentWithLine("<String `a'> " + statement + " <String `b'>")),
                  std::string("'a' ") + expected + "'b' 14 13 ") << name;
        EXPECT_EQ(ReadBody(DocumentWithLine(statement, 9)), "") << name;
    }
}

TEST(Units, FactorAndTwipsOfTheWrittenForms) {
    const struct { std::string text; int32_t factor, twips; } cases[] = {
        {"0.5\"", 1440, 720}, {"1.5", 1440, 2160}, {"1 in", 1440, 1440}, {"2.54 cm", 567, 1440},
        {"1 centimeter", 567, 567}, {"0.1 mm", 57, 5}, {"10 millimeter", 57, 570}, {"12.0 pt", 20, 240},
        {"12pt", 20, 240}, {"2 point", 20, 40}, {"1 pica", 240, 240}, {"1 pc", 240, 240}, {"1 dd", 21, 21},
        {"2 didot", 21, 42}, {"1.0 cc", 256, 256}, {"1 cicero", 256, 256}, {"-0.5 cm", 567, -283},
        {"3 CM", 1440, 4320}, {"5 points", 1440, 7200}, {"5 inch", 1440, 7200}, {"", 1440, 0},
        {"21.0 cm 29.7 cm", 567, 11907}, {"8.5\" 11.0\"", 1440, 12240}, {"1e30 pt", 1440, INT32_MAX},
        {"1" + std::string(76, ' ') + "cm", 567, 567},    // the unit word ends at byte 79
        {"1" + std::string(77, ' ') + "cm", 1440, 1440},  // byte 80 is not read: "c" is no unit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mif::ParseUnitFactor(c.text.c_str()), c.factor) << c.text;
        EXPECT_EQ(mif::MeasureTwips(c.text.c_str()), c.twips) << c.text;
    }
}

TEST(PageType, BodyPageRectanglesAndPageSizes) {
    const struct { const char* pages; bool reported; int32_t width, height; } cases[] = {
        {"<Page <PageType BodyPage> <PageSize  8.5\" 11.0\"> <TextRect <ID 7>>>", true, 12240, 15840},
        {"<Page <PageType BodyPage > <PageSize 8.5\" 11.0\"> <TextRect <ID 7>>>", true, 15840, 0},
        {"<Page <PageType `BodyPage'> <PageSize  21.0cm 29.7cm> <TextRect <ID 7>>>", true, 11907, 16839},
        {"<Page <PageType bodypage> <PageSize  21.0 cm 29.7 cm> <TextRect <ID 7>>>", false, 11907, 0},
        {"<Page <PageType  BodyPage> <TextRect <ID 7>>>", false, 12240, 15840},  // leading blanks stay
        {"<Page <PageType BodyPages> <PageSize  1\" 2\"> <TextRect <ID 7>>>", false, 1440, 2880},
        {"<Page <TextRect <ID 7>> <PageType BodyPage>>", false, 12240, 15840},  // the type comes first
        {"<Page <PageType BodyPage>> <Page <TextRect <ID 7>>>", false, 12240, 15840},
        {"<Page <PageType BodyPage> <PolyLine <ID 7>>>", false, 12240, 15840},
        {"<Page <PageType BodyPage> <PageSize  1\" 2\">> <Page <PageType BodyPage> <PageSize  3\" 4\"> "
         "<TextRect <ID 6>> <TextRect <ID 7>>>", true, 4320, 5760},
        {"<Units Ucm> <Page <PageType BodyPage> <PageSize  2.0 3.0> <TextRect <ID 7>>>", true, 2880, 4320},
    };
    for (const auto& c : cases) {
        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(std::string("<MIFFile 5.00>\n") + c.pages +
                                            "\n<TextFlow <Para <ParaLine <TextRectID 7> <String `x'>>>>\n");
        auto run = testhost::TestHost::Drain(ctx);
        EXPECT_EQ(Render(testhost::BodyTokens(run.tokens)), c.reported ? "'x' 14 13 " : "") << c.pages;
        EXPECT_EQ(ctx->pageWidth, c.width) << c.pages;
        EXPECT_EQ(ctx->pageHeight, c.height) << c.pages;
        mifFreeContext(ctx);
    }
}

TEST(TextRectID, EachOneDecidesUntilTheNext) {
    // A paragraph whose flow stops being reported before its end writes no end tokens.
    EXPECT_EQ(ReadBody("<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<Page <PageType MasterPage> "
                       "<TextRect <ID 9>>>\n<Page <PageType BodyPage> <TextRect <ID 12>>>\n<TextFlow "
                       "<Para <ParaLine <String `z'>>> <Para <ParaLine <TextRectID 9> <String `a'>>>\n"
                       "<Para <ParaLine <TextRectID 7> <String `b'>> <ParaLine <Marker <MType 2> <MText `m'>> "
                       "<String `c'>>> <Para <ParaLine <String `d'>>>\n<Para <ParaLine <String `e'> <TextRectID 9> "
                       "<String `f'>>> <Para <ParaLine <TextRectID `12'> <String `g'>>>\n"
                       "<Para <ParaLine <TextRectID 13> <String `h'>>>>\n"),
              "'b' 'c' 14 13 'd' 14 13 'e' 'g' 14 13 ");
    const char* const sections[] = {
        "<Page <PageType BodyPage> <TextLine <String `x'> <Char Tab>>>", "<AFrames <Frame <TextLine <String `x'>>>>",
        "<Notes <FNote <Para <ParaLine <String `x'> <Char Tab>>>>>",
        "<Tbls <Tbl <TblID 1> <TblH <Row <Cell <CellContent <Para <ParaLine <String `x'>>>>>>>>>>",
    };
    for (const char* section : sections) EXPECT_EQ(ReadBody(DocumentWithLine("") + section), "14 13 ") << section;
}

TEST(TextStatements, MissingValuesFailTheFill) {
    for (const char* keyword : {"String", "Char", "PageType", "PageSize", "ID", "TextRectID", "MType", "MText"})
        EXPECT_EQ(ReadBody(std::string("<MIFFile 5.00>\n<") + keyword + " <X 1>>\n"), "status 4, leaked 0") << keyword;
}

TEST(ParagraphEnd, AttributesOffThenBreakPairThenOnAgainBeforeTheNextText) {
    Direct d;
    char text[] = "`next'";
    mif::StatementFrame para{}, string{nullptr, text, text + 5, nullptr};
    d.ctx->current.charAttributes = 0xFF, d.ctx->current.fontSize = 10;
    d.Flush();
    d.Reset();
    ASSERT_EQ(mif::HandlePara(d.ctx, &para), 1);
    EXPECT_EQ(d.Rendered(), "4/1 4/2 4/4 4/8 4/10 4/20 4/8040 4/8080 14 13 ");
    const std::vector<uint8_t> breakPair = {14, 5, 0, 0, 0, 13, 5, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(d.ctx->writePointer - 10, d.ctx->writePointer), breakPair);
    EXPECT_EQ(d.ctx->current.fontSize, 17);  // both script bits: 10 * 4 / 3 twice, truncated
    d.Reset();
    ASSERT_EQ(mif::HandleString(d.ctx, &string), 1);
    EXPECT_EQ(d.Rendered(), "15 4/8001 4/8002 4/8004 4/8008 4/8010 4/8020 4/40 4/80 'next' ");
}

#define SET(assignment) [](Direct& d) { d.ctx->current.assignment; }

TEST(FormatFlush, EachChangedGroupOnceAndAllInTheirOrder) {
    const struct { void (*change)(Direct&); std::vector<uint8_t> bytes; } cases[] = {
        {SET(leftIndent = -720), {1, 18, 0, 0, 0, 0x30, 0xFD, 0xFF, 0xFF, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 0}},
        {SET(alignment = mif::AlignLeftRight), {1, 18, 0, 0, 0, 0xA0, 0x05, 0, 0, 0xA0, 0x05, 0, 0, 0, 0, 0, 0, 3}},
        {SET(leadingClass = 2), {18, 6, 0, 0, 0, 2}},
        {SET(fontSize = 12), {15, 13, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0}},
        {SET(fontIndex = 3), {15, 13, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}},
        {SET(fontFamily[0] = 'T'), {15, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  // the family name is not written
        {SET(charAttributes = mif::AttrBold), {4, 9, 0, 0, 0, 0x01, 0x80, 0, 0}},
        {SET(textColor = 0x0000FF), {19, 10, 0, 0, 0, 0, 0xFF, 0, 0, 0}},
        {[](Direct& d) { d.SetTabs({720, 1440}, {0, 2}); },
         {2, 19, 0, 0, 0, 2, 0, 0, 0, 0, 0xD0, 0x02, 0, 0, 2, 0xA0, 0x05, 0, 0}},
        {[](Direct& d) { std::strcpy(d.ctx->current.numberString, "1.\\>"); },
         {0, 12, 0, 0, 0, 3, 0, 0, 0, '1', '.', '>'}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Direct d;
        cases[i].change(d);
        d.Flush();
        EXPECT_EQ(d.Written(), cases[i].bytes) << i;
        EXPECT_EQ(d.Flush(), "") << i;
    }
    // All at once: held back outside a reported flow, then in their order; the escaped tab is written
    // while the number string is decoded.
    Direct d;
    for (const auto& c : cases) c.change(d);
    std::strcpy(d.ctx->current.numberString, "A\\t");
    d.Reset();
    d.ctx->inBodyFlow = 0, d.ctx->formatDirty = 1;
    EXPECT_TRUE(mif::FlushPendingFormat(d.ctx) == 1 && d.ctx->formatDirty == 1);
    EXPECT_EQ(d.Rendered(), "");
    d.ctx->inBodyFlow = 1;
    EXPECT_EQ(d.Flush(), "1 18 15 4/8001 19 2 3 'A ' ");
    // Tab stops are compared by content, types included; an empty list replaces a non-empty one.
    d.SetTabs({720, 1440}, {0, 2});
    EXPECT_EQ(d.Flush(), "");
    d.SetTabs({720, 1440}, {0, 1});
    EXPECT_EQ(d.Flush(), "2 ");
    d.SetTabs({}, {});
    EXPECT_EQ(d.Flush(), "2 ");
}

TEST(NumberString, WrittenOnceBeforeTheFirstTextOfItsParagraph) {
    EXPECT_EQ(ReadBody("<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <PgfNumString "
                       "`1.\\t'> <ParaLine <TextRectID 7> <String `a'>> <ParaLine <String `b'>>>\n"
                       "<Para <ParaLine <String `c'>>>>\n"),
              "1 3 '1. ' 'a' 'b' 14 13 'c' 14 13 ");
    // A table anchored before the paragraph's first text: the cells' own
    // paragraphs neither take nor clear the number string.
    EXPECT_EQ(ReadBody("<MIFFile 5.00>\n<Tbls <Tbl <TblID 1> <TblNumColumns 1> <TblColumnWidth 1.0\"> <TblBody <Row "
                       "<Cell <CellContent <Para <ParaLine <String `in'>>>>>>>>>\n<Page <PageType BodyPage> <TextRect "
                       "<ID 7>>>\n<TextFlow <Para <PgfNumString `1.'> <ParaLine <TextRectID 7> <ATbl 1> <String `a'>>>>\n"),
              "6 1 'in' 14 13 8 6 '1.' 'a' 14 13 ");
}

TEST(TextAllocation, RefusedBlocksFailTheHandlerAndLeakNothing) {
    Direct d;
    d.ctx->text.isBodyPage = d.ctx->inTextRect = 1;
    char id[] = "7";
    mif::StatementFrame frame{nullptr, id, id, nullptr};
    d.host.allocator.failAt = d.host.allocator.count + 1;
    EXPECT_EQ(mif::RecordBodyTextRectID(d.ctx, &frame), 0);
    EXPECT_EQ(d.ctx->text.bodyRectHead, nullptr);
    for (long refused : {1L, 2L}) {  // the new positions array, then the new types array
        d.SetTabs({720}, {0});
        d.Flush();
        d.SetTabs({720, 1440}, {0, 0});
        d.host.allocator.failAt = d.host.allocator.count + refused;
        d.ctx->formatDirty = 1;
        EXPECT_EQ(mif::FlushPendingFormat(d.ctx), 0) << refused;
        EXPECT_EQ(d.ctx->lastEmitted.tabCount, 0);
        EXPECT_TRUE(d.ctx->lastEmitted.tabPositions == nullptr && d.ctx->lastEmitted.tabTypes == nullptr);
    }
    mifFreeContext(d.ctx), d.ctx = nullptr;
    EXPECT_EQ(d.host.allocator.live, 0);
}

}  // namespace
