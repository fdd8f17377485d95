#include "tools/mifread/convert/document.h"

#include <algorithm>
#include <set>

namespace mifconvert {

using namespace mifhost;

const char* AttributeWord(uint8_t bit) {
    switch (bit) {
        case kBold: return "bold";
        case kItalic: return "italic";
        case kUnderline: return "underline";
        case kStrike: return "strike";
        case kSuperscript: return "superscript";
        case kSubscript: return "subscript";
        case kSmallCaps: return "smallCaps";
        case kUpperCase: return "upperCase";
        default: return "";
    }
}

std::vector<std::string> AttributeWords(uint8_t attributes) {
    std::vector<std::string> words;
    for (int i = 0; i < 8; ++i) {
        if (attributes & (1u << i)) words.emplace_back(AttributeWord(static_cast<uint8_t>(1u << i)));
    }
    return words;
}

std::string Paragraph::PlainText() const {
    std::string s;
    for (const Run& r : runs) {
        if (r.kind == Run::Kind::Text) s += r.text;
    }
    return s;
}


// ---- Outline ----------------------------------------------------------------

namespace {
constexpr size_t kMaxHeadingChars = 200;

size_t VisibleChars(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80 && c != ' ' && c != '\t') ++n;
    }
    return n;
}
}  // namespace

int32_t Outline::DominantSize(const Paragraph& p) {
    std::map<int32_t, size_t> chars;
    for (const Run& r : p.runs) {
        if (r.kind == Run::Kind::Text && r.style.size > 0) chars[r.style.size] += VisibleChars(r.text);
    }
    int32_t best = 0;
    size_t most = 0;
    for (const auto& [size, n] : chars) {
        if (n > most) best = size, most = n;
    }
    return best;
}

bool Outline::IsHeadingCandidate(const Paragraph& p) {
    size_t n = VisibleChars(p.PlainText());
    return n > 0 && n <= kMaxHeadingChars;
}

void Outline::Count(const Paragraph& p) {
    for (const Run& r : p.runs) {
        if (r.kind != Run::Kind::Text) continue;
        size_t n = VisibleChars(r.text);
        if (r.style.size > 0) charsBySize_[r.style.size] += n;
        if (r.style.font) charsByFont_[*r.style.font] += n;
    }
    if (IsHeadingCandidate(p)) {
        int32_t size = DominantSize(p);
        if (size > 0) levelBySize_[size] = 0;
    }
}

void Outline::Finish() {
    uint64_t most = 0;
    for (const auto& [size, n] : charsBySize_) {
        if (n > most) bodySize_ = size, most = n;
    }
    most = 0;
    for (const auto& [font, n] : charsByFont_) {
        if (n > most) bodyFont_ = font, most = n;
    }
    std::vector<int32_t> headingSizes;
    for (const auto& [size, level] : levelBySize_) {
        // Clearly larger: by 2 points and by 15 percent at least.
        if (bodySize_ > 0 && size >= bodySize_ + 2 && size * 100 >= bodySize_ * 115) headingSizes.push_back(size);
    }
    levelBySize_.clear();
    std::sort(headingSizes.rbegin(), headingSizes.rend());
    for (size_t i = 0; i < headingSizes.size(); ++i) levelBySize_[headingSizes[i]] = static_cast<int>(std::min<size_t>(i + 1, 3));
}

int Outline::LevelOf(const Paragraph& p) const {
    if (levelBySize_.empty() || !IsHeadingCandidate(p)) return 0;
    auto it = levelBySize_.find(DominantSize(p));
    return it == levelBySize_.end() ? 0 : it->second;
}

// ---- DocumentBuilder ----------------------------------------------------------

namespace {

// The module writes the on-code of every attribute in force each time the
// set changes, so a group of on-codes in a row is the whole new set.
bool DecodeAttribute(uint32_t code, uint8_t* bit, bool* on) {
    for (int i = 0; i < 8; ++i) {
        uint32_t b = 1u << i;
        uint32_t onCode = i < 6 ? (0x8000u | b) : b;
        uint32_t offCode = i < 6 ? b : (0x8000u | b);
        if (code == onCode || code == offCode) {
            *bit = static_cast<uint8_t>(b);
            *on = code == onCode;
            return true;
        }
    }
    return false;
}

}  // namespace

