// Helpers for the format tests: documents with a reported body flow, read
// through the fill, and their tokens described field by field.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_host.h"

namespace formattest {

using Texts = std::vector<std::string>;

inline Texts operator+(Texts a, const Texts& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::string Doc(const std::string& body) { return "<MIFFile 5.00>\n" + body + "\n"; }

// A body page with text rectangle 7: text of a line with <TextRectID 7> is reported.
inline std::string BodyDoc(const std::string& before, const std::string& flow) {
    return Doc(before + "\n<Page <PageType BodyPage> <TextRect <ID 7>>>\n<TextFlow " + flow + ">");
}

using testhost::LineDoc;  // one reported paragraph holding `line`

// Code/payload size, then the token's fields as laid out for its code.
inline std::string Describe(const testhost::Token& t) {
    if (t.code == MIF_TOKEN_TEXT) return "0 " + t.Text();
    std::vector<uint8_t> p = t.payload;
    p.resize(p.size() + 16);  // fields past a short payload read as zero
    std::string s = std::to_string(t.code) + "/" + std::to_string(t.payload.size());
    auto i32 = [&](size_t at) { s.append(" ").append(std::to_string(static_cast<int32_t>(testhost::U32At(p, at)))); };
    auto u8 = [&](size_t at) { s.append(" ").append(std::to_string(p[at])); };
    char text[16];
    auto hex = [&](size_t at) { s += (std::snprintf(text, sizeof text, " %#x", testhost::U32At(p, at)), text); };
    switch (t.code) {
        case MIF_TOKEN_PARA_FORMAT: i32(0), i32(4), i32(8), u8(12); break;
        case MIF_TOKEN_LINE_SPACING: u8(0); break;
        case MIF_TOKEN_FONT: i32(0), i32(4); break;
        case MIF_TOKEN_ATTRIBUTE: hex(0); break;
        case MIF_TOKEN_COLOR: u8(0), hex(1); break;
        case MIF_TOKEN_TAB_STOPS:
            i32(0);
            for (size_t at = 4; at + 5 <= t.payload.size(); at += 5) u8(at), i32(at + 1);
            break;
    }
    return s;
}

// The body tokens of a whole document described (only those of one code,
// unless `only` is 0xFF); a failed fill adds a last entry. Faces the host
// was asked for go to *fonts.
inline Texts Body(const std::string& document, uint8_t only = 0xFF, Texts* fonts = nullptr) {
    testhost::TestHost host;
    testhost::TestHost::Run run = host.ReadDocument(document);
    Texts out;
    for (const testhost::Token& t : testhost::BodyTokens(run.tokens)) {
        if (only == 0xFF || t.code == only) out.push_back(Describe(t));
    }
    if (run.status != MIF_STATUS_OK) out.push_back("status " + std::to_string(run.status));
    if (fonts != nullptr) {
        fonts->clear();
        for (const mifhost::FontEntry& f : host.callback.fonts()) fonts->push_back(f.face);
    }
    return out;
}

using testhost::Reading;

}  // namespace formattest
