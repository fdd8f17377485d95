// The paragraph catalog: one definition per tag, recording of the statements
// of a definition, application at the close of Pgf, and the direct handlers.
#include <gtest/gtest.h>

#include <string>

#include "formats_support.h"

using formattest::kHeader;
using formattest::Reading;

namespace {

std::string Doc(const std::string& body) { return std::string(kHeader) + body + "\n"; }

TEST(ParagraphCatalog, RecordsDefinitionStatementsInOrderWithoutContainers) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 0.5\"> "
                  "<PgfFont <FTag `'> <FFamily `Times'> <FSize 10.0 pt>> "
                  "<PgfNumTabs 1> <TabStop <TSX 1.0\"> <TSType Center>> <PgfAlignment Center>>>"));
    ASSERT_TRUE(r.Finished());
    const mif::CatalogList& list = r.ctx->catalogs.paragraphs;
    ASSERT_EQ(Reading::Count(list), 1);
    std::vector<std::string> expected = {"PgfTag=Body", "PgfFIndent=0.5\"", "FTag=",         "FFamily=Times",
                                         "FSize=10.0 pt", "PgfNumTabs=1",   "TSX=1.0\"",     "TSType=Center",
                                         "PgfAlignment=Center"};
    EXPECT_EQ(Reading::Nodes(list.first), expected);
    EXPECT_EQ(r.ctx->recordingPgf, 0u);
    EXPECT_EQ(r.ctx->inPgf, 0u);
    EXPECT_EQ(r.ctx->inPgfCatalog, 0u);
}

TEST(ParagraphCatalog, DefinitionIsAppliedWhenItsPgfCloses) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `A'> <PgfLIndent 1.0 cm> <PgfAlignment Right>> "
                  "<Pgf <PgfTag `B'> <PgfFIndent 0.5\"> <PgfAlignment LeftRight>>>"));
    ASSERT_TRUE(r.Finished());
    // After the catalog current holds the last definition applied, over
    // what the first left behind.
    EXPECT_EQ(r.ctx->current.leftIndent, 567);
    EXPECT_EQ(r.ctx->current.firstIndent, 720);
    EXPECT_EQ(r.ctx->current.alignment, 3u);
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.paragraphs), 2);
    EXPECT_EQ(r.ctx->catalogs.paragraphs.currentEntry, r.ctx->catalogs.paragraphs.last);
}

TEST(ParagraphCatalog, SecondDefinitionOfATagAppliesTheFirstAndRecordsNothing) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 1\">> "
                  "<Pgf <PgfTag `Other'> <PgfFIndent 2\">> "
                  "<Pgf <PgfTag `Body'> <PgfLIndent 3\">>>"));
    ASSERT_TRUE(r.Finished());
    const mif::CatalogList& list = r.ctx->catalogs.paragraphs;
    EXPECT_EQ(Reading::Count(list), 2);
    const mif::CatalogEntry* body = Reading::Find(list, "Body");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(Reading::Nodes(body), (std::vector<std::string>{"PgfTag=Body", "PgfFIndent=1\""}));
    EXPECT_EQ(list.currentEntry, body);
    // The first definition was applied again, then the LIndent acted directly.
    EXPECT_EQ(r.ctx->current.firstIndent, 1440);
    EXPECT_EQ(r.ctx->current.leftIndent, 3 * 1440);
}

TEST(ParagraphCatalog, TagLookupIsExactAndCaseSensitive) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `Body'>> <Pgf <PgfTag `body'>> <Pgf <PgfTag `Body '>> "
                  "<Pgf <PgfTag `Bod'>>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.paragraphs), 4);
    for (const char* tag : {"Body", "body", "Body ", "Bod"}) {
        const mif::CatalogEntry* e = Reading::Find(r.ctx->catalogs.paragraphs, tag);
        ASSERT_NE(e, nullptr) << tag;
        EXPECT_STREQ(e->properties->value, tag);
    }
    EXPECT_EQ(Reading::Find(r.ctx->catalogs.paragraphs, "Bodyx"), nullptr);
}

