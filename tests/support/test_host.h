// A minimal in-process host for tests of the module's internals: the host's
// blocks at their byte offsets, a counting allocator that can refuse the
// k-th allocation, a memory stream with optional short reads, and a driver
// that runs a whole document through the entry points linked into the test.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "host/allocator.h"
#include "mifreader/mifreader.h"
#include "reader/context.h"

namespace testhost {

struct Allocator {
    long live = 0;        // blocks not yet freed
    long count = 0;       // allocations attempted
    long failAt = -1;     // refuse the allocation with this number (1-based)
};

struct Stream {
    std::string data;
    size_t pos = 0;
    uint32_t maxChunk = 0;  // 0: reads deliver all that is asked
    int32_t atEnd = 0;      // what a read answers once nothing is left (-1: a failing read)
    long reads = 0;         // read calls made
};

class TestHost {
public:
    TestHost() : services_(MIF_HS_MIN_SIZE + 16, 0), streamBlock_(MIF_IS_MIN_SIZE + 16, 0) {
        Put(services_.data(), MIF_HS_ALLOCATE, reinterpret_cast<void*>(&Allocate));
        Put(services_.data(), MIF_HS_FREE, reinterpret_cast<void*>(&Free));
        Put(services_.data(), MIF_HS_ALLOCATE_ARRAY, reinterpret_cast<void*>(&AllocateArray));
        Put(services_.data(), MIF_HS_REALLOCATE, reinterpret_cast<void*>(&Reallocate));
        Put(streamBlock_.data(), MIF_IS_READ, reinterpret_cast<void*>(&Read));
        Put(streamBlock_.data(), MIF_IS_SEEK, reinterpret_cast<void*>(&Seek));
        Put(streamBlock_.data(), MIF_IS_TELL, reinterpret_cast<void*>(&Tell));
        Put(streamBlock_.data(), 0, this);
        Put(services_.data(), 0, this);
    }
    // Every block's guard bytes are checked when it is freed and, for the
    // blocks still live, here.
    ~TestHost() {
        EXPECT_EQ(guarded_.CheckGuards(), 0u) << "a block's guard bytes were overwritten";
    }
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    Allocator allocator;
    Stream stream;
    std::vector<std::string> fontNames;      // faces asked for, in first-seen order
    std::vector<uint8_t> fontClasses;        // the pitch-and-family byte of each face's first query
    std::vector<uint8_t> objectCallbacks;    // the host's copy of the registered record

    uint32_t StatusWord() const {
        uint32_t v;
        std::memcpy(&v, services_.data() + MIF_HS_STATUS_WORD, 4);
        return v;
    }
    void* Services() { return services_.data(); }
    void* StreamBlock() { return streamBlock_.data(); }

    // Allocates and binds a context for the document text; null on failure.
    mif::ReaderContext* Open(std::string_view document, int32_t inputSize = -1) {
        stream.data.assign(document);
        stream.pos = 0;
        uint32_t flag = 0;
        void* ctx = mifAllocateContext(this, &Callback, &flag, Services(), 0);
        if (ctx == nullptr) return nullptr;
        int32_t size = inputSize >= 0 ? inputSize : static_cast<int32_t>(document.size());
        if (mifInitDoc(ctx, nullptr, size, StreamBlock()) != MIF_STATUS_OK) {
            mifFreeContext(ctx);
            return nullptr;
        }
        return static_cast<mif::ReaderContext*>(ctx);
    }

    struct Run {
        std::vector<uint8_t> tokens;      // all fills concatenated
        std::vector<uint32_t> percents;   // one per fill
        int32_t status = 0;               // last fill's status
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

