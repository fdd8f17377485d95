// Helpers shared by the text tests: minimal documents with one reported
// flow, and a bound context whose handlers can be called directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_host.h"

namespace texttest {

// A document with a body page (text rectangle 7) and a master page (9);
// `lines` goes inside one paragraph line of rectangle `rectId`.
inline std::string DocumentWithLine(const std::string& lines, int rectId = 7) {
    return "<MIFFile 5.00> # test\n"
           "<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
           "<Page <PageType MasterPage> <TextRect <ID 9>>>\n"
           "<TextFlow <Para <ParaLine <TextRectID " +
           std::to_string(rectId) + "> " + lines + ">>>\n";
}

// Code and payload of every token after the document header.
inline std::vector<testhost::Token> ReadBody(const std::string& document, int32_t* status = nullptr,
                                             long* leaked = nullptr) {
    testhost::TestHost host;
    testhost::TestHost::Run run = host.ReadDocument(document);
    if (status != nullptr) *status = run.status;
    if (leaked != nullptr) *leaked = host.allocator.live;
    return testhost::BodyTokens(run.tokens);
}

inline std::vector<uint8_t> Codes(const std::vector<testhost::Token>& tokens) {
    std::vector<uint8_t> codes;
    for (const testhost::Token& t : tokens) codes.push_back(t.code);
    return codes;
}

// The raw bytes of tokens, framing included.
inline std::vector<uint8_t> Bytes(const std::vector<testhost::Token>& tokens) {
    std::vector<uint8_t> bytes;
    for (const testhost::Token& t : tokens) {
        uint32_t length = static_cast<uint32_t>(t.payload.size() + 5);
        bytes.push_back(t.code);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(length >> (8 * i)));
        bytes.insert(bytes.end(), t.payload.begin(), t.payload.end());
    }
    return bytes;
}

// A context bound to an in-memory document whose handlers the tests call
// directly, writing into a buffer of their own.
class DirectContext {
public:
    explicit DirectContext(const char* document = "<MIFFile 5.00>\n") : out_(8192, 0) {
        ctx = host.Open(document);
        ResetOutput();
    }
    ~DirectContext() {
        if (ctx != nullptr) mifFreeContext(ctx);
    }
    DirectContext(const DirectContext&) = delete;
    DirectContext& operator=(const DirectContext&) = delete;

    void ResetOutput() {
        if (ctx == nullptr) return;
        ctx->bufferStart = out_.data();
        ctx->writePointer = out_.data();
        ctx->bufferEnd = out_.data() + out_.size();
        ctx->outputOverflow = 0;
        ctx->openTokenStart = nullptr;
    }
    std::vector<uint8_t> Written() const {
        return std::vector<uint8_t>(ctx->bufferStart, ctx->writePointer);
    }
    std::vector<testhost::Token> Tokens() const { return testhost::SplitTokens(Written()); }
    // Frees the context now; returns the blocks left allocated.
    long Release() {
        mifFreeContext(ctx);
        ctx = nullptr;
        return host.allocator.live;
    }

    testhost::TestHost host;
    mif::ReaderContext* ctx = nullptr;

private:
    std::vector<uint8_t> out_;
};

// A statement frame over a writable copy of a value text, as the scanner
// leaves it: value start at the first byte, value end at the last byte.
struct ValueFrame {
    explicit ValueFrame(const std::string& value) : text(value.begin(), value.end()) {
        text.push_back('>');
        text.push_back('\0');
        frame.valueStart = text.data();
        frame.valueEnd = text.data() + value.size() - 1;
    }
    std::vector<char> text;
    mif::StatementFrame frame{};
};

}  // namespace texttest