void DocumentBuilder::Add(const Token& token) {
    const bool attributeOn = previousWasAttributeOn_;
    previousWasAttributeOn_ = false;
    if (pendingBreak_) {
        const bool structural = std::holds_alternative<ParaStartToken>(token.value) ||
                                std::holds_alternative<TableStartToken>(token.value) ||
                                std::holds_alternative<CellEndToken>(token.value) ||
                                std::holds_alternative<TableEndToken>(token.value);
        if (!structural) ResolvePendingBreak();
    }

    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, TextToken>) {
                std::string text = CleanUtf8(v.bytes, encoding_);
                if (!text.empty()) AddContent(Run{Run::Kind::Text, std::move(text), style_, nullptr});
            } else if constexpr (std::is_same_v<T, TabToken>) {
                AddContent(Run{Run::Kind::Tab, "", style_, nullptr});
            } else if constexpr (std::is_same_v<T, LineBreakToken>) {
                pendingBreak_ = true;
            } else if constexpr (std::is_same_v<T, ParaStartToken>) {
                // The module switches every attribute off before a paragraph
                // ends, so none is on at the start of the next.
                pendingBreak_ = false;
                style_.attributes = 0;
                EndParagraph();
            } else if constexpr (std::is_same_v<T, AttributeToken>) {
                uint8_t bit = 0;
                bool on = false;
                if (!DecodeAttribute(v.code, &bit, &on)) return;
                if (on) {
                    if (!attributeOn) style_.attributes = 0;
                    style_.attributes |= bit;
                    previousWasAttributeOn_ = true;
                } else {
                    style_.attributes &= static_cast<uint8_t>(~bit);
                }
            } else if constexpr (std::is_same_v<T, FontToken>) {
                style_.font = v.number;
                style_.size = v.size;
            } else if constexpr (std::is_same_v<T, ColorToken>) {
                style_.color = v.bgr & 0xFFFFFF;
            } else if constexpr (std::is_same_v<T, ParaFormatToken>) {
                format_.left = v.left;
                format_.right = v.right;
                format_.first = v.first;
                format_.alignment = v.alignment;
                if (!paragraphHasText_) paragraph_.format = format_;
            } else if constexpr (std::is_same_v<T, TabStopsToken>) {
                format_.tabs = v.stops;
                if (!paragraphHasText_) paragraph_.format.tabs = v.stops;
            } else if constexpr (std::is_same_v<T, LineSpacingToken>) {
                format_.lineSpacing = v.lineClass;
                if (!paragraphHasText_) paragraph_.format.lineSpacing = v.lineClass;
            } else if constexpr (std::is_same_v<T, PageToken>) {
                sink_.Page(v);
            } else if constexpr (std::is_same_v<T, TableStartToken>) {
                // Cells begin afresh: a cell's format that drops attributes
                // of the text before the table writes no token for it.
                style_.attributes = 0;
                StartTable(v);
            } else if constexpr (std::is_same_v<T, CellEndToken>) {
                EndCell();
            } else if constexpr (std::is_same_v<T, TableEndToken>) {
                EndTable();
            } else if constexpr (std::is_same_v<T, FrameToken>) {
                std::shared_ptr<const FrameInfo> info = frames_ ? frames_(v, embedImages_) : nullptr;
                if (!info) {
                    auto basic = std::make_shared<FrameInfo>();
                    basic->id = v.id;
                    basic->width = v.width;
                    basic->height = v.height;
                    basic->kind = v.kind;
                    info = std::move(basic);
                }
                AddContent(Run{Run::Kind::Frame, "", style_, std::move(info)});
            }
        },
        token.value);
}

void DocumentBuilder::AddContent(Run run) {
    if (!paragraphOpen_) {
        paragraphOpen_ = true;
        if (!besideTable_) paragraph_.format = format_;
    }
    if (run.kind == Run::Kind::Text) {
        paragraphHasText_ = true;
        if (!paragraph_.runs.empty()) {
            Run& last = paragraph_.runs.back();
            if (last.kind == Run::Kind::Text && last.style == run.style) {
                last.text += run.text;
                return;
            }
        }
    }
    paragraph_.runs.push_back(std::move(run));
}

