// Application of recorded formats: each recorded keyword's effect on the
// current format, the tab count limit, the size arithmetic of recorded
// scripts and the fresh computation of formatDirty.
#include <gtest/gtest.h>

#include "formats_support.h"

using formattest::Entry;

namespace {

class ApplyEntry : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = host.Open(formattest::kHeader);
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override {
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
    mif::FormatState& cur() { return ctx->current; }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;
};

TEST_F(ApplyEntry, EmptyOrMissingEntryChangesNothing) {
    ctx->formatDirty = 1;
    cur().charAttributes = mif::AttrBold;  // differs from lastEmitted
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, nullptr), 1);
    mif::CatalogEntry bare{};
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, &bare), 1);
    EXPECT_EQ(ctx->formatDirty, 1u);
}

// Only the tag node: the flag is recomputed from the attributes alone.
TEST_F(ApplyEntry, TagOnlyEntrySetsDirtyFromAttributes) {
    Entry e({});
    ctx->formatDirty = 1;
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_EQ(ctx->formatDirty, 0u);
    cur().charAttributes = mif::AttrItalic;
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_EQ(ctx->formatDirty, 1u);
}

TEST_F(ApplyEntry, ParagraphAndFontFields) {
    Entry e({{"PgfAlignment", "LeftRight"}, {"PgfFIndent", "0.5\""}, {"PgfLIndent", "1.0 cm"}, {"PgfRIndent", "36 pt"},
             {"PgfLeading", "6.0 pt"}, {"PgfSpBefore", "12 pt"}, {"PgfSpAfter", "2 mm"}, {"FSize", "9.5 pt"},
             {"FColor", "Cyan"}, {"PgfNumString", "9."}, {"FTag", "X"}, {"Unknown", "1"}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_EQ(cur().alignment, 3u);
    EXPECT_EQ(cur().firstIndent, 720);
    EXPECT_EQ(cur().leftIndent, 567);
    EXPECT_EQ(cur().rightIndent, 720);
    EXPECT_EQ(cur().leadingClass, 1);
    EXPECT_EQ(cur().spaceBefore, 240);
    EXPECT_EQ(cur().spaceAfter, 2 * 57);  // whole twips per millimetre
    EXPECT_EQ(cur().fontSize, 9);
    EXPECT_EQ(cur().textColor, 0x800080u);
    EXPECT_STREQ(cur().numberString, "");  // a recorded number string never reaches current
    EXPECT_EQ(ctx->formatDirty, 1u);
}

TEST_F(ApplyEntry, ColourWords) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"White", 0xFFFFFF}, {"Red", 0x0000FF},     {"Green", 0x008000}, {"Blue", 0xFF0000}, {"Cyan", 0x800080},
        {"Magenta", 0xFF00FF}, {"Yellow", 0x00FFFF}, {"Black", 0},       {"red", 0},         {"Orange", 0},
    };
    for (const auto& [word, colour] : cases) {
        cur().textColor = 0x123456;
        Entry e({{"FColor", word}});
        ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
        EXPECT_EQ(cur().textColor, colour) << word;
    }
}

