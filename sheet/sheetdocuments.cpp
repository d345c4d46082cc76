#include "sheet/sheetdocuments.h"

#include "sheet/chinesefonts.h"

#include <QBuffer>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QMap>
#include <QMimeData>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QSet>
#include <QTextLayout>

#include <algorithm>
#include <cctype>
#include <functional>
#include <numeric>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A4 landscape, in millimetres: the picture has the printed page's shape.
constexpr qreal A4Long = 297;
constexpr qreal A4Short = 210;

// Characters that share a glyph with the one a text means and are never
// what it means: control characters (a tab has the space's glyph) and the
// radicals (⼀ U+2F00 has the glyph of 一, ⻩ U+2EE9 that of 黄).
bool standsIn(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || (c >= 0x2e80 && c < 0x2fe0);
}

// For each character, the one the PDF should name its glyph by: among those
// with the same glyph in the program's face, one that `drawn` holds, else one
// that is no stand-in, the lowest of them.
std::vector<char16_t> glyphNames(const QString &drawn)
{
    std::vector<char16_t> names(0x10000);
    std::iota(names.begin(), names.end(), char16_t(0));
    // Every character once, the surrogates as spaces: two of them in a row
    // would make one character, and the glyphs no longer one per place.
    QString every(0x10000, u' ');
    for (int c = 0; c < 0x10000; ++c) {
        if (!QChar::isSurrogate(char32_t(c)))
            every[c] = QChar(names[c]);
    }
    QList<quint32> glyphs = QRawFont::fromFont(ChineseFonts::interfaceFont(QFont())).glyphIndexesForString(every);
    if (glyphs.size() != every.size())
        return names;
    // Half a character names no glyph, even where a name holds one.
    std::fill(glyphs.begin() + 0xd800, glyphs.begin() + 0xe000, 0);
    std::vector<bool> inDrawn(0x10000);
    for (QChar c : drawn)
        inDrawn[c.unicode()] = true;
    const auto rank = [&inDrawn](char16_t c) { return standsIn(c) ? 2 : inDrawn[c] ? 0 : 1; };
    QHash<quint32, char16_t> best; // glyph -> its name
    for (char16_t c : names) {
        const auto found = best.constFind(glyphs[c]);
        if (glyphs[c] != 0 && (found == best.cend() || rank(c) < rank(*found)))
            best.insert(glyphs[c], c);
    }
    for (char16_t &c : names)
        c = best.value(glyphs[c], c);
    return names;
}

// Reads the lines of a ToUnicode map between `from` and `to`:
// "<0001> <000A> [<5F20> <4F1F> ...]" names glyphs 1 to 10 one by one,
// "<000B> <000B> <738B>" names one glyph, and "<0010> <0019> <0041>" names a
// run of glyphs by consecutive characters (Qt writes one only for ten or more
// glyphs in a row, which names never are). For each glyph named, calls
// `named(cid, at, step)`: `at` is where the four hex digits of its character
// stand in `pdf` (a run's first character's), `step` its place in a run, or
// -1 where it is in none. Other lines, a character in UTF-16 pairs among
// them, are passed over.
void forEachNamed(const QByteArray &pdf, qsizetype from, qsizetype to, const std::function<void(uint, qsizetype, int)> &named)
{
    const auto digits = [&pdf](qsizetype at) {
        bool ok = false;
        const uint value = pdf.mid(at, 4).toUInt(&ok, 16);
        return ok && pdf.mid(at + 4, 1) == ">" ? std::optional(value) : std::nullopt;
    };
    for (qsizetype line = from, next = 0; line < to && next >= 0; line = next + 1) {
        next = pdf.indexOf('\n', line);
        const auto first = digits(line + 1), last = digits(line + 8);
        const QByteArray head = pdf.mid(line, 15);
        if (head.size() < 15 || head[0] != '<' || head[7] != '<' || !first || !last || *last < *first)
            continue;
        if (head[14] != '[') {
            for (uint cid = *first; digits(line + 15) && cid <= *last; ++cid)
                named(cid, line + 15, *first == *last ? -1 : int(cid - *first));
            continue;
        }
        uint cid = *first;
        for (qsizetype code = pdf.indexOf('<', line + 14); code >= 0 && code + 5 < next && cid <= *last; code = pdf.indexOf('<', code + 6)) {
            if (digits(code + 1))
                named(cid++, code + 1, -1);
        }
    }
}

