// Property words and sizes, read directly and applied from recorded entries,
// and the tab count limit of recorded formats.
#include "formats_support.h"

using namespace formattest;

namespace {

// A field of current after `start` plus one statement, read directly and
// applied from a recorded node.
template <typename T>
std::pair<T, T> BothWays(const std::string& start, const char* keyword, const char* value, T mif::FormatState::*field) {
    Reading direct(Doc(start + " <" + keyword + " " + value + ">"));
    EXPECT_TRUE(direct.Finished()) << keyword << " " << value;
    Reading applied(Doc(start));
    Entry e({{keyword, value}});
    EXPECT_EQ(mif::ApplyCatalogEntry(applied.ctx, &e.entry), 1) << keyword << " " << value;
    return {direct.cur().*field, applied.cur().*field};
}

TEST(Words, Colours) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"White", 0xFFFFFF}, {"Red", 0x0000FF}, {"Green", 0x008000}, {"Blue", 0xFF0000}, {"Cyan", 0x800080},
        {"Magenta", 0xFF00FF}, {"Yellow", 0x00FFFF}, {"Black", 0}, {"red", 0}, {"Orange", 0},
    };
    for (const auto& [word, colour] : cases) {
        auto [direct, applied] = BothWays("<FColor Yellow>", "FColor", word, &mif::FormatState::textColor);
        EXPECT_EQ(direct, colour) << word;
        EXPECT_EQ(applied, colour) << word;
    }
}

TEST(Words, WeightsSetOrClearBoldOnly) {
    const std::pair<const char*, bool> cases[] = {
        {"Bold", true}, {"Book", true}, {"DemiBold", true}, {"Regular", false}, {"Light", false}, {"bold", false},
    };
    for (const auto& [word, bold] : cases) {
        // Start from the opposite weight, with italic on.
        std::string start = std::string("<FAngle Italic> <FBold ") + (bold ? "No>" : "Yes>");
        auto [direct, applied] = BothWays(start, "FWeight", word, &mif::FormatState::charAttributes);
        const uint32_t expected = mif::AttrItalic | (bold ? mif::AttrBold : 0u);
        EXPECT_EQ(direct, expected) << word;
        EXPECT_EQ(applied, expected) << word;
    }
}

// Where reading a property directly and applying it from a catalog entry
// differ: the word that sets italic, and where a family is described to the
// host (directly also inside a Font, applied only in the catalogs or a body
// flow).
TEST(Words, DirectAndAppliedDifferOnlyWhereTheyShould) {
    for (const char* word : {"Yes", "True", "No"}) {
        auto [direct, applied] = BothWays("", "FItalic", word, &mif::FormatState::charAttributes);
        EXPECT_EQ(direct, std::string(word) == "Yes" ? mif::AttrItalic : 0u) << word;
        EXPECT_EQ(applied, std::string(word) == "True" ? mif::AttrItalic : 0u) << word;
    }
    const std::pair<std::string, std::vector<std::string>> asked[] = {
        {"<Font <FFamily `Direct'>>", {"Direct"}},
        {"<FFamily `Outside'>", {}},
        {"<PgfCatalog <FFamily `InCatalog'>>", {"InCatalog"}},
    };
    for (const auto& [body, faces] : asked) {
        Reading r(Doc(body));
        EXPECT_EQ(r.host.fontNames, faces) << body;
    }
    Reading applied(Doc("<Font >"));
    applied.ctx->inFont = 1;
    Entry e({{"FFamily", "Applied"}});
    EXPECT_EQ(mif::ApplyCatalogEntry(applied.ctx, &e.entry), 1);
    EXPECT_TRUE(applied.host.fontNames.empty()) << "applied, a family inside a Font is not described";
    EXPECT_STREQ(applied.cur().fontFamily, "Applied");
}

