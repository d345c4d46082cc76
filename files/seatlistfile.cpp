#include "files/seatlistfile.h"

#include "chart/seatchart.h"
#include "files/entryreader.h"
#include "files/filebytes.h"
#include "files/textcodec.h"


#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QByteArrayView Utf8Mark = "\xEF\xBB\xBF";

FileError notASeatList(const QString &path, const QString &why)
{
    return FileError(FileError::Reason::NotASeatList, FileError::Action::Read, path, why);
}

// UTF-16 text is turned into UTF-8 so that one byte-level reader serves every
// encoding. A file cut short by the read limit may end inside a character;
// that tail is dropped, as it lies beyond any entry that will be read.
std::optional<QByteArray> utf16ToUtf8(QByteArrayView bytes, bool littleEndian, bool complete)
{
    if (!complete) {
        bytes.chop(bytes.size() % 2);
        const qsizetype size = bytes.size();
        const char16_t last = size < 2 ? 0
            : littleEndian         ? char16_t(uchar(bytes[size - 2]) | uchar(bytes[size - 1]) << 8)
                                   : char16_t(uchar(bytes[size - 2]) << 8 | uchar(bytes[size - 1]));
        if (QChar::isHighSurrogate(last))
            bytes.chop(2);
    }
    // The mark has been taken off; a U+FEFF after it is a character.
    const std::optional<QString> text = TextCodec::decodeUtf16(bytes, littleEndian);
    return text ? std::optional(text->toUtf8()) : std::nullopt;
}

} // namespace

Result<QStringList> SeatListFile::read(const QString &path)
{
    const auto bytes = FileBytes::read(path, ReadLimit);
    if (!bytes.ok())
        return bytes.error();
    return parse(bytes.value().data, bytes.value().complete, path);
}

Result<QStringList> SeatListFile::parse(QByteArrayView bytes, bool complete, const QString &path)
{
    const QString badEncoding = u"文字编码无法识别，应为 GBK（GB18030）、UTF-8 或 UTF-16 文本"_s;
    bool utf8 = bytes.startsWith(Utf8Mark);
    QByteArray converted;
    if (utf8) {
        bytes = bytes.sliced(Utf8Mark.size());
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto text = utf16ToUtf8(bytes.sliced(2), bytes.startsWith("\xFF\xFE"), complete);
        if (!text)
            return notASeatList(path, badEncoding);
        converted = std::move(*text);
        bytes = converted;
        utf8 = true;
    }

    EntryReader reader(bytes, complete);
    QList<QByteArray> raw;
    while (raw.size() < MaxEntries && !reader.atEnd()) {
        std::optional<QByteArray> entry = reader.readEntry();
        if (!entry && reader.fault() == EntryReader::Fault::NulByte)
            return notASeatList(path, u"第 %1 项含有空字符（NUL），这不是文本文件"_s.arg(raw.size() + 1));
        if (!entry)
            return notASeatList(path, u"第 %1 项超过 %2 字节"_s.arg(raw.size() + 1).arg(EntryReader::MaxEntryBytes));
        raw.append(std::move(*entry));
    }

    utf8 = utf8 || TextCodec::looksLikeUtf8(bytes.first(reader.position()));
    QStringList entries;
    for (const QByteArray &entry : std::as_const(raw)) {
        std::optional<QString> text = utf8 ? TextCodec::decodeUtf8(entry) : TextCodec::decodeGb18030(entry);
        if (!text)
            return notASeatList(path, badEncoding);
        if (!fitsInFile(*text))
            return notASeatList(path, u"第 %1 项太长，保存时会超过 %2 字节"_s.arg(entries.size() + 1).arg(EntryReader::MaxEntryBytes));
        entries.append(std::move(*text));
    }
    return entries;
}

bool SeatListFile::fitsInFile(const QString &name)
{
    // GB18030 takes at most four bytes per UTF-16 code unit; with two quotes
    // and a blank, a short name fits without being encoded.
    if (4 * name.size() + 3 <= EntryReader::MaxEntryBytes)
        return true;
    const QByteArray bytes = TextCodec::encode(entryText(name));
    return bytes.size() + (bytes.startsWith(Utf8Mark) ? 1 : 0) <= EntryReader::MaxEntryBytes;
}

