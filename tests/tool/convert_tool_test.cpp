// mifread converting as a user runs it: standard input, refused memory,
// batches with bad documents among good ones, truncated documents, and the
// corpus in every format with one and two workers (JSON checked against its
// schema).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <regex>

#include "tool/tool_support.h"

namespace {

using namespace tooltest;
using Json = nlohmann::json;
using ConvertTool = ToolTest;

const char* const kFormats[] = {"text", "html", "markdown", "json"};

// The sample's text flow repeated until the document is at least size bytes.
std::string LargeDocument(size_t size) {
    std::string sample = ReadFile(kSample);
    size_t flow = sample.find("<TextFlow");
    size_t end = sample.find("> # end of TextFlow", flow);
    std::string head = sample.substr(0, flow);
    std::string body = sample.substr(sample.find("<Para", flow), end - sample.find("<Para", flow));
    std::string doc = head + "<TextFlow\n <TFTag `A'>\n";
    while (doc.size() < size) doc += body;
    return doc + "> # end of TextFlow\n";
}

TEST_F(ConvertTool, StandardInputIsReadLikeAFile) {
    for (const char* format : kFormats) {
        Result file = Shell(Tool() + " --to " + format + " " + Quote(kSample), false);
        Result piped = Shell("cat " + Quote(kSample) + " | " + Tool() + " --to " + format + " -", false);
        ASSERT_EQ(piped.exitCode, 0) << format;
        std::string want = std::regex_replace(file.out, std::regex("sample"), "standard input");
        EXPECT_EQ(piped.out, want) << format;  // only the title differs
    }
    // Past the in-memory limit the input goes to a temporary file; the
    // reader's seeks back for tables must read the same bytes there.
    const fs::path big = dir_ / "big.mif";
    std::ofstream(big) << LargeDocument(70u << 20);
    Result file = Shell(Tool() + " --raw " + Quote(big.string()) + " | md5sum", false);
    Result piped = Shell(Tool() + " --raw - < " + Quote(big.string()) + " | md5sum", false);
    EXPECT_EQ(piped.out, file.out);
}

// For every allocation the sample needs, in plain text and in HTML (which
// also reads the frame's object): refusing it must never end in silence.
// Refusing the object read's block lets the reader end cleanly with the
// picture missing: then the refusal is the only message.
TEST_F(ConvertTool, RefusedMemoryIsReported) {
    for (const char* format : {"text", "html"}) {
        bool cleanEnd = false;
        uint64_t k = 1;
        for (;; ++k) {
            Result r = Shell("MIFREAD_REFUSE_ALLOCATION=" + std::to_string(k) + " " + Tool() + " --to " + format + " " +
                             Quote(kSample) + " 2>&1 >/dev/null", false);
            if (r.exitCode == 0) break;
            ASSERT_EQ(r.exitCode, 1) << format << " " << k;
            ASSERT_NE(r.out.find("the host refused memory the reader asked for (1 request); the output may be incomplete"),
                      std::string::npos) << format << " " << k << ": " << r.out;
            cleanEnd = cleanEnd || std::count(r.out.begin(), r.out.end(), '\n') == 1;
            ASSERT_LT(k, 100000u);
        }
        EXPECT_GT(k, 20u) << format;
        EXPECT_TRUE(cleanEnd || std::string(format) == "text") << "no refusal let the reader end cleanly";
    }
    EXPECT_EQ(RunTool("--help").out.find("MIFREAD_REFUSE"), std::string::npos);

    // An absurd count asks for blocks beyond the host's limit: refused and
    // said so, instead of taking gigabytes.
    const fs::path tabs = dir_ / "tabs.mif";
    std::ofstream(tabs) << "<MIFFile 7.00>\n<Para <PgfNumTabs 200000000> <ParaLine <String `x'>>>\n";
    Result r = RunTool(Quote(tabs.string()));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("(2 requests, larger than 64 MiB)"), std::string::npos) << r.out;
}

// Font faces come from the document in its own encoding, the title from a
// file name that need not be UTF-8: both reach the page as UTF-8.
TEST_F(ConvertTool, FaceNamesAndTitleAreUtf8) {
    std::string doc = ReadFile(kSample);
    for (size_t at; (at = doc.find("Times New Roman")) != std::string::npos;) doc.replace(at, 15, "M\xF6" "bius");
    const fs::path file = dir_ / "caf\xE9.mif";
    std::ofstream(file, std::ios::binary) << doc;
    Result html = RunTool("--to html " + Quote(file.string()));
    ASSERT_EQ(html.exitCode, 0) << html.out;
    EXPECT_NE(html.out.find("M\xC3\xB6" "bius"), std::string::npos);
    EXPECT_EQ(html.out.find("M\xF6"), std::string::npos);
    EXPECT_NE(html.out.find("<title>caf\xEF\xBF\xBD</title>"), std::string::npos);
    EXPECT_NE(RunTool("--to json " + Quote(file.string())).out.find("M\xC3\xB6" "bius"), std::string::npos);
}

