// Both catalogs as documents see them: a definition is recorded once per
// tag, with the statements nested in it, and applied at its close and
// wherever its tag is named again. (Refused allocations in catalogs, tab
// stops and flushes: the allocation sweep over the sample and the corpus.)
#include <random>
#include <tuple>

#include "formats/format_rules.h"
#include "formats/properties.h"
#include "formats_support.h"

using namespace formattest;

namespace {

// Tags match exactly (case counts). A second definition of a tag applies the
// first and records nothing: what follows it acts directly, and applying the
// tag later leaves it alone. What a definition records is applied again by
// its tag: its nested values (decoded), including those inside PgfFont and
// TabStop; a statement before the tag acts at once and is not recorded.
TEST(Catalog, OneDefinitionPerTagWithItsNestedStatements) {
    const std::tuple<std::string, uint8_t, Texts, Texts> cases[] = {  // document, code (0xFF: all), tokens, faces
        {LineDoc("<PgfCatalog <Pgf <PgfTag `Body'> <PgfFIndent 1\">> <Pgf <PgfTag `body'> "
                 "<PgfFIndent 2\">> <Pgf <PgfTag `Body'> <PgfLIndent 3\">>>",
                 "<String `a'> <PgfTag `body'> <String `b'> <PgfLIndent 0.5\"> <PgfTag `Body'> <String `c'>"),
         MIF_TOKEN_PARA_FORMAT, {"1/13 4320 1440 1440 0", "1/13 4320 1440 2880 0", "1/13 720 1440 1440 0"}, {}},
        // Fonts alike; the Red after the second E acted directly, so E leaves Blue alone.
        {LineDoc("<FontCatalog <Font <FTag `E'> <FSize 14 pt>> <Font <FTag `X'> <FSize 8 pt>> "
                 "<Font <FTag `E'> <FColor Red>> <Font <FTag `'>> <Font <FTag `'>>>",
                 "<Font <FTag `X'>> <String `a'> <Font <FColor Blue>> <Font <FTag `E'>> <String `b'>"),
         0xFF, {"1/13 1440 1440 0 0", "15/8 0 8", "19/5 0 0xff", "0 a", "15/8 0 14", "19/5 0 0xff0000", "0 b", "14/0", "13/0"}, {}},
        {LineDoc("<PgfCatalog <Pgf <PgfRIndent 2\"> <PgfTag `Body'> <PgfFIndent 0.5\"> <PgfFont <FTag `'> "
                 "<FFamily `X\\\\Y\\>'> <FSize 10.0 pt>> <PgfNumTabs 1> <TabStop <TSX 1.0\"> "
                 "<TSType Center>> <PgfAlignment Center>>>",
                 "<PgfRIndent 0.25\"> <PgfFIndent 0\"> <PgfAlignment Left> <PgfNumTabs 0> "
                 "<Font <FSize 20 pt>> <PgfTag `Body'> <String `a'>"),
         0xFF, {"1/13 1440 360 720 2", "15/8 0 10", "2/9 1 2 1440", "0 a", "14/0", "13/0"}, {"X\\Y>"}},
        // A tag in a Para outside a Pgf opens an entry that the next Pgf fills.
        {BodyDoc("", "<Para <PgfTag `New'> <Pgf <PgfFIndent 1\"> <PgfAlignment Center>> <ParaLine >> "
                     "<Para <PgfFIndent 0\"> <PgfAlignment Left> <PgfTag `New'> <ParaLine <TextRectID 7> <String `a'>>>"),
         MIF_TOKEN_PARA_FORMAT, {"1/13 1440 1440 1440 2"}, {}},
        {LineDoc("<FontCatalog <Font <FTag `Em'> <FAngle `Italic'> <FLocked No> <FSize 14.0 pt>>>",
                 "<Font <FAngle Regular> <FSize 9 pt>> <Font <FTag `Em'>> <String `a'>"),
         0xFF, {"1/13 1440 1440 0 0", "15/8 0 14", "4/4 0x8002", "0 a", "4/4 0x2", "14/0", "13/0"}, {}},
    };
    for (const auto& [document, only, tokens, faces] : cases) {
        Texts fonts;
        EXPECT_EQ(Body(document, only, &fonts), tokens) << document;
        EXPECT_EQ(fonts, faces) << document;
    }
}

// The faces a context asks the host for, each with the allocations made before it.
struct HostCalls {
    Texts faces;
    const mifhost::Allocator* allocator = nullptr;
    uint64_t before = 0;
    uint64_t Allocations() const { return allocator->stats().allocations - before; }
};
int32_t RecordFace(void* handle, int32_t, void* record) {
    auto* calls = static_cast<HostCalls*>(handle);
    calls->faces.push_back(std::string(static_cast<char*>(record) + MIF_LOGFONT_FACE_NAME_OFFSET) + " after " +
                           std::to_string(calls->Allocations()));
    return static_cast<int32_t>(calls->faces.size());
}

// What applying can change, as text.
std::string StateOf(const mif::FormatState& s, int changed) {
    std::string t = std::string(s.fontFamily) + "|";
    for (int32_t v : {s.firstIndent, s.leftIndent, s.rightIndent, s.spaceBefore, s.spaceAfter, s.fontSize,
                      static_cast<int32_t>(s.textColor), static_cast<int32_t>(s.alignment),
                      static_cast<int32_t>(s.leadingClass), static_cast<int32_t>(s.charAttributes),
                      static_cast<int32_t>(s.fontIndex), s.tabCount, s.tabPositionsFilled, s.tabTypesFilled, changed}) {
        t += std::to_string(v) + " ";
    }
    for (int32_t i = 0; i < s.tabCount; ++i) t += std::to_string(s.tabPositions[i]) + "/" + std::to_string(s.tabTypes[i]) + " ";
    return t;
}

// An entry applied whole (from its fold, where it can be) leaves the state
// and the changed flag as its properties stored one by one do, and makes
// the same host calls in the same order: random entries over every kind of
// property, onto random states.
TEST(Catalog, ApplyingAnEntryEqualsStoringEachProperty) {
    using mif::Keyword;
    static const std::pair<Keyword, std::vector<int32_t>> kValues[] = {
        {Keyword::PgfAlignment, {-1, 0, 2}}, {Keyword::PgfLeading, {0, 2}},     {Keyword::PgfFIndent, {0, 720}},
        {Keyword::PgfLIndent, {1440, -5}},   {Keyword::PgfRIndent, {0}},        {Keyword::PgfSpAfter, {3}},
        {Keyword::PgfNumTabs, {0, 1, 2, 3, 60}}, {Keyword::TSX, {100, 200}},    {Keyword::TSType, {1, 2}},
        {Keyword::FWeight, {0, 1}},          {Keyword::FSize, {9, 12}},         {Keyword::FFamily, {0x10, 0}},
        {Keyword::FAngle, {0, 1}},           {Keyword::FUnderline, {0, 1}},     {Keyword::FStrike, {1}},
        {Keyword::FColor, {0, 0xFF}},        {Keyword::FPosition, {0, 1, 2, 3}}, {Keyword::FSubScript, {0, 1}},
        {Keyword::FCase, {0, 1, 2, 3}},      {Keyword::FPlain, {0, 1}},          {Keyword::FBold, {1, 0}},
    };
    static char kFaces[2][8] = {"Roman", "Arial"};
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 3000; ++round) {
        std::vector<mif::RecordedProperty> properties(pick(9));
        for (mif::RecordedProperty& p : properties) {
            const auto& [keyword, values] = kValues[pick(std::size(kValues))];
            p = {static_cast<uint8_t>(keyword), values[pick(values.size())], keyword == Keyword::FFamily ? kFaces[pick(2)] : nullptr};
        }
        mif::CatalogEntry entry{};
        entry.properties = properties.data();
        entry.propertyCount = static_cast<uint32_t>(properties.size());
        // The same random state in both contexts, tab stops included.
        Reading folded(Doc("")), stepwise(Doc(""));
        HostCalls calls[2];
        std::string results[2];
        const uint32_t start = random();
        int i = 0;
        for (Reading* r : {&folded, &stepwise}) {
            std::mt19937 state(start);
            r->ctx->hostCallback = &RecordFace;
            r->ctx->hostHandle = &calls[i];
            r->ctx->inBodyFlow = state() % 2;
            mif::FormatState& s = r->cur();
            s.charAttributes = state() % 256;
            r->ctx->lastEmitted.charAttributes = state() % 256;
            s.fontSize = r->ctx->lastEmitted.fontSize = 12;
            s.alignment = state() % 3;
            std::snprintf(r->ctx->lastEmitted.fontFamily, mif::kNameField, "%s", kFaces[state() % 2]);
            ASSERT_TRUE(mif::SetTabCapacity(r->ctx, static_cast<int32_t>(state() % 3)));
            if (state() % 2) mif::SetTabCapacity(r->ctx, 1);
            calls[i].allocator = &r->host.allocator;
            calls[i].before = r->host.allocator.stats().allocations;
            int changed = 0;
            const int result = r == &folded ? mif::ApplyRecordedProperties(r->ctx, &entry, &changed)
                                            : mif::StoreRecordedProperties(r->ctx, properties.data(), entry.propertyCount, &changed);
            results[i] = std::to_string(result) + " " + StateOf(s, changed) + std::to_string(calls[i].Allocations());
            ++i;
        }
        ASSERT_EQ(results[0], results[1]) << "round " << round;
        ASSERT_EQ(calls[0].faces, calls[1].faces) << "round " << round;
    }
}

}  // namespace
