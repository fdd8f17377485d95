// Real documents: every one is read to the end without leaking, and its
// catalogs hold each tag once.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "formats_support.h"

namespace {

std::vector<std::filesystem::path> CorpusDocuments() {
    std::vector<std::filesystem::path> paths;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(MIF_CORPUS_DIR, ec)) {
        if (e.path().extension() == ".mif") paths.push_back(e.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string LastKeyword(const mif::ReaderContext* ctx) {
    std::string keyword;
    for (const char* p = ctx->keywordStart; p != nullptr && *p != '\0' && !std::isspace(static_cast<unsigned char>(*p)) &&
                                            *p != '>' && keyword.size() < 40;
         ++p) {
        keyword += *p;
    }
    return keyword;
}

bool IsFormatKeyword(const std::string& keyword) {
    return keyword.rfind("Pgf", 0) == 0 || keyword.rfind("F", 0) == 0 || keyword == "TSX" || keyword == "TSType" ||
           keyword == "TabStop";
}

TEST(Corpus, EveryDocumentFinishesWithUniqueTagsAndNoLeak) {
    std::vector<std::filesystem::path> paths = CorpusDocuments();
    if (paths.empty()) GTEST_SKIP() << "no corpus at " << MIF_CORPUS_DIR;
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        formattest::Reading r(text.str());
        ASSERT_NE(r.ctx, nullptr) << path;
        if (!r.Finished()) {
            // A document may stop on a statement of another subsystem (an
            // anchor naming a frame that was never defined, for one); it must
            // never stop on a format statement.
            std::string keyword = LastKeyword(r.ctx);
            EXPECT_EQ(r.run.status, MIF_STATUS_SCAN_FAILED) << path;
            EXPECT_FALSE(IsFormatKeyword(keyword)) << path << " stopped at " << keyword;
            std::cout << "note: " << path.filename() << " stops at <" << keyword << ">\n";
        }
        std::set<std::string> seen;
        for (const mif::CatalogEntry* e = r.ctx->catalogs.paragraphs.first; e != nullptr; e = e->next) {
            EXPECT_TRUE(seen.insert(e->properties->value).second) << path << ": " << e->properties->value;
        }
        seen.clear();
        for (const mif::CatalogEntry* e = r.ctx->catalogs.fonts.first; e != nullptr; e = e->next) {
            std::string tag = e->properties->value;
            if (!tag.empty()) {
                EXPECT_TRUE(seen.insert(tag).second) << path << ": " << tag;
            }
        }
        EXPECT_FALSE(r.run.tokens.empty()) << path;
    }
}

}  // namespace
