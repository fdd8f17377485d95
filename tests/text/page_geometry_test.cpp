#include <gtest/gtest.h>

#include <cstring>

#include "text/text.h"
#include "text_support.h"

namespace {

using texttest::DirectContext;

struct HeaderCase {
    const char* name;
    std::string input;
    int accepted;
    std::string restAt;  // where scanning goes on; empty: at the window's end
};

TEST(MifHeader, AcceptsOrRefusesTheFirstWindow) {
    const HeaderCase cases[] = {
        {"comment ended by CR LF", "<MIFFile 5.00> # Generated\r\n  <Units Uin>", 1, "<Units"},
        {"no comment", "<MIFFile 5.00>\n\n<Units Uin>", 1, "<Units"},
        {"statement on the same line", "<MIFFile 5.00> <Units Uin>", 1, "<Units"},
        {"LF LF pair ends the comment as one line end", "<MIFFile 5.00>   #   text\n\n<Units Uin>", 1, "<Units"},
        {"bare hash does not swallow the next line", "<MIFFile 5.00> #\n<Units Uin>", 1, "<Units"},
        {"bare hash before CR LF", "<MIFFile 5.00> #\r\n<Units Uin>", 1, "<Units"},
        {"comment running to the window's end", "<MIFFile 5.00> # tail", 1, ""},
        {"any version", "<MIFFile 99>\n<Units Uin>", 1, "<Units"},
        {"no version at all", "<MIFFile>\n<Units Uin>", 1, "<Units"},
        {"leading blank", " <MIFFile 5.00>\n", 0, ""},
        {"keyword in another case", "<MIFfile 5.00>\n", 0, ""},
        {"byte-order mark", "\xEF\xBB\xBF<MIFFile 5.00>\n", 0, ""},
        {"no closing bracket in the window", "<MIFFile 5.00\n", 0, ""},
        {"shorter than the keyword", "<MIFFil", 0, ""},
        {"empty input", "", 0, ""},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        DirectContext direct;
        mif::ReaderContext* ctx = direct.ctx;
        ASSERT_LT(c.input.size(), sizeof ctx->window);
        std::memcpy(ctx->window, c.input.data(), c.input.size());
        ctx->scanPointer = ctx->window;
        ctx->windowEnd = ctx->window + c.input.size();
        ctx->bytesConsumed = 100;  // the count grows from where it stands
        ASSERT_EQ(mif::ReadMifHeader(ctx), c.accepted);
        if (!c.accepted) continue;
        size_t rest = c.restAt.empty() ? c.input.size() : c.input.find(c.restAt);
        EXPECT_EQ(ctx->scanPointer - ctx->window, static_cast<ptrdiff_t>(rest));
        EXPECT_EQ(ctx->bytesConsumed, 100 + static_cast<int32_t>(rest));
    }
}

TEST(MifHeader, RefusedDocumentsEndTheFirstFillWithStatus6) {
    for (const char* document : {" <MIFFile 5.00>\n", "<MIFfile 5.00>\n", "\xEF\xBB\xBF<MIFFile 5.00>\n", "<MIFFile"}) {
        testhost::TestHost host;
        auto run = host.ReadDocument(document);
        EXPECT_EQ(run.status, MIF_STATUS_SETUP_FAILED) << document;
        EXPECT_EQ(host.allocator.live, 0);
    }
}

TEST(MifHeader, ASecondHeaderStatementFailsTheFill) {
    testhost::TestHost host;
    auto run = host.ReadDocument("<MIFFile 5.00>\n<Units Uin>\n<MIFFile 5.00>\n");
    EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(host.allocator.live, 0);
}

struct PageSizeCase {
    const char* statements;
    int32_t width;
    int32_t height;
};

TEST(PageSize, ReadsEachNumberAfterABlank) {
    const PageSizeCase cases[] = {
        {"<Page <PageSize  8.5\" 11.0\">>", 12240, 15840},
        {"<Page <PageSize 8.5\" 11.0\">>", 15840, 0},         // no leading blank: one number short
        {"<Page <PageSize  21.0cm 29.7cm>>", 11907, 16839},
        {"<Page <PageSize  21.0 cm 29.7 cm>>", 11907, 0},    // the height is read before "cm"
        {"<Page <PageSize  612.0pt 792.0pt>>", 12240, 15840},
        {"<Page <PageSize 8.5>>", 0, 0},                       // no blank at all
        {"<Page <PageType MasterPage> <PageSize  1\" 2\">>", 1440, 2880},  // any page type
        {"<Page <PageSize  1\" 2\">> <Page <PageSize  3\" 4\">>", 4320, 5760},  // the last one wins
        {"<Units Ucm>", 12240, 15840},                        // defaults stay
    };
    for (const PageSizeCase& c : cases) {
        SCOPED_TRACE(c.statements);
        testhost::TestHost host;
        mif::ReaderContext* ctx = host.Open(std::string("<MIFFile 5.00>\n") + c.statements + "\n");
        ASSERT_NE(ctx, nullptr);
        auto run = testhost::TestHost::Drain(ctx);
        EXPECT_EQ(run.status, MIF_STATUS_OK);
        EXPECT_EQ(ctx->pageWidth, c.width);
        EXPECT_EQ(ctx->pageHeight, c.height);
        // The header token always carries the defaults.
        auto tokens = testhost::SplitTokens(run.tokens);
        ASSERT_FALSE(tokens.empty());
        EXPECT_EQ(tokens[0].U32(1), 12240u);
        EXPECT_EQ(tokens[0].U32(5), 15840u);
        mifFreeContext(ctx);
    }
}

TEST(PageStatements, MissingValuesFail) {
    for (const char* statement : {"<PageSize <X 1>>", "<PageType <X 1>>", "<PageNum <X 1>>", "<TextRectID <X 1>>",
                                  "<MType <X 1>>", "<MText <X 1>>"}) {
        testhost::TestHost host;
        auto run = host.ReadDocument(std::string("<MIFFile 5.00>\n") + statement + "\n");
        EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED) << statement;
        EXPECT_EQ(host.allocator.live, 0);
    }
    DirectContext direct;
    mif::StatementFrame empty{};
    EXPECT_EQ(mif::RecordBodyTextRectID(direct.ctx, &empty), 0);
}

