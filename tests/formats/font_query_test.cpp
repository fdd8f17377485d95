// The font query record and the numbers taken from the host's answers, and
// the format tokens that catalog formats lead to in reported text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats_support.h"

using formattest::BodyDocument;
using formattest::Reading;

namespace {

struct Captured {
    int calls = 0;
    int32_t code = -1;
    uint8_t record[MIF_LOGFONT_SIZE];
    int32_t answer = 0;
};

int32_t Capture(void* handle, int32_t code, void* record) {
    auto* c = static_cast<Captured*>(handle);
    ++c->calls;
    c->code = code;
    std::memcpy(c->record, record, MIF_LOGFONT_SIZE);
    return c->answer;
}

class FontQuery : public ::testing::Test {
protected:
    void SetUp() override {
        ctx = host.Open(formattest::kHeader);
        ASSERT_NE(ctx, nullptr);
        ctx->hostCallback = &Capture;
        ctx->hostHandle = &captured;
    }
    void TearDown() override {
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
    }
    void Query(const std::string& family) {
        std::memset(ctx->current.fontFamily, 0, sizeof ctx->current.fontFamily);
        std::memcpy(ctx->current.fontFamily, family.data(), std::min<size_t>(family.size(), 79));
        std::memset(captured.record, 0xCC, sizeof captured.record);
        mif::QueryHostFont(ctx);
    }
    std::string Face() const {
        const char* face = reinterpret_cast<const char*>(captured.record) + MIF_LOGFONT_FACE_NAME_OFFSET;
        return std::string(face, strnlen(face, MIF_LOGFONT_FACE_NAME_SIZE));
    }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;
    Captured captured;
};

TEST_F(FontQuery, RecordIsZeroExceptFamilyClassAndFaceName) {
    Query("Times New Roman");
    ASSERT_EQ(captured.calls, 1);
    EXPECT_EQ(captured.code, MIF_HOST_FONT_QUERY);
    for (int i = 0; i < MIF_LOGFONT_SIZE; ++i) {
        if (i == MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET) continue;
        if (i >= MIF_LOGFONT_FACE_NAME_OFFSET && i < MIF_LOGFONT_FACE_NAME_OFFSET + 15) continue;
        EXPECT_EQ(captured.record[i], 0) << "byte " << i;
    }
    EXPECT_EQ(captured.record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET], 0x10);
    EXPECT_EQ(std::memcmp(captured.record + MIF_LOGFONT_FACE_NAME_OFFSET, "Times New Roman", 15), 0);
}

TEST_F(FontQuery, FamilyClassFromTheFirstSubstringInTableOrder) {
    const std::pair<const char*, uint8_t> cases[] = {
        {"Times New Roman", 0x10}, {"Arial Narrow", 0x20},    {"Courier New", 0x30},    {"Cursive Hand", 0x40},
        {"Symbol", 0x50},          {"Symbol Roman", 0x10},    {"Arial Courier", 0x20},  {"Courier Symbol", 0x30},
        {"arial", 0},              {"Helvetica", 0},          {"", 0},                  {"MyRomanesque", 0x10},
    };
    for (const auto& [name, cls] : cases) {
        Query(name);
        EXPECT_EQ(captured.record[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET], cls) << name;
        EXPECT_EQ(Face(), name);
    }
}

TEST_F(FontQuery, FaceNameKeepsThirtyOneCharacters) {
    std::string forty = "0123456789abcdefghijABCDEFGHIJ0123456789";
    Query(forty);
    EXPECT_EQ(Face(), forty.substr(0, 31));
    EXPECT_EQ(captured.record[MIF_LOGFONT_FACE_NAME_OFFSET + 31], 0);
    // The stored family keeps its 40 characters.
    EXPECT_EQ(std::string(ctx->current.fontFamily), forty);
}

TEST_F(FontQuery, FontNumberIsTheAnswerLessOne) {
    const std::pair<int32_t, uint32_t> cases[] = {{5, 4}, {1, 0}, {0, 0}, {-1, 0xFFFFFFFEu}, {1000, 999}};
    for (const auto& [answer, index] : cases) {
        ctx->current.fontIndex = 77;
        captured.answer = answer;
        Query("Any");
        EXPECT_EQ(ctx->current.fontIndex, index) << answer;
    }
}

