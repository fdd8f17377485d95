// The text subsystem through whole documents: escapes and the character-code
// table, String and Char statements, lengths and their units, page types and
// sizes, which text is reported, and paragraph number strings.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <random>

#include "support/test_host.h"
#include "text/units.h"

namespace {

using testhost::LineDoc;  // body page with text rectangle 7, master page with 9

// Text runs as 'text' ('?' when the count disagrees with the length), other tokens as their code; each
// followed by a blank.
std::string Render(const std::vector<testhost::Token>& tokens) {
    std::string s;
    for (const testhost::Token& t : tokens) {
        const bool counted = t.payload.size() >= 4 && t.U32(0) + 4 == t.payload.size();
        if (t.code != MIF_TOKEN_TEXT) {
            s.append(std::to_string(t.code)).append(" ");
        } else if (counted) {
            s.append("'").append(t.Text()).append("' ");
        } else {
            s.append("? ");
        }
    }
    return s;
}

// The body of a whole document (after the 53 header bytes), rendered; the status when the read fails.
std::string ReadBody(const std::string& document) {
    testhost::TestHost host;
    testhost::TestHost::Run run = host.ReadDocument(document);
    return run.status != MIF_STATUS_OK ? "status " + std::to_string(run.status) : Render(testhost::BodyTokens(run.tokens));
}

// A String statement writes one text token; a Char statement what its name
// stands for, from every name of the table.
TEST(TextStatements, StringsAndChars) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"<String `a\\>b\\\\c\\Qd\\qe'>", "'a>b\\c`d'e' "},
        {"<String `caf\\x8e s\\x8E '>", "'caf\xE9s\xE9' "},  // digits in either case; the blank after them dropped
        {"<String `\\x41Zb'>", "'Ab' "},                    // whatever the fifth character is
        {"<String `'>", "'' "}, {"<String `a'> <String `b'>", "'a' 'b' "}, {"<String `#1 <b\\>'>", "'#1 <b>' "},
        {"<String abc>", "'ab' "},  // the last character is taken for the closing quote
        {"<String `abc'   >", "'abc' "}, {"<String `abc'\t>", "'abc'' "},  // blanks before '>' go, a tab stays
        {"<String `ab\\x00 cd'>", "'ab' "},                                // the text ends at an encoded NUL
        {"<String `A\\xzz BC'>", "'A\\xzz BC' "},                          // not hexadecimal: the escape stays
        {"<String `\\x4g \\xG1 x'>", "'\\x4g \\xG1 x' "},
        {"<String `Name\\tValue'>", "3 'Name Value' "},  // the tab goes first
        {"<String `\\T\\X41 \\N x\\ny\\>z\\n'>", "'\\T\\X41 \\N x\\ny>z\\n' "},  // other letters stay, case counts
        {"<String `\\\\n'>", "'\\n' "},
        // Escapes cut by the string's end: a whole pair decodes, anything shorter stays as text.
        {"<String `ab\\x41'>", "'abA' "}, {"<String `ab\\x4'>", "'ab\\x4' "}, {"<String `ab\\x'>", "'ab\\x' "},
        {"<String `ab\\'>", "'ab\\' "},
    };
    const std::pair<const char*, const char*> chars[] = {
        {"Tab", "3 "}, {"HardSpace", "' ' "}, {"SoftHyphen", ""}, {"DiscHyphen", ""}, {"NoHyphen", ""},
        {"Cent", "'\xA2' "}, {"Pound", "'\xA3' "}, {"Yen", "'\xA5' "}, {"EnDash", ""}, {"EmDash", ""},
        {"Dagger", ""}, {"DoubleDagger", ""}, {"Bullet", ""}, {"HardReturn", "14 "}, {"NumberSpace", "' ' "},
        {"ThinSpace", "' ' "}, {"EnSpace", "' ' "}, {"EmSpace", "' ' "},
        {"tab", ""}, {"Hard", ""}, {"`Tab'", ""},  // whole, exact names only; not unquoted
    };
    for (const auto& [name, written] : chars) {
        cases.emplace_back(std::string("<String `a'> <Char ") + name + "> <String `b'>", std::string("'a' ") + written + "'b' ");
    }
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(ReadBody(LineDoc("", line)), expected + "14 13 ") << line;
        EXPECT_EQ(ReadBody(LineDoc("", line, 9)), "") << line;  // master page: nothing
    }
}

// A code from every row of the table and its quirks, then codes it leaves alone.
TEST(CharacterCodes, EscapesMapThroughTheTable) {
    const std::string codes = "05 15 80 8a 9f a1 af b9 bf c3 c4 c6 d4 D5 db e2 ef f1 F4 41 a0 d0 ff";
    std::string escapes;
    for (size_t at = 0; at + 1 < codes.size(); at += 3) escapes += "\\x" + codes.substr(at, 2) + " ";
    EXPECT_EQ(ReadBody(LineDoc("", "<String `" + escapes + "'>")),
              "'\x20\xAE\xC4\xE4\xFC\xB0\xD8\xBC\xF8\xD0\x83\xFD\x99\x92\xA4\xB8\xD4\xD2\xD9\x41\xA0\xD0\xFF' 14 13 ");
}