// Where the ToUnicode maps are: for each, the length's digits in its
// stream's dictionary, and the map's lines, from after "begincmap" to
// "endcmap". Only streams as Qt writes them count, so that text elsewhere in
// the file (a title in UTF-16 whose bytes spell "begincmap") is not taken
// for a map.
struct MapAt {
    qsizetype length = 0, digits = 0, begin = 0, end = 0;
};

QList<MapAt> toUnicodeMaps(const QByteArray &pdf)
{
    static const QByteArray head = " >>\nstream\n/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n";
    static const QByteArray length = "<< /Length ";
    QList<MapAt> maps;
    for (qsizetype at = pdf.indexOf(head); at >= 0; at = pdf.indexOf(head, at + 1)) {
        qsizetype digits = 0;
        while (at - digits > 0 && std::isdigit(static_cast<unsigned char>(pdf.at(at - digits - 1))))
            ++digits;
        const qsizetype end = pdf.indexOf("endcmap\n", at);
        const qsizetype streamEnd = pdf.indexOf("endstream", at);
        if (digits == 0 || pdf.mid(at - digits - length.size(), length.size()) != length || end < 0 || streamEnd < end)
            continue;
        maps << MapAt{at - digits, digits, at + head.size(), end};
    }
    return maps;
}

// Names the glyphs of the PDF's ToUnicode maps (which Qt writes
// uncompressed) by the characters drawn, in place, four hex digits for four.
// Qt names each glyph by the lowest character that the font gives it, and the
// CJK faces give about 300 radicals the glyphs of the ideographs they look
// like, and a tab the space's: 王子涵 would be copied as 王⼦涵, and found by
// no search.
void renameGlyphs(QByteArray &pdf, const std::vector<char16_t> &names)
{
    for (const MapAt &map : toUnicodeMaps(pdf)) {
        forEachNamed(pdf, map.begin, map.end, [&](uint, qsizetype at, int step) {
            if (step < 0)
                pdf.replace(at, 4, QByteArray::number(uint(names[pdf.mid(at, 4).toUInt(nullptr, 16)]), 16).toUpper().rightJustified(4, '0'));
        });
    }
}

// The glyphs that each face of the sheet gives, in the order that the PDF
// writer first meets them: its subset of that face numbers them in that
// order (CIDs), after glyph 0.
class GlyphOrder
{
public:
    explicit GlyphOrder(const QList<ChartSheet::DrawnText> &drawn)
    {
        for (const ChartSheet::DrawnText &text : drawn) {
            QTextLayout layout(text.text, text.font);
            QTextOption option;
            option.setTextDirection(Qt::LeftToRight); // as the sheet draws
            layout.setTextOption(option);
            layout.beginLayout();
            const QTextLine line = layout.createLine();
            layout.endLayout();
            // The line's runs come in the order drawn; the layout's own list
            // merges them by face and direction in no fixed order. A run
            // without a face (a script that no installed face has: Qt
            // draws boxes, and its raw font has not even a family name)
            // draws nothing the PDF names.
            for (const QGlyphRun &run : line.glyphRuns()) {
                if (!run.rawFont().fontTable("head").isEmpty())
                    add(run.rawFont(), run.glyphIndexes(), text.text);
            }
        }
    }

    // For each glyph of the subset whose map gives `named` (CID -> the
    // character Qt named it by), the character past U+FFFF that the sheet
    // drew with it, which Qt leaves out of the map. Empty unless exactly one
    // face matches the map throughout.
    QMap<uint, char32_t> unnamed(const QMap<uint, char16_t> &named) const
    {
        const Face *found = nullptr;
        for (const Face &face : m_faces) {
            const bool matches = std::all_of(named.keyValueBegin(), named.keyValueEnd(), [&face](const auto &entry) {
                const auto [cid, c] = entry;
                return cid == 0 || (cid < uint(face.glyphs.size()) && face.font.glyphIndexesForString(QString(QChar(c))).value(0) == face.glyphs[cid]);
            });
            if (matches && found)
                return {};
            if (matches)
                found = &face;
        }
        QMap<uint, char32_t> wide;
        for (uint cid = 1; found && cid < uint(found->glyphs.size()); ++cid) {
            if (!named.contains(cid) && found->wide.contains(found->glyphs[cid]))
                wide.insert(cid, found->wide.value(found->glyphs[cid]));
        }
        return wide;
    }

private:
    struct Face {
        QRawFont font;
        QList<quint32> glyphs{0};
        QSet<quint32> seen{0};
        QHash<quint32, char32_t> wide; // glyph -> a character past U+FFFF drawn with it
    };

