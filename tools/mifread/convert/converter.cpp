// The text converter and the choice of converter by format.
#include "tools/mifread/convert/converter.h"

namespace mifconvert {

namespace {

// Plain text: the host toolkit's text renderer, as mifread prints it.
class TextConverter final : public Converter {
public:
    TextConverter(std::ostream& out, const ConvertOptions& options) : out_(out), renderer_(options.encoding) {}
    void Add(const mifhost::Token& token) override {
        renderer_.Add(token);
        out_ << renderer_.Take();
    }
    void Finish() override { out_ << renderer_.Finish(); }

private:
    std::ostream& out_;
    mifhost::TextRenderer renderer_;
};

}  // namespace

std::unique_ptr<Converter> MakeTextConverter(std::ostream& out, const ConvertOptions& options) {
    return std::make_unique<TextConverter>(out, options);
}

std::optional<Format> ParseFormat(std::string_view name) {
    if (name == "text") return Format::Text;
    if (name == "html") return Format::Html;
    if (name == "markdown") return Format::Markdown;
    if (name == "json") return Format::Json;
    return std::nullopt;
}

const char* Extension(Format format) {
    switch (format) {
        case Format::Html: return "html";
        case Format::Markdown: return "md";
        case Format::Json: return "json";
        default: return "txt";
    }
}

bool NeedsOutline(Format format) { return format != Format::Text; }

std::unique_ptr<Converter> MakeConverter(Format format, std::ostream& out, ConvertOptions options) {
    switch (format) {
        case Format::Html: return MakeHtmlConverter(out, options);
        case Format::Markdown: return MakeMarkdownConverter(out, options);
        case Format::Json: return MakeJsonConverter(out, options);
        default: return MakeTextConverter(out, options);
    }
}

}  // namespace mifconvert
