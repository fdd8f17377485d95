// Property words and sizes, read directly in a reported line and applied
// from a recorded font by its tag, and the tab count limit of recorded
// formats.
#include <tuple>

#include "formats_support.h"

using namespace formattest;

namespace {

// The tokens a font property writes before a text, after `start` wrote the
// ones before a first text: read directly, and applied by tag from a font
// catalog (which must give the same tokens).
Texts BothWays(const std::string& start, const std::string& property) {
    const Texts direct = Body(LineDoc("", "<Font " + start + "> <String `a'> <Font " + property + "> <String `b'>"));
    const Texts applied = Body(LineDoc("<FontCatalog <Font <FTag `S'> " + start + "> <Font <FTag `P'> " + property + ">>",
                                       "<Font <FTag `S'>> <String `a'> <Font <FTag `P'>> <String `b'>"));
    EXPECT_EQ(applied, direct) << property;
    const auto a = std::find(direct.begin(), direct.end(), "0 a"), b = std::find(direct.begin(), direct.end(), "0 b");
    return a < b ? Texts(a + 1, b) : Texts{"no text"};
}

// Colour words from Yellow; weight words from the opposite weight, with
// italic on, where every bit set is written again.
TEST(Words, ColoursAndWeights) {
    std::vector<std::tuple<std::string, std::string, Texts>> cases = {{"<FColor Red>", "<FColor Yellow>", {"19/5 0 0xffff"}}};
    const std::pair<const char*, const char*> colours[] = {
        {"White", "0xffffff"}, {"Red", "0xff"}, {"Green", "0x8000"}, {"Blue", "0xff0000"}, {"Cyan", "0x800080"},
        {"Magenta", "0xff00ff"}, {"Black", "0"}, {"red", "0"}, {"Orange", "0"},
    };
    for (const auto& [word, colour] : colours) {
        cases.push_back({"<FColor Yellow>", std::string("<FColor ") + word + ">", {std::string("19/5 0 ") + colour}});
    }
    const std::pair<const char*, bool> weights[] = {
        {"Bold", true}, {"Book", true}, {"DemiBold", true}, {"Regular", false}, {"Light", false}, {"bold", false},
    };
    for (const auto& [word, bold] : weights) {
        cases.push_back({std::string("<FAngle Italic> <FBold ") + (bold ? "No>" : "Yes>"), std::string("<FWeight ") + word + ">",
                         bold ? Texts{"4/4 0x8001", "4/4 0x8002"} : Texts{"4/4 0x8002"}});
    }
    for (const auto& [start, property, tokens] : cases) EXPECT_EQ(BothWays(start, property), tokens) << property;
}

// Where reading a property directly and applying it from a recorded font
// differ: the word that sets italic ("Yes" directly, "True" recorded), and
// where a family read directly is described to the host (inside a Font or a
// catalog, not outside both).
TEST(Words, DirectAndAppliedDifferOnlyWhereTheyShould) {
    const Texts italic = {"4/4 0x8002", "4/4 0x2"};
    for (const std::string word : {"Yes", "True", "No"}) {
        EXPECT_EQ(Body(LineDoc("", "<Font <FItalic " + word + ">> <String `x'>"), MIF_TOKEN_ATTRIBUTE),
                  word == "Yes" ? italic : Texts{})
            << word;
        EXPECT_EQ(Body(LineDoc("<FontCatalog <Font <FTag `I'> <FItalic " + word + ">>>", "<String `x'>"),
                       MIF_TOKEN_ATTRIBUTE),
                  word == "True" ? italic : Texts{})
            << word;
    }
    const std::pair<std::string, Texts> asked[] = {
        {"<Font <FFamily `Direct'>>", {"Direct"}},
        {"<FFamily `Outside'>", {}},
        {"<PgfCatalog <FFamily `InCatalog'>>", {"InCatalog"}},
    };
    for (const auto& [body, faces] : asked) {
        Texts fonts;
        Body(Doc(body), 0xFF, &fonts);
        EXPECT_EQ(fonts, faces) << body;
    }
}

// Shrinking is 3 x size / 4 and restoring 4 x size / 3, truncated: 12, 9,
// 12 and 10, 7, 9. Direct FPosition scales only in the body flow; recorded
// FSupScript/FSubScript scale, recorded FPosition never does.
TEST(Sizes, ScriptsShrinkAndRestore) {
    auto inBody = [](const std::string& s) { return LineDoc("", "<Font " + s + "> <String `x'>"); };
    // Applying B leaves formatDirty clear (nothing it compares differs): a first indent raises the flush.
    auto fonts = [](const std::string& defs) {
        return LineDoc("<FontCatalog " + defs + ">", "<PgfFIndent 1\"> <String `x'>");
    };
    const std::pair<std::string, Texts> cases[] = {
        {inBody("<FSize 12.0 pt> <FPosition FSuperscript>"), {"15/8 0 9", "4/4 0x8010"}},
        {inBody("<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FNormal>"), {"15/8 0 12"}},
        {inBody("<FSize 12.0 pt> <FPosition FSuperscript> <FPosition FSuperscript>"), {"15/8 0 6", "4/4 0x8010"}},
        {inBody("<FSize 10 pt> <FPosition FSubscript>"), {"15/8 0 7", "4/4 0x8020"}},
        {inBody("<FSize 10 pt> <FPosition FSubscript> <FPosition FNormal>"), {"15/8 0 9"}},
        {inBody("<FSize 12 pt> <FSupScript Yes> <FSubScript Yes>"), {"15/8 0 9", "4/4 0x8020"}},  // swapped
        {LineDoc("<FSize 12 pt> <FPosition FSuperscript> <FSubScript Yes>", "<String `x'>"), {"15/8 0 12"}},
        {fonts("<Font <FTag `A'> <FSize 12.0 pt> <FSupScript Yes>>"), {"15/8 0 9", "4/4 0x8010"}},
        {fonts("<Font <FTag `A'> <FSize 12.0 pt> <FSupScript Yes>> <Font <FTag `B'> <FSupScript No>>"), {"15/8 0 12"}},
        {fonts("<Font <FTag `A'> <FSize 10 pt> <FSubScript Yes>>"), {"15/8 0 7", "4/4 0x8020"}},
        {fonts("<Font <FTag `A'> <FSize 10 pt> <FSubScript Yes>> <Font <FTag `B'> <FSubScript No>>"), {"15/8 0 9"}},
        {fonts("<Font <FTag `A'> <FSize 12 pt> <FPosition FSuperscript>>"), {"15/8 0 12", "4/4 0x8010"}},
    };
    for (const auto& [document, tokens] : cases) {
        Texts written;
        for (const std::string& t : Body(document)) {
            if (t.starts_with("15/") || t.starts_with("4/4 0x80")) written.push_back(t);
        }
        EXPECT_EQ(written, tokens) << document;
    }
}

TEST(TabCount, RecordedFormatsTakeAtMostFifty) {
    const std::pair<const char*, int32_t> cases[] = {
        {"<PgfNumTabs 60>", MIF_STATUS_OK},  // read directly, any count is taken
        {"<PgfCatalog <Pgf <PgfTag `A'> <PgfNumTabs 50>>>", MIF_STATUS_OK},
        {"<PgfCatalog <Pgf <PgfTag `A'> <PgfNumTabs 51>>>", MIF_STATUS_SCAN_FAILED},
        {"<FontCatalog <Font <FTag `A'> <PgfNumTabs 51>>>", MIF_STATUS_SCAN_FAILED},
    };
    for (const auto& [body, status] : cases) {
        testhost::TestHost host;
        EXPECT_EQ(host.ReadDocument(Doc(body)).status, status) << body;
    }
}

}  // namespace
