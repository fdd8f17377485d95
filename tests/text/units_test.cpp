#include <gtest/gtest.h>

#include <climits>

#include "text/units.h"
#include "text_support.h"

namespace {

struct UnitCase {
    const char* text;
    int32_t factor;
    int32_t twips;
};

TEST(Units, FactorAndTwipsOfEveryWrittenForm) {
    const UnitCase cases[] = {
        {"0.5\"", 1440, 720},
        {"1.5", 1440, 2160},
        {"1 in", 1440, 1440},
        {"2.54 cm", 567, 1440},  // 1440.18 truncated
        {"1 centimeter", 567, 567},
        {"0.1 mm", 57, 5},
        {"10 millimeter", 57, 570},
        {"12.0 pt", 20, 240},
        {"12pt", 20, 240},
        {"2 point", 20, 40},
        {"1 pica", 240, 240},
        {"1 pc", 240, 240},
        {"1 dd", 21, 21},
        {"2 didot", 21, 42},
        {"1.0 cc", 256, 256},
        {"1 cicero", 256, 256},
        {"-0.5 cm", 567, -283},  // truncated toward zero
        {"-1.99 pt", 20, -39},
        {"3 CM", 1440, 4320},    // written forms are case-sensitive
        {"5 points", 1440, 7200},
        {"5 inch", 1440, 7200},
        {"21.0 cm 29.7 cm", 567, 11907},  // a list: the first unit word counts
        {"8.5\" 11.0\"", 1440, 12240},
        {"  .25 pt", 20, 5},
        {"", 1440, 0},
        {"abc", 1440, 0},
        {"cm", 567, 0},
        {"1e2 pt", 1440, 144000},  // the exponent letter starts the unit word
    };
    for (const UnitCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(mif::ParseUnitFactor(c.text), c.factor);
        EXPECT_EQ(mif::MeasureTwips(c.text), c.twips);
    }
}

TEST(Units, OnlyTheFirst79BytesAreRead) {
    // 78 digits and blanks, then "cm": the unit word is cut to "c".
    std::string text(77, ' ');
    text = "1" + text + "cm";
    ASSERT_EQ(text.size(), 80u);
    EXPECT_EQ(mif::ParseUnitFactor(text.c_str()), 1440);
    std::string shorter = "1" + std::string(76, ' ') + "cm";
    EXPECT_EQ(mif::ParseUnitFactor(shorter.c_str()), 567);
}

TEST(Units, ConversionSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(mif::MeasureTwips("1e30 pt"), INT32_MAX);
    EXPECT_EQ(mif::MeasureTwips("-1e30"), INT32_MIN);
    EXPECT_EQ(mif::TruncateToInt32(-0.9), 0);
}

TEST(Units, DocumentUnitDoesNotChangeLengthsWithoutAUnit) {
    // A page size without units after <Units Ucm> is still read in inches.
    testhost::TestHost host;
    mif::ReaderContext* ctx = host.Open("<MIFFile 5.00>\n<Units Ucm>\n<Page <PageSize  2.0 3.0>>\n");
    ASSERT_NE(ctx, nullptr);
    auto run = testhost::TestHost::Drain(ctx);
    EXPECT_EQ(run.status, MIF_STATUS_OK);
    EXPECT_EQ(ctx->pageWidth, 2880);
    EXPECT_EQ(ctx->pageHeight, 4320);
    mifFreeContext(ctx);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
