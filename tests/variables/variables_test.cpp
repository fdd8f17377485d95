#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_host.h"

namespace {

struct Variable {
    std::string name;
    std::string def;  // the VariableDef value as MIF writes it; "-" for none
};

std::string Catalog(const std::vector<Variable>& vars) {
    std::string s = "<VariableFormats \n";
    for (const Variable& v : vars) {
        s += " <VariableFormat \n  <VariableName `" + v.name + "'>\n";
        if (v.def != "-") s += "  <VariableDef `" + v.def + "'>\n";
        s += " > # end of VariableFormat\n";
    }
    return s + "> # end of VariableFormats\n";
}

std::string Reference(const std::string& name) {
    return "   <Variable \n    <VariableName `" + name + "'>\n    <Unique 12>\n   > # end of Variable\n";
}

// A body page (rectangle 7) and a master page (rectangle 9).
const char* kPages =
    "<Page \n <PageType BodyPage>\n <TextRect \n  <ID 7>\n > # end of TextRect\n> # end of Page\n"
    "<Page \n <PageType LeftMasterPage>\n <TextRect \n  <ID 9>\n > # end of TextRect\n> # end of Page\n";

std::string Document(const std::string& catalog, const std::string& lineContent, int rect = 7) {
    return "<MIFFile 5.00> # variables\n" + catalog + kPages + "<TextFlow \n <Para \n  <ParaLine \n   <TextRectID " +
           std::to_string(rect) + ">\n" + lineContent + "  > # end of ParaLine\n > # end of Para\n> # end of TextFlow\n";
}

// Text tokens and tab tokens, in order.
std::vector<std::string> TextTrace(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> out;
    for (const testhost::Token& t : testhost::BodyTokens(bytes)) {
        if (t.code == MIF_TOKEN_TEXT) {
            EXPECT_EQ(t.U32(0), t.payload.size() - 4);
            out.push_back(t.Text());
        } else if (t.code == MIF_TOKEN_TAB) {
            out.push_back("<tab>");
        }
    }
    return out;
}

struct ReferenceCase {
    const char* name;
    std::vector<Variable> vars;
    std::vector<std::string> references;
    std::vector<std::string> expected;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.name; }

class VariableReferences : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(VariableReferences, WriteTheStoredDefinitionText) {
    const ReferenceCase& c = GetParam();
    std::string line;
    for (const std::string& r : c.references) line += Reference(r);
    testhost::TestHost host;
    auto run = host.ReadDocument(Document(Catalog(c.vars), line));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(run.percents.back(), 100u);
    EXPECT_EQ(TextTrace(run.tokens), c.expected);
    EXPECT_EQ(host.allocator.live, 0);
}

const std::vector<Variable> kXYZ = {{"X", "ex"}, {"Y", "why"}, {"Z", "zed"}};

INSTANTIATE_TEST_SUITE_P(
    Catalog, VariableReferences,
    ::testing::Values(
        ReferenceCase{"BlocksInsideText", {{"Pages", "Page <$curpagenum\\> of <$lastpagenum\\>"}}, {"Pages"},
                      {"Page  of "}},
        ReferenceCase{"SingleBlockIsEmpty", {{"Date", "<$daynum\\>"}}, {"Date"}, {""}},
        ReferenceCase{"BlocksAroundPunctuation", {{"D", "<$monthname\\> <$daynum\\>, <$year\\>"}}, {"D"}, {" , "}},
        ReferenceCase{"AdjacentBlocksLeaveNothing", {{"A", "x<$a\\><$b\\>y"}}, {"A"}, {"xy"}},
        ReferenceCase{"UnclosedBlockDropsTheRest", {{"U", "keep <lost"}}, {"U"}, {"keep "}},
        ReferenceCase{"ReferencesFindTheirOwnDefinition", kXYZ, {"Y", "Z", "X"}, {"why", "zed", "ex"}},
        ReferenceCase{"UnknownNameTakesTheLastDefined", kXYZ, {"Nope", "Y"}, {"zed", "why"}},
        ReferenceCase{"NamesCompareCaseSensitively", kXYZ, {"x"}, {"zed"}},
        ReferenceCase{"EscapedBackslashStaysOnEveryReference", {{"B", "a\\\\tb"}}, {"B", "B", "B"},
                      {"a\\tb", "a\\tb", "a\\tb"}},
        ReferenceCase{"TabEscapeWritesATabEachTime", {{"T", "a\\tb"}}, {"T", "T"}, {"<tab>", "a b", "<tab>", "a b"}},
        ReferenceCase{"OtherEscapesAreDecoded", {{"E", "\\Qq\\q \\> \\x8a "}}, {"E"}, {"`q' > \xE4"}},
        ReferenceCase{"NameWithoutDefinitionWritesNothing", {{"X", "ex"}, {"Empty", "-"}}, {"Empty", "X", "Empty"},
                      {"ex"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VariableCatalog, SecondDefinitionOfTheSameEntryReplacesTheFirst) {
    std::string catalog = "<VariableFormats \n <VariableFormat \n  <VariableName `R'>\n  <VariableDef `one'>\n"
                          "  <VariableDef `two<$x\\>'>\n > # end of VariableFormat\n> # end of VariableFormats\n";
    testhost::TestHost host;
    auto run = host.ReadDocument(Document(catalog, Reference("R")));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(TextTrace(run.tokens), std::vector<std::string>{"two"});
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(VariableCatalog, ReferencesOutsideReportedFlowsWriteNothing) {
    testhost::TestHost host;
    auto run = host.ReadDocument(Document(Catalog(kXYZ), Reference("X") + "   <String `s'>\n", 9));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_TRUE(TextTrace(run.tokens).empty());
}

TEST(VariableCatalog, ReferenceInsideNotesIsWrittenInAReportedFlow) {
    std::string line = "   <Notes \n" + Reference("Y") + "   > # end of Notes\n   <String `s'>\n";
    testhost::TestHost host;
    auto run = host.ReadDocument(Document(Catalog(kXYZ), line));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(TextTrace(run.tokens), (std::vector<std::string>{"why", "s"}));
}

struct FailCase {
    const char* name;
    std::string document;
};

void PrintTo(const FailCase& c, std::ostream* os) { *os << c.name; }

class VariableFailures : public ::testing::TestWithParam<FailCase> {};

TEST_P(VariableFailures, FillEndsWithStatusFour) {
    testhost::TestHost host;
    auto run = host.ReadDocument(GetParam().document);
    EXPECT_EQ(run.status, MIF_STATUS_SCAN_FAILED);
    EXPECT_EQ(host.StatusWord(), 4u);
    EXPECT_EQ(host.allocator.live, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Catalog, VariableFailures,
    ::testing::Values(FailCase{"ReferenceWithEmptyCatalog", Document("", Reference("X"))},
                      FailCase{"DefinitionWithEmptyCatalog",
                               Document("<VariableFormats \n <VariableDef `x'>\n> # end of VariableFormats\n", "")},
                      FailCase{"NameWithoutPlainValue",
                               Document("<VariableFormats \n <VariableName <Unique 1>>\n> # end of VariableFormats\n",
                                        "")},
                      FailCase{"DefinitionWithoutPlainValue",
                               Document(Catalog(kXYZ) + "<VariableDef <Unique 1>>\n", "")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VariableCatalog, EmptyValuesNeitherFailNorReadOutsideTheirStatement) {
    // "<VariableName >" and "<VariableDef >": empty name and definition.
    std::string catalog = "<VariableFormats \n <VariableFormat \n  <VariableName >\n  <VariableDef >\n"
                          " > # end of VariableFormat\n> # end of VariableFormats\n";
    testhost::TestHost host;
    auto run = host.ReadDocument(Document(catalog, "   <Variable \n    <VariableName >\n   >\n"));
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(TextTrace(run.tokens), std::vector<std::string>{""});
    EXPECT_EQ(host.allocator.live, 0);
}

TEST(VariableCatalog, EveryAllocationFailureIsCleanAndLeakFree) {
    std::string doc = Document(Catalog({{"X", "ex <$a\\>"}, {"Y", "-"}, {"Z", "a\\tb"}}),
                               Reference("X") + Reference("Z") + Reference("Y") + Reference("X"));
    testhost::TestHost counting;
    auto full = counting.ReadDocument(doc);
    ASSERT_EQ(full.status, MIF_STATUS_OK);
    ASSERT_EQ(TextTrace(full.tokens), (std::vector<std::string>{"ex ", "<tab>", "a b", "ex "}));
    for (long k = 1; k <= counting.allocator.count; ++k) {
        testhost::TestHost host;
        host.allocator.failAt = k;
        auto run = host.ReadDocument(doc);
        SCOPED_TRACE("allocation " + std::to_string(k));
        EXPECT_EQ(host.allocator.live, 0);
        bool wellFormed = false;
        testhost::SplitTokens(run.tokens, &wellFormed);
        EXPECT_TRUE(wellFormed);
    }
}

}  // namespace
