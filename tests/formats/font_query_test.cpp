// The font query: the LOGFONTA record sent to the host, the font number
// taken from its answer, and which family statements ask.
#include <cstdio>
#include <cstring>

#include "formats/format_rules.h"
#include "formats_support.h"

using namespace formattest;

namespace {

struct Captured {
    int calls = 0;
    int32_t code = -1, answer = 0;
    std::vector<uint8_t> record;
};

int32_t Capture(void* handle, int32_t code, void* record) {
    auto* c = static_cast<Captured*>(handle);
    ++c->calls;
    c->code = code;
    c->record.assign(static_cast<uint8_t*>(record), static_cast<uint8_t*>(record) + 60);
    return c->answer;
}

// Queries `family` through a host that records the call and answers `answer`.
Captured Ask(const char* family, int32_t answer, uint32_t* fontIndex = nullptr) {
    Reading r(Doc(""));
    Captured c;
    c.answer = answer;
    r.ctx->hostCallback = &Capture;
    r.ctx->hostHandle = &c;
    std::snprintf(r.cur().fontFamily, sizeof r.cur().fontFamily, "%s", family);
    r.cur().fontIndex = 77;
    mif::QueryHostFont(r.ctx, mif::FamilyClassOf(r.cur().fontFamily));
    if (fontIndex != nullptr) *fontIndex = r.cur().fontIndex;
    return c;
}

// LOGFONTA: five 32-bit fields and seven bytes, then lfPitchAndFamily at
// byte 27 and the 32-byte lfFaceName at 28; 60 bytes in all. The font number
// is the host's answer less one.
TEST(FontQuery, RecordHoldsOnlyFamilyClassAndFaceName) {
    static_assert(MIF_LOGFONT_SIZE == 60 && MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET == 27 &&
                  MIF_LOGFONT_FACE_NAME_OFFSET == 28);
    const std::string forty = "0123456789abcdefghijABCDEFGHIJ0123456789";
    const struct { std::string family; uint8_t cls; int32_t answer = 1; uint32_t number = 0; } cases[] = {
        {"Times New Roman", 0x10, 5, 4}, {"Arial Narrow", 0x20, 0, 0}, {"Courier New", 0x30, 1000, 999},
        {"Cursive Hand", 0x40},
        {"Symbol", 0x50},  // the first match in the order Roman, Arial, Courier, Cursive, Symbol
        {"Symbol Roman", 0x10}, {"Courier Arial", 0x20}, {"arial", 0}, {"Helvetica", 0}, {"", 0}, {forty, 0},
    };
    for (const auto& [family, cls, answer, number] : cases) {
        uint32_t index = 0;
        Captured c = Ask(family.c_str(), answer, &index);
        std::vector<uint8_t> expected(60, 0);
        expected[27] = cls;
        std::memcpy(expected.data() + 28, family.data(), std::min<size_t>(family.size(), 31));
        EXPECT_EQ(c.calls, 1) << family;
        EXPECT_EQ(c.code, 1) << family;
        EXPECT_EQ(c.record, expected) << family;
        EXPECT_EQ(index, number) << family;
    }
}

// Where the name matters every family statement asks (the test host numbers
// faces in first-seen order); outside catalogs, fonts and the body flow a
// family is only stored (Words.DirectAndAppliedDifferOnlyWhereTheyShould).
TEST(FontQuery, FamiliesAskWhereTheNameMatters) {
    Texts fonts;
    const Texts tokens = Body(LineDoc("<PgfCatalog <Pgf <PgfTag `A'> <PgfFont <FFamily `Times'>>> <Pgf <PgfTag `B'> "
                                      "<PgfFont <FFamily `Helvetica'>>>>",
                                      "<Font <FFamily `Courier'>> <FFamily `Helvetica'> <String `x'>"),
                              MIF_TOKEN_FONT, &fonts);
    EXPECT_EQ(fonts, (Texts{"Times", "Helvetica", "Courier"}));
    EXPECT_EQ(tokens, Texts{"15/8 1 0"});  // the second face asked
}

// The class is guessed from the name as the format keeps it (79 bytes), read
// directly and applied alike: "Roman" cut to "Ro" names no class.
TEST(FontQuery, ClassOfTheKeptName) {
    const std::string longName = std::string(77, 'x') + "Roman";
    for (const std::string& body :
         {"<Font <FFamily `" + longName + "'>>", "<PgfCatalog <Pgf <PgfTag `L'> <PgfFont <FFamily `" + longName + "'>>>>"}) {
        Reading r(Doc(body));
        ASSERT_EQ(r.host.callback.fonts().size(), 1u) << body;
        EXPECT_EQ(r.host.callback.fonts()[0].family, 0) << body;
    }
}

}  // namespace
