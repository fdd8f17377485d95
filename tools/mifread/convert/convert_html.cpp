// HTML: one self-contained HTML5 page. Paragraph formats become inline
// styles on <p> (or <h1>-<h3> for headings), character formats become
// <b>, <i>, <u>, <s>, <sup>, <sub> and a styled <span> for face, size,
// colour and case. Tables keep their column widths. Everything taken from
// the document is escaped, and the page forbids scripts.
#include <algorithm>
#include <cmath>

#include "tools/mifread/convert/converter.h"
#include "tools/mifread/convert/escape.h"

namespace mifconvert {

namespace {

using mifhost::PageToken;

constexpr int kTwipsPerPixel = 15;  // 96 pixels per inch

class HtmlConverter final : public Converter, private BlockSink {
public:
    HtmlConverter(std::ostream& out, const ConvertOptions& options)
        : out_(out), options_(options), builder_(options.encoding, *this) {
        builder_.SetOutline(options.outline);
        builder_.SetFrameLookup(options.frames, options.embedImages);
        if (options.outline != nullptr) {
            bodySize_ = options.outline->bodySize();
            bodyFace_ = options.outline->bodyFace();
        }
    }

    void Add(const mifhost::Token& token) override { builder_.Add(token); }

    void Finish() override {
        builder_.Finish();
        Header();
        out_ << "</body>\n</html>\n";
    }

private:
    void Page(const PageToken& page) override {
        page_ = page;
        Header();
    }

    void Header() {
        if (headerWritten_) return;
        headerWritten_ = true;
        int64_t column = static_cast<int64_t>(page_.width) - page_.left - page_.right;
        if (column <= 0) column = 9360;
        out_ << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
             << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data: file: "
                "'self'; style-src 'unsafe-inline'\">\n"
             << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
             << "<meta name=\"generator\" content=\"mifread\">\n"
             << "<title>" << HtmlEscape(options_.title) << "</title>\n<style>\n"
             << "body { margin: 2em auto; padding: 0 1em; max-width: " << Points(column) << "pt; font-size: "
             << (bodySize_ > 0 ? std::to_string(bodySize_) + "pt" : std::string("12pt")) << ";";
        if (!bodyFace_.empty()) out_ << " font-family: " << CssString(bodyFace_) << ", serif;";
        out_ << " }\n"
             << "p, h1, h2, h3 { margin: 0 0 0.35em; font-size: 1em; font-weight: normal; }\n"
             << "table { border-collapse: collapse; table-layout: fixed; margin: 0.5em 0; }\n"
             << "td { border: 1px solid #999; padding: 2pt 4pt; vertical-align: top; overflow-wrap: anywhere; }\n"
             << "td > p:last-child { margin-bottom: 0; }\n"
             << ".tab { white-space: pre; }\n"
             << ".frame { vertical-align: middle; max-width: 100%; }\n"
             << ".box { display: inline-flex; flex-direction: column; justify-content: center; align-items: center; "
                "box-sizing: border-box; border: 1px dashed #888; background: #f4f4f4; color: #444; "
                "font: 9pt sans-serif; text-align: center; overflow: hidden; }\n"
             << "</style>\n</head>\n<body>\n";
    }

    void Paragraph(const mifconvert::Paragraph& p) override {
        Header();
        WriteParagraph(p);
    }

    void TableStart(const Table& table) override {
        Header();
        widths_ = table.widths;
        WriteTableOpen(table);
    }
    void TableRow(const std::vector<Cell>& row) override { TableRow(row, widths_); }
    void TableEnd() override { out_ << "</table>\n"; }

    void WriteTableOpen(const Table& table) {
        int64_t total = 0;
        for (uint32_t w : table.widths) total += w;
        // The reader's indent centres the table on the document's own page,
        // whose width the page token does not carry: centre it here.
        out_ << "<table style=\"width:" << Points(total) << "pt";
        if (table.indent > 0) out_ << ";margin-left:auto;margin-right:auto";
        out_ << "\">\n<colgroup>";
        for (uint32_t w : table.widths) out_ << "<col style=\"width:" << Points(w) << "pt\">";
        out_ << "</colgroup>\n";
    }

    void TableRow(const std::vector<Cell>& row, const std::vector<uint32_t>& widths) {
        out_ << "<tr>";
        for (size_t i = 0; i < row.size(); ++i) {
            out_ << "<td>";
            for (const Block& b : row[i].blocks) {
                if (b.kind == Block::Kind::Paragraph) {
                    WriteParagraph(b.paragraph, i < widths.size() ? widths[i] : 0);
                } else {
                    WriteTableOpen(*b.table);
                    for (const auto& r : b.table->rows) TableRow(r, b.table->widths);
                    out_ << "</table>\n";
                }
            }
            out_ << "</td>";
        }
        out_ << "</tr>\n";
    }