bool SeatListFile::readsBack(const QString &name)
{
    if (name.isEmpty() || isNullEntry(name) || !fitsInFile(name))
        return false;
    // Decoded as GB18030 whatever the bytes look like: in a whole file the
    // marks of format() keep them GB18030.
    const QByteArray line = TextCodec::encode(entryText(name)) + "\r\n";
    EntryReader reader(line);
    const std::optional<QByteArray> entry = reader.readEntry();
    return entry && reader.atEnd() && TextCodec::decodeGb18030(*entry) == name;
}

bool SeatListFile::isNullEntry(QStringView entry)
{
    return entry.compare(u"NULL", Qt::CaseInsensitive) == 0;
}

QString SeatListFile::entryText(const QString &name)
{
    if (name.isEmpty())
        return u"NULL"_s;
    if (name.contains(u',') || name.startsWith(u' ') || name.endsWith(u' '))
        return u'"' + name + u'"';
    return name;
}

int SeatListFile::firstSeatNotReadBack(const SeatChart &chart, const QByteArray &bytes)
{
    // The bytes go through the start-up's reader, with its read limit.
    const auto readBack = [&](qsizetype size) { return parse(QByteArrayView(bytes).first(std::min(size, ReadLimit)), size <= ReadLimit); };
    const auto back = readBack(bytes.size());
    int seat = 0;
    if (back.ok()) {
        const QStringList &entries = back.value();
        while (seat < SeatChart::SeatCount && seat < entries.size()
               && (isNullEntry(entries.at(seat)) ? chart.seat(seat).isEmpty() : entries.at(seat) == chart.seat(seat)))
            ++seat;
    } else {
        // The first seat whose line the reader refuses: every shorter run of
        // lines reads.
        for (qsizetype end = 0; (end = bytes.indexOf('\n', end) + 1) > 0 && readBack(end).ok();)
            ++seat;
    }
    return seat;
}

Result<QByteArray> SeatListFile::format(const SeatChart &chart, const QString &path)
{
    QStringList lines;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        lines << entryText(chart.seat(i));
    const auto encode = [&] { return TextCodec::encode(QString(lines.join(u"\r\n"_s) + u"\r\n"_s)); };
    QByteArray bytes = encode();

    // Now and then the GB18030 bytes of every name in a chart also form UTF-8
    // that the reader takes for it: with a three- or four-byte character (甬华
    // is F0 AE BB AA), or as names in two-byte characters (Jos茅 is José). An
    // ideographic space (A1 A1, never UTF-8) after a closing quote keeps the
    // file GB18030 and is dropped on reading. It goes where the line stays
    // shortest: after a quoted NULL in an empty seat, or else after the
    // shortest name without a quote of its own.
    if (TextCodec::looksLikeUtf8(bytes)) {
        int marked = -1;
        qsizetype shortest = EntryReader::MaxEntryBytes - 3; // room for the marks
        for (int i = 0; i < SeatChart::SeatCount; ++i) {
            const QString &name = chart.seat(i);
            const qsizetype size = name.isEmpty() ? 0 : TextCodec::encode(name).size();
            if (!name.contains(u'"') && size < shortest) {
                marked = i;
                shortest = size;
            }
        }
        if (marked >= 0)
            lines[marked] = u'"' + (chart.seat(marked).isEmpty() ? u"NULL"_s : chart.seat(marked)) + u"\"\u3000"_s;
        bytes = encode();
    }

    // A first name that begins with 锘 (EF BB) and a character whose first
    // byte is BF would start the file with the UTF-8 byte-order mark, and the
    // file would be read as UTF-8. The blank in front is skipped on reading.
    if (bytes.startsWith(Utf8Mark))
        bytes.prepend(' ');

    // The special cases above are not the guarantee; this is.
    int seat = firstSeatNotReadBack(chart, bytes);
    if (seat == SeatChart::SeatCount)
        return bytes;
    seat = std::min(seat, SeatChart::SeatCount - 1);
    const QString &name = chart.seat(seat);
    return FileError(FileError::Reason::NotFaithful, FileError::Action::Write, path,
                     u"第 %1 列第 %2 行的%3保存后读出来会不一样"_s.arg(SeatChart::columnOf(seat) + 1)
                         .arg(SeatChart::rowOf(seat) + 1)
                         .arg(name.isEmpty() ? u"空座位"_s : FileError::quoted(name.left(20))));
}
