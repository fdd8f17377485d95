// Small MIF documents written for the cross-platform tests.
#pragma once

namespace moddocs {

// Body text with a paragraph format, a font change by family, a table
// anchored in the text and a frame holding five bytes of hexadecimal data.
inline constexpr const char kMixedDocument[] =
    "<MIFFile 7.00> # written by hand\n"
    "<Units Uin>\n"
    "<FontCatalog\n"
    " <Font <FTag `Emphasis'> <FFamily `Courier New'> <FAngle `Italic'>>\n"
    ">\n"
    "<PgfCatalog\n"
    " <Pgf <PgfTag `Body'> <PgfLIndent 0.5\"> <PgfFont <FFamily `Arial'> <FSize 10.0 pt>>>\n"
    ">\n"
    "<Tbls\n"
    " <Tbl <TblID 3> <TblNumColumns 2> <TblColumnWidth 2.0\"> <TblColumnWidth 3.0\">\n"
    "  <TblBody <Row <Cell <CellContent <Para <ParaLine <String `left'>>>>>\n"
    "               <Cell <CellContent <Para <ParaLine <String `right'>>>>>>>\n"
    " >\n"
    ">\n"
    "<AFrames\n"
    " <Frame\n"
    "  <ID 7>\n"
    "  <ShapeRect  1.0\" 1.0\" 2.0\" 1.0\">\n"
    "  <ImportObject\n"
    "   <ShapeRect  1.0\" 1.0\" 2.0\" 1.0\">\n"
    "=FrameImage\n"
    "&%v\n"
    "&\\x48656C6C6F\\x\n"
    "=EndInset\n"
    "  >\n"
    " >\n"
    ">\n"
    "<Page <PageType BodyPage> <PageSize  8.5\" 11.0\">\n"
    " <TextRect <ID 9> <ShapeRect  1.0\" 1.0\" 6.5\" 9.0\">>\n"
    ">\n"
    "<TextFlow\n"
    " <Para <PgfTag `Body'>\n"
    "  <ParaLine <TextRectID 9> <String `Caf\\xe9 \\\\ \\> done'> <Font <FFamily `Times New Roman'>>\n"
    "   <String `after'> <ATbl 3> <AFrame 7>>\n"
    " >\n"
    " <Para <ParaLine <Font <FTag `Emphasis'>> <String `second'>>>\n"
    ">\n"
    "# End of MIFFile\n";

}  // namespace moddocs
