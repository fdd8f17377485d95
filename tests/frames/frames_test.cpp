// Anchored frames and their embedded objects: the inset reader's count, the
// frame token, and the object callbacks called as a host calls them.
#include <gtest/gtest.h>

#include "fuzz/careful_host.h"
#include "support/test_host.h"

namespace {

// tbls goes after the AFrames section.
std::string Document(const std::string& frames, const std::string& anchors, const std::string& tbls = "") {
    return "<MIFFile 5.00>\n<AFrames\n" + frames + ">\n" + tbls + "<TextFlow\n <Para\n  <ParaLine\n" + anchors +
           "  >\n >\n>\n";
}

// A frame whose ImportObject holds the given facet lines before its end line.
std::string Frame(const std::string& id, const std::string& facets, const std::string& rect = "  0 0 2 1") {
    return " <Frame\n  <ID " + id + ">\n  <ShapeRect" + rect + ">\n  <ImportObject\n   <Unique 7>\n" + facets +
           "=EndInset\n  > # end of ImportObject\n > # end of Frame\n";
}

std::string Anchor(const std::string& id) { return "   <AFrame " + id + ">\n"; }

ptrdiff_t FrameCount(const std::vector<uint8_t>& bytes) {
    return std::ranges::count(testhost::SplitTokens(bytes), MIF_TOKEN_FRAME, &testhost::Token::code);
}

// A document read to its end, freed when the test ends; its objects read
// through the callbacks it registered.
struct Loaded : testhost::Reading {
    explicit Loaded(const std::string& doc) : Reading(doc) {}
    // The bytes delivered; buffer keeps all count + 8 bytes, 0xAA where nothing was written.
    std::string Read(uint32_t count) {
        buffer.assign(count + 8, '\xAA');
        uint32_t n = reader.Read(reinterpret_cast<uint8_t*>(buffer.data()), count);
        return buffer.substr(0, std::min(n, count));
    }
    mifhost::ObjectReader reader{host.callback.objectRecord()};
    std::string buffer;
};

TEST(InsetData, CountDecodedBytesAndReadsAfterTheEnd) {
    // The count takes "\\" as one byte and any other escape as two; the reads decode every escape to one.
    const struct { std::string facets; int32_t dataSize; std::string bytes; } cases[] = {
        {"=TEXT\n&%v\n&hello\n&world\n", 10, "helloworld"},
        {"=GIF\n&%v\n&ab\\x4a4B\\xcd\n", 6, "abJKcd"},
        {"=TEXT\n&%v\n&a\\\\b\\tc\\q\\n\n", 10, "a\\b\tcq\n"},
        {"&ab\n=GIF\n&%v\n&cde\n", 5, "ab"},  // counted before any facet; the reads stop at the '='
        {"=TEXT\r\n&%v\r\n&abc\r\n&de\r\n", 5, "abcde"},
        {"=TEXT\n&%\n&abc\n", 3, "abc"},  // a marker line with nothing after its '%'
    };
    for (const auto& c : cases) {
        Loaded d(Document(Frame("5", c.facets), Anchor("5")));
        ASSERT_EQ(d.run.status, MIF_STATUS_OK) << c.facets;
        EXPECT_EQ(d.ctx->frames.frameList->dataSize, c.dataSize) << c.facets;
        EXPECT_EQ(FrameCount(d.run.tokens), 1) << c.facets;
        ASSERT_TRUE(d.reader.Open("5"));
        EXPECT_EQ(d.Read(2), c.bytes.substr(0, 2)) << c.facets;
        d.host.allocator.FailAt(d.host.allocator.stats().allocations + 1);
        EXPECT_EQ(d.Read(2), "") << "a refused scratch block delivered";
        // The rest, zeros up to the count and nothing beyond; then nothing until the object is opened again.
        EXPECT_EQ(d.Read(64), c.bytes.substr(2)) << c.facets;
        EXPECT_EQ(d.buffer.substr(c.bytes.size() - 2), std::string(66 - c.bytes.size(), '\0') + std::string(8, '\xAA'));
        EXPECT_EQ(d.Read(4), "") << c.facets;
        ASSERT_TRUE(d.reader.Open("5"));
        EXPECT_EQ(d.Read(64), c.bytes) << c.facets;
    }
}

TEST(InsetData, SameCountAndBytesWhereverTheWindowEnds) {
    // Hexadecimal pairs, toggles alone on a line, mid-line and ending a line (taken as a line break),
    // escapes, and a second facet that is not counted.
    const std::string frame = Frame("5", "=FRAMEIMAGE\n&%v\n&\\x\n&48656C6C6F2C\n&\\x\n&plain \\\\ and \\t tab\\x\n"
                                         "&576F726C64\\x!\n=OTHER\n&\\x4142\\x\n");
    const std::string bare = Document("#\n" + frame, Anchor("5"));
    for (size_t cut = bare.find("<ImportObject"); cut <= bare.find("=EndInset") + 10; ++cut) {
        // Padding of 4096 - cut bytes moves byte `cut` of the bare document to the first window's end.
        std::string padded = "#";
        padded.append(4096 - cut, 'x').append("\n").append(frame);
        Loaded d(Document(padded, Anchor("5")));
        ASSERT_EQ(d.run.status, MIF_STATUS_OK) << cut;
        EXPECT_EQ(d.ctx->frames.frameList->dataSize, 6 + 18 + 6) << "cut before '" << bare.substr(cut, 12) << "'";
        ASSERT_TRUE(d.reader.Open("5"));
        EXPECT_EQ(d.Read(64), "Hello,plain \\ and \t tabWorld!") << "cut before '" << bare.substr(cut, 12) << "'";
    }
}

TEST(InsetData, ObjectWithoutFacetsIsPassedOverWhole) {
    Loaded d(Document(" <Frame\n  <ID 5>\n  <ShapeRect  0 0 2 1>\n  <ImportObject\n   <ID 99>\n"
                      "   <ShapeRect  0 0 7 7>\n   <Nested <Deeper 1>>\n  >\n  <ID 6>\n > # end of Frame\n", ""));
    ASSERT_EQ(d.run.status, MIF_STATUS_OK);
    const mif::FrameRecord* f = d.ctx->frames.frameList;
    EXPECT_EQ(f->width, 2880) << "a nested ShapeRect was handled";
    // The next record is the frame's own ID 6: not the nested ID 99, and the statements after the object were read.
    EXPECT_EQ(f->next != nullptr ? f->next->id : -1, 6);
    EXPECT_EQ(d.ctx->inImportObject, 1u) << "the object's own handler ran";
}

TEST(InsetData, OneLineObjectCutAfterItsKeywordIsReadAgainWhole) {
    const std::string object = "  <ImportObject <Unique 1> <ImportObFileDI `<c\\>x'>>\n";
    for (size_t cut = 14; cut < object.size() - 1; ++cut) {
        // The first window ends `cut` bytes into the object's line.
        std::string doc = "<MIFFile 5.00>\n<AFrames\n <Frame\n  <ID 5>\n";
        const size_t filler = 4096 - doc.size() - cut - 2;
        doc.append("#").append(filler, 'x').append("\n").append(object);
        doc += " >\n>\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
               "<TextFlow <Para <ParaLine <TextRectID 7> <String `after'>>>>\n";
        testhost::TestHost host;
        auto run = host.ReadDocument(doc);
        EXPECT_EQ(run.status, MIF_STATUS_OK) << cut;
        EXPECT_EQ(testhost::AllText(run.tokens), "after") << "cut " << cut << " bytes into the line";
    }
}

// Fills of 600 bytes with the careful host's object calls between them,
// also while a table holding anchors is replayed: each call puts the stream
// back, and the tokens equal those of a read without calls.
TEST(ObjectCallbacks, BetweenFillsTheyChangeNothing) {
    std::string facets = "=GIF\n&%v\n&\\x\n", rows, flow;
    for (int i = 0; i < 2400; ++i) {
        facets += std::string(i % 40 ? "" : "&") + "0123456789abcdef"[i * 7 / 16 % 16] + "0123456789ABCDEF"[i * 7 % 16];
        facets += i % 40 == 39 ? "\n" : "";
    }
    for (int r = 0; r < 10; ++r) rows += "  <Row <Cell <CellContent <Para <ParaLine <AFrame 5>>>>>>\n";
    for (int i = 0; i < 60; ++i) flow += Anchor(i % 3 ? "5" : "12") + (i == 20 || i == 40 ? "   <ATbl 1>\n" : "");
    const std::string tbls = "<Tbls <Tbl <TblID 1> <TblNumColumns 1> <TblColumnWidth 1\"> <TblBody\n" + rows + ">>>\n";
    const std::string doc = Document(Frame("5", facets + "&\\x\n") + Frame("12", "=T\n&%v\n&a\n"), flow, tbls);
    mifcheck::Feed feed;
    feed.bufferSize = 600;
    const mifcheck::Checked called = mifcheck::Read(mifcheck::LinkedModule(), doc, feed);
    feed.readObjects = false;
    const mifcheck::Checked plain = mifcheck::Read(mifcheck::LinkedModule(), doc, feed);
    EXPECT_EQ(called.problem + plain.problem, "");
    ASSERT_EQ(FrameCount(plain.run.tokens), 60 + 10 * 3) << "flow anchors, the Tbls section, two replays";
    // Each replay writes ten frame tokens of 84 bytes, more than a fill holds: fills end inside replays.
    EXPECT_GT(plain.run.fills.size(), 10u);
    EXPECT_TRUE(called.run.tokens == plain.run.tokens);
}

TEST(FrameToken, LayoutAndLength) {
    const std::string inches = "  1.0\" 2.0\" 3.0\" 0.5\"", fileReference = "  <ImportObFileDI `<c\\>x.gif'>\n";
    const struct { std::string id, rect, afterObject, text; uint32_t width, height, kind; } cases[] = {
        {"5", inches, "", "5", 4320, 720, 2},
        {"1234567", inches, "", "1234567", 4320, 720, 2},
        {"`-123456'", "  0 0 2 1", "", "-123456", 2880, 1440, 2},
        {"8", " 1.0\" 2.0\" 3.0\" 0.5\"", "", "8", 720, 0, 2},  // no leading blank: read one field late
        {"9", inches, fileReference, "9", 4320, 720, 0},
    };
    for (const auto& c : cases) {
        std::string frame = Frame(c.id, "=GIF\n&%v\n&\\x48656C6C6F\\x\n", c.rect);
        Loaded d(Document(frame.insert(frame.rfind(" > # end of Frame"), c.afterObject), Anchor(c.id)));
        const auto tokens = testhost::SplitTokens(d.run.tokens);
        ASSERT_EQ(FrameCount(d.run.tokens), 1) << c.id;
        const std::vector<uint8_t>& p = std::ranges::find(tokens, MIF_TOKEN_FRAME, &testhost::Token::code)->payload;
        const size_t k = c.text.size();
        ASSERT_EQ(p.size() + 5, 83 + k) << c.id;
        EXPECT_EQ(std::string(p.begin(), p.begin() + k + 1), c.text + '\0');
        const uint32_t fields[] = {c.width, c.height, c.kind, 0, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0, 180, 0, 180, 0};
        for (size_t i = 0; i < 18; ++i) EXPECT_EQ(testhost::U32At(p, k + 1 + 4 * i), fields[i]) << c.id << " " << i;
        EXPECT_EQ(std::vector<uint8_t>(p.begin() + k + 73, p.end()), std::vector<uint8_t>({255, 0, 0, 0, 0}));
    }
}

// A frame without data (no object, or a facet without data lines) writes no
// token; an anchor naming no frame ends the fill with status 4.
TEST(FrameToken, NoneWithoutDataAndStatus4ForAnUnknownAnchor) {
    const struct { std::string frames, anchors; int32_t status; } cases[] = {
        {" <Frame\n  <ID 3>\n >\n" + Frame("4", "=GIF\n&%v\n"), Anchor("3") + Anchor("4"), MIF_STATUS_OK},
        {Frame("1", "=T\n&%v\n&a\n"), Anchor("2"), MIF_STATUS_SCAN_FAILED},
        {"", Anchor("1"), MIF_STATUS_SCAN_FAILED},
    };
    for (const auto& c : cases) {
        Loaded d(Document(c.frames, c.anchors));
        EXPECT_EQ(d.run.status, c.status) << c.frames;
        EXPECT_EQ(d.host.StatusWord(), c.status == MIF_STATUS_OK ? 0u : 4u) << c.frames;
        EXPECT_EQ(FrameCount(d.run.tokens), 0) << c.frames;
    }
}

}  // namespace
