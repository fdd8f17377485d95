// The render target: the host toolkit's output formats fed token streams.
// An input is the read target's four option bytes and the rest:
//   byte 0, bit 5 clear: the rest is a document, read by the module through
//           the careful host as the options say, and rendered fill by fill
//           as mifread renders it (text encoding from the document's version);
//   byte 0, bit 5 set: the rest is a token stream taken as it is, decoded up
//           to its first malformed token (bit 6: its text is UTF-8).
// Whatever the tokens, every output format must write valid UTF-8 and pass
// its own check. Each format is one row of Outputs(); more join as rows.
#pragma once

#include <string>
#include <vector>

#include "fuzz/read_target.h"

namespace mifcheck {

using Fills = std::vector<std::vector<mifhost::Token>>;

struct Output {
    const char* name;
    std::string (*render)(const Fills& fills, mifhost::TextEncoding encoding);
    std::string (*check)(const std::string& out);  // the first thing wrong, or empty
};

// The offset of the first byte that does not belong to a well-formed UTF-8
// sequence (overlong forms, surrogates and code points past U+10FFFF
// included), or npos.
inline size_t FirstInvalidUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = [&](size_t k) { return i + k < s.size() ? static_cast<uint8_t>(s[i + k]) : 0; };
        const uint8_t c = b(0);
        size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (n == 0) return i;
        for (size_t k = 1; k < n; ++k) {
            if ((b(k) & 0xC0) != 0x80) return i;
        }
        if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) > 0x9F) || (c == 0xF0 && b(1) < 0x90) ||
            (c == 0xF4 && b(1) > 0x8F)) {
            return i;
        }
        i += n;
    }
    return std::string::npos;
}

// Plain text: besides its own line ends and tabs, no control character (C0,
// DEL or C1) reaches a terminal from the document's text.
inline std::string CheckText(const std::string& out) {
    for (size_t i = 0; i < out.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(out[i]);
        const bool c1 = c == 0xC2 && i + 1 < out.size() && static_cast<uint8_t>(out[i + 1]) < 0xA0;
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F || c1) {
            return "control character at byte " + std::to_string(i);
        }
    }
    return "";
}

inline std::string RenderText(const Fills& fills, mifhost::TextEncoding encoding) {
    mifhost::TextRenderer renderer(encoding);
    std::string out;
    for (const std::vector<mifhost::Token>& fill : fills) {
        for (const mifhost::Token& t : fill) renderer.Add(t);
        out += renderer.Take();
    }
    return out + renderer.Finish();
}

inline const std::vector<Output>& Outputs() {
    static const std::vector<Output> outputs = {{"text", &RenderText, &CheckText}};
    return outputs;
}

// The first broken promise for one input of the render target; empty when none.
inline std::string CheckRenderInput(const uint8_t* data, size_t size) {
    if (size < kReadOptionBytes) return "";
    const std::span<const uint8_t> rest(data + kReadOptionBytes, size - kReadOptionBytes);
    Fills fills;
    mifhost::TextEncoding encoding = (data[0] & 64) != 0 ? mifhost::TextEncoding::Utf8 : mifhost::TextEncoding::Cp1252;
    if ((data[0] & 32) != 0) {
        mifhost::TokenReader reader(rest);
        fills.emplace_back();
        try {
            while (!reader.AtEnd()) fills.back().push_back(reader.Next());
        } catch (const mifhost::TokenError&) {
        }
    } else {
        const std::string_view document(reinterpret_cast<const char*>(rest.data()), rest.size());
        Feed feed = FeedFromOptions(data, document);
        feed.readObjects = false;
        const Checked read = Read(LinkedModule(), document, feed);
        if (!read.problem.empty()) return "reading the document: " + read.problem;
        size_t at = 0;
        for (const mifhost::FillRecord& f : read.run.fills) {
            const size_t n = std::min(f.bytesWritten, feed.bufferSize);
            fills.push_back(mifhost::DecodeTokens(std::span<const uint8_t>(read.run.tokens).subspan(at, n)));
            at += n;
        }
        encoding = mifhost::EncodingForVersion(mifhost::ReadMifVersion(document.substr(0, 64)));
    }
    for (const Output& output : Outputs()) {
        const std::string out = output.render(fills, encoding);
        const size_t bad = FirstInvalidUtf8(out);
        if (bad != std::string::npos) return std::string(output.name) + ": invalid UTF-8 at byte " + std::to_string(bad);
        const std::string problem = output.check(out);
        if (!problem.empty()) return std::string(output.name) + ": " + problem;
    }
    return "";
}

}  // namespace mifcheck
