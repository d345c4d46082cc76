#include "files/xlsxbook.h"

#include "files/tabletext.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The file's bytes as minizip's stream, so that the container is read from
// memory the files layer has already checked, never opened again by name.
struct MemoryStream {
    QByteArrayView bytes;
    qint64 position = 0;
};

voidpf openStream(voidpf opaque, const void *, int)
{
    return opaque;
}

uLong readStream(voidpf, voidpf stream, void *buffer, uLong size)
{
    auto *memory = static_cast<MemoryStream *>(stream);
    const qint64 count = std::min<qint64>(qint64(size), memory->bytes.size() - memory->position);
    if (count <= 0)
        return 0;
    std::memcpy(buffer, memory->bytes.data() + memory->position, size_t(count));
    memory->position += count;
    return uLong(count);
}

uLong writeStream(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T tellStream(voidpf, voidpf stream)
{
    return ZPOS64_T(static_cast<MemoryStream *>(stream)->position);
}

long seekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *memory = static_cast<MemoryStream *>(stream);
    qint64 base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = memory->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = memory->bytes.size();
    if (offset > ZPOS64_T(memory->bytes.size()) || base + qint64(offset) > memory->bytes.size())
        return -1;
    memory->position = base + qint64(offset);
    return 0;
}

int closeStream(voidpf, voidpf)
{
    return 0;
}

int streamError(voidpf, voidpf)
{
    return 0;
}

struct ZipCloser {
    void operator()(void *zip) const { unzClose(zip); }
};

// Whether XML has the shape of a workbook's part: elements nested at most
// MaxDepth deep with at most MaxAttributes attributes each. A cheap pass
// over the bytes before the XML reader sees them, which takes time that
// grows much faster than the text on a start tag with a hundred thousand
// attributes, and memory with every level of nesting.
bool hasWorkbookShape(QByteArrayView xml)
{
    constexpr int MaxDepth = 32;
    constexpr int MaxAttributes = 64;
    int depth = 0;
    for (qsizetype i = xml.indexOf('<'); i >= 0 && i < xml.size(); i = xml.indexOf('<', i)) {
        const QByteArrayView rest = xml.sliced(i);
        const auto skipTo = [&](QByteArrayView end) {
            const qsizetype at = rest.indexOf(end);
            return at < 0 ? xml.size() : i + at + end.size();
        };
        if (rest.startsWith("<!--")) {
            i = skipTo("-->");
        } else if (rest.startsWith("<![CDATA[")) {
            i = skipTo("]]>");
        } else if (rest.startsWith("<?") || rest.startsWith("<!")) {
            i = skipTo(">");
        } else if (rest.startsWith("</")) {
            --depth;
            i = skipTo(">");
        } else {
            // A start tag: its attributes are its = signs outside quotes.
            int attributes = 0;
            char quote = 0;
            qsizetype j = i + 1;
            for (; j < xml.size() && (quote || xml[j] != '>'); ++j) {
                if (quote)
                    quote = xml[j] == quote ? 0 : quote;
                else if (xml[j] == '"' || xml[j] == '\'')
                    quote = xml[j];
                else if (xml[j] == '=' && ++attributes > MaxAttributes)
                    return false;
            }
            if (j < xml.size() && xml[j - 1] != '/' && ++depth > MaxDepth)
                return false;
            i = j + 1;
        }
    }
    return true;
}

