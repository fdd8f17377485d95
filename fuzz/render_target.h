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

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/read_target.h"
#include "tools/mifread/convert/converter.h"

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

// mifread's converters, fed the fills token by token (the text converter
// takes the renderer's output after every token).
template <mifconvert::Format format>
std::string Convert(const Fills& fills, mifhost::TextEncoding encoding) {
    std::ostringstream out;
    mifconvert::ConvertOptions options;
    options.encoding = encoding;
    options.title = "<title> & \"fuzzed\"";
    auto converter = mifconvert::MakeConverter(format, out, options);
    for (const std::vector<mifhost::Token>& fill : fills) {
        for (const mifhost::Token& t : fill) converter->Add(t);
    }
    converter->Finish();
    return out.str();
}

// HTML: every tag is one the converter writes itself; a tag from the
// document's text would be raw markup.
inline std::string CheckHtml(const std::string& out) {
    static const std::set<std::string> kTags = {
        "!DOCTYPE", "html", "head", "meta", "title", "style", "body", "p",   "h1", "h2",  "h3",  "span", "b",
        "i",        "u",    "s",    "sup",  "sub",   "table", "colgroup", "col", "tr", "td", "br", "img", "a"};
    for (size_t at = out.find('<'); at != std::string::npos; at = out.find('<', at + 1)) {
        size_t name = at + 1 + (at + 1 < out.size() && out[at + 1] == '/');
        size_t end = name;
        while (end < out.size() && (std::isalnum(static_cast<unsigned char>(out[end])) || out[end] == '!')) ++end;
        if (!kTags.count(out.substr(name, end - name))) return "unexpected markup at byte " + std::to_string(at);
    }
    return "";
}

// Markdown: a '<' is escaped or opens one of the converter's own tags.
inline std::string CheckMarkdown(const std::string& out) {
    static const char* const kTags[] = {"<br>", "<del>", "</del>", "<strong>", "</strong>", "<em>", "</em>",
                                        "<ins>", "</ins>", "<sup>", "</sup>", "<sub>", "</sub>"};
    for (size_t at = out.find('<'); at != std::string::npos; at = out.find('<', at + 1)) {
        if (at > 0 && out[at - 1] == '\\') continue;
        bool own = false;
        for (const char* tag : kTags) own = own || out.compare(at, std::strlen(tag), tag) == 0;
        if (!own) return "unescaped '<' at byte " + std::to_string(at);
    }
    return "";
}

inline std::string CheckJson(const std::string& out) {
    return nlohmann::json::accept(out) ? "" : "not JSON";
}

inline const std::vector<Output>& Outputs() {
    static const std::vector<Output> outputs = {
        {"text", &Convert<mifconvert::Format::Text>, &CheckText},
        {"html", &Convert<mifconvert::Format::Html>, &CheckHtml},
        {"markdown", &Convert<mifconvert::Format::Markdown>, &CheckMarkdown},
        {"json", &Convert<mifconvert::Format::Json>, &CheckJson},
    };
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
        Feed feed = FeedFromOptions(data);
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
