// Both catalogs as documents see them: a definition is recorded once per
// tag, with the statements nested in it, and applied at its close and
// wherever its tag is named again; refused allocations end cleanly.
#include "formats_support.h"
#include "fuzz/careful_host.h"

using namespace formattest;

namespace {

// Tags match exactly (case counts). A second definition of a tag applies the
// first and records nothing: what follows it acts directly, and applying the
// tag later leaves it alone.
TEST(Catalog, OneDefinitionPerTag) {
    EXPECT_EQ(Body(LineDoc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 1\">> <Pgf <PgfTag `body'> "
                           "<PgfFIndent 2\">> <Pgf <PgfTag `Body'> <PgfLIndent 3\">>>",
                           "<String `a'> <PgfTag `body'> <String `b'> <PgfLIndent 0.5\"> <PgfTag `Body'> <String `c'>"),
                   MIF_TOKEN_PARA_FORMAT),
              (Texts{"1/13 4320 1440 1440 0", "1/13 4320 1440 2880 0", "1/13 720 1440 1440 0"}));
    // Fonts alike; the Red after the second E acted directly, so E leaves Blue alone.
    EXPECT_EQ(Body(LineDoc("<FontCatalog <Font <FTag `E'> <FSize 14 pt>> <Font <FTag `X'> <FSize 8 pt>> "
                           "<Font <FTag `E'> <FColor Red>> <Font <FTag `'>> <Font <FTag `'>>>",
                           "<Font <FTag `X'>> <String `a'> <Font <FColor Blue>> <Font <FTag `E'>> <String `b'>")),
              (Texts{"1/13 1440 1440 0 0", "15/8 0 8", "19/5 0 0xff", "0 a", "15/8 0 14", "19/5 0 0xff0000", "0 b",
                     "14/0", "13/0"}));
}

// What a definition records is applied again by its tag: its nested values
// (decoded), including those inside PgfFont and TabStop; a statement before
// the tag acts at once and is not recorded.
TEST(Catalog, DefinitionsRecordTheirNestedStatements) {
    Texts fonts;
    EXPECT_EQ(Body(LineDoc("<PgfCatalog <Pgf <PgfRIndent 2\"> <PgfTag `Body'> <PgfFIndent 0.5\"> <PgfFont <FTag `'> "
                           "<FFamily `X\\\\Y\\>'> <FSize 10.0 pt>> <PgfNumTabs 1> <TabStop <TSX 1.0\"> "
                           "<TSType Center>> <PgfAlignment Center>>>",
                           "<PgfRIndent 0.25\"> <PgfFIndent 0\"> <PgfAlignment Left> <PgfNumTabs 0> "
                           "<Font <FSize 20 pt>> <PgfTag `Body'> <String `a'>"),
                   0xFF, &fonts),
              (Texts{"1/13 1440 360 720 2", "15/8 0 10", "2/9 1 2 1440", "0 a", "14/0", "13/0"}));
    EXPECT_EQ(fonts, Texts{"X\\Y>"});
    // A tag in a Para outside a Pgf opens an entry that the next Pgf fills.
    EXPECT_EQ(Body(BodyDoc("", "<Para <PgfTag `New'> <Pgf <PgfFIndent 1\"> <PgfAlignment Center>> <ParaLine >> "
                               "<Para <PgfFIndent 0\"> <PgfAlignment Left> <PgfTag `New'> <ParaLine <TextRectID 7> "
                               "<String `a'>>>"),
                   MIF_TOKEN_PARA_FORMAT),
              Texts{"1/13 1440 1440 1440 2"});
    EXPECT_EQ(Body(LineDoc("<FontCatalog <Font <FTag `Em'> <FAngle `Italic'> <FLocked No> <FSize 14.0 pt>>>",
                           "<Font <FAngle Regular> <FSize 9 pt>> <Font <FTag `Em'>> <String `a'>")),
              (Texts{"1/13 1440 1440 0 0", "15/8 0 14", "4/4 0x8002", "0 a", "4/4 0x2", "14/0", "13/0"}));
}

// Both catalogs, recorded and direct tab stops and a flush, each allocation
// refused in turn.
TEST(Catalog, EveryRefusedAllocationEndsCleanly) {
    const std::string doc = BodyDoc(
        "<PgfCatalog <Pgf <PgfTag `T'> <PgfFont <FFamily `Times'>> <PgfNumTabs 2> "
        "<TabStop <TSX 1\"> <TSType Right>>>>\n<FontCatalog <Font <FTag `E'> <FAngle Italic>> <Font <FTag `E'>>>",
        "<Para <PgfTag `T'> <ParaLine <TextRectID 7> <String `a'>>> <Para <Pgf <PgfTag `L'> <PgfNumTabs 3> "
        "<TSX 2\">> <ParaLine <String `b'>>> <Para <PgfNumTabs 1> <PgfLIndent 2\"> <ParaLine <String `c'>>>");
    EXPECT_EQ(mifcheck::SweepRefusals(mifcheck::LinkedModule(), doc, {}), "");
}

}  // namespace