// Lengths in every written unit: the leading number times the unit's
// factor, truncated toward zero; inches without a known unit word.
TEST(Units, TwipsOfTheWrittenForms) {
    const std::pair<std::string, int32_t> cases[] = {
        {"0.5\"", 720}, {"1.5", 2160}, {"1 in", 1440}, {"2.54 cm", 1440}, {"1 centimeter", 567}, {"0.9 mm", 51},
        {"10 millimeter", 570}, {"12.0 pt", 240}, {"12pt", 240}, {"2 point", 40}, {"1 pica", 240}, {"1 pc", 240},
        {"1 dd", 21}, {"2 didot", 42}, {"1.0 cc", 256}, {"1 cicero", 256}, {"-0.5 cm", -283}, {"-0.99 pt", -19},
        {"3 CM", 4320}, {"5 points", 7200}, {"5 inch", 7200}, {"21.0 cm 29.7 cm", 11907}, {"1e30 pt", INT32_MAX},
        {"-1e30 pt", INT32_MIN},
        {"1" + std::string(76, ' ') + "cm", 567},    // the unit word ends at byte 79
        {"1" + std::string(77, ' ') + "cm", 1440},   // byte 80 is not read: "c" is no unit
    };
    for (const auto& [text, twips] : cases) {
        testhost::TestHost host;
        auto run = host.ReadDocument(LineDoc("", "<PgfLIndent " + text + "> <String `x'>"));
        const auto tokens = testhost::BodyTokens(run.tokens);
        ASSERT_FALSE(tokens.empty()) << text;
        EXPECT_EQ(tokens[0].code, MIF_TOKEN_PARA_FORMAT) << text;
        EXPECT_EQ(static_cast<int32_t>(tokens[0].U32(0)), twips) << text;
    }
}

// The decimal reader takes a fast path for plain decimals; whatever the
// text, it must give atof's double bit for bit.
TEST(Units, DecimalsReadAsAtofReadsThem) {
    std::vector<std::string> texts = {"16.7777216", "9007199254740993", "123456789012345.6", "0.1", "-0.0", "+.5",
                                      " \t12.5pt", "1.2.3", "0x1A", "1e-3", "inf", "-nan", ".", "-", "00000000000000001",
                                      "0.000000000000001", "3.999999999999999", "5.", "1,5", "2 .5"};
    std::mt19937 random(7);
    const char kAlphabet[] = "0123456789.-+ eEx";
    for (int i = 0; i < 50000; ++i) {
        std::string t;
        for (size_t n = random() % 20; n > 0; --n) t += kAlphabet[random() % (sizeof kAlphabet - 1)];
        texts.push_back(t);
    }
    for (int i = 0; i < 20000; ++i) {  // long plain decimals, around the fast path's limit
        char digits[20];
        const size_t n = 12 + random() % 8, dot = 1 + random() % (n - 1);
        for (size_t k = 0; k < n; ++k) digits[k] = static_cast<char>('0' + random() % 10);
        std::string t(digits, dot);
        t.push_back('.');
        t.append(digits + dot, n - dot);
        texts.push_back(t);
    }
    for (const std::string& t : texts) {
        double fast = mif::ParseDecimal(t.c_str()), slow = std::atof(t.c_str());
        EXPECT_EQ(std::memcmp(&fast, &slow, sizeof fast), 0) << '"' << t << "\" " << fast << " " << slow;
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
        testhost::Reading r(std::string("<MIFFile 5.00>\n") + c.pages +
                            "\n<TextFlow <Para <ParaLine <TextRectID 7> <String `x'>>>>\n");
        EXPECT_EQ(Render(testhost::BodyTokens(r.run.tokens)), c.reported ? "'x' 14 13 " : "") << c.pages;
        EXPECT_EQ(r.ctx->pageWidth, c.width) << c.pages;
        EXPECT_EQ(r.ctx->pageHeight, c.height) << c.pages;
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
    for (const char* section : sections) EXPECT_EQ(ReadBody(LineDoc("", "") + section), "14 13 ") << section;
}

TEST(TextStatements, MissingValuesFailTheFill) {
    for (const char* keyword : {"String", "Char", "PageType", "PageSize", "ID", "TextRectID", "MType", "MText"})
        EXPECT_EQ(ReadBody(std::string("<MIFFile 5.00>\n<") + keyword + " <X 1>>\n"), "status 4") << keyword;
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
    // The number string field keeps 79 characters: an escape cut there stays as text.
    EXPECT_EQ(ReadBody("<MIFFile 5.00>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow <Para <PgfNumString `" +
                       std::string(76, 'n') + "\\x41 '> <ParaLine <TextRectID 7> <String `a'>>>>\n"),
              "1 '" + std::string(76, 'n') + "\\x4' 'a' 14 13 ");
}

}  // namespace