// A line break that is not followed by a paragraph start breaks the line;
// before a table, a cell end or a table end it ends the paragraph.
void DocumentBuilder::ResolvePendingBreak() {
    pendingBreak_ = false;
    AddContent(Run{Run::Kind::Break, "", style_, nullptr});
}

void DocumentBuilder::EndParagraph() {
    // Paragraphs in cells and the parts of a paragraph around a table are
    // dropped when empty; other empty paragraphs keep their space.
    FlushParagraph(besideTable_ || !tables_.empty());
}

void DocumentBuilder::FlushParagraph(bool dropIfEmpty) {
    const bool wasOpen = paragraphOpen_;
    if (!wasOpen) paragraph_.format = besideTable_ ? paragraph_.format : format_;
    Paragraph p = std::move(paragraph_);
    paragraph_ = Paragraph{};
    paragraphOpen_ = false;
    paragraphHasText_ = false;
    besideTable_ = false;
    if (!wasOpen && dropIfEmpty) return;
    if (outline_ != nullptr && tables_.empty()) p.heading = outline_->LevelOf(p);
    Deliver(Block{Block::Kind::Paragraph, std::move(p), nullptr});
}

void DocumentBuilder::Deliver(Block block) {
    if (!tables_.empty()) {
        tables_.back().cell.blocks.push_back(std::move(block));
    } else if (block.kind == Block::Kind::Paragraph) {
        sink_.Paragraph(block.paragraph);
    }
}

void DocumentBuilder::StartTable(const TableStartToken& t) {
    pendingBreak_ = false;
    ParagraphFormat outer = paragraphOpen_ ? paragraph_.format : format_;
    if (paragraphOpen_) FlushParagraph(true);
    OpenTable open;
    open.table = std::make_shared<Table>();
    open.table->widths = t.widths;
    open.table->indent = t.indent;
    open.topLevel = tables_.empty();
    open.outerFormat = std::move(outer);
    tables_.push_back(std::move(open));
    if (tables_.back().topLevel) sink_.TableStart(*tables_.back().table);
}

void DocumentBuilder::EndCell() {
    if (tables_.empty()) return;
    pendingBreak_ = false;
    if (paragraphOpen_) FlushParagraph(true);
    OpenTable& open = tables_.back();
    open.row.push_back(std::move(open.cell));
    open.cell = Cell{};
    if (open.row.size() >= open.table->widths.size()) {
        if (open.topLevel) {
            sink_.TableRow(open.row);
        } else {
            open.table->rows.push_back(std::move(open.row));
        }
        open.row.clear();
    }
}

void DocumentBuilder::EndTable() {
    if (tables_.empty()) return;
    pendingBreak_ = false;
    if (paragraphOpen_) FlushParagraph(true);
    {
        OpenTable& open = tables_.back();
        if (!open.cell.blocks.empty()) {
            open.row.push_back(std::move(open.cell));
            open.cell = Cell{};
        }
        if (!open.row.empty()) {
            open.row.resize(open.table->widths.size());
            if (open.topLevel) {
                sink_.TableRow(open.row);
            } else {
                open.table->rows.push_back(std::move(open.row));
            }
        }
    }
    OpenTable done = std::move(tables_.back());
    tables_.pop_back();
    if (done.topLevel) {
        sink_.TableEnd();
    } else {
        tables_.back().cell.blocks.push_back(Block{Block::Kind::Table, Paragraph{}, done.table});
    }
    // What follows in the anchoring paragraph continues it, in its format.
    paragraph_ = Paragraph{};
    paragraph_.format = std::move(done.outerFormat);
    besideTable_ = true;
}

void DocumentBuilder::Finish() {
    pendingBreak_ = false;
    while (!tables_.empty()) EndTable();
    if (paragraphOpen_) FlushParagraph(true);
}

}  // namespace mifconvert
