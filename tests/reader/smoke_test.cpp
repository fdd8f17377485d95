#include <gtest/gtest.h>

#include "support/test_host.h"

namespace {

TEST(DocumentRun, MinimalDocumentReachesTheEndWithHeaderTokens) {
    testhost::TestHost host;
    auto run = host.ReadDocument("<MIFFile 5.00> # comment\n<Units Uin>\n# End of MIFFile\n");
    ASSERT_EQ(run.status, MIF_STATUS_OK);
    ASSERT_EQ(run.percents.back(), 100u);
    ASSERT_EQ(run.tokens.size(), 53u);
    auto tokens = testhost::SplitTokens(run.tokens);
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].code, MIF_TOKEN_PAGE);
    EXPECT_EQ(tokens[1].code, MIF_TOKEN_LINE_SPACING);
    EXPECT_EQ(tokens[2].code, MIF_TOKEN_CHARSET);
    EXPECT_EQ(host.allocator.live, 0);
}

}  // namespace
