// Markdown (CommonMark with GitHub's pipe tables): paragraphs, headings,
// **bold** and *italic* (HTML tags where delimiters would not parse),
// ~~strike~~, <sup>, <sub>, <ins>, tables as pipe tables and frames as
// images or links to the files extracted next to the output. Characters
// that Markdown would read as syntax are escaped.
#include <cctype>

#include "tools/mifread/convert/converter.h"
#include "tools/mifread/convert/escape.h"

namespace mifconvert {

namespace {

constexpr uint8_t kDelimited = kBold | kItalic | kStrike;
constexpr uint8_t kMarkdownAttributes = kDelimited | kSuperscript | kSubscript | kUnderline;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsPunct(char c) { return std::ispunct(static_cast<unsigned char>(c)) != 0; }

// Backslash before every character that could start inline syntax.
std::string Escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': case '`': case '*': case '_': case '[': case ']': case '<': case '>': case '#': case '|':
            case '~': case '&': case '$': case '!':
                out += '\\';
                [[fallthrough]];
            default: out += c;
        }
    }
    return out;
}

// At the start of a line: what would open a list, a heading underline or
// an ordered list item.
std::string EscapeLineStart(std::string text) {
    if (text.empty()) return text;
    if (text[0] == '-' || text[0] == '+' || text[0] == '=') return "\\" + text;
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits > 0 && digits < text.size() && (text[digits] == '.' || text[digits] == ')')) text.insert(digits, "\\");
    return text;
}

struct Piece {
    enum Kind { Text, Break, Frame } kind = Text;
    uint8_t attributes = 0;
    std::string raw;  // Text: unescaped
    const FrameInfo* frame = nullptr;
};

std::vector<Piece> Pieces(const Paragraph& p) {
    std::vector<Piece> pieces;
    for (const Run& r : p.runs) {
        if (r.kind == Run::Kind::Break) {
            pieces.push_back({Piece::Break, 0, "", nullptr});
        } else if (r.kind == Run::Kind::Frame) {
            pieces.push_back({Piece::Frame, 0, "", r.frame.get()});
        } else {
            uint8_t a = r.style.attributes & kMarkdownAttributes;
            std::string text = r.kind == Run::Kind::Tab ? std::string("\t") : r.text;
            if (!pieces.empty() && pieces.back().kind == Piece::Text && pieces.back().attributes == a) {
                pieces.back().raw += text;
            } else {
                pieces.push_back({Piece::Text, a, std::move(text), nullptr});
            }
        }
    }
    return pieces;
}

std::string FrameText(const FrameInfo& f) {
    const std::string label = f.label.empty() ? "anchored frame" : f.label;
    if (!f.file.empty() && f.browserImage) return "![frame " + Escape(f.id) + "](" + UrlPath(f.file) + ")";
    if (!f.file.empty()) return "[frame " + Escape(f.id) + ": " + Escape(label) + "](" + UrlPath(f.file) + ")";
    return "\\[frame " + Escape(f.id) + ": " + Escape(label) + "\\]";
}

// The paragraph's runs as inline Markdown. In one line (headings and
// table cells) a break is a blank or, with breakTag, a <br>.
std::string Inline(const Paragraph& p, bool oneLine, const char* breakTag) {
    std::vector<Piece> pieces = Pieces(p);
    while (!pieces.empty() && pieces.back().kind == Piece::Break) pieces.pop_back();
    std::string out;
    bool lineStart = true;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        if (piece.kind == Piece::Break) {
            while (!out.empty() && IsSpace(out.back())) out.pop_back();
            out += oneLine ? breakTag : "\\\n";
            lineStart = !oneLine;
            continue;
        }
        if (piece.kind == Piece::Frame) {
            out += FrameText(*piece.frame);
            lineStart = false;
            continue;
        }
        std::string_view raw = piece.raw;
        size_t b = 0, e = raw.size();
        while (b < e && IsSpace(raw[b])) ++b;
        while (e > b && IsSpace(raw[e - 1])) --e;
        if (!(lineStart && !oneLine)) out += raw.substr(0, b);
        if (b == e) continue;
        std::string core = Escape(raw.substr(b, e - b));
        if (lineStart && !oneLine) core = EscapeLineStart(core);
        lineStart = false;

        const uint8_t a = piece.attributes;
        // Delimiters parse only when they flank the text as CommonMark
        // requires and do not run into another piece's delimiters.
        bool delimiters = (a & kDelimited) != 0;
        if (delimiters) {
            const char before = b > 0 ? ' ' : out.empty() ? ' ' : out.back();
            const bool nextTouches = e == raw.size() && i + 1 < pieces.size() &&
                                     !(pieces[i + 1].kind == Piece::Text && IsSpace(pieces[i + 1].raw.front()));
            const char after = nextTouches ? (pieces[i + 1].kind == Piece::Text ? pieces[i + 1].raw.front() : '!') : ' ';
            const bool prevStyled = b == 0 && i > 0 && pieces[i - 1].kind == Piece::Text &&
                                    (pieces[i - 1].attributes & kDelimited) && !IsSpace(pieces[i - 1].raw.back());
            const bool nextStyled = nextTouches && pieces[i + 1].kind == Piece::Text && (pieces[i + 1].attributes & kDelimited);
            const bool opens = !IsPunct(core.front()) || IsSpace(before) || IsPunct(before);
            const bool closes = !IsPunct(core.back()) || IsSpace(after) || IsPunct(after);
            delimiters = opens && closes && !prevStyled && !nextStyled && before != '*' && before != '~';
        }
        std::string open, close;
        auto wrap = [&](uint8_t bit, const char* mark, const char* tag) {
            if (!(a & bit)) return;
            if (mark != nullptr && delimiters) {
                open += mark;
                close.insert(0, mark);
            } else {
                open += std::string("<") + tag + ">";
                close.insert(0, std::string("</") + tag + ">");
            }
        };
        wrap(kStrike, "~~", "del");
        wrap(kBold, "**", "strong");
        wrap(kItalic, "*", "em");
        wrap(kUnderline, nullptr, "ins");
        wrap(kSuperscript, nullptr, "sup");
        wrap(kSubscript, nullptr, "sub");
        out += open + core + close;
        out += raw.substr(e);
    }
    while (!out.empty() && (IsSpace(out.back()) || out.back() == '\n')) out.pop_back();
    return out;
}

class MarkdownConverter final : public Converter, private BlockSink {
public:
    MarkdownConverter(std::ostream& out, const ConvertOptions& options)
        : out_(out), builder_(options.encoding, *this) {
        builder_.SetOutline(options.outline);
        builder_.SetFrameLookup(options.frames, false);
    }

    void Add(const mifhost::Token& token) override { builder_.Add(token); }
    void Finish() override { builder_.Finish(); }

private:
    void Paragraph(const mifconvert::Paragraph& p) override {
        std::string text = Inline(p, p.heading > 0, " ");
        if (text.empty()) return;
        if (p.heading > 0) out_ << std::string(static_cast<size_t>(p.heading), '#') << ' ';
        out_ << text << "\n\n";
    }

    void TableStart(const Table& table) override {
        columns_ = table.widths.size();
        rows_ = 0;
    }

    void TableRow(const std::vector<Cell>& row) override {
        out_ << '|';
        for (const Cell& cell : row) out_ << ' ' << CellText(cell.blocks) << " |";
        out_ << '\n';
        if (rows_++ == 0) Delimiter();
    }

    void TableEnd() override {
        if (rows_ == 0) {
            out_ << '|';
            for (size_t i = 0; i < columns_; ++i) out_ << "  |";
            out_ << '\n';
            Delimiter();
        }
        out_ << '\n';
    }

    void Delimiter() {
        out_ << '|';
        for (size_t i = 0; i < columns_; ++i) out_ << " --- |";
        out_ << '\n';
    }

    // A cell's paragraphs joined with <br>; a table inside it as its cells'
    // text, row after row.
    static std::string CellText(const std::vector<Block>& blocks) {
        std::string out;
        auto add = [&](const std::string& s) {
            if (s.empty()) return;
            if (!out.empty()) out += "<br>";
            out += s;
        };
        for (const Block& b : blocks) {
            if (b.kind == Block::Kind::Paragraph) {
                add(Inline(b.paragraph, true, "<br>"));
            } else {
                for (const auto& row : b.table->rows) {
                    for (const Cell& c : row) add(CellText(c.blocks));
                }
            }
        }
        return out;
    }

    std::ostream& out_;
    DocumentBuilder builder_;
    size_t columns_ = 0;
    size_t rows_ = 0;
};

}  // namespace

std::unique_ptr<Converter> MakeMarkdownConverter(std::ostream& out, const ConvertOptions& options) {
    return std::make_unique<MarkdownConverter>(out, options);
}

}  // namespace mifconvert
