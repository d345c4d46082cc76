#pragma once

#include "sheet/chartsheet.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QMimeData;

// The forms in which a sheet leaves the program: the bytes of a PDF or PNG
// file (which the files layer writes), and what goes on the clipboard.
class SheetDocuments
{
public:
    // Both views on A4 landscape pages, the names as searchable text in
    // embedded fonts.
    static QByteArray pdf(const ChartSheet &sheet);
    // A PDF of the sheet that Qt wrote (through a printer's "print to file",
    // say), with each glyph named by the character the sheet drew with it,
    // as pdf() names them, from the texts ChartSheet::paint() listed as it
    // drew them: Qt names a glyph by the lowest character that the font
    // gives it, which for many common hanzi is a radical of the same shape
    // (⼦ for 子), and leaves out the glyphs of characters past U+FFFF (𬱖),
    // so that a name would not be found or copied.
    static QByteArray withGlyphsNamed(QByteArray pdf, const QList<ChartSheet::DrawnText> &drawn);
    // The FacingPodium view, MinimumImageWidth pixels wide or wider.
    static QImage image(const ChartSheet &sheet);
    static QByteArray png(const ChartSheet &sheet);

    // Seven lines, 第1排 to 第7排, each the names of 第1列 to 第5列
    // separated by tabs, an empty seat an empty cell: what a spreadsheet
    // pastes as a 7 × 5 table. Every line ends in "\n", the last one too, as
    // spreadsheets copy a table. Tabs and line breaks inside a name become
    // spaces, as on the sheet. A name that sets a writing direction of its
    // own (an override, an embedding, an isolate) is isolated, between U+2068
    // and U+2069, so that it cannot turn the rest of its line around.
    static QString tabText(const SeatChart &chart);
    // The same table in an HTML document, the names escaped: the title as
    // its caption and a row 讲台 above 第1排.
    static QString htmlTable(const ChartSheet &sheet);
    // The picture (as png() gives it, under image/png), the HTML table and
    // the tab text at once, all in the FacingPodium view. The caller owns
    // the result.
    static QMimeData *clipboardData(const ChartSheet &sheet);

    static constexpr int MinimumImageWidth = 1600;
};
