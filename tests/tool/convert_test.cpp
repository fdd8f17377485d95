// The converters fed hand-made tokens: escaping in every format, tables
// whose cells hold several paragraphs (and cut short), attributes switched
// on and off, headings by size, frames as images or boxes. Markdown is
// checked as a CommonMark renderer reads it, when cmark-gfm is installed.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>
#include <sstream>

#include "tool/tool_support.h"
#include "tools/mifread/convert/converter.h"

namespace {

using namespace mifhost;
using namespace mifconvert;
using Json = nlohmann::json;

constexpr uint32_t kBoldOn = MIF_ATTR_BOLD_ON, kItalicOn = MIF_ATTR_ITALIC_ON, kItalicOff = MIF_ATTR_ITALIC_OFF;

std::vector<TokenValue> Para(std::vector<TokenValue> content) {
    content.push_back(LineBreakToken{});
    content.push_back(ParaStartToken{});
    return content;
}

std::vector<TokenValue> Join(std::initializer_list<std::vector<TokenValue>> parts) {
    std::vector<TokenValue> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::string Convert(Format format, const std::vector<TokenValue>& tokens, ConvertOptions options = {}) {
    options.encoding = TextEncoding::Utf8;
    if (options.title.empty()) options.title = "doc";
    std::ostringstream out;
    auto converter = MakeConverter(format, out, options);
    for (const TokenValue& v : tokens) converter->Add(Token{0, 0, 0, v});
    converter->Finish();
    return out.str();
}

// The HTML a CommonMark renderer with GitHub's tables makes of the Markdown.
std::string RenderMarkdown(const std::string& markdown) {
    const auto file = std::filesystem::temp_directory_path() / ("md-" + std::to_string(::getpid()) + ".md");
    std::ofstream(file) << markdown;
    tooltest::Result r = tooltest::Shell("cmark-gfm --unsafe -e table -e strikethrough " + file.string(), false);
    std::filesystem::remove(file);
    return r.out;
}

#define REQUIRE_CMARK() \
    if (!tooltest::HaveProgram("cmark-gfm")) GTEST_SKIP() << "cmark-gfm is not installed"

const std::string kNasty = "<script>alert(\"x\")</script> & 'q' ]]> *a* _b_ [l](u) `c` |p| ~~s~~ $m$ \\ &amp;";

TEST(Convert, DocumentTextCannotInjectMarkup) {
    ConvertOptions options;
    options.title = "</title><script>t()</script>";
    options.fontFace = [](uint32_t n) { return n == 0 ? std::optional<std::string>("x\";}</style><script>f()</script>") : std::nullopt; };
    const auto tokens = Join({Para({FontToken{0, 14}, TextToken{kNasty}}), {TableStartToken{{1440, 1440}, {}, 0, 0}},
                              Para({TextToken{kNasty}}), {CellEndToken{}}, Para({TextToken{"z"}}), {CellEndToken{}, TableEndToken{}}});

    std::string html = Convert(Format::Html, tokens, options);
    EXPECT_EQ(html.find("<script"), std::string::npos) << html;
    EXPECT_EQ(html.find("</style>"), html.rfind("</style>")) << "only the page's own style element ends";
    EXPECT_NE(html.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39; ]]&gt;"), std::string::npos);

    Json json = Json::parse(Convert(Format::Json, tokens, options));
    EXPECT_EQ(json["blocks"][0]["runs"][0]["text"], kNasty);
    EXPECT_EQ(json["source"], options.title);

    REQUIRE_CMARK();
    std::string rendered = RenderMarkdown(Convert(Format::Markdown, tokens, options));
    // The renderer must give back exactly the text, escaped once, as a
    // paragraph and as a cell beside its neighbour.
    const std::string text = "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; 'q' ]]&gt; *a* _b_ [l](u) `c` |p| "
                             "~~s~~ $m$ \\ &amp;amp;";
    EXPECT_EQ(rendered.substr(0, rendered.find("<table>")), "<p>" + text + "</p>\n");
    EXPECT_NE(rendered.find("<tr>\n<th>" + text + "</th>\n<th>z</th>\n</tr>"), std::string::npos) << rendered;
}

TEST(Convert, MarkdownLineStartsStayParagraphText) {
    REQUIRE_CMARK();
    for (const char* text : {"# not a heading", "- not an item", "1. not a list", "+ nor this", "===", "> no quote",
                             "\tno code block", "    nor this"}) {
        std::string rendered = RenderMarkdown(Convert(Format::Markdown, Para({TextToken{"x"}, LineBreakToken{}, TextToken{text}})));
        EXPECT_TRUE(rendered.rfind("<p>x<br />\n", 0) == 0 && rendered.find("</p>\n") == rendered.size() - 5)
            << text << " rendered as\n" << rendered;
    }
}

const std::vector<TokenValue> kTable = Join({
    {TextToken{"Before"}, TableStartToken{{1440, 2880}, {}, 0, 0}},
    Para({TextToken{"a1"}}), Para({TextToken{"a2"}}), {CellEndToken{}},
    Para({TextToken{"b"}}), {CellEndToken{}},
    Para({TextToken{"c"}}), {CellEndToken{}},
    Para({}), {CellEndToken{}, TableEndToken{}},
    Para({TextToken{"after"}}),
});

TEST(Convert, TableCellsHoldSeveralParagraphs) {
    std::string html = Convert(Format::Html, kTable);
    std::string body = html.substr(html.find("<body>"));
    EXPECT_TRUE(std::regex_search(body, std::regex(
        "<p>Before</p>\n<table[^>]*>\n<colgroup><col style=\"width:72pt\"><col style=\"width:144pt\"></colgroup>\n"
        "<tr><td><p>a1</p>\n<p>a2</p>\n</td><td><p>b</p>\n</td></tr>\n<tr><td><p>c</p>\n</td><td></td></tr>\n"
        "</table>\n<p>after</p>\n"))) << body;

    Json json = Json::parse(Convert(Format::Json, kTable));
    const Json& table = json["blocks"][1];
    EXPECT_EQ(table["columns"], Json({1440, 2880}));
    ASSERT_EQ(table["rows"].size(), 2u);
    EXPECT_EQ(table["rows"][0][0]["blocks"].size(), 2u);
    EXPECT_EQ(table["rows"][0][0]["blocks"][1]["runs"][0]["text"], "a2");
    EXPECT_EQ(table["rows"][1][1]["blocks"], Json::array());
    EXPECT_EQ(json["blocks"][2]["runs"][0]["text"], "after");

    // Cut short inside the table: still valid JSON, the open row padded, and closed HTML.
    const std::vector<TokenValue> cut(kTable.begin(), kTable.begin() + 6);
    EXPECT_EQ(Json::parse(Convert(Format::Json, cut))["blocks"][1]["rows"][0].size(), 2u);
    EXPECT_NE(Convert(Format::Html, cut).find("</table>\n</body>\n</html>\n"), std::string::npos);

    REQUIRE_CMARK();
    std::string rendered = RenderMarkdown(Convert(Format::Markdown, kTable));
    EXPECT_NE(rendered.find("<th>a1<br>a2</th>\n<th>b</th>"), std::string::npos) << rendered;
    EXPECT_NE(rendered.find("<td>c</td>\n<td></td>"), std::string::npos) << rendered;
}

// A run of on-codes is the whole new set; off-codes switch one off; a
// paragraph end and a table start leave none on.
TEST(Convert, AttributesFollowTheTokens) {
    const auto tokens = Join({
        {AttributeToken{kBoldOn}, TextToken{"A"}, AttributeToken{kBoldOn}, AttributeToken{kItalicOn}, TextToken{"B"},
         AttributeToken{kItalicOn}, TextToken{"C"}, AttributeToken{kItalicOff}, TextToken{" D"}, LineBreakToken{},
         ParaStartToken{}},
        {AttributeToken{kBoldOn}, TextToken{"x"}, TableStartToken{{1440}, {}, 0, 0}},
        Para({TextToken{"y"}}), {CellEndToken{}, TableEndToken{}},
        // Italic dropped inside a paragraph writes no token: the next
        // paragraph starts without it all the same.
        Para({AttributeToken{kItalicOn}, TextToken{"p"}}), Para({TextToken{"q"}}),
    });
    Json json = Json::parse(Convert(Format::Json, tokens));
    const Json& runs = json["blocks"][0]["runs"];
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0]["attributes"], Json({"bold"}));
    EXPECT_EQ(runs[1]["attributes"], Json({"bold", "italic"}));
    EXPECT_EQ(runs[2]["attributes"], Json({"italic"}));
    EXPECT_EQ(runs[3]["attributes"], Json::array());
    EXPECT_EQ(json["blocks"][2]["rows"][0][0]["blocks"][0]["runs"][0]["attributes"], Json::array());
    EXPECT_EQ(json["blocks"].back()["runs"][0]["attributes"], Json::array());

    std::string html = Convert(Format::Html, tokens);
    EXPECT_NE(html.find("<p><b>A</b><b><i>B</i></b><i>C</i> D</p>"), std::string::npos) << html;

    REQUIRE_CMARK();
    std::string rendered = RenderMarkdown(Convert(Format::Markdown, tokens));
    EXPECT_NE(rendered.find("<p><strong>A</strong><strong><em>B</em></strong><em>C</em> D</p>"), std::string::npos) << rendered;
}