// Shrinking is 3 x size / 4 and restoring 4 x size / 3, truncated: 12, 9,
// 12 and 10, 7, 9. Direct FPosition scales only in the body flow; recorded
// FSupScript/FSubScript scale, recorded FPosition never does.
TEST(Sizes, ScriptsShrinkAndRestore) {
    auto fonts = [](const std::string& defs) { return Doc("<FontCatalog " + defs + ">"); };
    const struct { std::string document; int32_t size; uint32_t attributes; } cases[] = {
        {InBody("<FSize 12.0 pt> <FPosition FSuperscript>"), 9, mif::AttrSuperscript},
        {InBody("<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FNormal>"), 12, 0},
        {InBody("<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FSuperscript>"), 6, mif::AttrSuperscript},
        {InBody("<FSize 10 pt> <FPosition FSubscript>"), 7, mif::AttrSubscript},
        {InBody("<FSize 10 pt> <FPosition FSubscript> <FPosition FNormal>"), 9, 0},
        {InBody("<FSize 12 pt> <FSupScript Yes> <FSubScript Yes>"), 9, mif::AttrSubscript},  // swapped, not shrunk
        {Doc("<FSize 12 pt> <FPosition FSuperscript> <FSubScript Yes>"), 12, 0},
        {fonts("<Font <FTag `A'> <FSize 12.0 pt> <FSupScript Yes>>"), 9, mif::AttrSuperscript},
        {fonts("<Font <FTag `A'> <FSize 12.0 pt> <FSupScript Yes>> <Font <FTag `B'> <FSupScript No>>"), 12, 0},
        {fonts("<Font <FTag `A'> <FSize 10 pt> <FSubScript Yes>>"), 7, mif::AttrSubscript},
        {fonts("<Font <FTag `A'> <FSize 10 pt> <FSubScript Yes>> <Font <FTag `B'> <FSubScript No>>"), 9, 0},
        {fonts("<Font <FTag `A'> <FSize 12 pt> <FPosition FSuperscript>>"), 12, mif::AttrSuperscript},
    };
    for (const auto& c : cases) {
        Reading r(c.document);
        ASSERT_TRUE(r.Finished()) << c.document;
        EXPECT_EQ(r.cur().fontSize, c.size) << c.document;
        EXPECT_EQ(r.cur().charAttributes, c.attributes) << c.document;
    }
}

TEST(TabCount, RefusedCountFailsTheApplication) {
    const std::pair<const char*, int32_t> cases[] = {
        {"<PgfNumTabs 60>", MIF_STATUS_OK},  // read directly, any count is taken
        {"<PgfCatalog <Pgf <PgfTag `A'> <PgfNumTabs 50>>>", MIF_STATUS_OK},
        {"<PgfCatalog <Pgf <PgfTag `A'> <PgfNumTabs 51>>>", MIF_STATUS_SCAN_FAILED},
        {"<FontCatalog <Font <FTag `A'> <PgfNumTabs 51>>>", MIF_STATUS_SCAN_FAILED},
    };
    for (const auto& [body, status] : cases) {
        Reading r(Doc(body));
        EXPECT_EQ(r.run.status, status) << body;
    }
    // The nodes before the refused count stay applied, those after it are
    // not, and formatDirty is left as it was.
    Reading r(Doc(""));
    Entry e({{"PgfLIndent", "2\""}, {"PgfNumTabs", "51"}, {"PgfRIndent", "3\""}});
    r.ctx->formatDirty = 0;
    EXPECT_EQ(mif::ApplyCatalogEntry(r.ctx, &e.entry), 0);
    EXPECT_EQ(r.cur().leftIndent, 2880);
    EXPECT_EQ(r.cur().rightIndent, 1440);
    EXPECT_EQ(r.cur().tabCount, 0);
    EXPECT_EQ(r.ctx->formatDirty, 0u);
    // Applied again by its tag, T needs new tab arrays: the last allocation
    // of this document. Refused, the application and the fill fail.
    const std::string again = Doc("<PgfCatalog <Pgf <PgfTag `T'> <PgfNumTabs 2>>> <PgfNumTabs 3> <PgfTag `T'>");
    const long total = Reading(again).host.allocator.count;
    EXPECT_EQ(Reading(again, total).run.status, MIF_STATUS_SCAN_FAILED);
}

}  // namespace