// The workbook's parts, inflated one at a time within one budget of bytes
// and one of time.
class Container
{
public:
    Container(QByteArrayView bytes, const QString &path) : m_stream{bytes, 0}, m_path(path)
    {
        zlib_filefunc64_def functions{openStream, readStream, writeStream, tellStream, seekStream, closeStream, streamError, &m_stream};
        m_zip.reset(unzOpen2_64("", &functions));
        // Where each part is, from one pass over the zip's directory: a
        // lookup by name would read the whole directory each time.
        for (int status = m_zip ? unzGoToFirstFile(m_zip.get()) : UNZ_END_OF_LIST_OF_FILE; status == UNZ_OK;
             status = unzGoToNextFile(m_zip.get())) {
            char name[512];
            unz64_file_pos position{};
            m_tooManyParts = m_parts.size() == XlsxBook::MaxParts;
            if (m_tooManyParts || unzGetCurrentFileInfo64(m_zip.get(), nullptr, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK
                || unzGetFilePos64(m_zip.get(), &position) != UNZ_OK) {
                m_zip.reset();
                break;
            }
            m_parts.insert(QString::fromUtf8(name).toLower(), position);
        }
    }

    bool isOpen() const { return m_zip != nullptr; }

    // The part's bytes, nullopt when there is no such part; an error when it
    // cannot be inflated, the budget runs out or its XML has a shape no
    // workbook has.
    std::optional<Result<QByteArray>> part(const QString &name)
    {
        const auto found = m_parts.constFind(name.toLower());
        if (found == m_parts.cend())
            return std::nullopt;
        unz64_file_pos position = *found;
        if (unzGoToFilePos64(m_zip.get(), &position) != UNZ_OK)
            return Result<QByteArray>(damaged());
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(m_zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return Result<QByteArray>(damaged());
        if (info.flag & 1)
            return Result<QByteArray>(FileError::encryptedRoster(m_path));
        if (unzOpenCurrentFile(m_zip.get()) != UNZ_OK)
            return Result<QByteArray>(damaged());
        QByteArray data;
        char buffer[64 * 1024];
        int read = 0;
        // The sizes in the headers are not trusted: a part is inflated only
        // as far as the budget goes.
        while ((read = unzReadCurrentFile(m_zip.get(), buffer, sizeof buffer)) > 0) {
            m_unpacked += read;
            if (m_unpacked > XlsxBook::MaxUnpackedBytes) {
                unzCloseCurrentFile(m_zip.get());
                return Result<QByteArray>(FileError::notARoster(
                    m_path, u"解压后超过 %1 MB，不像一份名单（可能是损坏或恶意制作的文件）"_s.arg(XlsxBook::MaxUnpackedBytes / (1024 * 1024))));
            }
            data.append(buffer, read);
        }
        if (unzCloseCurrentFile(m_zip.get()) != UNZ_OK || read < 0)
            return Result<QByteArray>(damaged());
        if (!hasWorkbookShape(data))
            return Result<QByteArray>(FileError::notARoster(m_path, u"%1 的内容嵌套太深或属性太多，不像 Excel 工作簿"_s.arg(name)));
        return Result<QByteArray>(data);
    }

    FileError damaged() const
    {
        if (m_tooManyParts)
            return FileError::notARoster(m_path, u"里面有 %1 个以上的文件，不像 Excel 工作簿"_s.arg(XlsxBook::MaxParts));
        return FileError::notARoster(m_path, u"文件不完整或已损坏"_s);
    }

    // Why the XML of a part could not be read: too late, or damaged.
    FileError failed(const QXmlStreamReader &xml) const
    {
        if (xml.errorString() == LateMarker)
            return FileError::notARoster(m_path, u"读取超过 %1 秒还没有读完，不像一份名单"_s.arg(XlsxBook::TimeLimitMs / 1000.0));
        return damaged();
    }

    // The next element's start, or false at the end, on an error or when
    // the time is up; a document type declaration is an error, so that no
    // entity is ever expanded.
    bool nextElement(QXmlStreamReader &xml) const
    {
        if (m_deadline.hasExpired()) {
            xml.raiseError(LateMarker);
            return false;
        }
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::DTD) {
                xml.raiseError(u"DTD"_s);
                return false;
            }
            if (token == QXmlStreamReader::StartElement)
                return true;
        }
        return false;
    }

private:
    static inline const QString LateMarker = u"late"_s;

    MemoryStream m_stream;
    QString m_path;
    std::unique_ptr<void, ZipCloser> m_zip;
    QHash<QString, unz64_file_pos> m_parts;
    bool m_tooManyParts = false;
    qint64 m_unpacked = 0;
    QDeadlineTimer m_deadline{XlsxBook::TimeLimitMs};
};

// The text of an <si> or <is> element: its <t> elements, without the
// phonetic runs (<rPh>) that East Asian spreadsheets add.
QString richText(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"t"_s) {
                // Read to its end, which leaves the depth as it was.
                const QString run = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (phonetic == 0)
                    text += run;
                continue;
            }
            ++depth;
            if (xml.name() == u"rPh"_s)
                ++phonetic;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == u"rPh"_s)
                --phonetic;
        }
    }
    return text;
}

Result<QStringList> sharedStrings(const Container &zip, const QByteArray &data, const QString &path)
{
    const FileError tooMany = FileError::notARoster(path, u"里面的文字超过 %1 段，不像一个班的名单"_s.arg(XlsxBook::MaxStrings));
    // Counted in the bytes first, which takes a moment where parsing them
    // would take most of the time allowed; the count while parsing holds
    // for any spelling of the element.
    if (data.count("<si>") + data.count("<si ") + data.count("<si/>") > XlsxBook::MaxStrings)
        return tooMany;
    QXmlStreamReader xml(data);
    QStringList strings;
    while (zip.nextElement(xml)) {
        if (xml.name() != u"si"_s)
            continue;
        if (strings.size() == XlsxBook::MaxStrings)
            return tooMany;
        strings << richText(xml);
    }
    if (xml.hasError())
        return zip.failed(xml);
    return strings;
}

