// Small MIF documents with tables, and a readable trace of the table tokens
// a run produced.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_host.h"

namespace tabledocs {

struct Table {
    std::string id;
    std::string numColumns;             // value of TblNumColumns; empty: none
    std::vector<std::string> widths;    // values of TblColumnWidth, in order
    std::vector<std::vector<std::string>> rows;  // cell texts, row by row
    std::string beforeRows;             // extra statements after the widths
};

inline std::string Cell(const std::string& text) {
    return "     <Cell \n      <CellContent \n       <Para \n"
           "        <ParaLine \n         <String `" + text + "'>\n        > # end of ParaLine\n"
           "       > # end of Para\n      > # end of CellContent\n     > # end of Cell\n";
}

inline std::string TableText(const Table& t) {
    std::string s = " <Tbl \n  <TblID " + t.id + ">\n";
    // The format's own column statements must change nothing.
    s += "  <TblFormat \n   <TblTag `Format A'>\n   <TblColumn \n    <TblColumnNum 0>\n"
         "    <TblColumnWidth  7.0\">\n   > # end of TblColumn\n  > # end of TblFormat\n";
    if (!t.numColumns.empty()) s += "  <TblNumColumns " + t.numColumns + ">\n";
    for (const std::string& w : t.widths) s += "  <TblColumnWidth " + w + ">\n";
    s += t.beforeRows;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        s += r == 0 ? "  <TblH \n" : "  <TblBody \n";
        s += "   <Row \n";
        for (const std::string& c : t.rows[r]) s += Cell(c);
        s += "   > # end of Row\n";
        s += r == 0 ? "  > # end of TblH\n" : "  > # end of TblBody\n";
    }
    s += " > # end of Tbl\n";
    return s;
}

inline std::string Header() { return "<MIFFile 5.00> # test document\n<Units Uin>\n"; }

inline std::string Tbls(const std::vector<Table>& tables) {
    std::string s = "<Tbls \n";
    for (const Table& t : tables) s += TableText(t);
    return s + "> # end of Tbls\n";
}

// A body page with text rectangle 7 and a master page with rectangle 9.
inline std::string Pages() {
    return "<Page \n <PageType BodyPage>\n <PageSize  8.5\" 11.0\">\n <TextRect \n  <ID 7>\n"
           " > # end of TextRect\n> # end of Page\n"
           "<Page \n <PageType RightMasterPage>\n <TextRect \n  <ID 9>\n > # end of TextRect\n"
           "> # end of Page\n";
}

// One paragraph in text rectangle rect holding text before and after the anchor.
inline std::string AnchorPara(const std::string& id, int rect = 7, const std::string& before = "Before",
                              const std::string& after = "After") {
    return " <Para \n  <ParaLine \n   <TextRectID " + std::to_string(rect) +
           ">\n   <String `" + before + "'>\n   <ATbl " + id + ">\n   <String `" + after +
           "'>\n  > # end of ParaLine\n > # end of Para\n";
}

inline std::string Flow(const std::string& paras) { return "<TextFlow \n" + paras + "> # end of TextFlow\n"; }

inline std::string Footer() { return "# End of MIFFile\n"; }

// Comment lines making up exactly n bytes (n >= 2 gives at least one line).
inline std::string Padding(size_t n) {
    std::string s;
    while (n > 0) {
        size_t line = n > 70 ? 60 : n;
        if (line == 1) {
            s += "\n";
        } else {
            s += "#" + std::string(line - 2, 'p') + "\n";
        }
        n -= line;
    }
    return s;
}

// The table start as the rules give it: widths, spacing 30 60 30 60, and
// the indent halved toward zero.
inline std::string StartEntry(const std::vector<int64_t>& widths, int64_t pageWidth = 12240, int64_t left = 1440,
                              int64_t right = 1440) {
    int64_t sum = 0;
    std::string s = "start(";
    for (size_t i = 0; i < widths.size(); ++i) {
        sum += widths[i];
        s += (i ? "," : "") + std::to_string(widths[i]);
    }
    int64_t room = pageWidth - right - left - sum;
    int64_t indent = room / 2;  // C++ division truncates toward zero
    return s + "|" + std::to_string(indent) + ")";
}

// Tokens 6 and 8 and the text tokens, one entry each; other tokens left out.
// A malformed table token shows as "bad".
inline std::vector<std::string> Trace(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> out;
    for (const testhost::Token& t : testhost::BodyTokens(bytes)) {
        if (t.code == MIF_TOKEN_TEXT) {
            out.push_back("'" + t.Text() + "'");
        } else if (t.code == MIF_TOKEN_CELL_END) {
            out.push_back(t.payload.empty() ? "cell" : "bad");
        } else if (t.code == MIF_TOKEN_TABLE) {
            if (t.payload.size() == 4 && t.U32(0) == 0) {
                out.push_back("end");
                continue;
            }
            if (t.payload.size() < 4) {
                out.push_back("bad");
                continue;
            }
            uint32_t n = t.U32(0);
            if (n == 0 || t.payload.size() != 25 + 4 * static_cast<size_t>(n)) {
                out.push_back("bad");
                continue;
            }
            std::string s = "start(";
            for (uint32_t i = 0; i < n; ++i) s += (i ? "," : "") + std::to_string(static_cast<int32_t>(t.U32(4 + 4 * i)));
            size_t at = 4 + 4 * n;
            bool spacingOk = t.U32(at) == 30 && t.U32(at + 4) == 60 && t.U32(at + 8) == 30 && t.U32(at + 12) == 60 &&
                             t.payload[at + 20] == 0;
            s += "|" + std::to_string(static_cast<int32_t>(t.U32(at + 16))) + ")";
            out.push_back(spacingOk ? s : "bad");
        }
    }
    return out;
}

// The trace entries of one replayed table whose cells hold the given texts.
inline std::vector<std::string> TableEntries(const std::string& start, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> out;
    if (!start.empty()) out.push_back(start);
    for (const auto& row : rows) {
        for (const std::string& c : row) {
            out.push_back("'" + c + "'");
            out.push_back("cell");
        }
    }
    out.push_back("end");
    return out;
}

}  // namespace tabledocs
