#include <gtest/gtest.h>

#include "frames_support.h"

namespace {

using framestest::Anchor;
using framestest::Bytes;
using framestest::Document;
using framestest::FrameTokens;
using framestest::FrameWithFacets;
using framestest::ObjectClient;

mif::FrameRecord* FindRecord(mif::ReaderContext* ctx, int32_t id) {
    for (mif::FrameRecord* f = ctx->frames.frameList; f != nullptr; f = f->next) {
        if (f->id == id) return f;
    }
    return nullptr;
}

struct CountCase {
    const char* name;
    std::string facets;
    int32_t dataSize;
};

class DataCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(DataCount, RecordsTheFirstFacetsSize) {
    const CountCase& c = GetParam();
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(Document("", FrameWithFacets("5", c.facets), Anchor("5")));
    ASSERT_NE(ctx, nullptr);
    auto run = testhost::TestHost::Drain(ctx);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    mif::FrameRecord* f = FindRecord(ctx, 5);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->dataSize, c.dataSize);
    EXPECT_EQ(f->kind, c.dataSize > 0 ? 2u : 0u);
    // The statement that holds the data closed through its own handler.
    EXPECT_EQ(ctx->inImportObject, 0u);
    mifFreeContext(ctx);
}

INSTANTIATE_TEST_SUITE_P(
    Facets, DataCount,
    ::testing::Values(CountCase{"TwoTextLines", "=TEXT\n&%v\n&hello\n&world\n", 10},
                      CountCase{"HexPairs", "=GIF\n&%v\n&\\x\n&0A0B0C0D\n&\\x\n", 4},
                      CountCase{"HexAndTextOnOneLine", "=GIF\n&%v\n&ab\\x0102\\xcd\n", 6},
                      // A doubled backslash counts once, any other escape twice.
                      CountCase{"Escapes", "=TEXT\n&%v\n&a\\\\b\\tc\n", 6},
                      CountCase{"SecondFacetIgnored", "=GIF\n&%v\n&abc\n=TIFF\n&%v\n&defgh\n&ij\n", 3},
                      CountCase{"DataBeforeAnyFacet", "&ab\n=GIF\n&%v\n&cde\n", 5},
                      CountCase{"CarriageReturnLines", "=TEXT\r\n&%v\r\n&abc\r\n&de\r\n", 5},
                      // A toggle at a line's end ends the line like any line break.
                      CountCase{"ToggleEndsLine", "=GIF\n&%v\n&ab\\x\n&4142\\x\n", 4},
                      CountCase{"NoDataLines", "=GIF\n&%v\n", 0}),
    [](const ::testing::TestParamInfo<CountCase>& info) { return std::string(info.param.name); });

TEST(ImportObjectWithoutFacets, IsPassedOverWholeWithItsNestedStatements) {
    const std::string frame =
        " <Frame\n  <ID 5>\n  <ShapeRect  0 0 2 1>\n  <ImportObject\n   <ID 99>\n   <ShapeRect  0 0 7 7>\n"
        "   <Nested <Deeper 1>>\n  > # end of ImportObject\n  <ID 6>\n > # end of Frame\n";
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open(Document("", frame, ""));
    ASSERT_NE(ctx, nullptr);
    auto run = testhost::TestHost::Drain(ctx);
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(FindRecord(ctx, 99), nullptr) << "the nested ID was dispatched";
    ASSERT_NE(FindRecord(ctx, 5), nullptr);
    EXPECT_EQ(FindRecord(ctx, 5)->width, 2880) << "the nested ShapeRect was dispatched";
    // The scanner goes on after the object: the frame's next ID is recorded.
    EXPECT_NE(FindRecord(ctx, 6), nullptr);
    // The object's own handler did not run either.
    EXPECT_EQ(ctx->inImportObject, 1u);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

// Data whose count and decoding are worked out by hand: hexadecimal runs, a
// toggle at a line's end, plain text with escapes, and a second facet.
const char* const kMixedFacets =
    "=FRAMEIMAGE\n"
    "&%v\n"
    "&\\x\n"
    "&48656C6C6F2C\n"
    "&\\x\n"
    "&plain \\\\ and \\t tab\\x\n"
    "&576F726C64\\x!\n"
    "=OTHER\n"
    "&\\x4142\\x\n";
const int32_t kMixedCount = 6 + 18 + 6;  // \t counts two, "\\" one
const std::string kMixedBytes = std::string("Hello,") + "plain \\ and \t tab" + "World!";

TEST(DataCountAcrossWindows, SameForACutAtEveryByteOfTheObject) {
    const std::string frame = FrameWithFacets("5", kMixedFacets);
    const std::string bare = Document("#\n", frame, Anchor("5"));
    size_t objectStart = bare.find("<ImportObject");
    size_t objectEnd = bare.find("=EndInset") + 10;
    ASSERT_LT(objectEnd + 2, 4096u);
    int checked = 0;
    for (size_t cut = objectStart; cut <= objectEnd; ++cut) {
        // Padding that moves byte `cut` of the bare document to offset 4096.
        std::string pad = "#" + std::string(4096 - cut, 'x') + "\n";
        std::string doc = Document(pad, frame, Anchor("5"));
        ASSERT_EQ(doc.substr(4096, 8), bare.substr(cut, 8));
        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(doc);
        ASSERT_NE(ctx, nullptr);
        auto run = testhost::TestHost::Drain(ctx);
        ASSERT_EQ(run.status, MIF_STATUS_OK) << "cut " << cut;
        mif::FrameRecord* f = FindRecord(ctx, 5);
        ASSERT_NE(f, nullptr) << "cut " << cut;
        EXPECT_EQ(f->dataSize, kMixedCount) << "cut before '" << bare.substr(cut, 12) << "'";
        EXPECT_EQ(FrameTokens(run.tokens).size(), 1u) << "cut " << cut;
        ObjectClient client(host);
        ASSERT_EQ(client.Open("5"), 1);
        EXPECT_EQ(client.ReadAll(4), Bytes(kMixedBytes)) << "cut before '" << bare.substr(cut, 12) << "'";
        mifFreeContext(ctx);
        EXPECT_EQ(host.allocator.live, 0);
        ++checked;
    }
    EXPECT_GT(checked, 120);
}

TEST(DataCountAcrossWindows, LongHexObjectOverSeveralWindows) {
    std::string expected;
    const std::string facets = framestest::HexFacet(75, 40, &expected);
    for (uint32_t chunk : {1u, 97u, 4096u}) {
        testhost::TestHost host;
        host.stream.maxChunk = 333;
        mif::ReaderContext* ctx = host.Open(Document("", FrameWithFacets("5", facets), Anchor("5")));
        ASSERT_NE(ctx, nullptr);
        ASSERT_EQ(testhost::TestHost::Drain(ctx).status, MIF_STATUS_OK);
        EXPECT_EQ(FindRecord(ctx, 5)->dataSize, 3000);
        ObjectClient client(host);
        ASSERT_EQ(client.Open("5"), 1);
        EXPECT_EQ(client.ReadAll(chunk), Bytes(expected)) << "chunk " << chunk;
        mifFreeContext(ctx);
    }
}

}  // namespace
