// Readable text from decoded tokens: one line per paragraph, tabs as '\t',
// tables as tab-separated rows between blank lines, a marker line for each
// anchored frame. Text is converted from Windows-1252 to UTF-8 for documents
// before MIF 8 and taken as UTF-8 for MIF 8 and later; bytes that are not
// UTF-8 and control characters other than the tab become U+FFFD.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/tokens.h"

namespace mifhost {

enum class TextEncoding { Cp1252, Utf8 };

// The version number of a "<MIFFile 8.00>" header at the very start of the
// data, or nothing when the data does not start with one.
std::optional<double> ReadMifVersion(std::string_view head);

// Cp1252 before version 8, UTF-8 from version 8 on (and when unknown, Cp1252).
TextEncoding EncodingForVersion(std::optional<double> version);

// Windows-1252 bytes to UTF-8; the five unassigned bytes become U+FFFD.
std::string Cp1252ToUtf8(std::string_view bytes);

// The document's text as well-formed UTF-8 that is safe to write, the same
// for every output: converted from Windows-1252 or checked as UTF-8; bytes
// that do not form UTF-8 become U+FFFD; of the control characters (C0 but
// the tab, DEL and C1), which carry nothing a reader sees and would act on
// a terminal or fake an output's own line ends, line ends become a blank
// and the others are dropped.
std::string CleanUtf8(std::string_view bytes, TextEncoding encoding);

class TextRenderer {
public:
    explicit TextRenderer(TextEncoding encoding) : encoding_(encoding) {}

    void Add(const Token& token);
    // Returns what has been rendered since the last call and forgets it, so
    // that a caller can write the text out as the tokens arrive.
    std::string Take();
    // Ends an unfinished line and returns what is left to write.
    std::string Finish();

private:
    bool EndsWithBlankLine() const;
    void Append(std::string_view utf8);
    void EndLine();
    void EnsureBlankLine();
    std::string Convert(std::string_view bytes) const;

    TextEncoding encoding_;
    std::string out_;
    char tail_[2] = {0, 0};     // the last two characters already taken
    bool taken_ = false;        // something was taken already
    bool lineOpen_ = false;     // the current line has content
    bool afterBlock_ = false;   // a table or frame marker was the last output
    bool inTable_ = false;
    size_t columns_ = 0;
    size_t cell_ = 0;
    std::string cellText_;
};

std::string RenderText(std::span<const Token> tokens, TextEncoding encoding);

}  // namespace mifhost
