// The document as the converters see it: the module's token stream folded
// into paragraphs of styled runs, tables of cells and anchored frames.
// DocumentBuilder takes decoded tokens one at a time, in stream order and
// across fill boundaries, and hands each finished top-level block to a
// BlockSink as soon as it is complete, so that a converter can write it out
// and forget it. Only the open paragraph and the open row of a table are
// held.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/render.h"
#include "host/tokens.h"

namespace mifconvert {

// Bits of Style::attributes, in the order of the module's attribute codes.
enum Attribute : uint8_t {
    kBold = 0x01,
    kItalic = 0x02,
    kUnderline = 0x04,
    kStrike = 0x08,
    kSuperscript = 0x10,
    kSubscript = 0x20,
    kSmallCaps = 0x40,
    kUpperCase = 0x80,
};

// "bold", "italic", ... for one bit; the names of every set bit, in bit order.
const char* AttributeWord(uint8_t bit);
std::vector<std::string> AttributeWords(uint8_t attributes);

struct Style {
    uint8_t attributes = 0;
    std::optional<uint32_t> font;  // host font number, once a font token was seen
    int32_t size = 0;              // points; 0 until a font token was seen
    uint32_t color = 0;            // 0x00BBGGRR

    bool operator==(const Style&) const = default;
};

// What the host knows about a frame's embedded object, fetched when the
// frame's token arrives.
struct FrameInfo {
    std::string id;
    uint32_t width = 0, height = 0;  // twips
    uint32_t kind = 0;               // the token's kind field
    bool found = false;              // the module delivered an object for it
    uint64_t dataSize = 0;
    std::string format;              // file extension guessed from the data: png, gif, ..., bin
    std::string label;               // "PNG image", "EPS graphic", "vector drawing", ...
    bool browserImage = false;       // PNG, GIF, JPEG or BMP
    std::string file;                // where the object was written, relative to the output; empty if not
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // the data, when the converter asked to embed it
};

struct Run {
    enum class Kind { Text, Tab, Break, Frame };
    Kind kind = Kind::Text;
    std::string text;  // UTF-8, for Text
    Style style;
    std::shared_ptr<const FrameInfo> frame;  // for Frame
};

struct ParagraphFormat {
    int32_t left = 0, right = 0, first = 0;  // twips; first is the first line's indent from the column edge
    uint8_t alignment = 0;                   // 0 left, 1 right, 2 center, 3 justified
    uint8_t lineSpacing = 0;                 // class 0, 1 or 2
    std::vector<mifhost::TabStop> tabs;
};

struct Paragraph {
    ParagraphFormat format;
    std::vector<Run> runs;
    int heading = 0;  // 1-3 for a heading, 0 for body text

    bool empty() const { return runs.empty(); }
    // The text of its text runs, without tabs, breaks or frames.
    std::string PlainText() const;
};

struct Table;

struct Block {
    enum class Kind { Paragraph, Table };
    Kind kind = Kind::Paragraph;
    Paragraph paragraph;
    std::shared_ptr<Table> table;
};

struct Cell {
    std::vector<Block> blocks;
};

struct Table {
    std::vector<uint32_t> widths;  // twips, one per column
    int32_t indent = 0;            // twips
    std::vector<std::vector<Cell>> rows;
};

// Font sizes of the body text and of headings, found by a first reading of
// the document: the body size is the size that sets the most characters of
// top-level paragraphs; a paragraph whose dominant size is at least 15
// percent and 2 points larger becomes a heading, ranked h1-h3 by size.
class Outline {
public:
    // Counts one top-level paragraph of the first reading.
    void Count(const Paragraph& p);
    // Ranks the heading sizes once everything was counted.
    void Finish();

    int32_t bodySize() const { return bodySize_; }
    std::optional<uint32_t> bodyFont() const { return bodyFont_; }
    // The face name of bodyFont(), as the host knew it after the first reading.
    const std::string& bodyFace() const { return bodyFace_; }
    void SetBodyFace(std::string face) { bodyFace_ = std::move(face); }
    // 1-3 for a paragraph that is a heading, else 0.
    int LevelOf(const Paragraph& p) const;

    static int32_t DominantSize(const Paragraph& p);
    static bool IsHeadingCandidate(const Paragraph& p);

private:
    std::map<int32_t, uint64_t> charsBySize_;
    std::map<uint32_t, uint64_t> charsByFont_;
    std::map<int32_t, int> levelBySize_;
    int32_t bodySize_ = 0;
    std::optional<uint32_t> bodyFont_;
    std::string bodyFace_;
};

// Receives finished top-level blocks in document order.
class BlockSink {
public:
    virtual ~BlockSink() = default;
    virtual void Page(const mifhost::PageToken&) {}
    virtual void Paragraph(const mifconvert::Paragraph& p) = 0;
    // A top-level table: its start, each row once all its cells are read,
    // its end.
    virtual void TableStart(const Table& table) = 0;
    virtual void TableRow(const std::vector<Cell>& row) = 0;
    virtual void TableEnd() = 0;
};

// Looks up a frame's object when its token arrives. embed asks for the
// data itself (for a browser image).
using FrameLookup = std::function<std::shared_ptr<const FrameInfo>(const mifhost::FrameToken&, bool embed)>;

class DocumentBuilder {
public:
    DocumentBuilder(mifhost::TextEncoding encoding, BlockSink& sink) : encoding_(encoding), sink_(sink) {}

    void SetOutline(const Outline* outline) { outline_ = outline; }
    void SetFrameLookup(FrameLookup lookup, bool embedImages) {
        frames_ = std::move(lookup);
        embedImages_ = embedImages;
    }

    void Add(const mifhost::Token& token);
    // Ends the document: closes an open paragraph and open tables.
    void Finish();

private:
    struct OpenTable {
        std::shared_ptr<Table> table;
        std::vector<Cell> row;
        Cell cell;
        bool topLevel = false;
        ParagraphFormat outerFormat;  // of the paragraph that anchors the table
    };

    void AddContent(Run run);
    void EndParagraph();
    void ResolvePendingBreak();
    void FlushParagraph(bool dropIfEmpty);
    void StartTable(const mifhost::TableStartToken& t);
    void EndCell();
    void EndTable();
    void Deliver(Block block);

    mifhost::TextEncoding encoding_;
    BlockSink& sink_;
    const Outline* outline_ = nullptr;
    FrameLookup frames_;
    bool embedImages_ = false;

    Style style_;
    ParagraphFormat format_;
    bool previousWasAttributeOn_ = false;
    bool pendingBreak_ = false;      // a line-break token that may be a paragraph end
    bool paragraphOpen_ = false;     // the paragraph has received content
    bool paragraphHasText_ = false;  // ... and some of it was text
    bool besideTable_ = false;       // the open paragraph continues around a table
    Paragraph paragraph_;
    std::vector<OpenTable> tables_;  // open tables, innermost last
};

}  // namespace mifconvert
