// The HTML of the sample and of corpus documents with tables and pictures,
// as headless Chromium renders it: the visible text has the words of the
// text output, every picture decoded, every table has the document's column
// count in every row. A harness page loads the converted page in a frame
// and writes what it found into its own DOM, which --dump-dom prints; the
// converted pages themselves run no script.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>

#include "tool/tool_support.h"

namespace {

using namespace tooltest;
using Json = nlohmann::json;
using Browser = ToolTest;

constexpr const char* kHarness = R"(<!DOCTYPE html><meta charset="utf-8"><pre id="result"></pre>
<iframe id="page" src="page.html" style="width:1000px;height:800px"></iframe>
<script>
const frame = document.getElementById('page');
frame.addEventListener('load', () => {
  const d = frame.contentDocument;
  const images = [...d.images].map(i => i.complete ? i.naturalWidth : -1);
  const tables = [...d.querySelectorAll('table')].map(t => [...t.rows].map(r => r.cells.length));
  const plain = d.createElement('style');
  plain.textContent = '* { text-transform: none !important; font-variant: normal !important; }';
  d.head.appendChild(plain);
  d.querySelectorAll('.frame').forEach(e => e.remove());
  document.getElementById('result').textContent = JSON.stringify({images, tables, text: d.body.innerText});
});
</script>
)";

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

// The words of a text, without frame marker lines and the control
// characters that pages leave out.
std::vector<std::string> Words(std::string text) {
    text = std::regex_replace(text, std::regex(R"([\x01-\x08\x0B-\x1F]|\xC2[\x80-\x9F])"), "");
    text = std::regex_replace(text, std::regex(R"(\[frame -?\d+: [0-9.]+ x [0-9.]+ in\])"), " ");
    text = Replace(text, "\xC2\xA0", " ");
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The text of the harness's result element, as --dump-dom escapes it.
std::string ResultText(const std::string& dom) {
    const std::string open = "<pre id=\"result\">";
    size_t start = dom.find(open);
    if (start == std::string::npos) return "";
    start += open.size();
    std::string s = dom.substr(start, dom.find("</pre>", start) - start);
    for (auto [from, to] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", "\xC2\xA0"}, {"&amp;", "&"}}) s = Replace(s, from, to);
    return s;
}

TEST_F(Browser, PagesShowTheTextPicturesAndTables) {
    if (!HaveProgram("chromium")) GTEST_SKIP() << "chromium is not installed";
    struct Case {
        std::string path;
        size_t pictures;  // decoded images the page must show
    };
    std::vector<Case> cases = {{kSample, 1}};
    for (auto [name, pictures] : {std::pair{"mihnita__okapi__ch10_measurementref.mif", 1}, {"mihnita__okapi__test03.mif", 0},
                                  {"matecat__matecat-filters__test.mif", 0}}) {
        if (fs::exists(kCorpus / name)) cases.push_back({(kCorpus / name).string(), static_cast<size_t>(pictures)});
    }
    std::ofstream(dir_ / "harness.html") << kHarness;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        // The sample as one page with embedded pictures, corpus documents
        // with their pictures in files beside the page.
        if (c.path == kSample) {
            ASSERT_EQ(Shell(Tool() + " --to html " + Quote(c.path) + " > " + Quote((dir_ / "page.html").string())).exitCode, 0);
        } else {
            fs::remove_all(dir_ / "out");
            ASSERT_LE(RunTool("--to html --out-dir " + Quote((dir_ / "out").string()) + " " + Quote(c.path)).exitCode, 1);
            for (const auto& e : fs::directory_iterator(dir_ / "out")) {
                fs::path to = dir_ / (e.path().extension() == ".html" ? fs::path("page.html") : e.path().filename());
                fs::remove_all(to);
                fs::rename(e.path(), to);
            }
        }
        Result dom = Shell("timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                           "--disable-background-networking --disable-component-update --disable-sync "
                           "--allow-file-access-from-files --virtual-time-budget=10000 --user-data-dir=" +
                               Quote((dir_ / "profile").string()) + " --dump-dom " + Quote("file://" + (dir_ / "harness.html").string()) + " 2>/dev/null",
                           false);
        std::string result = ResultText(dom.out);
        ASSERT_FALSE(result.empty()) << dom.out.substr(0, 2000);
        Json seen = Json::parse(result);

        std::vector<std::string> want = Words(Shell(Tool() + " " + Quote(c.path), false).out);
        std::vector<std::string> got = Words(seen["text"].get<std::string>());
        auto [g, w] = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
        EXPECT_TRUE(g == got.end() && w == want.end())
            << "the page's words differ from the text's at word " << (g - got.begin()) << ": "
            << (g == got.end() ? "(end)" : *g) << " / " << (w == want.end() ? "(end)" : *w);

        EXPECT_EQ(seen["images"].size(), c.pictures);
        for (const Json& width : seen["images"]) EXPECT_GT(width.get<int>(), 0) << "a picture did not decode";

        std::vector<size_t> columns;
        std::string tokens = Shell(Tool() + " --tokens " + Quote(c.path), false).out;
        const std::regex tableStart(R"(table-start (\d+) cols)");
        for (std::sregex_iterator it(tokens.begin(), tokens.end(), tableStart), end; it != end; ++it) {
            columns.push_back(std::stoul((*it)[1]));
        }
        ASSERT_EQ(seen["tables"].size(), columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            for (const Json& cells : seen["tables"][i]) EXPECT_EQ(cells.get<size_t>(), columns[i]) << "table " << i;
        }
    }
}

}  // namespace
