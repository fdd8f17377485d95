// Real documents: each is read to the end, or stops on a statement that is
// not a format statement, without leaking.
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "formats_support.h"

using namespace formattest;

namespace {

bool IsFormatKeyword(const std::string& k) {
    return k.rfind("Pgf", 0) == 0 || k == "TabStop" || k == "TSX" || k == "TSType" || k == "Font" ||
           k == "FontCatalog" || (k.size() > 1 && k[0] == 'F' && std::isupper(static_cast<unsigned char>(k[1])));
}

TEST(Corpus, EveryDocumentFinishesOrStopsOutsideFormats) {
    std::vector<std::filesystem::path> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(MIF_CORPUS_DIR, ec)) {
        if (e.path().extension() == ".mif") paths.push_back(e.path());
    }
    if (paths.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    for (const auto& path : paths) {
        std::stringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        Reading r(text.str());  // checks for leaks when it goes
        ASSERT_NE(r.ctx, nullptr) << path;
        if (!r.Finished()) {
            const char* k = r.ctx->keywordStart != nullptr ? r.ctx->keywordStart : "";
            const std::string keyword(k, std::strspn(k, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
            EXPECT_EQ(r.run.status, MIF_STATUS_SCAN_FAILED) << path;
            EXPECT_FALSE(keyword.empty() || IsFormatKeyword(keyword)) << path << " stopped at <" << keyword;
        }
    }
}

}  // namespace
