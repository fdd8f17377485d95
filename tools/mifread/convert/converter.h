// The converters of mifread: each takes the module's decoded tokens one at a
// time, in stream order, and writes its format to an ostream as the blocks
// of the document are completed.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "host/render.h"
#include "host/tokens.h"
#include "tools/mifread/convert/document.h"

namespace mifconvert {

enum class Format { Text, Html, Markdown, Json };

std::optional<Format> ParseFormat(std::string_view name);
// "txt", "html", "md", "json".
const char* Extension(Format format);
// HTML, Markdown and JSON mark headings, so they need the Outline of a
// first reading of the document.
bool NeedsOutline(Format format);

struct ConvertOptions {
    mifhost::TextEncoding encoding = mifhost::TextEncoding::Cp1252;
    std::string title;                 // the document's name: HTML title, JSON source
    const Outline* outline = nullptr;  // from a first reading; none: no headings
    // The face name of a host font number; nothing for a number never given out.
    std::function<std::optional<std::string>(uint32_t)> fontFace;
    FrameLookup frames;                // none: frames are described from their token alone
    bool embedImages = false;          // HTML: browser images as data: URIs
};

class Converter {
public:
    virtual ~Converter() = default;
    virtual void Add(const mifhost::Token& token) = 0;
    // Ends the document, also one whose reading failed: closes what is open
    // so that the output is well-formed.
    virtual void Finish() = 0;
};

std::unique_ptr<Converter> MakeConverter(Format format, std::ostream& out, ConvertOptions options);

// Writers of each format (convert_*.cpp).
std::unique_ptr<Converter> MakeTextConverter(std::ostream& out, const ConvertOptions& options);
std::unique_ptr<Converter> MakeHtmlConverter(std::ostream& out, const ConvertOptions& options);
std::unique_ptr<Converter> MakeMarkdownConverter(std::ostream& out, const ConvertOptions& options);
std::unique_ptr<Converter> MakeJsonConverter(std::ostream& out, const ConvertOptions& options);

}  // namespace mifconvert
