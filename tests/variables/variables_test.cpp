// Variable definitions and the text their references write.
#include <gtest/gtest.h>

#include <tuple>

#include "fuzz/careful_host.h"
#include "support/test_host.h"

namespace {

using Strings = std::vector<std::string>;

// Name and definition pairs; a definition "-" leaves the VariableDef out.
std::string Catalog(const std::vector<std::pair<std::string, std::string>>& vars) {
    std::string s = "<VariableFormats \n";
    for (const auto& [name, def] : vars)
        s += " <VariableFormat <VariableName `" + name + "'>" + (def == "-" ? "" : " <VariableDef `" + def + "'>") +
             ">\n";
    return s + ">\n";
}

std::string Ref(const std::string& name) { return "   <Variable <VariableName `" + name + "'> <Unique 12>>\n"; }

// One line in text rectangle 7 of a body page; rectangle 9 lies on a master page.
using testhost::LineDoc;

// Text tokens (with their count checked) and tab tokens, in order.
Strings TextTrace(const std::vector<uint8_t>& bytes) {
    Strings out;
    for (const testhost::Token& t : testhost::BodyTokens(bytes)) {
        if (t.code == MIF_TOKEN_TEXT) out.push_back(t.U32(0) == t.payload.size() - 4 ? t.Text() : "bad count");
        if (t.code == MIF_TOKEN_TAB) out.push_back("<tab>");
    }
    return out;
}

const std::string kXYZ = Catalog({{"X", "ex"}, {"Y", "why"}, {"Z", "zed"}});
std::string V(const std::string& def) { return Catalog({{"V", def}}); }  // one variable, V
const std::string kS = "   <String `s'>\n";

TEST(Variables, ReferencesWriteTheDefinitionWithoutItsBuildingBlocks) {
    // Name, catalog, line, the text written; a failing document (status 4) ends with "failed".
    using Case = std::tuple<const char*, std::string, std::string, Strings>;
    for (const auto& [name, catalog, line, expected] : {
             Case{"BlocksInsideText", V("Page <$curpagenum\\> of <$lastpagenum\\>"), Ref("V"), {"Page  of "}},
             Case{"SingleBlockIsEmpty", V("<$daynum\\>"), Ref("V"), {""}},
             Case{"BlocksAroundPunctuation", V("<$monthname\\> <$daynum\\>, <$year\\>"), Ref("V"), {" , "}},
             Case{"AdjacentBlocks", V("x<$a\\><$b\\>y"), Ref("V"), {"xy"}},
             Case{"UnclosedBlockStopsAtTheEnd", V("keep <lost"), Ref("V"), {"keep "}},
             Case{"EachFindsItsOwn", kXYZ, Ref("Y") + Ref("Z") + Ref("X"), {"why", "zed", "ex"}},
             // A name not in the catalog (names compare case-sensitively) resolves to the last one defined.
             Case{"UnknownNameTakesTheLast", kXYZ, Ref("Nope") + Ref("x"), {"zed", "zed"}},
             Case{"NoDefinitionWritesNothing", Catalog({{"X", "ex"}, {"E", "-"}}), Ref("E") + Ref("X") + Ref("E"),
                  {"ex"}},
             Case{"EscapedBackslashOnEveryReference", V("a\\\\tb"), Ref("V") + Ref("V"), {"a\\tb", "a\\tb"}},
             Case{"TabOnEveryReference", V("a\\tb"), Ref("V") + Ref("V"), {"<tab>", "a b", "<tab>", "a b"}},
             Case{"LaterDefinitionReplaces", V("1") + "<VariableDef `2<$x\\>'>\n", Ref("V"), {"2"}},
             Case{"MasterPageWritesNothing", kXYZ, "   <TextRectID 9>\n" + Ref("X") + kS, {}},
             Case{"NotesInBodyFlowWrite", kXYZ, "   <Notes \n" + Ref("Y") + "   >\n" + kS, {"why", "s"}},
             Case{"ReferenceWithoutCatalog", "", Ref("X") + kS, {"failed"}},
             Case{"DefinitionWithoutCatalog", "<VariableFormats <VariableDef `x'>>\n", "", {"failed"}},
             Case{"NameWithoutValue", "<VariableFormats <VariableName <Unique 1>>>\n", "", {"failed"}},
             Case{"DefinitionWithoutValue", kXYZ + "<VariableDef <Unique 1>>\n", "", {"failed"}},
         }) {
        SCOPED_TRACE(name);
        testhost::TestHost host;
        auto run = host.ReadDocument(LineDoc(catalog, line));
        Strings written = TextTrace(run.tokens);
        if (run.status == MIF_STATUS_SCAN_FAILED) written.push_back(host.StatusWord() == 4 ? "failed" : "word");
        EXPECT_EQ(written, expected);
        EXPECT_TRUE(run.status != MIF_STATUS_OK || run.percents.back() == 100u);
        EXPECT_EQ(mifcheck::SweepRefusals(mifcheck::LinkedModule(), LineDoc(catalog, line), {}), "");
    }
}

}  // namespace

namespace {

// A reference flushes pending formats before its text, even when the
// variable has no definition and so writes no text at all.
TEST(Variables, ReferenceFlushesPendingFormatsFirst) {
    for (const char* def : {"abc", "-"}) {
        testhost::TestHost host;
        auto run = host.ReadDocument(LineDoc(V(def), "   <Font <FSize 14>>\n" + Ref("V")));
        ASSERT_EQ(run.status, MIF_STATUS_OK) << def;
        std::vector<uint8_t> codes;
        for (const testhost::Token& t : testhost::BodyTokens(run.tokens)) codes.push_back(t.code);
        std::vector<uint8_t> expected = {MIF_TOKEN_PARA_FORMAT, MIF_TOKEN_FONT};
        if (std::string(def) != "-") expected.push_back(MIF_TOKEN_TEXT);
        expected.insert(expected.end(), {MIF_TOKEN_LINE_BREAK, MIF_TOKEN_PARA_START});
        EXPECT_EQ(codes, expected) << def;
    }
}

}  // namespace