    void add(const QRawFont &font, const QList<quint32> &glyphs, const QString &text)
    {
        // A face is one subset whatever its size.
        auto face = std::find_if(m_faces.begin(), m_faces.end(), [&font](const Face &known) {
            return known.font.familyName() == font.familyName() && known.font.styleName() == font.styleName();
        });
        if (face == m_faces.end())
            face = m_faces.insert(m_faces.end(), Face{font, {0}, {0}, {}});
        for (const quint32 glyph : glyphs) {
            if (!face->seen.contains(glyph))
                face->seen.insert(glyph), face->glyphs << glyph;
        }
        for (const char32_t c : text.toUcs4()) {
            if (c > 0xffff) {
                const quint32 glyph = font.glyphIndexesForString(QString::fromUcs4(&c, 1)).value(0);
                if (glyph != 0)
                    face->wide.insert(glyph, c);
            }
        }
    }

    std::vector<Face> m_faces;
};

// The CIDs that the map between `from` and `to` names, and the characters
// it names them by.
QMap<uint, char16_t> namedIn(const QByteArray &pdf, qsizetype from, qsizetype to)
{
    QMap<uint, char16_t> named;
    forEachNamed(pdf, from, to, [&](uint cid, qsizetype at, int step) {
        named.insert(cid, char16_t(pdf.mid(at, 4).toUInt(nullptr, 16) + std::max(step, 0)));
    });
    return named;
}

// Replaces the bytes [at, at + removed) of `pdf` with `inserted`, and moves
// the cross-reference table's offsets of everything after them. False, and
// `pdf` unchanged, where the table is not the one Qt writes.
bool splice(QByteArray &pdf, qsizetype at, qsizetype removed, const QByteArray &inserted)
{
    const qsizetype start = pdf.lastIndexOf("startxref\n");
    bool ok = false;
    const qsizetype xref = start < 0 ? -1 : pdf.mid(start + 10, pdf.indexOf('\n', start + 10) - start - 10).trimmed().toLongLong(&ok);
    if (!ok || xref <= at || !pdf.mid(xref).startsWith("xref\n0 "))
        return false;
    const qsizetype header = pdf.indexOf('\n', xref + 5) + 1;
    const qsizetype count = pdf.mid(xref + 7, header - xref - 8).toLongLong(&ok);
    if (!ok || header + count * 20 > start)
        return false;
    const qsizetype shift = inserted.size() - removed;
    QByteArray moved = pdf;
    for (qsizetype entry = header; entry < header + count * 20; entry += 20) {
        const qsizetype offset = moved.mid(entry, 10).toLongLong(&ok);
        if (!ok)
            return false;
        if (moved[entry + 17] == 'n' && offset > at)
            moved.replace(entry, 10, QByteArray::number(offset + shift).rightJustified(10, '0'));
    }
    moved.replace(start + 10, pdf.indexOf('\n', start + 10) - start - 10, QByteArray(QByteArray::number(xref + shift) + ' '));
    moved.replace(at, removed, inserted);
    pdf = moved;
    return true;
}

// Adds to each ToUnicode map the glyphs drawn for characters past U+FFFF,
// which Qt leaves out (it looks for each glyph's character below U+10000
// only): 周𬱖 would be found and copied as 周. A CMap names them in UTF-16,
// "<0057> <D873DC56>", in a section of its own before the map ends; the
// stream's length and the offsets after it move by as much.
void nameWideGlyphs(QByteArray &pdf, const GlyphOrder &order)
{
    // From the last map to the first, so that each splice moves only what
    // has been done.
    const QList<MapAt> maps = toUnicodeMaps(pdf);
    for (auto map = maps.crbegin(); map != maps.crend(); ++map) {
        const QMap<uint, char32_t> wide = order.unnamed(namedIn(pdf, map->begin, map->end));
        if (wide.isEmpty())
            continue;
        // A section holds 100 entries at the most.
        QByteArray sections;
        for (auto entry = wide.keyValueBegin(); entry != wide.keyValueEnd();) {
            QByteArray section;
            int count = 0;
            for (; entry != wide.keyValueEnd() && count < 100; ++entry, ++count) {
                const char32_t c = entry->second;
                const QString utf16 = QString::fromUcs4(&c, 1);
                section += '<' + QByteArray::number(entry->first, 16).toUpper().rightJustified(4, '0') + "> <"
                    + QByteArray::number(utf16[0].unicode(), 16).toUpper() + QByteArray::number(utf16[1].unicode(), 16).toUpper()
                    + ">\n";
            }
            sections += QByteArray::number(count) + " beginbfchar\n" + section + "endbfchar\n";
        }
        // The map first, as it stands after the length.
        bool ok = false;
        const qsizetype old = pdf.mid(map->length, map->digits).toLongLong(&ok);
        if (!ok || !splice(pdf, map->end, 0, sections) || !splice(pdf, map->length, map->digits, QByteArray::number(old + sections.size())))
            return;
    }
}

} // namespace