    // column: the width of the cell that holds the paragraph, 0 outside
    // tables. Indents that would leave a cell's text less than half of its
    // column are not applied: the document's cells had room the page lacks.
    void WriteParagraph(const mifconvert::Paragraph& p, uint32_t column = 0) {
        std::string tag = "p";
        if (p.heading > 0) tag = std::string("h").append(std::to_string(p.heading));
        out_ << '<' << tag;
        std::string style;
        const ParagraphFormat& f = p.format;
        switch (f.alignment) {
            case 1: style += "text-align:right;"; break;
            case 2: style += "text-align:center;"; break;
            case 3: style += "text-align:justify;"; break;
            default: break;
        }
        const int64_t taken = static_cast<int64_t>(std::max(f.left, f.first)) + f.right;
        if (column == 0 || taken * 2 <= column) {
            if (f.left != 0) style += "margin-left:" + Points(f.left) + "pt;";
            if (f.right != 0) style += "margin-right:" + Points(f.right) + "pt;";
            if (f.first != f.left) style += "text-indent:" + Points(static_cast<int64_t>(f.first) - f.left) + "pt;";
        }
        if (!style.empty()) {
            style.pop_back();
            out_ << " style=\"" << style << '"';
        }
        out_ << '>';
        if (p.empty()) out_ << "<br>";
        for (const Run& r : p.runs) WriteRun(r);
        out_ << "</" << tag << ">\n";
    }

    void WriteRun(const Run& r) {
        switch (r.kind) {
            case Run::Kind::Tab: out_ << "<span class=\"tab\">\t</span>"; return;
            case Run::Kind::Break: out_ << "<br>"; return;
            case Run::Kind::Frame: WriteFrame(*r.frame); return;
            case Run::Kind::Text: break;
        }
        static constexpr struct {
            uint8_t bit;
            const char* tag;
        } kTags[] = {{kBold, "b"}, {kItalic, "i"}, {kUnderline, "u"}, {kStrike, "s"}, {kSuperscript, "sup"}, {kSubscript, "sub"}};
        const Style& s = r.style;
        for (const auto& t : kTags) {
            if (s.attributes & t.bit) out_ << '<' << t.tag << '>';
        }
        std::string css;
        if (s.font && options_.fontFace) {
            std::string face = options_.fontFace(*s.font).value_or("");
            if (!face.empty() && face != bodyFace_) css += "font-family:" + CssString(face) + ";";
        }
        if (s.size > 0 && s.size != bodySize_) css += "font-size:" + std::to_string(s.size) + "pt;";
        if (s.color != 0 && Visible(s.color)) css += "color:" + HexColor(s.color) + ";";
        if (s.attributes & kSmallCaps) css += "font-variant:small-caps;";
        if (s.attributes & kUpperCase) css += "text-transform:uppercase;";
        if (!css.empty()) {
            css.pop_back();
            out_ << "<span style=\"" << HtmlEscape(css) << "\">" << HtmlEscape(r.text) << "</span>";
        } else {
            out_ << HtmlEscape(r.text);
        }
        for (auto t = std::rbegin(kTags); t != std::rend(kTags); ++t) {
            if (s.attributes & t->bit) out_ << "</" << t->tag << '>';
        }
    }

    // Colours that would not show on the white page: the token stream
    // carries no cell shading or page colour behind light text, so such
    // text keeps the page's default colour.
    static bool Visible(uint32_t bgr) {
        auto channel = [](uint32_t v) {
            double c = v / 255.0;
            return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        double luminance = 0.2126 * channel(bgr & 0xFF) + 0.7152 * channel((bgr >> 8) & 0xFF) + 0.0722 * channel((bgr >> 16) & 0xFF);
        return 1.05 / (luminance + 0.05) >= 1.5;  // contrast ratio against white
    }

    static std::string Mime(const std::string& format) {
        if (format == "jpg") return "image/jpeg";
        return "image/" + format;
    }

    void WriteFrame(const FrameInfo& f) {
        const long w = std::lround(f.width / static_cast<double>(kTwipsPerPixel));
        const long h = std::lround(f.height / static_cast<double>(kTwipsPerPixel));
        const std::string name = "frame " + f.id + (f.label.empty() ? "" : " (" + f.label + ")");
        std::string src;
        if (f.browserImage && !f.file.empty()) {
            src = UrlPath(f.file);
        } else if (f.browserImage && f.bytes) {
            src = "data:" + Mime(f.format) + ";base64," + Base64(*f.bytes);
        }
        if (!src.empty()) {
            out_ << "<img class=\"frame\" src=\"" << HtmlEscape(src) << "\" alt=\"" << HtmlEscape(name) << '"';
            if (w > 0 && h > 0) out_ << " width=\"" << w << "\" height=\"" << h << '"';
            out_ << '>';
            return;
        }
        // A box of the frame's size that names what it holds.
        out_ << "<span class=\"frame box\" role=\"img\" aria-label=\"" << HtmlEscape(name) << "\" style=\"width:"
             << std::max(w, 40L) << "px;height:" << std::max(h, 24L) << "px\">"
             << HtmlEscape(f.label.empty() ? "anchored frame" : f.label) << "<span>frame " << HtmlEscape(f.id)
             << "</span>";
        if (!f.file.empty()) {
            std::string file = f.file.substr(f.file.find_last_of('/') + 1);
            out_ << "<a href=\"" << HtmlEscape(UrlPath(f.file)) << "\">" << HtmlEscape(file) << "</a>";
        }
        out_ << "</span>";
    }

    std::ostream& out_;
    ConvertOptions options_;
    DocumentBuilder builder_;
    PageToken page_{2, 12240, 15840, 1440, 1440, 1440, 1440, 0, 0};
    bool headerWritten_ = false;
    int32_t bodySize_ = 0;
    std::string bodyFace_;
    std::vector<uint32_t> widths_;  // of the open top-level table
};

}  // namespace

std::unique_ptr<Converter> MakeHtmlConverter(std::ostream& out, const ConvertOptions& options) {
    return std::make_unique<HtmlConverter>(out, options);
}

}  // namespace mifconvert
