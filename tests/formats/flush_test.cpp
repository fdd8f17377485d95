// End to end through the fill: the format flush writes each changed group
// once, in its fixed order, before the text, and nothing when no group changed.
#include "formats_support.h"

using namespace formattest;

namespace {

TEST(Flush, EachChangedGroupOnceAndNothingWithoutChange) {
    const Texts tokens = Body(BodyDoc("<FontCatalog <Font <FTag `Em'> <FAngle Italic>>>",
                      "<Para <ParaLine <TextRectID 7> <PgfLIndent 0.5\"> <PgfAlignment Center> <PgfLeading 12 pt> "
                      "<PgfNumTabs 1> <TabStop <TSX 1\"> <TSType Right>> "
                      "<Font <FAngle Regular> <FFamily `Courier'> <FSize 10 pt> <FWeight Bold> <FColor Blue>> "
                      "<String `a'> <String `b'> "
                      "<Font <FFamily `Courier'> <FSize 10 pt> <FColor Blue>> <PgfAlignment Center> <String `c'> "
                      "<Font <FSize 11 pt>> <String `d'> <Font <FTag `Em'>> <String `e'>>>"
                      "<Para <ParaLine <PgfNumTabs 0> <String `f'>>>"));
    const Texts expected = {
        "1/13 720 1440 0 2",  // left 0.5", right as initialised, first 0, Center
        "18/1 2",             // 12 pt = 240 twips: class 2
        "15/8 0 10",          // the first face the host numbers (answer 1 less one)
        "4/4 0x8001",         // bold on
        "19/5 0 0xff0000",    // Blue as 0x00BBGGRR
        "2/9 1 1 1440",       // one stop: Right at 1"
        "0 a", "0 b",         // no change between a and b
        "0 c",                // the same values again are no change
        "15/8 0 11", "0 d",   // only the font group
        "4/4 0x8001", "4/4 0x8002", "0 e",  // the applied entry adds italic: every set bit again
        "4/4 0x1", "4/4 0x2", "14/0", "13/0",   // off at the paragraph end
        "4/4 0x8001", "4/4 0x8002",  // still current: on again
        "2/4 0",              // the dropped tab stops ride along with that flush
        "0 f", "4/4 0x1", "4/4 0x2", "14/0", "13/0",
    };
    EXPECT_EQ(tokens, expected);
}

// Case by case, the tokens of one reported paragraph (and of the next, where
// the line ends the first).
TEST(Flush, BoundariesAndInterplay) {
    const Texts end = {"14/0", "13/0"};
    const Texts offs = {"4/4 0x1", "4/4 0x2", "4/4 0x4", "4/4 0x8", "4/4 0x10", "4/4 0x8040", "14/0", "13/0"};
    const std::pair<std::string, Texts> cases[] = {
        // Line spacing classes: below 6 pt, from 6 pt (120 twips), from 12 pt (240 twips).
        {"<PgfLeading 5.99 pt> <String `a'> <PgfLeading 6 pt> <String `b'> <PgfLeading 11.99 pt> <String `c'> "
         "<PgfLeading 12 pt> <String `d'>",
         Texts{"0 a", "1/13 1440 1440 0 0", "18/1 1", "0 b", "0 c", "18/1 2", "0 d"} + end},
        // A repeated tab count takes new stops, a smaller one starts from zeroed stops; stops are
        // compared by position and type. Tab statements raise no flush of their own: the first
        // indents do.
        {"<PgfFIndent 0.25\"> <PgfNumTabs 2> <TabStop <TSX 1\"> <TSType Right>> <TabStop <TSX 2\"> <TSType Left>> "
         "<String `a'> <PgfFIndent 0.5\"> <PgfNumTabs 2> <TabStop <TSX 1\"> <TSType Right>> <TabStop <TSX 2\"> "
         "<TSType Center>> <String `b'> <PgfFIndent 0.75\"> <PgfNumTabs 2> <TabStop <TSX 3\"> <TSType Right>> "
         "<TabStop <TSX 4\"> <TSType Center>> <String `c'> <PgfFIndent 1\"> <PgfNumTabs 2> <TabStop <TSX 3\"> "
         "<TSType Right>> <TabStop <TSX 4\"> <TSType Center>> <String `d'> <PgfFIndent 1.25\"> <PgfNumTabs 1> "
         "<String `e'>",
         Texts{"1/13 1440 1440 360 0", "2/14 2 1 1440 0 2880", "0 a", "1/13 1440 1440 720 0", "2/14 2 1 1440 2 2880",
               "0 b", "1/13 1440 1440 1080 0", "2/14 2 1 4320 2 5760", "0 c", "1/13 1440 1440 1440 0", "0 d", "1/13 1440 1440 1800 0", "2/9 1 0 0", "0 e"} + end},
        // Small caps switch upper case off and the other way round; so do the two scripts, which
        // shrink the size once (12 pt to 9).
        {"<Font <FCase FUpperCase>> <String `a'> <Font <FCase FSmallCaps>> <String `b'> <Font <FCase FUpperCase>> "
         "<String `c'> <Font <FCase FAsTyped>> <String `d'>",
         Texts{"1/13 1440 1440 0 0", "4/4 0x80", "0 a", "4/4 0x40", "0 b", "4/4 0x80", "0 c", "0 d"} + end},
        {"<Font <FSize 12 pt> <FSupScript Yes>> <String `a'> <Font <FSubScript Yes>> <String `b'> "
         "<Font <FSubScript No>> <String `c'>",
         Texts{"1/13 1440 1440 0 0", "15/8 0 9", "4/4 0x8010", "0 a", "4/4 0x8020", "0 b", "15/8 0 12", "0 c"} + end},
        // Held back while the flow is not reported, written before the next reported text.
        {"<TextRectID 9> <PgfLIndent -0.5\"> <PgfAlignment LeftRight> <Font <FWeight Bold>> <String `m'> "
         "<TextRectID 7> <String `b'>",
         Texts{"1/13 -720 1440 0 3", "4/4 0x8001", "0 b", "4/4 0x1"} + end},
        // At the paragraph's end every attribute goes off and the scripts' size is restored; the
        // next text turns them on again.
        {"<Font <FSize 12 pt> <FWeight Bold> <FAngle Italic> <FUnderline Yes> <FStrike Yes> <FSupScript Yes> "
         "<FCase FSmallCaps>> <String `a'>>> <Para <ParaLine <String `b'>",
         Texts{"1/13 1440 1440 0 0", "15/8 0 9", "4/4 0x8001", "4/4 0x8002", "4/4 0x8004", "4/4 0x8008", "4/4 0x8010",
               "4/4 0x40", "0 a"} + offs + Texts{"15/8 0 12", "4/4 0x8001", "4/4 0x8002", "4/4 0x8004", "4/4 0x8008",
                                                 "4/4 0x8010", "4/4 0x40", "0 b"} + offs},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Body(LineDoc("", line)), expected) << line;
}

}  // namespace