// Cell shading is not in the token stream: white text keeps the page's
// colour, other colours are kept.
TEST(Convert, LightTextStaysReadable) {
    std::string html = Convert(Format::Html, Para({ColorToken{0, 0xFFFFFF}, TextToken{"white"}, ColorToken{0, 0x0000FF},
                                                   TextToken{"red"}}));
    EXPECT_NE(html.find("<p>white<span style=\"color:#FF0000\">red</span></p>"), std::string::npos) << html;
}

Paragraph Sized(int32_t size, std::string text) {
    Paragraph p;
    p.runs.push_back(Run{Run::Kind::Text, std::move(text), Style{0, std::nullopt, size, 0}, nullptr});
    return p;
}

TEST(Convert, HeadingsAreRankedBySize) {
    Outline outline;
    outline.Count(Sized(12, std::string(150, 'b')));
    outline.Count(Sized(12, std::string(150, 'b')));
    for (int32_t size : {24, 18, 15, 14, 13}) outline.Count(Sized(size, "Title"));
    outline.Count(Sized(30, std::string(201, 'x')));  // too long to be a heading
    outline.Finish();
    EXPECT_EQ(outline.bodySize(), 12);
    for (auto [size, level] : std::vector<std::pair<int32_t, int>>{{24, 1}, {18, 2}, {15, 3}, {14, 3}, {13, 0}, {12, 0}}) {
        EXPECT_EQ(outline.LevelOf(Sized(size, "Title")), level) << size << " pt";
    }
    EXPECT_EQ(outline.LevelOf(Sized(30, std::string(201, 'x'))), 0);

    ConvertOptions options;
    options.outline = &outline;
    const auto tokens = Join({{FontToken{0, 18}}, Para({TextToken{"Section"}}), {FontToken{0, 12}}, Para({TextToken{"Body"}})});
    EXPECT_NE(Convert(Format::Html, tokens, options).find("<h2><span style=\"font-size:18pt\">Section</span></h2>\n<p>Body</p>"),
              std::string::npos);
    EXPECT_NE(Convert(Format::Markdown, tokens, options).find("## Section\n\nBody\n"), std::string::npos);
    EXPECT_EQ(Json::parse(Convert(Format::Json, tokens, options))["blocks"][0]["heading"], 2);
}

