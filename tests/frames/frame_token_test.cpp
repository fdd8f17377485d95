#include <gtest/gtest.h>

#include "frames_support.h"

namespace {

using framestest::Anchor;
using framestest::Document;
using framestest::FrameTokens;
using framestest::FrameWithFacets;

const char* const kHelloFacets = "=GIF\n&%v\n&\\x48656C6C6F\\x\n";

struct TokenCase {
    const char* name;
    std::string idText;     // as written in ID and AFrame
    std::string shapeRect;  // the ShapeRect value, delimiter included
    std::string afterObject;  // statements in the Frame after its ImportObject
    std::string expectedIdText;
    int32_t width;
    int32_t height;
    uint32_t kind;
};

class FrameTokenLayout : public ::testing::TestWithParam<TokenCase> {};

TEST_P(FrameTokenLayout, FieldsAndLength) {
    const TokenCase& c = GetParam();
    std::string frame = FrameWithFacets(c.idText, kHelloFacets, c.shapeRect);
    frame.insert(frame.rfind(" > # end of Frame"), c.afterObject);
    testhost::TestHost host;
    auto run = host.ReadDocument(Document("", frame, Anchor(c.idText)));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    auto frames = FrameTokens(run.tokens);
    ASSERT_EQ(frames.size(), 1u);
    const auto& p = frames[0].payload;
    size_t k = c.expectedIdText.size();
    ASSERT_EQ(p.size() + 5, 83 + k) << "token length is 83 plus the ID text length";
    EXPECT_EQ(std::string(p.begin(), p.begin() + k), c.expectedIdText);
    EXPECT_EQ(p[k], 0);
    size_t at = k + 1;
    const uint32_t expected[] = {static_cast<uint32_t>(c.width), static_cast<uint32_t>(c.height), c.kind, 0, 100, 100,
                                 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, 180, 0};
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(testhost::U32At(p, at + 4 * i), expected[i]) << "u32 field " << i;
    at += 72;
    EXPECT_EQ(p[at], 255);
    for (size_t i = 1; i <= 4; ++i) EXPECT_EQ(p[at + i], 0);
    EXPECT_EQ(host.allocator.live, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameTokenLayout,
    ::testing::Values(
        TokenCase{"OneDigit", "5", "  1.0\" 2.0\" 3.0\" 0.5\"", "", "5", 4320, 720, 2},
        TokenCase{"SevenDigits", "1234567", "  1.0\" 2.0\" 3.0\" 0.5\"", "", "1234567", 4320, 720, 2},
        TokenCase{"NegativeSevenChars", "-123456", "  0 0 2 1", "", "-123456", 2880, 1440, 2},
        TokenCase{"BackquotedId", "`42'", "  0 0 2 1", "", "42", 2880, 1440, 2},
        // The value starts with the first measurement: the size is read one field late.
        TokenCase{"NoLeadingBlank", "8", " 1.0\" 2.0\" 3.0\" 0.5\"", "", "8", 720, 0, 2},
        // One factor for the whole list, from its first unit word.
        TokenCase{"Centimetres", "9", "  0cm 0cm 2.54cm 1cm", "", "9", 1440, 567, 2},
        TokenCase{"FileReferenceClearsKind", "11", "  0 0 1 1", "  <ImportObFileDI `<c\\>x.gif'>\n", "11", 1440,
                  1440, 0}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(FrameAnchors, FramesWithoutDataWriteNoToken) {
    const std::string noObject = " <Frame\n  <ID 3>\n  <ShapeRect  0 0 1 1>\n > # end of Frame\n";
    const std::string facetWithoutData = FrameWithFacets("4", "=GIF\n&%v\n");
    testhost::TestHost host;
    auto run = host.ReadDocument(Document("", noObject + facetWithoutData, Anchor("3") + Anchor("4")));
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_TRUE(FrameTokens(run.tokens).empty());
}

TEST(FrameAnchors, EveryAnchorOfAFrameWithDataWritesAToken) {
    std::string frames = FrameWithFacets("1", kHelloFacets) + FrameWithFacets("2", kHelloFacets);
    testhost::TestHost host;
    auto run = host.ReadDocument(Document("", frames, Anchor("2") + Anchor("1") + Anchor("2")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    auto tokens = FrameTokens(run.tokens);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].payload[0], '2');
    EXPECT_EQ(tokens[1].payload[0], '1');
    EXPECT_EQ(tokens[2].payload[0], '2');
}

TEST(FrameAnchors, UnknownOrMissingFrameFailsTheFill) {
    struct Case {
        const char* name;
        std::string frames;
        std::string anchors;
    } cases[] = {
        {"UnknownId", FrameWithFacets("1", kHelloFacets), Anchor("2")},
        {"NoFramesAtAll", "", Anchor("1")},
        {"AnchorWithoutValue", FrameWithFacets("1", kHelloFacets), "   <AFrame <Dummy 1>>\n"},
    };
    for (const Case& c : cases) {
        testhost::TestHost host;
        auto run = host.ReadDocument(Document("", c.frames, c.anchors));
        EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED) << c.name;
        EXPECT_EQ(host.StatusWord(), 4u) << c.name;
        EXPECT_EQ(host.allocator.live, 0) << c.name;
    }
}

TEST(FrameAnchors, IdLongerThanTheTokenHoldsWritesNothing) {
    testhost::TestHost host;
    auto run = host.ReadDocument(
        Document("", FrameWithFacets("12345678", kHelloFacets) + FrameWithFacets("-1234567", kHelloFacets),
                 Anchor("12345678") + Anchor("-1234567")));
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_TRUE(FrameTokens(run.tokens).empty());
}

}  // namespace