TEST(ParagraphCatalog, StatementsBeforeTheTagActDirectly) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfFIndent 2\"> <PgfTag `A'> <PgfLIndent 1\">>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Reading::Nodes(r.ctx->catalogs.paragraphs.first),
              (std::vector<std::string>{"PgfTag=A", "PgfLIndent=1\""}));
    EXPECT_EQ(r.ctx->current.firstIndent, 2880);
    EXPECT_EQ(r.ctx->current.leftIndent, 1440);
}

TEST(ParagraphCatalog, RecordedValuesAreDecoded) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `A\\>B'> <PgfFont <FFamily `X\\\\Y\\>'>>>>"));
    ASSERT_TRUE(r.Finished());
    const mif::CatalogEntry* e = r.ctx->catalogs.paragraphs.first;
    ASSERT_NE(e, nullptr);
    // The tag node is taken by the value rule only; recorded nodes are decoded.
    EXPECT_EQ(Reading::Nodes(e), (std::vector<std::string>{"PgfTag=A\\>B", "FFamily=X\\Y>"}));
}

TEST(ParagraphCatalog, BodyTagOutsidePgfCreatesEntryAndNextPgfFillsIt) {
    Reading r(Doc("<Para <PgfTag `New'> <Pgf <PgfFIndent 1\"> <PgfAlignment Center>> <ParaLine >>"));
    ASSERT_TRUE(r.Finished());
    const mif::CatalogEntry* e = Reading::Find(r.ctx->catalogs.paragraphs, "New");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Reading::Nodes(e), (std::vector<std::string>{"PgfTag=New", "PgfFIndent=1\"", "PgfAlignment=Center"}));
    EXPECT_EQ(r.ctx->recordingPgf, 0u);
    EXPECT_EQ(r.ctx->current.firstIndent, 1440);
    EXPECT_EQ(r.ctx->current.alignment, 2u);
}

TEST(ParagraphCatalog, BodyPgfWithUnknownTagRecordsAndAppliesAtClose) {
    Reading r(Doc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 1\">>>\n"
                  "<Para <Pgf <PgfTag `Local'> <PgfRIndent 2\">> <ParaLine >>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.paragraphs), 2);
    EXPECT_EQ(Reading::Nodes(Reading::Find(r.ctx->catalogs.paragraphs, "Local")),
              (std::vector<std::string>{"PgfTag=Local", "PgfRIndent=2\""}));
    EXPECT_EQ(r.ctx->current.rightIndent, 2880);
}

TEST(ParagraphCatalog, FailuresStopTheFill) {
    const char* const bodies[] = {
        "<PgfCatalog <Pgf <PgfTag `'>>>",          // empty tag
        "<PgfTag <Inner 1>>",                       // no plain value
        "<PgfCatalog <Pgf <PgfTag `A'> <PgfFIndent <X 1>>>>",  // recorded statement without value
        "<PgfLIndent <X 1>>",
        "<PgfNumString <X 1>>",
    };
    for (const char* body : bodies) {
        Reading r(Doc(body));
        EXPECT_EQ(r.run.status, MIF_STATUS_SCAN_FAILED) << body;
    }
}

struct DirectCase {
    const char* statement;
    int32_t mif::FormatState::*field;
    int32_t expected;
};

TEST(ParagraphProperties, LengthsAreMeasuredInTwips) {
    const DirectCase cases[] = {
        {"<PgfFIndent 0.5\">", &mif::FormatState::firstIndent, 720},
        {"<PgfLIndent 1.0 cm>", &mif::FormatState::leftIndent, 567},
        {"<PgfRIndent 72.0 pt>", &mif::FormatState::rightIndent, 1440},
        {"<PgfSpBefore 6.0 pt>", &mif::FormatState::spaceBefore, 120},
        {"<PgfSpAfter -0.25>", &mif::FormatState::spaceAfter, -360},
        {"<PgfFIndent abc>", &mif::FormatState::firstIndent, 0},
    };
    for (const DirectCase& c : cases) {
        Reading r(Doc(c.statement));
        ASSERT_TRUE(r.Finished()) << c.statement;
        EXPECT_EQ(r.ctx->current.*c.field, c.expected) << c.statement;
    }
}

TEST(ParagraphProperties, LeadingClassThresholds) {
    const std::pair<const char*, int> cases[] = {
        {"5.9 pt", 0}, {"6.0 pt", 1}, {"11.95 pt", 1}, {"12.0 pt", 2}, {"-3 pt", 0}, {"1\"", 2},
    };
    for (const auto& [value, expected] : cases) {
        Reading r(Doc(std::string("<PgfLeading ") + value + ">"));
        ASSERT_TRUE(r.Finished()) << value;
        EXPECT_EQ(r.ctx->current.leadingClass, expected) << value;
    }
}

TEST(ParagraphProperties, AlignmentWords) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"LeftRight", 3}, {"Left", 0}, {"Center", 2}, {"Right", 1},
        // Unknown words keep the previous alignment (Right here).
        {"center", 1}, {"Justify", 1}, {"`'", 1},
    };
    for (const auto& [word, expected] : cases) {
        Reading r(Doc(std::string("<PgfAlignment Right> <PgfAlignment ") + word + ">"));
        ASSERT_TRUE(r.Finished()) << word;
        EXPECT_EQ(r.ctx->current.alignment, expected) << word;
    }
}

