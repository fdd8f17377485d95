// A minimal in-process host for tests of the module's internals: the host
// toolkit's allocator (counting, able to refuse the k-th allocation, guarding
// every block), services block and callback, a memory stream whose calls are
// logged, and a driver that runs a whole document through the entry points
// linked into the test. Every block must be back once a context is freed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "host/mifhost.h"
#include "reader/context.h"

namespace testhost {

struct TestHost : mifhost::Host {
    // Every block's guard bytes are checked when it is freed and, for the
    // blocks still live, here.
    ~TestHost() { EXPECT_EQ(allocator.CheckGuards(), 0u) << "a block's guard bytes were overwritten"; }

    std::unique_ptr<mifhost::InputStream> stream;  // the document last opened

    uint64_t Live() const { return allocator.stats().liveBlocks; }
    uint32_t StatusWord() const { return services.StatusWord(); }

    // Allocates and binds a context for the document text; null on failure.
    mif::ReaderContext* Open(std::string_view document) {
        stream = mifhost::InputStream::FromMemory(document);
        stream->SetLogging(true);
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(callback.handle(), mifhost::HostCallback::function(), &flag, services.block(), 0);
        if (ctx == nullptr) return nullptr;
        if (mifInitDoc(ctx, nullptr, static_cast<int32_t>(document.size()), stream->block()) != MIF_STATUS_OK) {
            mifFreeContext(ctx);
            return nullptr;
        }
        return static_cast<mif::ReaderContext*>(ctx);
    }

    struct Run {
        std::vector<uint8_t> tokens;      // all fills concatenated
        std::vector<uint32_t> percents;   // one per fill
        int32_t status = -1;              // last fill's status (-1: no context)
        int fills = 0;
    };

    // Fills until 100 percent or a status other than 0 (at most maxFills);
    // no fill may write past bufferSize.
    static Run Drain(mif::ReaderContext* ctx, uint32_t bufferSize = 65536, int maxFills = 100000) {
        Run run;
        std::vector<uint8_t> buffer(bufferSize + 64, 0xEE);
        for (int i = 0; i < maxFills; ++i) {
            uint32_t written = 0, percent = 0;
            run.status = mifFillBuffer(ctx, buffer.data(), &written, &percent, bufferSize);
            ++run.fills;
            EXPECT_TRUE(written <= bufferSize && std::all_of(buffer.begin() + bufferSize, buffer.end(),
                                                             [](uint8_t b) { return b == 0xEE; }))
                << "fill " << run.fills << " wrote past the buffer";
            if (run.status == MIF_STATUS_SETUP_FAILED) break;
            run.tokens.insert(run.tokens.end(), buffer.begin(), buffer.begin() + written);
            run.percents.push_back(percent);
            if (run.status != MIF_STATUS_OK || percent >= 100) break;
        }
        return run;
    }

    // Whole document: open, drain, free; every block must be back.
    Run ReadDocument(std::string_view document, uint32_t bufferSize = 65536) {
        mif::ReaderContext* ctx = Open(document);
        if (ctx == nullptr) return Run{};
        Run run = Drain(ctx, bufferSize);
        mifFreeContext(ctx);
        EXPECT_EQ(Live(), 0u) << "blocks left after mifFreeContext";
        return run;
    }
};

// A document read to its end with its context kept open (bufferSize 0: left
// unread); on destruction frees the context and checks that every block is
// back.
struct Reading {
    explicit Reading(std::string_view document, uint32_t bufferSize = 65536) : ctx(host.Open(document)) {
        if (ctx != nullptr && bufferSize != 0) run = TestHost::Drain(ctx, bufferSize);
    }
    ~Reading() {
        if (ctx != nullptr) mifFreeContext(ctx);
        EXPECT_EQ(host.Live(), 0u) << "blocks left after mifFreeContext";
    }
    mif::FormatState& cur() { return ctx->current; }

    TestHost host;
    mif::ReaderContext* ctx;
    TestHost::Run run;
};

// A document with a body page (text rectangle 7) and a master page (9),
// `before` ahead of them, and one paragraph line of rectangle `rect`.
inline std::string LineDoc(const std::string& before, const std::string& line, int rect = 7) {
    return "<MIFFile 5.00>\n" + before + "\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<Page <PageType MasterPage> "
           "<TextRect <ID 9>>>\n<TextFlow <Para <ParaLine <TextRectID " + std::to_string(rect) + "> " + line + ">>>\n";
}

// A file's bytes.
inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The sample and every corpus document of fewer than maxSize bytes.
inline std::vector<std::filesystem::path> SampleAndCorpus(uintmax_t maxSize = UINTMAX_MAX) {
    std::vector<std::filesystem::path> paths = {std::filesystem::path(MIF_SAMPLES_DIR) / "sample.mif"};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(MIF_CORPUS_DIR, error)) {
        if (entry.path().extension() == ".mif" && entry.file_size() < maxSize) paths.push_back(entry.path());
    }
    return paths;
}

// Little-endian field readers for checking token bytes.
inline uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A token as the tests look at it: code and payload.
struct Token {
    uint8_t code;
    std::vector<uint8_t> payload;
    std::string Text() const {  // payload of a text token, without its count
        return code == MIF_TOKEN_TEXT && payload.size() >= 4 ? std::string(payload.begin() + 4, payload.end()) : "";
    }
    uint32_t U32(size_t at) const { return U32At(payload, at); }
};

// Splits a token stream by its framing; stops at a malformed token.
inline std::vector<Token> SplitTokens(const std::vector<uint8_t>& bytes) {
    std::vector<Token> tokens;
    for (size_t at = 0; bytes.size() - at >= 5;) {
        uint32_t length = U32At(bytes, at + 1);
        if (length < 5 || length > bytes.size() - at) break;
        tokens.push_back(Token{bytes[at], std::vector<uint8_t>(bytes.begin() + at + 5, bytes.begin() + at + length)});
        at += length;
    }
    return tokens;
}

// The tokens after the 53 header bytes of the first fill.
inline std::vector<Token> BodyTokens(const std::vector<uint8_t>& bytes) {
    std::vector<Token> all = SplitTokens(bytes);
    if (all.size() >= 3) all.erase(all.begin(), all.begin() + 3);
    return all;
}

// The concatenated text of all text tokens.
inline std::string AllText(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (const Token& t : SplitTokens(bytes)) text += t.Text();
    return text;
}

// How many text tokens hold exactly `text`.
inline int CountText(const std::vector<uint8_t>& bytes, const std::string& text) {
    return static_cast<int>(std::ranges::count(SplitTokens(bytes), text, &Token::Text));
}

}  // namespace testhost
