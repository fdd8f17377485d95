#include "host/render.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace mifhost {

std::optional<double> ReadMifVersion(std::string_view head) {
    constexpr std::string_view kHeader = "<MIFFile";
    if (head.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    size_t at = kHeader.size();
    while (at < head.size() && std::isspace(static_cast<unsigned char>(head[at]))) ++at;
    std::string number;
    while (at < head.size() && (std::isdigit(static_cast<unsigned char>(head[at])) || head[at] == '.') && number.size() < 16) {
        number += head[at++];
    }
    if (number.empty()) return std::nullopt;
    return std::strtod(number.c_str(), nullptr);
}

TextEncoding EncodingForVersion(std::optional<double> version) {
    return version && *version >= 8.0 ? TextEncoding::Utf8 : TextEncoding::Cp1252;
}

namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 marks the unassigned bytes.
constexpr uint16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0xA0) {
            uint16_t cp = kHigh[c - 0x80];
            PutUtf8(out, cp != 0 ? cp : 0xFFFD);
        } else {
            PutUtf8(out, c);
        }
    }
    return out;
}

namespace {

// Length of the well-formed UTF-8 sequence that s starts with (no overlong
// forms, surrogates or code points past U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view s) {
    auto at = [&](size_t k) { return k < s.size() ? static_cast<uint8_t>(s[k]) : 0; };
    const uint8_t c = at(0);
    const size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    for (size_t k = 1; k < n; ++k) {
        if ((at(k) & 0xC0) != 0x80) return 0;
    }
    if ((c == 0xE0 && at(1) < 0xA0) || (c == 0xED && at(1) > 0x9F) || (c == 0xF0 && at(1) < 0x90) ||
        (c == 0xF4 && at(1) > 0x8F)) {
        return 0;
    }
    return n;
}

// C0 controls but the tab, DEL and the C1 controls.
bool IsControl(std::string_view sequence) {
    const auto c = static_cast<uint8_t>(sequence[0]);
    if (sequence.size() == 1) return (c < 0x20 && c != '\t') || c == 0x7F;
    return sequence.size() == 2 && c == 0xC2 && static_cast<uint8_t>(sequence[1]) < 0xA0;
}

}  // namespace

std::string CleanUtf8(std::string_view bytes, TextEncoding encoding) {
    const std::string utf8 = encoding == TextEncoding::Utf8 ? std::string(bytes) : Cp1252ToUtf8(bytes);
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = Utf8SequenceLength(std::string_view(utf8).substr(i));
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const std::string_view sequence = std::string_view(utf8).substr(i, n);
        i += n;
        if (!IsControl(sequence)) {
            out += sequence;
        } else if (sequence == "\n" || sequence == "\r") {
            out += ' ';
        }
    }
    return out;
}

std::string TextRenderer::Convert(std::string_view bytes) const { return CleanUtf8(bytes, encoding_); }

void TextRenderer::Append(std::string_view utf8) {
    if (utf8.empty()) return;
    if (inTable_) {
        cellText_ += utf8;
    } else {
        out_ += utf8;
        lineOpen_ = true;
    }
    afterBlock_ = false;
}

void TextRenderer::EndLine() {
    out_ += '\n';
    lineOpen_ = false;
}

bool TextRenderer::EndsWithBlankLine() const {
    size_t n = out_.size();
    char last = n >= 1 ? out_[n - 1] : tail_[1];
    char before = n >= 2 ? out_[n - 2] : n == 1 ? tail_[1] : tail_[0];
    return last == '\n' && before == '\n';
}

void TextRenderer::EnsureBlankLine() {
    if (lineOpen_) EndLine();
    if (out_.empty() && !taken_) return;
    if (!EndsWithBlankLine()) out_ += '\n';
}

void TextRenderer::Add(const Token& token) {
    if (const auto* t = std::get_if<TextToken>(&token.value)) {
        Append(Convert(t->bytes));
    } else if (std::holds_alternative<TabToken>(token.value)) {
        Append("\t");
    } else if (std::holds_alternative<LineBreakToken>(token.value)) {
        if (inTable_) {
            // Paragraphs inside a cell are joined with a blank.
            if (!cellText_.empty() && cellText_.back() != ' ') cellText_ += ' ';
        } else if (lineOpen_ || !afterBlock_) {
            EndLine();
        }
    } else if (const auto* ts = std::get_if<TableStartToken>(&token.value)) {
        EnsureBlankLine();
        inTable_ = true;
        columns_ = ts->widths.size();
        cell_ = 0;
        cellText_.clear();
    } else if (std::holds_alternative<CellEndToken>(token.value)) {
        if (!inTable_) return;
        while (!cellText_.empty() && cellText_.back() == ' ') cellText_.pop_back();
        out_ += cellText_;
        cellText_.clear();
        if (++cell_ >= columns_) {
            out_ += '\n';
            cell_ = 0;
        } else {
            out_ += '\t';
        }
    } else if (std::holds_alternative<TableEndToken>(token.value)) {
        if (!inTable_) return;
        if (cell_ != 0 || !cellText_.empty()) {
            out_ += cellText_;
            out_ += '\n';
        }
        inTable_ = false;
        cellText_.clear();
        lineOpen_ = false;
        EnsureBlankLine();
        afterBlock_ = true;
    } else if (const auto* f = std::get_if<FrameToken>(&token.value)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "[frame %s: %.2f x %.2f in]", f->id.c_str(), f->width / 1440.0,
                      f->height / 1440.0);
        if (inTable_) {
            cellText_ += buf;
            return;
        }
        if (lineOpen_) EndLine();
        out_ += buf;
        EndLine();
        afterBlock_ = true;
    }
}

std::string TextRenderer::Take() {
    size_t n = out_.size();
    if (n >= 2) {
        tail_[0] = out_[n - 2];
        tail_[1] = out_[n - 1];
    } else if (n == 1) {
        tail_[0] = tail_[1];
        tail_[1] = out_[0];
    }
    taken_ = taken_ || n > 0;
    std::string taken;
    taken.swap(out_);
    return taken;
}

std::string TextRenderer::Finish() {
    if (inTable_ && !cellText_.empty()) {
        out_ += cellText_;
        cellText_.clear();
        lineOpen_ = true;
    }
    if (lineOpen_) EndLine();
    return Take();
}

std::string RenderText(std::span<const Token> tokens, TextEncoding encoding) {
    TextRenderer r(encoding);
    for (const Token& t : tokens) r.Add(t);
    return r.Finish();
}

}  // namespace mifhost
