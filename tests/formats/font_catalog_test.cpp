// The font catalog and the character property handlers read directly.
#include <gtest/gtest.h>

#include <string>

#include "formats_support.h"
#include "scanner/keywords.h"

using formattest::BodyDocument;
using formattest::kHeader;
using formattest::Reading;

namespace {

std::string Doc(const std::string& body) { return std::string(kHeader) + body + "\n"; }

// Statements inside a Font of a reported paragraph line.
std::string InBody(const std::string& fontStatements) {
    return BodyDocument("", "<Para <ParaLine <TextRectID 7> <Font " + fontStatements + ">>>");
}

TEST(FontCatalog, RecordsEveryStatementOfANewFontAndAppliesAtClose) {
    Reading r(Doc("<FontCatalog <Font <FTag `Emphasis'> <FAngle `Italic'> <FLocked No> <FSize 14.0 pt>> "
                  "<Font <FTag `Strong'> <FWeight `Bold'>>>"));
    ASSERT_TRUE(r.Finished());
    const mif::CatalogList& fonts = r.ctx->catalogs.fonts;
    ASSERT_EQ(Reading::Count(fonts), 2);
    EXPECT_EQ(Reading::Nodes(fonts.first), (std::vector<std::string>{"FTag=Emphasis", "FAngle=Italic", "FLocked=No",
                                                                      "FSize=14.0 pt"}));
    EXPECT_EQ(Reading::Nodes(fonts.last), (std::vector<std::string>{"FTag=Strong", "FWeight=Bold"}));
    EXPECT_EQ(r.ctx->recordingFont, 0u);
    EXPECT_EQ(r.ctx->inFont, 0u);
    EXPECT_EQ(r.ctx->inFontCatalog, 0u);
    // Both were applied in turn at their close.
    EXPECT_EQ(r.ctx->current.charAttributes, mif::AttrItalic | mif::AttrBold);
    EXPECT_EQ(r.ctx->current.fontSize, 14);
    // The paragraph catalog is separate.
    EXPECT_EQ(r.ctx->catalogs.paragraphs.first, nullptr);
}

TEST(FontCatalog, KnownTagAppliesTheEntryAndRecordsNothing) {
    Reading r(Doc("<FontCatalog <Font <FTag `E'> <FSize 14 pt>> <Font <FTag `E'> <FColor Red>>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.fonts), 1);
    EXPECT_EQ(Reading::Nodes(r.ctx->catalogs.fonts.first), (std::vector<std::string>{"FTag=E", "FSize=14 pt"}));
    EXPECT_EQ(r.ctx->current.textColor, 0x0000FFu);  // acted directly
}

TEST(FontCatalog, EmptyTagInTheCatalogCreatesAnEntry) {
    Reading r(Doc("<FontCatalog <Font <FTag `'> <FSize 8 pt>> <Font <FTag `'> <FSize 9 pt>>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.fonts), 2);  // an empty tag is never looked up
    EXPECT_EQ(r.ctx->current.fontSize, 9);
}

TEST(FontCatalog, TagInTextAppliesTheCatalogEntry) {
    Reading r(BodyDocument("<FontCatalog <Font <FTag `Big'> <FSize 20 pt> <FColor Green>>>",
                           "<Para <ParaLine <TextRectID 7> <Font <FTag `Big'>>>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(r.ctx->current.fontSize, 20);
    EXPECT_EQ(r.ctx->current.textColor, 0x008000u);
    EXPECT_EQ(Reading::Count(r.ctx->catalogs.fonts), 1);
}

TEST(FontCatalog, FailedApplicationAtFontCloseKeepsRecording) {
    Reading r(Doc("<FontCatalog <Font <FTag `T'> <PgfNumTabs 51>>>"));
    EXPECT_EQ(r.run.status, MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(r.ctx->recordingFont, 1u);
}

TEST(FontProperties, UnderlineKeywordsShareOneHandler) {
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(kHeader);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(mif::LookupKeyword(ctx, "FUnderline"), &mif::HandleFUnderline);
    EXPECT_EQ(mif::LookupKeyword(ctx, "FUnderlining"), &mif::HandleFUnderline);
    mifFreeContext(ctx);
    for (const char* keyword : {"FUnderline", "FUnderlining"}) {
        const std::pair<const char*, uint32_t> cases[] = {
            {"FSingle", mif::AttrUnderline}, {"FDouble", mif::AttrUnderline}, {"FNumeric", mif::AttrUnderline},
            {"Yes", mif::AttrUnderline},     {"No", 0},                       {"FNoUnderlining", 0},
        };
        for (const auto& [word, attrs] : cases) {
            Reading r(Doc(std::string("<") + keyword + " FSingle> <" + keyword + " " + word + ">"));
            ASSERT_TRUE(r.Finished());
            EXPECT_EQ(r.ctx->current.charAttributes, attrs) << keyword << " " << word;
        }
    }
}

// Direct attribute handlers, each from a known start.
TEST(FontProperties, AttributeWordsReadDirectly) {
    using namespace mif;
    struct Case {
        const char* statements;
        uint32_t attributes;
    };
    const Case cases[] = {
        {"<FWeight Bold>", AttrBold},
        {"<FWeight Book>", AttrBold},
        {"<FWeight DemiBold>", AttrBold},
        {"<FBold Yes> <FWeight Regular>", 0},
        {"<FAngle Italic>", AttrItalic},
        {"<FAngle Italic> <FAngle Regular>", 0},
        {"<FItalic Yes>", AttrItalic},  // direct italic takes "Yes"
        {"<FItalic Yes> <FItalic True>", 0},
        {"<FBold Yes>", AttrBold},
        {"<FBold Yes> <FBold No>", 0},
        {"<FStrike Yes>", AttrStrike},
        {"<FStrike Yes> <FStrike Maybe>", 0},
        {"<FBold Yes> <FItalic Yes> <FStrike Yes> <FPlain Yes>", AttrStrike},
        {"<FBold Yes> <FPlain No>", AttrBold},
        {"<FCase FSmallCaps>", AttrSmallCaps},
        {"<FCase FSmallCaps> <FCase FUpperCase>", AttrUpperCase},
        {"<FCase FUpperCase> <FCase FSmallCaps>", AttrSmallCaps},
        {"<FCase FUpperCase> <FCase FLowerCase>", 0},
        {"<FCase FSmallCaps> <FCase FAsTyped>", 0},
        {"<FCase FSmallCaps> <FCase Other>", AttrSmallCaps},
    };
    for (const Case& c : cases) {
        Reading r(Doc(c.statements));
        ASSERT_TRUE(r.Finished()) << c.statements;
        EXPECT_EQ(r.ctx->current.charAttributes, c.attributes) << c.statements;
        // Every case sets some bit on the way, and no handler lowers the flag.
        EXPECT_EQ(r.ctx->formatDirty, 1u) << c.statements;
    }
}

TEST(FontProperties, SizeColourAndFamily) {
    Reading r(Doc("<FSize 12.7 pt> <FColor `Cyan'> <FFamily `A much longer family name'> <FFamily `Short'>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(r.ctx->current.fontSize, 12);
    EXPECT_EQ(r.ctx->current.textColor, 0x800080u);
    EXPECT_STREQ(r.ctx->current.fontFamily, "Short");
    // No trace of the longer name after the terminator.
    for (int i = 5; i < mif::kNameField; ++i) EXPECT_EQ(r.ctx->current.fontFamily[i], '\0') << i;
    Reading unknown(Doc("<FColor Red> <FColor Black> <FColor Violet>"));
    EXPECT_EQ(unknown.ctx->current.textColor, 0u);
}

TEST(FontProperties, FamilyKeepsAtMost79Characters) {
    std::string name(100, 'f');
    Reading r(Doc("<FFamily `" + name + "'>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(std::string(r.ctx->current.fontFamily), name.substr(0, 79));
}

// Script sizes read directly in the body flow.
TEST(FontProperties, PositionAndScriptSizes) {
    using namespace mif;
    struct Case {
        const char* statements;
        int32_t size;
        uint32_t attributes;
    };
    const Case cases[] = {
        {"<FSize 12.0 pt>", 12, 0},
        {"<FSize 12.0 pt> <FPosition FSuperscript>", 9, AttrSuperscript},
        {"<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FNormal>", 12, 0},
        {"<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FSuperscript>", 6, AttrSuperscript},
        {"<FSize 12 pt> <FPosition FSubscript> <FPosition FSuperscript>", 9, AttrSuperscript},
        {"<FSize 10 pt> <FPosition FSubscript>", 7, AttrSubscript},
        {"<FSize 10 pt> <FPosition FSubscript> <FPosition FNormal>", 9, 0},
        {"<FSize 12 pt> <FPosition FSuperscript> <FPosition Other>", 9, AttrSuperscript},
        {"<FSize 12 pt> <FSubScript Yes>", 9, AttrSubscript},
        {"<FSize 12 pt> <FSubScript Yes> <FSubScript No>", 12, 0},
        {"<FSize 12 pt> <FSubScript No>", 12, 0},
        {"<FSize 12 pt> <FSupScript Yes> <FSubScript Yes>", 9, AttrSubscript},
        {"<FSize 12 pt> <FSupScript Yes> <FSupScript Yes>", 6, AttrSuperscript},
        {"<FSize 10 pt> <FSupScript Yes> <FSupScript No>", 9, 0},
    };
    for (const Case& c : cases) {
        Reading r(InBody(c.statements));
        ASSERT_TRUE(r.Finished()) << c.statements;
        EXPECT_EQ(r.ctx->current.fontSize, c.size) << c.statements;
        EXPECT_EQ(r.ctx->current.charAttributes, c.attributes) << c.statements;
    }
}

TEST(FontProperties, ScriptsOutsideTheBodyFlowChangeNothing) {
    Reading r(Doc("<FSize 12 pt> <FPosition FSuperscript> <FSubScript Yes> <FSupScript Yes> "
                  "<FPosition <X 1>> <FSubScript <X 1>> <FSupScript <X 1>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(r.ctx->current.fontSize, 12);
    EXPECT_EQ(r.ctx->current.charAttributes, 0u);
    // In the body flow a missing value fails.
    Reading fails(InBody("<FPosition <X 1>>"));
    EXPECT_EQ(fails.run.status, MIF_STATUS_SCAN_FAILED);
}

TEST(FontProperties, StatementsWithoutValueFail) {
    for (const char* keyword : {"FWeight", "FSize", "FFamily", "FAngle", "FUnderline", "FStrike", "FColor", "FCase",
                                "FPlain", "FBold", "FItalic", "FTag"}) {
        Reading r(Doc(std::string("<") + keyword + " <X 1>>"));
        EXPECT_EQ(r.run.status, MIF_STATUS_SCAN_FAILED) << keyword;
    }
}

TEST(FontProperties, ChangeRuleComparesWithLastEmitted) {
    struct Case {
        const char* statement;
        uint32_t dirty;
    };
    const Case cases[] = {
        {"<FSize 10 pt>", 0},   {"<FSize 11 pt>", 1},      {"<FColor Red>", 0},   {"<FColor Blue>", 1},
        {"<FBold Yes>", 0},     {"<FItalic Yes>", 1},      {"<FFamily `Times'>", 0},
        {"<FFamily `Time'>", 1},
    };
    for (const Case& c : cases) {
        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(Doc(c.statement));
        ASSERT_NE(ctx, nullptr);
        ctx->lastEmitted.fontSize = 10;
        ctx->lastEmitted.textColor = 0x0000FF;
        ctx->lastEmitted.charAttributes = mif::AttrBold;
        std::strcpy(ctx->lastEmitted.fontFamily, "Times");
        ctx->current.fontSize = 10;
        ctx->current.textColor = 0x0000FF;
        ctx->current.charAttributes = mif::AttrBold;
        std::strcpy(ctx->current.fontFamily, "Times");
        testhost::TestHost::Run run = testhost::TestHost::Drain(ctx);
        EXPECT_EQ(run.status, MIF_STATUS_OK);
        EXPECT_EQ(ctx->formatDirty, c.dirty) << c.statement;
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
}

// Every allocation of a document with both catalogs refused in turn.
TEST(FontCatalog, AllocationFailureLeaksNothing) {
    const std::string doc = Doc(
        "<PgfCatalog <Pgf <PgfTag `Body'> <PgfFont <FTag `'> <FFamily `Times'>> <PgfFIndent 1\">>>\n"
        "<FontCatalog <Font <FTag `E'> <FAngle Italic> <FSize 9 pt>> <Font <FTag `E'>>>\n"
        "<Para <PgfTag `Body'> <Pgf <PgfTag `Local'> <PgfLIndent 2\">>>");
    long total = 0;
    {
        Reading clean(doc);
        ASSERT_TRUE(clean.Finished());
        total = clean.host.allocator.count;
    }
    for (long k = 1; k <= total; ++k) {
        Reading r(doc, k);
        if (r.ctx == nullptr) continue;
        EXPECT_TRUE(r.run.status == MIF_STATUS_OK || r.run.status == MIF_STATUS_SCAN_FAILED) << k;
        // Every entry that exists is whole: it has its tag node.
        for (const mif::CatalogList* list : {&r.ctx->catalogs.paragraphs, &r.ctx->catalogs.fonts}) {
            for (const mif::CatalogEntry* e = list->first; e != nullptr; e = e->next) {
                ASSERT_NE(e->properties, nullptr) << k;
                EXPECT_NE(e->properties->keyword, nullptr) << k;
                EXPECT_NE(e->properties->value, nullptr) << k;
            }
        }
    }
}

}  // namespace