TEST(ParagraphProperties, NumberStringKeepsAtMost79CharactersUndecoded) {
    std::string eighty(80, 'n');
    eighty[0] = 'a';
    const std::pair<std::string, std::string> cases[] = {
        {"`" + eighty + "'", eighty.substr(0, 79)},
        {"`'", ""},
        {"`\\>1.'", "\\>1."},   // decoded only when written
        {"`x", ""},              // the last character is dropped whatever it is
        {"`", ""},
        {"abc", "ab"},
    };
    for (const auto& [value, expected] : cases) {
        Reading r(Doc("<PgfNumString " + value + ">"));
        ASSERT_TRUE(r.Finished()) << value;
        EXPECT_EQ(std::string(r.ctx->current.numberString), expected) << value;
    }
}

// The change rule: a handler raises formatDirty when the stored field
// differs from the last written one and never clears it.
TEST(ParagraphProperties, ChangeRuleComparesWithLastEmitted) {
    struct Case {
        const char* statement;
        uint32_t dirty;
    };
    const Case cases[] = {
        {"<PgfLIndent 1\">", 0},   // 1440 is what lastEmitted holds below
        {"<PgfLIndent 2\">", 1},
        {"<PgfAlignment Left>", 0},
        {"<PgfAlignment Center>", 1},
        {"<PgfLeading 2 pt>", 0},
        {"<PgfLeading 7 pt>", 1},
        {"<PgfSpAfter 0>", 0},
        {"<PgfSpAfter 1 pt>", 1},
        {"<PgfNumString `'>", 0},
        {"<PgfNumString `1.'>", 1},
        {"<PgfNumTabs 3>", 0},    // tabs never raise the flag
    };
    auto dirtyAfter = [](const char* statement, uint32_t before) {
        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(Doc(statement));
        EXPECT_NE(ctx, nullptr);
        if (ctx == nullptr) return 2u;
        ctx->lastEmitted.leftIndent = 1440;
        ctx->formatDirty = before;
        testhost::TestHost::Run run = testhost::TestHost::Drain(ctx);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << statement;
        uint32_t dirty = ctx->formatDirty;
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
        return dirty;
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dirtyAfter(c.statement, 0), c.dirty) << c.statement;
        EXPECT_EQ(dirtyAfter(c.statement, 1), 1u) << c.statement;
    }
}

}  // namespace
