// Both catalogs: one definition per tag, what a definition records and in
// which order, and cleanup when any allocation is refused.
#include "formats_support.h"

using namespace formattest;

namespace {

TEST(Catalog, TagLookupAndOneDefinitionPerTag) {
    // A second definition of a tag applies the first and records nothing;
    // what follows it in the same definition acts directly.
    Reading pgf(Doc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 1\">> <Pgf <PgfTag `body'> <PgfFIndent 2\">> "
                    "<Pgf <PgfTag `Body'> <PgfLIndent 3\">>>"));
    ASSERT_TRUE(pgf.Finished());
    const mif::CatalogList& paragraphs = pgf.ctx->catalogs.paragraphs;
    EXPECT_EQ(Count(paragraphs), 2);
    EXPECT_EQ(Nodes(mif::FindCatalogEntry(&paragraphs, "Body")), (Texts{"PgfFIndent=1440"}));
    EXPECT_EQ(Nodes(mif::FindCatalogEntry(&paragraphs, "body")), (Texts{"PgfFIndent=2880"}));
    for (const char* t : {"Bod", "Body ", "BODY", ""}) EXPECT_EQ(mif::FindCatalogEntry(&paragraphs, t), nullptr) << t;
    EXPECT_EQ(paragraphs.currentEntry, mif::FindCatalogEntry(&paragraphs, "Body"));
    EXPECT_EQ(pgf.cur().firstIndent, 1440);     // the first Body again, over body's 2"
    EXPECT_EQ(pgf.cur().leftIndent, 3 * 1440);  // acted directly

    // Font catalog: the same rule, except that an empty tag is never looked up.
    Reading font(Doc("<FontCatalog <Font <FTag `E'> <FSize 14 pt>> <Font <FTag `X'> <FSize 8 pt>> "
                     "<Font <FTag `E'> <FColor Red>> <Font <FTag `'>> <Font <FTag `'>>>"));
    ASSERT_TRUE(font.Finished());
    EXPECT_EQ(Count(font.ctx->catalogs.fonts), 4);
    EXPECT_EQ(Nodes(mif::FindCatalogEntry(&font.ctx->catalogs.fonts, "E")), (Texts{"FSize=14"}));
    EXPECT_EQ(font.cur().fontSize, 14);
    EXPECT_EQ(font.cur().textColor, 0x0000FFu);
}

TEST(Catalog, DefinitionsRecordNestedStatementsInOrder) {
    const struct {
        std::string document;
        mif::CatalogList mif::CatalogState::*list;
        const char* tag;
        Texts nodes;
    } cases[] = {
        // PgfFont and TabStop are not recorded but their contents are, values
        // decoded; what application does not store is not kept.
        {Doc("<PgfCatalog <Pgf <PgfRIndent 2\"> <PgfTag `Body'> <PgfFIndent 0.5\"> <PgfFont <FTag `'> "
             "<FFamily `X\\\\Y\\>'> <FSize 10.0 pt>> <PgfNumTabs 1> <TabStop <TSX 1.0\"> <TSType Center>> "
             "<PgfAlignment Center>>>"),
         &mif::CatalogState::paragraphs, "Body",
         {"PgfFIndent=720", "FFamily=X\\Y>", "FSize=10", "PgfNumTabs=1", "TSX=1440", "TSType=2", "PgfAlignment=2"}},
        // A tag in a body Para outside Pgf opens an entry that the next Pgf fills.
        {BodyDoc("", "<Para <PgfTag `New'> <Pgf <PgfFIndent 1\"> <PgfAlignment Center>> <ParaLine >>"),
         &mif::CatalogState::paragraphs, "New", {"PgfFIndent=1440", "PgfAlignment=2"}},
        {Doc("<FontCatalog <Font <FTag `Em'> <FAngle `Italic'> <FLocked No> <FSize 14.0 pt>>>"),
         &mif::CatalogState::fonts, "Em", {"FAngle=1", "FSize=14"}},
    };
    for (const auto& c : cases) {
        Reading r(c.document);
        ASSERT_TRUE(r.Finished()) << c.tag;
        EXPECT_EQ(Nodes(mif::FindCatalogEntry(&(r.ctx->catalogs.*c.list), c.tag)), c.nodes) << c.tag;
        EXPECT_EQ(r.ctx->recordingPgf + r.ctx->recordingFont, 0u) << c.tag;
    }
    // The definition is applied at its close; a statement before the tag acts at once.
    Reading pgf(cases[0].document);
    EXPECT_EQ(pgf.cur().firstIndent, 720);
    EXPECT_EQ(pgf.cur().rightIndent, 2880);
}

// Every allocation of a document with both catalogs, recorded and direct
// tab stops and a flush refused in turn: the fill finishes or fails, every
// entry left is whole, tab arrays exist exactly when counted, and nothing
// is left after mifFreeContext (checked by Reading).
TEST(Catalog, EveryRefusedAllocationIsCleanedUp) {
    const std::string doc = BodyDoc(
        "<PgfCatalog <Pgf <PgfTag `T'> <PgfFont <FFamily `Times'>> <PgfNumTabs 2> "
        "<TabStop <TSX 1\"> <TSType Right>>>>\n<FontCatalog <Font <FTag `E'> <FAngle Italic>> <Font <FTag `E'>>>",
        "<Para <PgfTag `T'> <ParaLine <TextRectID 7> <String `a'>>> <Para <Pgf <PgfTag `L'> <PgfNumTabs 3> "
        "<TSX 2\">> <ParaLine <String `b'>>> <Para <PgfNumTabs 1> <PgfLIndent 2\"> <ParaLine <String `c'>>>");
    Reading clean(doc);
    ASSERT_TRUE(clean.Finished());
    ASSERT_EQ(clean.cur().tabCount, 1);
    for (long k = 1; k <= clean.host.allocator.count; ++k) {
        Reading r(doc, k);
        if (r.ctx == nullptr) continue;  // the context itself could not be set up
        EXPECT_TRUE(r.run.status == MIF_STATUS_OK || r.run.status == MIF_STATUS_SCAN_FAILED) << k;
        for (const mif::CatalogList* list : {&r.ctx->catalogs.paragraphs, &r.ctx->catalogs.fonts})
            for (const mif::CatalogEntry* e = list->first; e != nullptr; e = e->next)
                EXPECT_TRUE(e->tag != nullptr && (e->propertyCount == 0 || e->properties != nullptr)) << k;
        for (const mif::FormatState* s : {&r.ctx->current, &r.ctx->lastEmitted}) {
            EXPECT_EQ(s->tabPositions != nullptr, s->tabCount != 0) << k;
            EXPECT_EQ(s->tabTypes != nullptr, s->tabCount != 0) << k;
        }
    }
}

}  // namespace