// The column of a cell reference such as "AB12", from 0; -1 when there is
// none.
qsizetype columnOf(QStringView reference)
{
    qsizetype column = 0;
    qsizetype letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        column = column * 26 + (u - u'A' + 1);
        if (++letters > 3)
            return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

} // namespace

Result<QList<Worksheet>> XlsxBook::read(QByteArrayView bytes, const QString &path)
{
    Container zip(bytes, path);
    if (!zip.isOpen())
        return zip.damaged();
    const auto need = [&](const QString &name) -> Result<QByteArray> {
        auto part = zip.part(name);
        if (!part)
            return FileError::notARoster(path, u"里面没有 %1，不是 Excel 工作簿"_s.arg(name));
        return *part;
    };

    // The sheets in the order of their tabs, and where each is.
    const auto workbook = need(u"xl/workbook.xml"_s);
    if (!workbook.ok())
        return workbook.error();
    const auto relations = need(u"xl/_rels/workbook.xml.rels"_s);
    if (!relations.ok())
        return relations.error();
    QHash<QString, QString> targets;
    QString sharedStringsPart = u"xl/sharedStrings.xml"_s;
    {
        QXmlStreamReader xml(relations.value());
        while (zip.nextElement(xml)) {
            if (xml.name() != u"Relationship"_s)
                continue;
            const auto attributes = xml.attributes();
            QString target = attributes.value(u"Target"_s).toString();
            target = target.startsWith(u'/') ? target.mid(1) : u"xl/"_s + target;
            targets.insert(attributes.value(u"Id"_s).toString(), target);
            if (attributes.value(u"Type"_s).endsWith(u"/sharedStrings"_s))
                sharedStringsPart = target;
        }
        if (xml.hasError())
            return zip.failed(xml);
    }
    QList<std::pair<QString, QString>> sheets; // name, part
    {
        QXmlStreamReader xml(workbook.value());
        while (zip.nextElement(xml) && sheets.size() < MaxSheets) {
            if (xml.name() != u"sheet"_s)
                continue;
            QString id;
            for (const auto &attribute : xml.attributes()) {
                if (attribute.name() == u"id"_s)
                    id = attribute.value().toString();
            }
            if (targets.contains(id))
                sheets.append({xml.attributes().value(u"name"_s).toString(), targets.value(id)});
        }
        if (xml.hasError())
            return zip.failed(xml);
    }

    QStringList strings;
    if (auto part = zip.part(sharedStringsPart)) {
        if (!part->ok())
            return part->error();
        auto read = sharedStrings(zip, part->value(), path);
        if (!read.ok())
            return read.error();
        strings = std::move(read.value());
    }

    QList<Worksheet> book;
    for (const auto &[name, partName] : std::as_const(sheets)) {
        const auto part = need(partName);
        if (!part.ok())
            return part.error();
        Worksheet sheet{name, {}};
        QXmlStreamReader xml(part.value());
        qsizetype row = -1;
        qsizetype column = -1;
        QString type;
        while (zip.nextElement(xml)) {
            const auto element = xml.name();
            if (element == u"row"_s) {
                // The rows read count, and so does the number a row gives
                // itself: either over the bound is no class.
                const qsizetype number = xml.attributes().value(u"r"_s).toLongLong();
                row = number > 0 ? number - 1 : row + 1;
                if (row >= TableText::MaxRows || sheet.rows.size() == TableText::MaxRows)
                    return FileError::notARoster(path, u"工作表“%1”超过 %2 行，不像一个班的名单"_s.arg(name).arg(TableText::MaxRows));
                sheet.rows.append(QStringList());
                column = -1;
            } else if (element == u"c"_s && !sheet.rows.isEmpty()) {
                const qsizetype at = columnOf(xml.attributes().value(u"r"_s));
                column = at >= 0 ? at : column + 1;
                type = xml.attributes().value(u"t"_s).toString();
            } else if ((element == u"v"_s || element == u"is"_s) && column >= 0 && column < TableText::MaxColumns) {
                QString value = element == u"is"_s ? richText(xml) : xml.readElementText(QXmlStreamReader::SkipChildElements);
                if (type == u"s"_s) {
                    bool number = false;
                    const qsizetype index = value.toLongLong(&number);
                    if (!number || index < 0 || index >= strings.size())
                        return zip.damaged();
                    value = strings.at(index);
                }
                QStringList &cells = sheet.rows.last();
                while (cells.size() <= column)
                    cells.append(QString());
                cells[column] = value;
            }
        }
        if (xml.hasError())
            return zip.failed(xml);
        book.append(std::move(sheet));
    }
    if (book.isEmpty())
        return FileError::notARoster(path, u"里面没有工作表"_s);
    return book;
}