// The direct handler asks under the catalog, a font, a recorded font or the
// body flow; elsewhere it stores the name and keeps the old number.
TEST(FontNumbering, DirectFamilyAsksWhereTheNameMatters) {
    Reading outside(std::string(formattest::kHeader) + "<FFamily `Times'>\n");
    ASSERT_TRUE(outside.Finished());
    EXPECT_TRUE(outside.host.fontNames.empty());
    EXPECT_EQ(outside.ctx->current.fontIndex, 0u);

    Reading r(BodyDocument("<PgfCatalog <Pgf <PgfTag `A'> <PgfFont <FFamily `Times'>>> "
                           "<Pgf <PgfTag `B'> <PgfFont <FFamily `Helvetica'>>>>",
                           "<Para <ParaLine <TextRectID 7> <Font <FFamily `Courier'>> <Font <FFamily `Helvetica'>>>>"));
    ASSERT_TRUE(r.Finished());
    EXPECT_EQ(r.host.fontNames, (std::vector<std::string>{"Times", "Helvetica", "Courier"}));
    EXPECT_EQ(r.ctx->current.fontIndex, 1u);  // Helvetica was the second face the host saw
}

// End to end: a catalog format applied by tag in the body is written before
// the text; an empty FTag after bold text closes bold and falls back to the
// paragraph's font.
TEST(FormatTokens, CatalogFormatReachesTheTokenStream) {
    // The font catalog comes first: applying its definition leaves bold on,
    // and the paragraph format then sets the weight back.
    Reading r(BodyDocument(
        "<FontCatalog <Font <FTag `Strong'> <FWeight Bold>>>\n"
        "<PgfCatalog <Pgf <PgfTag `Body'> <PgfLIndent 0.5\"> <PgfRIndent 0.25\"> <PgfFIndent 1\"> "
        "<PgfAlignment Center> <PgfLeading 12 pt> "
        "<PgfFont <FFamily `Courier'> <FSize 10 pt> <FColor Blue> <FWeight Regular>>>>",
        "<Para <PgfTag `Body'> <ParaLine <TextRectID 7> <String `a'> <Font <FTag `Strong'>> <String `b'> "
        "<Font <FTag `'>> <String `c'>>>"));
    ASSERT_TRUE(r.Finished());
    std::vector<testhost::Token> body = r.Body();
    // Locate the three text tokens and look at what precedes each.
    std::vector<size_t> texts;
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i].code == MIF_TOKEN_TEXT) texts.push_back(i);
    }
    ASSERT_EQ(texts.size(), 3u);
    auto find = [&](size_t from, size_t to, uint8_t code) -> const testhost::Token* {
        for (size_t i = from; i < to; ++i) {
            if (body[i].code == code) return &body[i];
        }
        return nullptr;
    };
    const testhost::Token* para = find(0, texts[0], MIF_TOKEN_PARA_FORMAT);
    ASSERT_NE(para, nullptr);
    EXPECT_EQ(static_cast<int32_t>(para->U32(0)), 720);
    EXPECT_EQ(static_cast<int32_t>(para->U32(4)), 360);
    EXPECT_EQ(static_cast<int32_t>(para->U32(8)), 1440);
    EXPECT_EQ(para->payload.at(12), 2);
    const testhost::Token* spacing = find(0, texts[0], MIF_TOKEN_LINE_SPACING);
    ASSERT_NE(spacing, nullptr);
    EXPECT_EQ(spacing->payload.at(0), 2);
    const testhost::Token* font = find(0, texts[0], MIF_TOKEN_FONT);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->U32(0), 0u);   // Courier: the first face asked for
    EXPECT_EQ(font->U32(4), 10u);
    const testhost::Token* colour = find(0, texts[0], MIF_TOKEN_COLOR);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(testhost::U32At(colour->payload, 1), 0xFF0000u);

    EXPECT_EQ(find(0, texts[0], MIF_TOKEN_ATTRIBUTE), nullptr);
    // Bold on before "b".
    const testhost::Token* on = find(texts[0], texts[1], MIF_TOKEN_ATTRIBUTE);
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(on->U32(0), 0x8001u);
    // Bold off before "c", and no other attribute token.
    std::vector<uint32_t> between;
    for (size_t i = texts[1]; i < texts[2]; ++i) {
        if (body[i].code == MIF_TOKEN_ATTRIBUTE) between.push_back(body[i].U32(0));
    }
    EXPECT_EQ(between, (std::vector<uint32_t>{0x0001u}));
    EXPECT_EQ(r.ctx->current.charAttributes, 0u);
}

}  // namespace
