// Shared helpers of the host tests: the module loaded through its exports,
// whole-document runs with a fresh host, and the documents to run.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/mifhost.h"

namespace hosttest {

inline const mifhost::Module& LoadedModule() {
    static const mifhost::Module module = mifhost::Module::Load(MIF_MODULE_PATH);
    return module;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string SampleDocument() { return ReadFile(std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif"); }

struct DocRun {
    mifhost::RunResult run;
    mifhost::Allocator::Stats alloc;
    std::vector<mifhost::FontEntry> fonts;
    uint32_t statusWord = 0;
};

struct FeedOptions {
    uint32_t bufferSize = MIF_MIN_BUFFER_SIZE;
    uint32_t maxChunk = 0;
    uint64_t failAt = 0;
    int32_t inputSize = 0;
};

inline DocRun RunDocument(const std::string& bytes, const FeedOptions& feed = {}) {
    auto stream = mifhost::InputStream::FromMemory(bytes);
    stream->SetMaxChunk(feed.maxChunk);
    DocRun out;
    {
        mifhost::Host host;
        host.allocator.FailAt(feed.failAt);
        mifhost::DriverOptions options;
        options.bufferSize = feed.bufferSize;
        options.inputSize = feed.inputSize;
        out.run = mifhost::Driver(LoadedModule()).Run(host, *stream, options);
        out.alloc = host.allocator.stats();
        out.fonts = host.callback.fonts();
        out.statusWord = host.services.StatusWord();
    }
    return out;
}

// Corpus documents, smallest first; empty when the corpus is absent.
inline std::vector<std::string> CorpusFiles() {
    std::vector<std::pair<uintmax_t, std::string>> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(MIF_CORPUS_DIR, ec)) {
        if (e.path().extension() == ".mif") found.emplace_back(e.file_size(), e.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& f : found) names.push_back(f.second);
    return names;
}

inline std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string n;
    for (char c : info.param) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return n;
}

}  // namespace hosttest
