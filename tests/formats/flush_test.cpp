// End to end through the fill: the format flush writes each changed group
// once, in its fixed order, before the text, and nothing when no group changed.
#include <cstdio>

#include "formats_support.h"

using namespace formattest;

namespace {

// Code/payload size, then the token's fields as laid out for its code.
std::string Describe(const testhost::Token& t) {
    if (t.code == MIF_TOKEN_TEXT) return "0 " + t.Text();
    std::vector<uint8_t> p = t.payload;
    p.resize(p.size() + 16);  // fields past a short payload read as zero
    std::string s = std::to_string(t.code) + "/" + std::to_string(t.payload.size());
    auto i32 = [&](size_t at) { s.append(" ").append(std::to_string(static_cast<int32_t>(testhost::U32At(p, at)))); };
    auto u8 = [&](size_t at) { s.append(" ").append(std::to_string(p[at])); };
    char text[16];
    auto hex = [&](size_t at) { s += (std::snprintf(text, sizeof text, " %#x", testhost::U32At(p, at)), text); };
    switch (t.code) {
        case MIF_TOKEN_PARA_FORMAT: i32(0), i32(4), i32(8), u8(12); break;
        case MIF_TOKEN_LINE_SPACING: u8(0); break;
        case MIF_TOKEN_FONT: i32(0), i32(4); break;
        case MIF_TOKEN_ATTRIBUTE: hex(0); break;
        case MIF_TOKEN_COLOR: u8(0), hex(1); break;
        case MIF_TOKEN_TAB_STOPS:
            i32(0);
            for (size_t at = 4; at + 5 <= t.payload.size(); at += 5) u8(at), i32(at + 1);
            break;
    }
    return s;
}

TEST(Flush, EachChangedGroupOnceAndNothingWithoutChange) {
    Reading r(BodyDoc("<FontCatalog <Font <FTag `Em'> <FAngle Italic>>>",
                      "<Para <ParaLine <TextRectID 7> <PgfLIndent 0.5\"> <PgfAlignment Center> <PgfLeading 12 pt> "
                      "<PgfNumTabs 1> <TabStop <TSX 1\"> <TSType Right>> "
                      "<Font <FAngle Regular> <FFamily `Courier'> <FSize 10 pt> <FWeight Bold> <FColor Blue>> "
                      "<String `a'> <String `b'> "
                      "<Font <FFamily `Courier'> <FSize 10 pt> <FColor Blue>> <PgfAlignment Center> <String `c'> "
                      "<Font <FSize 11 pt>> <String `d'> <Font <FTag `Em'>> <String `e'>>>"
                      "<Para <ParaLine <PgfNumTabs 0> <String `f'>>>"));
    ASSERT_TRUE(r.Finished());
    Texts tokens;
    for (const testhost::Token& t : testhost::BodyTokens(r.run.tokens)) tokens.push_back(Describe(t));
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

}  // namespace