// Attribute words as applied from a recorded entry, from a known start.
TEST_F(ApplyEntry, AttributeWords) {
    using namespace mif;
    struct Case {
        const char* keyword;
        const char* value;
        uint32_t before;
        uint32_t after;
    };
    const Case cases[] = {
        {"FWeight", "Bold", 0, AttrBold},
        {"FWeight", "Book", 0, AttrBold},
        {"FWeight", "DemiBold", 0, AttrBold},
        {"FWeight", "Regular", AttrBold | AttrItalic, AttrItalic},
        {"FWeight", "Light", AttrBold, 0},
        {"FAngle", "Italic", 0, AttrItalic},
        {"FAngle", "Oblique", AttrItalic, 0},
        {"FUnderlining", "FSingle", 0, AttrUnderline},
        {"FUnderlining", "FDouble", 0, AttrUnderline},
        {"FUnderline", "Yes", 0, AttrUnderline},
        {"FUnderline", "No", AttrUnderline, 0},
        {"FUnderlining", "FNoUnderlining", AttrUnderline | AttrBold, AttrBold},
        {"FStrike", "Yes", 0, AttrStrike},
        {"FStrike", "No", AttrStrike, 0},
        {"FBold", "Yes", 0, AttrBold},
        {"FBold", "No", AttrBold, 0},
        {"FBold", "No", 0, 0},
        {"FItalic", "True", 0, AttrItalic},
        {"FItalic", "Yes", AttrItalic, 0},  // recorded italic takes "True" only
        {"FPlain", "Yes", AttrBold | AttrItalic | AttrStrike, AttrStrike},
        {"FPlain", "No", AttrBold | AttrItalic, AttrBold | AttrItalic},
        {"FCase", "FSmallCaps", AttrUpperCase, AttrSmallCaps},
        {"FCase", "FUpperCase", AttrSmallCaps, AttrUpperCase},
        {"FCase", "FAsTyped", AttrSmallCaps | AttrBold, AttrBold},
        {"FCase", "FLowerCase", AttrUpperCase, 0},
        {"FCase", "Other", AttrUpperCase, AttrUpperCase},
        {"FPosition", "FSuperscript", AttrSubscript, AttrSuperscript},
        {"FPosition", "FSubscript", AttrSuperscript, AttrSubscript},
        {"FPosition", "FNormal", AttrSuperscript | AttrSubscript | AttrBold, AttrBold},
        {"FPosition", "Other", AttrSuperscript, AttrSuperscript},
    };
    for (const Case& c : cases) {
        cur().charAttributes = c.before;
        cur().fontSize = 12;
        Entry e({{c.keyword, c.value}});
        ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
        EXPECT_EQ(cur().charAttributes, c.after) << c.keyword << " " << c.value;
        EXPECT_EQ(cur().fontSize, 12) << c.keyword << " " << c.value;  // no recorded attribute scales the size here
        EXPECT_EQ(ctx->formatDirty, c.after != 0 ? 1u : 0u) << c.keyword << " " << c.value;
    }
}

TEST_F(ApplyEntry, RecordedScriptsScaleTheSize) {
    using namespace mif;
    struct Step {
        const char* keyword;
        const char* value;
        int32_t size;
        uint32_t attributes;
    };
    const Step steps12[] = {
        {"FSupScript", "Yes", 9, AttrSuperscript},
        {"FSupScript", "No", 12, 0},
        {"FSupScript", "No", 12, 0},  // nothing to restore
    };
    cur().fontSize = 12;
    for (const Step& s : steps12) {
        Entry e({{s.keyword, s.value}});
        ASSERT_EQ(ApplyCatalogEntry(ctx, e.get()), 1);
        EXPECT_EQ(cur().fontSize, s.size) << s.keyword << " " << s.value;
        EXPECT_EQ(cur().charAttributes, s.attributes) << s.keyword << " " << s.value;
    }
    const Step steps10[] = {
        {"FSubScript", "Yes", 7, AttrSubscript},
        {"FSubScript", "No", 9, 0},
    };
    cur().fontSize = 10;
    for (const Step& s : steps10) {
        Entry e({{s.keyword, s.value}});
        ASSERT_EQ(ApplyCatalogEntry(ctx, e.get()), 1);
        EXPECT_EQ(cur().fontSize, s.size) << s.keyword << " " << s.value;
        EXPECT_EQ(cur().charAttributes, s.attributes);
    }
    // Switching from superscript to subscript keeps the size.
    cur().fontSize = 9;
    cur().charAttributes = AttrSuperscript;
    Entry swap({{"FSubScript", "Yes"}});
    ASSERT_EQ(ApplyCatalogEntry(ctx, swap.get()), 1);
    EXPECT_EQ(cur().fontSize, 9);
    EXPECT_EQ(cur().charAttributes, AttrSubscript);
    // Sizes and "Yes" in one entry: 12 then shrunk.
    Entry sized({{"FSize", "12.0 pt"}, {"FSupScript", "Yes"}});
    cur().charAttributes = 0;
    ASSERT_EQ(ApplyCatalogEntry(ctx, sized.get()), 1);
    EXPECT_EQ(cur().fontSize, 9);
}

