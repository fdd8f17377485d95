// JSON: the document model of docs/json-format.md. The top-level object is
// written by hand around the blocks, and each block is built with
// nlohmann::json and written out as soon as it is complete (a top-level
// table row by row), so the output is one valid JSON document that never
// sits whole in memory.
#include <nlohmann/json.hpp>

#include "tools/mifread/convert/converter.h"
#include "tools/mifread/convert/escape.h"

namespace mifconvert {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kFormatVersion = 1;

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

const char* AlignmentName(uint8_t a) {
    switch (a) {
        case 1: return "right";
        case 2: return "center";
        case 3: return "justify";
        default: return "left";
    }
}

const char* TabTypeName(uint8_t t) {
    switch (t) {
        case 1: return "right";
        case 2: return "center";
        default: return "left";
    }
}

class JsonConverter final : public Converter, private BlockSink {
public:
    JsonConverter(std::ostream& out, const ConvertOptions& options)
        : out_(out), options_(options), builder_(options.encoding, *this) {
        builder_.SetOutline(options.outline);
        builder_.SetFrameLookup(options.frames, false);
    }

    void Add(const mifhost::Token& token) override { builder_.Add(token); }

    void Finish() override {
        builder_.Finish();
        Header();
        Json fonts = Json::array();
        if (options_.fontFace) {
            for (uint32_t n = 0;; ++n) {
                std::optional<std::string> face = options_.fontFace(n);
                if (!face) break;
                fonts.push_back(Json{{"number", n}, {"face", *face}});
            }
        }
        out_ << "\n],\n\"fonts\": " << Dump(fonts) << "\n}\n";
    }

private:
    void Page(const mifhost::PageToken& page) override {
        page_ = page;
        Header();
    }

    void Header() {
        if (headerWritten_) return;
        headerWritten_ = true;
        Json page = {{"width", page_.width},
                     {"height", page_.height},
                     {"margins", {{"left", page_.left}, {"top", page_.top}, {"right", page_.right}, {"bottom", page_.bottom}}}};
        out_ << "{\n\"format\": \"mifread-document\",\n\"version\": " << kFormatVersion
             << ",\n\"source\": " << Dump(Json(options_.title)) << ",\n\"page\": " << Dump(page) << ",\n\"blocks\": [";
    }

    void Separator() {
        out_ << (firstBlock_ ? "\n" : ",\n");
        firstBlock_ = false;
    }

    void Paragraph(const mifconvert::Paragraph& p) override {
        Header();
        Json blocks = Json::array();
        AppendParagraph(p, &blocks);
        for (const Json& b : blocks) {
            Separator();
            out_ << Dump(b);
        }
    }

    void TableStart(const Table& table) override {
        Header();
        Separator();
        Json head = TableHead(table);
        std::string text = Dump(head);
        text.pop_back();  // the closing brace: rows follow
        out_ << text << ",\"rows\":[";
        firstRow_ = true;
    }

    void TableRow(const std::vector<Cell>& row) override {
        if (!firstRow_) out_ << ',';
        firstRow_ = false;
        out_ << '\n' << Dump(RowJson(row));
    }

    void TableEnd() override { out_ << "]}"; }

    static Json TableHead(const Table& table) {
        return Json{{"type", "table"}, {"columns", table.widths}, {"indent", table.indent}};
    }

    Json RowJson(const std::vector<Cell>& row) const {
        Json cells = Json::array();
        for (const Cell& cell : row) {
            Json blocks = Json::array();
            for (const Block& b : cell.blocks) {
                if (b.kind == Block::Kind::Paragraph) {
                    AppendParagraph(b.paragraph, &blocks);
                } else {
                    Json t = TableHead(*b.table);
                    t["rows"] = Json::array();
                    for (const auto& r : b.table->rows) t["rows"].push_back(RowJson(r));
                    blocks.push_back(std::move(t));
                }
            }
            cells.push_back(Json{{"blocks", std::move(blocks)}});
        }
        return cells;
    }

    // The paragraph, then a frame block for each frame anchored in it.
    void AppendParagraph(const mifconvert::Paragraph& p, Json* blocks) const {
        Json tabs = Json::array();
        for (const auto& t : p.format.tabs) tabs.push_back(Json{{"type", TabTypeName(t.type)}, {"position", t.position}});
        Json format = {{"alignment", AlignmentName(p.format.alignment)},
                       {"leftIndent", p.format.left},
                       {"rightIndent", p.format.right},
                       {"firstIndent", p.format.first},
                       {"lineSpacing", p.format.lineSpacing},
                       {"tabStops", std::move(tabs)}};
        Json runs = Json::array();
        std::vector<const FrameInfo*> frames;
        for (const Run& r : p.runs) {
            switch (r.kind) {
                case Run::Kind::Text: runs.push_back(TextRun(r)); break;
                case Run::Kind::Tab: runs.push_back(Json{{"type", "tab"}}); break;
                case Run::Kind::Break: runs.push_back(Json{{"type", "break"}}); break;
                case Run::Kind::Frame:
                    runs.push_back(Json{{"type", "frame"}, {"id", r.frame->id}});
                    frames.push_back(r.frame.get());
                    break;
            }
        }
        blocks->push_back(Json{{"type", "paragraph"}, {"heading", p.heading}, {"format", std::move(format)}, {"runs", std::move(runs)}});
        for (const FrameInfo* f : frames) blocks->push_back(FrameJson(*f));
    }

    Json TextRun(const Run& r) const {
        Json font = nullptr;
        if (r.style.font && options_.fontFace) {
            if (auto face = options_.fontFace(*r.style.font)) font = *face;
        }
        return Json{{"type", "text"},
                    {"text", r.text},
                    {"font", std::move(font)},
                    {"size", r.style.size > 0 ? Json(r.style.size) : Json(nullptr)},
                    {"color", HexColor(r.style.color)},
                    {"attributes", AttributeWords(r.style.attributes)}};
    }

    static Json FrameJson(const FrameInfo& f) {
        return Json{{"type", "frame"},
                    {"id", f.id},
                    {"width", f.width},
                    {"height", f.height},
                    {"kind", f.kind},
                    {"dataSize", f.dataSize},
                    {"format", f.found ? Json(f.format) : Json(nullptr)},
                    {"label", f.found ? Json(f.label) : Json(nullptr)},
                    {"file", f.file.empty() ? Json(nullptr) : Json(f.file)}};
    }

    std::ostream& out_;
    ConvertOptions options_;
    DocumentBuilder builder_;
    mifhost::PageToken page_{2, 12240, 15840, 1440, 1440, 1440, 1440, 0, 0};
    bool headerWritten_ = false;
    bool firstBlock_ = true;
    bool firstRow_ = true;
};

}  // namespace

std::unique_ptr<Converter> MakeJsonConverter(std::ostream& out, const ConvertOptions& options) {
    return std::make_unique<JsonConverter>(out, options);
}

}  // namespace mifconvert