TEST_F(ConvertTool, BatchReportsBadDocumentsAndConvertsTheRest) {
    const fs::path in = dir_ / "in", out = dir_ / "out";
    fs::create_directories(in / "sub");
    fs::copy_file(kSample, in / "sample.mif");
    fs::copy_file(kSample, in / "sub" / "Second.MIF");
    std::ofstream(in / "notes.txt") << "not looked at\n";
    std::ofstream(in / "bad.mif") << "just some text\n";
    fs::create_symlink(in / "missing.mif", in / "broken.mif");

    Result r = RunTool("--to html --out-dir " + Quote(out.string()) + " -j 2 " + Quote(in.string()));
    EXPECT_EQ(r.exitCode, 1) << r.out;
    std::vector<std::string> lines;
    std::istringstream s(r.out);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end() - 1);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "mifread: " + (in / "bad.mif").string() + ": not a MIF file");
    EXPECT_EQ(lines[1], "mifread: " + (in / "broken.mif").string() + ": cannot open: No such file or directory");
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(mifread: 4 documents, 0\.0 MB in .* s \(.*\), 2 failed)"))) << lines[2];

    EXPECT_NE(ReadFile(out / "sample.html").find("<img class=\"frame\" src=\"sample_files/frame-12.gif\""), std::string::npos);
    EXPECT_EQ(ReadFile(out / "sample_files" / "frame-12.gif").substr(0, 6), "GIF89a");
    EXPECT_TRUE(fs::exists(out / "sub" / "Second.html"));
    EXPECT_FALSE(fs::exists(out / "bad.html"));
    EXPECT_FALSE(fs::exists(out / "notes.html"));
}

TEST_F(ConvertTool, TruncatedDocumentConvertsWhatItHolds) {
    const std::string sample = ReadFile(kSample);
    for (size_t percent : {35, 60, 80, 95}) {
        const fs::path cut = dir_ / ("cut" + std::to_string(percent) + ".mif");
        std::ofstream(cut) << sample.substr(0, sample.size() * percent / 100);
        for (const char* format : kFormats) {
            Result r = Shell(Tool() + " --to " + format + " " + Quote(cut.string()) + " 2>/dev/null", false);
            ASSERT_LE(r.exitCode, 1) << format << " at " << percent << "%";
            if (std::string(format) == "json") {
                EXPECT_TRUE(Json::accept(r.out)) << percent << "%";
            } else if (std::string(format) == "html") {
                EXPECT_TRUE(r.out.ends_with("</body>\n</html>\n")) << percent << "%";
            }
        }
    }
}

// The whole corpus in every format: the same outputs with one worker and
// two, and every JSON output valid against the documented schema.
TEST_F(ConvertTool, CorpusConvertsTheSameWithOneOrTwoWorkers) {
    if (!fs::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
    for (const char* format : kFormats) {
        const fs::path one = dir_ / format / "j1", two = dir_ / format / "j2";
        Result r1 = RunTool(std::string("--to ") + format + " --out-dir " + Quote(one.string()) + " -j 1 " + Quote(kCorpus.string()));
        Result r2 = RunTool(std::string("--to ") + format + " --out-dir " + Quote(two.string()) + " -j 2 " + Quote(kCorpus.string()));
        EXPECT_EQ(r1.exitCode, r2.exitCode);
        EXPECT_EQ(r1.out.substr(0, r1.out.rfind("mifread: ")), r2.out.substr(0, r2.out.rfind("mifread: "))) << "the same failures";
        size_t files = 0;
        for (const auto& e : fs::recursive_directory_iterator(one)) {
            if (!e.is_regular_file()) continue;
            ++files;
            EXPECT_EQ(ReadFile(e.path()), ReadFile(two / e.path().lexically_relative(one))) << e.path();
        }
        EXPECT_GE(files, 80u) << format;
    }
    // python3 with jsonschema (Debian's python3-jsonschema) validates them all.
    std::string python;
    for (const char* p : {"python3", "/usr/bin/python3"}) {
        if (Shell(std::string(p) + " -c 'import jsonschema'").exitCode == 0) python = p;
    }
    if (python.empty()) GTEST_SKIP() << "no python3 with jsonschema";
    Result v = Shell(python + " -c '"
                     "import json, sys, pathlib, jsonschema\n"
                     "check = jsonschema.Draft7Validator(json.load(open(sys.argv[1])))\n"
                     "files = sorted(pathlib.Path(sys.argv[2]).rglob(\"*.json\"))\n"
                     "bad = [f\"{f}: {e.message[:200]}\" for f in files for e in check.iter_errors(json.load(open(f)))]\n"
                     "print(len(files), \"files\", *bad[:5], sep=\"\\n\")\n"
                     "sys.exit(1 if bad or not files else 0)' " +
                     Quote(std::string(MIF_SAMPLES_DIR) + "/../docs/json-format.schema.json") + " " +
                     Quote((dir_ / "json" / "j2").string()));
    EXPECT_EQ(v.exitCode, 0) << v.out;
}

}  // namespace