QByteArray SheetDocuments::pdf(const ChartSheet &sheet)
{
    QList<ChartSheet::DrawnText> drawn;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        // The sheet keeps its own margins, so the page has none.
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
        writer.setTitle(sheet.title());
        writer.setCreator(u"Sedario"_s);
        QPainter painter(&writer);
        sheet.paintPages(painter, writer, &drawn);
    }
    return withGlyphsNamed(buffer.data(), drawn);
}

QByteArray SheetDocuments::withGlyphsNamed(QByteArray pdf, const QList<ChartSheet::DrawnText> &drawn)
{
    QString characters;
    for (const ChartSheet::DrawnText &text : drawn)
        characters += text.text;
    renameGlyphs(pdf, glyphNames(characters));
    // Laying the texts out again costs a tenth of the PDF's time; most
    // sheets have no character past U+FFFF.
    if (std::any_of(characters.cbegin(), characters.cend(), [](QChar c) { return c.isSurrogate(); }))
        nameWideGlyphs(pdf, GlyphOrder(drawn));
    return pdf;
}

QImage SheetDocuments::image(const ChartSheet &sheet)
{
    const int width = MinimumImageWidth;
    const int height = qRound(width * A4Short / A4Long);
    QImage image(width, height, QImage::Format_RGB32);
    // Placed in a document, the picture fills an A4 landscape page.
    const int dotsPerMetre = qRound(width / (A4Long / 1000));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    sheet.paint(painter, QRectF(image.rect()), ChartSheet::View::FacingPodium);
    return image;
}

QByteArray SheetDocuments::png(const ChartSheet &sheet)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    // Black on white in grey levels: the same picture in half the bytes and
    // half the time of 32-bit colour. Compressed fast (Qt's quality 80 is
    // zlib's level 1): half the encoding time, for 13 to 17 % more bytes.
    image(sheet).convertToFormat(QImage::Format_Grayscale8).save(&buffer, "PNG", 80);
    return buffer.data();
}

QString SheetDocuments::tabText(const SeatChart &chart)
{
    QString text;
    for (int row = 1; row <= SeatChart::Rows; ++row) {
        for (int column = 1; column <= SeatChart::Columns; ++column) {
            if (column > 1)
                text += u'\t';
            const QString name = ChartSheet::lineText(chart.seat(chart.indexAtPupil(column, row)));
            // A name that sets a writing direction of its own keeps it to
            // itself, as in messages; others stay as they are, for search.
            const bool directs = std::any_of(name.begin(), name.end(), [](QChar c) {
                return (c.unicode() >= 0x202a && c.unicode() <= 0x202e) || (c.unicode() >= 0x2066 && c.unicode() <= 0x2069);
            });
            text += directs ? u'\u2068' + name + u'\u2069' : name;
        }
        text += u'\n';
    }
    return text;
}

QString SheetDocuments::htmlTable(const ChartSheet &sheet)
{
    const SeatChart &chart = sheet.chart();
    const QString title = ChartSheet::lineText(sheet.title()).toHtmlEscaped();
    QString html = u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>"_s + title
        + u"</title>\n</head>\n<body>\n<table border=\"1\" cellpadding=\"8\" cellspacing=\"0\" style=\"border-collapse: collapse\">\n"_s
        + u"<caption>"_s + title + u"</caption>\n<tr><th colspan=\"5\">讲台</th></tr>\n"_s;
    for (int row = 1; row <= SeatChart::Rows; ++row) {
        html += u"<tr>"_s;
        for (int column = 1; column <= SeatChart::Columns; ++column)
            html += u"<td>"_s + ChartSheet::lineText(chart.seat(chart.indexAtPupil(column, row))).toHtmlEscaped() + u"</td>"_s;
        html += u"</tr>\n"_s;
    }
    return html + u"</table>\n</body>\n</html>\n"_s;
}

QMimeData *SheetDocuments::clipboardData(const ChartSheet &sheet)
{
    auto *data = new QMimeData;
    // Ready PNG bytes, grey as export writes them: a colour image is
    // encoded only when another program asks for it, which kept the paste
    // waiting, and came out several times larger.
    data->setData(u"image/png"_s, png(sheet));
    data->setHtml(htmlTable(sheet));
    data->setText(tabText(sheet.chart()));
    return data;
}