TEST_F(ApplyEntry, FamilyIsComparedAndQueriedWhereItMatters) {
    Entry e({{"FFamily", "Times New Roman"}});
    // Outside the catalog, a recorded font and the body flow: stored only.
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_STREQ(cur().fontFamily, "Times New Roman");
    EXPECT_TRUE(host.fontNames.empty());
    EXPECT_EQ(ctx->formatDirty, 1u);
    // inFont alone does not make a recorded family ask the host.
    ctx->inFont = 1;
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_TRUE(host.fontNames.empty());
    ctx->inFont = 0;
    for (uint32_t mif::ReaderContext::*flag :
         {&mif::ReaderContext::inPgfCatalog, &mif::ReaderContext::recordingFont, &mif::ReaderContext::inBodyFlow}) {
        host.fontNames.clear();
        ctx->*flag = 1;
        Entry other({{"FFamily", "Courier"}, {"FFamily", "Times New Roman"}});
        ASSERT_EQ(mif::ApplyCatalogEntry(ctx, other.get()), 1);
        ctx->*flag = 0;
        EXPECT_EQ(host.fontNames, (std::vector<std::string>{"Courier", "Times New Roman"}));
        EXPECT_EQ(cur().fontIndex, 1u);
    }
    // Same family as last written: nothing differs.
    std::strcpy(ctx->lastEmitted.fontFamily, "Times New Roman");
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    EXPECT_EQ(ctx->formatDirty, 0u);
}

// The flag is computed afresh: a raised flag is lost when nothing differs,
// and a field changed back to its last written value does not count.
TEST_F(ApplyEntry, DirtyIsOverwritten) {
    ctx->lastEmitted = cur();
    ctx->formatDirty = 1;
    Entry same({{"PgfLIndent", "1\""}, {"PgfAlignment", "Left"}, {"FSize", "0"}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, same.get()), 1);
    EXPECT_EQ(ctx->formatDirty, 0u);
    // Alignment is compared even when the word is unknown.
    ctx->lastEmitted.alignment = 2;
    Entry unknown({{"PgfAlignment", "Sideways"}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, unknown.get()), 1);
    EXPECT_EQ(ctx->formatDirty, 1u);
}

TEST_F(ApplyEntry, TabCountAboveFiftyFailsAtThatNode) {
    Entry fifty({{"PgfNumTabs", "50"}, {"TSX", "1\""}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, fifty.get()), 1);
    EXPECT_EQ(cur().tabCount, 50);
    EXPECT_EQ(cur().tabPositions[0], 1440);

    ctx->formatDirty = 1;
    Entry tooMany({{"PgfLIndent", "2\""}, {"PgfNumTabs", "51"}, {"PgfRIndent", "3\""}});
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, tooMany.get()), 0);
    EXPECT_EQ(cur().leftIndent, 2880);   // before the failing node: applied
    EXPECT_EQ(cur().rightIndent, 1440);  // after it: not applied
    EXPECT_EQ(cur().tabCount, 50);       // the refused count leaves the tabs alone
    EXPECT_EQ(ctx->formatDirty, 1u);

    Entry negative({{"PgfNumTabs", "-1"}});
    EXPECT_EQ(mif::ApplyCatalogEntry(ctx, negative.get()), 0);
    EXPECT_EQ(cur().tabCount, 0);
    EXPECT_EQ(cur().tabPositions, nullptr);
}

TEST_F(ApplyEntry, TabsFillInRecordedOrderAndIgnoreTheOverflow) {
    Entry e({{"PgfNumTabs", "2"}, {"TSX", "1\""}, {"TSType", "Center"}, {"TSX", "2.54 cm"}, {"TSType", "Right"},
             {"TSX", "3\""}, {"TSType", "Center"}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, e.get()), 1);
    ASSERT_EQ(cur().tabCount, 2);
    EXPECT_EQ(cur().tabPositions[0], 1440);
    EXPECT_EQ(cur().tabPositions[1], 1440);
    EXPECT_EQ(cur().tabTypes[0], 2u);
    EXPECT_EQ(cur().tabTypes[1], 1u);
    EXPECT_EQ(cur().tabPositionsFilled, 2);
    EXPECT_EQ(ctx->formatDirty, 0u);  // tabs take no part in the change test

    // Without a count, stops continue at the counters left behind: here full.
    Entry more({{"TSX", "5\""}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, more.get()), 1);
    EXPECT_EQ(cur().tabPositions[1], 1440);

    // The same count again resets the counters and keeps unset entries.
    Entry again({{"PgfNumTabs", "2"}, {"TSX", "4\""}});
    ASSERT_EQ(mif::ApplyCatalogEntry(ctx, again.get()), 1);
    EXPECT_EQ(cur().tabPositions[0], 4 * 1440);
    EXPECT_EQ(cur().tabPositions[1], 1440);
    EXPECT_EQ(cur().tabTypes[0], 2u);
}

}  // namespace
