#include "host/render.h"

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

std::string TextRenderer::Convert(std::string_view bytes) const {
    return encoding_ == TextEncoding::Utf8 ? std::string(bytes) : Cp1252ToUtf8(bytes);
}

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