    // Whole document: open, drain, free. The context is gone afterwards.
    Run ReadDocument(std::string_view document, uint32_t bufferSize = 65536) {
        mif::ReaderContext* ctx = Open(document);
        if (ctx == nullptr) {
            Run failed;
            failed.status = -1;
            return failed;
        }
        Run run = Drain(ctx, bufferSize);
        mifFreeContext(ctx);
        return run;
    }

private:
    static void Put(uint8_t* block, int offset, void* p) { std::memcpy(block + offset, &p, sizeof p); }
    static TestHost* FromAllocator(void* allocatorObject) {
        TestHost* host;
        std::memcpy(&host, static_cast<uint8_t*>(allocatorObject) - MIF_HS_ALLOCATOR, sizeof host);
        return host;
    }
    static TestHost* FromStream(void* block) {
        TestHost* host;
        std::memcpy(&host, block, sizeof host);
        return host;
    }
    static void* Allocate(void* a, uint32_t size) {
        TestHost* host = FromAllocator(a);
        ++host->allocator.count;
        if (host->allocator.count == host->allocator.failAt) return nullptr;
        void* p = host->guarded_.Allocate(size);
        if (p != nullptr) ++host->allocator.live;
        return p;
    }
    static void Free(void* a, void* p) {
        if (p == nullptr) return;
        TestHost* host = FromAllocator(a);
        --host->allocator.live;
        host->guarded_.Free(p);
    }
    static void* AllocateArray(void* a, uint32_t elementSize, uint32_t count) {
        uint64_t total = static_cast<uint64_t>(elementSize) * count;
        if (total > 0xFFFFFFFFu) return nullptr;
        return Allocate(a, static_cast<uint32_t>(total));
    }
    static void* Reallocate(void* a, void* p, uint32_t size) {
        TestHost* host = FromAllocator(a);
        ++host->allocator.count;
        if (host->allocator.count == host->allocator.failAt) return nullptr;
        void* q = host->guarded_.Reallocate(p, size);
        if (q != nullptr && p == nullptr) ++host->allocator.live;
        return q;
    }
    static int32_t Read(void* block, void* buffer, uint32_t maxBytes) {
        Stream& s = FromStream(block)->stream;
        ++s.reads;
        size_t n = std::min<size_t>(maxBytes, s.data.size() - std::min(s.pos, s.data.size()));
        if (n == 0 && maxBytes != 0) return s.atEnd;
        if (s.maxChunk != 0) n = std::min<size_t>(n, s.maxChunk);
        std::memcpy(buffer, s.data.data() + s.pos, n);
        s.pos += n;
        return static_cast<int32_t>(n);
    }
    static int32_t Seek(void* block, int32_t offset, int32_t whence) {
        Stream& s = FromStream(block)->stream;
        int64_t base = whence == 2 ? static_cast<int64_t>(s.data.size()) : whence == 1 ? static_cast<int64_t>(s.pos) : 0;
        int64_t target = base + offset;
        if (target < 0) return -1;
        s.pos = static_cast<size_t>(target);
        return 0;
    }
    static int32_t Tell(void* block) { return static_cast<int32_t>(FromStream(block)->stream.pos); }
    static int32_t Callback(void* handle, int32_t code, void* record) {
        auto* host = static_cast<TestHost*>(handle);
        if (code == MIF_HOST_REGISTER_CALLBACKS) {
            host->objectCallbacks.assign(static_cast<uint8_t*>(record), static_cast<uint8_t*>(record) + MIF_OC_SIZE);
            return 0;
        }
        if (code == MIF_HOST_FONT_QUERY) {
            const char* face = static_cast<const char*>(record) + MIF_LOGFONT_FACE_NAME_OFFSET;
            std::string name(face, strnlen(face, MIF_LOGFONT_FACE_NAME_SIZE));
            for (size_t i = 0; i < host->fontNames.size(); ++i) {
                if (host->fontNames[i] == name) return static_cast<int32_t>(i) + 1;
            }
            host->fontNames.push_back(name);
            host->fontClasses.push_back(static_cast<uint8_t*>(record)[MIF_LOGFONT_PITCH_AND_FAMILY_OFFSET]);
            return static_cast<int32_t>(host->fontNames.size());
        }
        return 0;
    }

    std::vector<uint8_t> services_;
    std::vector<uint8_t> streamBlock_;
    mifhost::Allocator guarded_;  // the memory behind the counts above
};

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
inline std::vector<Token> SplitTokens(const std::vector<uint8_t>& bytes, bool* wellFormed = nullptr) {
    std::vector<Token> tokens;
    size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        if (bytes.size() - at < 5) { ok = false; break; }
        uint32_t length = U32At(bytes, at + 1);
        if (length < 5 || length > bytes.size() - at) { ok = false; break; }
        tokens.push_back(Token{bytes[at], std::vector<uint8_t>(bytes.begin() + at + 5, bytes.begin() + at + length)});
        at += length;
    }
    if (wellFormed != nullptr) *wellFormed = ok;
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

}  // namespace testhost