TEST(Convert, FramesBecomeImagesOrBoxes) {
    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2};
    ConvertOptions options;
    options.embedImages = true;
    options.frames = [&](const FrameToken& t, bool embed) {
        auto f = std::make_shared<FrameInfo>();
        f->id = t.id, f->width = t.width, f->height = t.height, f->found = true;
        if (t.id == "1") {
            f->format = "png", f->label = "PNG image", f->browserImage = true, f->dataSize = png.size();
            if (embed) f->bytes = std::make_shared<const std::vector<uint8_t>>(png);
        } else {
            f->format = "eps", f->label = "EPS graphic", f->dataSize = 99, f->file = "doc_files/frame-2.eps";
        }
        return std::shared_ptr<const FrameInfo>(f);
    };
    FrameToken image, eps;
    image.id = "1", image.width = 1440, image.height = 720;
    eps.id = "2", eps.width = 2880, eps.height = 1440;
    const auto tokens = Para({TextToken{"See "}, image, TextToken{" and "}, eps});

    std::string html = Convert(Format::Html, tokens, options);
    EXPECT_NE(html.find("<img class=\"frame\" src=\"data:image/png;base64,iVBORw0KGgoBAg==\" alt=\"frame 1 (PNG image)\" "
                        "width=\"96\" height=\"48\">"), std::string::npos) << html;
    EXPECT_NE(html.find("style=\"width:192px;height:96px\">EPS graphic<span>frame 2</span><a href=\"doc_files/frame-2.eps\">"
                        "frame-2.eps</a></span>"), std::string::npos) << html;

    Json json = Json::parse(Convert(Format::Json, tokens, options));
    EXPECT_EQ(json["blocks"][0]["runs"][1], Json({{"type", "frame"}, {"id", "1"}}));
    EXPECT_EQ(json["blocks"][1]["dataSize"], png.size());
    EXPECT_EQ(json["blocks"][1]["file"], nullptr);
    EXPECT_EQ(json["blocks"][2]["format"], "eps");
    EXPECT_EQ(json["blocks"][2]["file"], "doc_files/frame-2.eps");

    EXPECT_NE(Convert(Format::Markdown, tokens, options)
                  .find("See \\[frame 1: PNG image\\] and [frame 2: EPS graphic](doc_files/frame-2.eps)"),
              std::string::npos);
}

}  // namespace