// Whether the text of a flow through rectangle 7 is reported, for the page
// statement that declares rectangle 7.
struct PageTypeCase {
    const char* page;
    bool reported;
};

TEST(PageType, OnlyBodyPageRectanglesAreReported) {
    const PageTypeCase cases[] = {
        {"<Page <PageType BodyPage> <TextRect <ID 7>>>", true},
        {"<Page <PageType BodyPage > <TextRect <ID 7>>>", true},
        {"<Page <PageType `BodyPage'> <TextRect <ID 7>>>", true},
        {"<Page <PageNum `3'> <PageType BodyPage> <PageSize  8.5\" 11\"> <TextRect <ID 7>>>", true},
        {"<Page <PageType bodypage> <TextRect <ID 7>>>", false},
        {"<Page <PageType  BodyPage> <TextRect <ID 7>>>", false},  // leading blanks stay
        {"<Page <PageType BodyPages> <TextRect <ID 7>>>", false},
        {"<Page <PageType MasterPage> <TextRect <ID 7>>>", false},
        {"<Page <PageType ReferencePage> <TextRect <ID 7>>>", false},
        {"<Page <TextRect <ID 7>>>", false},
        {"<Page <TextRect <ID 7>> <PageType BodyPage>>", false},  // the type must come first
        {"<Page <PageType BodyPage> <PolyLine <ID 7>>>", false},    // not a text rectangle
        {"<Page <PageType BodyPage>> <Page <TextRect <ID 7>>>", false},  // the type ends with its page
        {"<Page <PageType BodyPage> <TextRect <ID 6>> <TextRect <ID 7>>>", true},
        {"<Page <PageType BodyPage> <TextRect <ID `7'>>>", false},  // the ID is not unquoted
    };
    for (const PageTypeCase& c : cases) {
        SCOPED_TRACE(c.page);
        testhost::TestHost host;
        auto run = host.ReadDocument(std::string("<MIFFile 5.00>\n") + c.page +
                                     "\n<TextFlow <Para <ParaLine <TextRectID 7> <String `x'>>>>\n");
        EXPECT_EQ(run.status, MIF_STATUS_OK);
        EXPECT_EQ(testhost::AllText(run.tokens) == "x", c.reported);
        EXPECT_EQ(host.allocator.live, 0);
    }
}

TEST(TextRectID, EachOneDecidesUntilTheNext) {
    const std::string document =
        "<MIFFile 5.00>\n"
        "<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
        "<Page <PageType MasterPage> <TextRect <ID 9>>>\n"
        "<Page <PageType BodyPage> <TextRect <ID 12>>>\n"
        "<TextFlow <Para <ParaLine <TextRectID 9> <String `a'>>>\n"
        " <Para <ParaLine <TextRectID 7> <String `b'>> <ParaLine <String `c'>>>\n"
        " <Para <ParaLine <String `d'>>>\n"
        " <Para <ParaLine <String `e'> <TextRectID 9> <String `f'>>>\n"
        " <Para <ParaLine <TextRectID `12'> <String `g'>>>\n"
        " <Para <ParaLine <TextRectID 13> <String `h'>>>>\n";
    testhost::TestHost host;
    auto run = host.ReadDocument(document);
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(testhost::AllText(run.tokens), "bcdeg");
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(TextRectID, DocumentWithoutBodyPagesReportsNothing) {
    testhost::TestHost host;
    auto run = host.ReadDocument(
        "<MIFFile 5.00>\n<Page <PageType MasterPage> <TextRect <ID 1>>>\n"
        "<Page <PageType ReferencePage> <TextRect <ID 2>>>\n"
        "<TextFlow <Para <ParaLine <TextRectID 1> <String `a'>>>>\n"
        "<TextFlow <Para <ParaLine <TextRectID 2> <String `b'>>>>\n");
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.tokens.size(), static_cast<size_t>(MIF_FIRST_FILL_HEADER_BYTES));
}

TEST(BodyTextRects, AllocationFailureFailsTheHandlerWithoutLeaking) {
    DirectContext direct;
    mif::ReaderContext* ctx = direct.ctx;
    ctx->text.isBodyPage = 1;
    ctx->inTextRect = 1;
    direct.host.allocator.failAt = direct.host.allocator.count + 1;
    texttest::ValueFrame value("7");
    EXPECT_EQ(mif::RecordBodyTextRectID(ctx, &value.frame), 0);
    EXPECT_EQ(ctx->text.bodyRectHead, nullptr);
    EXPECT_EQ(direct.Release(), 0);
}

}  // namespace
