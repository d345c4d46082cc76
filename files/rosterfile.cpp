#include "files/rosterfile.h"

#include "files/filebytes.h"
#include "files/tabletext.h"
#include "files/textcodec.h"
#include "files/xlsbook.h"
#include "files/xlsxbook.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

enum class Content { Zip, Compound, Html, Text, Other };

const QByteArrayView ZipMagic = "PK\x03\x04";
const QByteArrayView CompoundMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
// An Office file encrypted with a password is a compound file with this
// stream, whatever its extension.
const QByteArray EncryptedStream = QByteArray::fromRawData("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);

Content contentOf(QByteArrayView bytes, const std::optional<QString> &text)
{
    if (bytes.startsWith(ZipMagic) || bytes.startsWith("PK\x05\x06"))
        return Content::Zip;
    if (bytes.startsWith(CompoundMagic))
        return Content::Compound;
    if (!text)
        return Content::Other;
    const QString start = text->left(4096).trimmed().toLower();
    if (start.startsWith(u'<') && (start.contains(u"<html"_s) || start.contains(u"<table"_s)))
        return Content::Html;
    return Content::Text;
}

QString described(Content content)
{
    switch (content) {
    case Content::Zip: return u"Excel 工作簿（.xlsx）或别的压缩文件"_s;
    case Content::Compound: return u"Excel 97–2003 工作簿（.xls）或别的 Office 文件"_s;
    case Content::Html: return u"网页（HTML）"_s;
    case Content::Text: return u"文本"_s;
    case Content::Other: break;
    }
    return u"别的格式"_s;
}

// A .csv file's separator: the comma, unless the first line has none and
// tabs or semicolons instead, as some programs write it.
QChar separatorOf(QStringView text)
{
    const QStringView line = text.left(text.indexOf(u'\n') < 0 ? text.size() : text.indexOf(u'\n'));
    if (line.contains(u','))
        return u',';
    if (line.count(u'\t') >= line.count(u';') && line.contains(u'\t'))
        return u'\t';
    return line.contains(u';') ? u';' : u',';
}

} // namespace

bool RosterFile::isRoster(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == u"xlsx"_s || suffix == u"xls"_s || suffix == u"csv"_s;
}

Result<QList<Worksheet>> RosterFile::read(const QString &path)
{
    const auto file = FileBytes::read(path, MaxFileBytes);
    if (!file.ok())
        return file.error();
    if (!file.value().complete)
        return FileError::notARoster(path, u"文件超过 %1 MB，不像一个班的名单"_s.arg(MaxFileBytes / (1024 * 1024)));
    const QByteArray &bytes = file.value().data;
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool compound = bytes.startsWith(CompoundMagic);
    if (compound && bytes.contains(EncryptedStream))
        return FileError::encryptedRoster(path);
    const std::optional<QString> text = compound || bytes.startsWith(ZipMagic) ? std::nullopt : TextCodec::decodeText(bytes);
    const Content content = contentOf(bytes, text);
    const Content expected = suffix == u"xlsx"_s ? Content::Zip : suffix == u"xls"_s ? Content::Compound : Content::Text;
    if (content != expected) {
        if (content == Content::Other && expected == Content::Text)
            return FileError::notARoster(path, u"文字编码无法识别，应为 GBK（GB18030）、UTF-8 或 UTF-16 文本"_s);
        return FileError::notARoster(path, u"扩展名是 .%1，内容却是%2；请用 Excel 或 WPS 打开它，另存为 .xlsx 或 .csv 后再导入"_s.arg(suffix, described(content)));
    }
    if (content == Content::Zip)
        return XlsxBook::read(bytes, path);
    if (content == Content::Compound)
        return XlsBook::read(bytes, path);
    TableText::Table table = TableText::parse(*text, separatorOf(*text));
    if (table.cut)
        return FileError::notARoster(path, u"超过 %1 行，不像一个班的名单"_s.arg(TableText::MaxRows));
    return QList<Worksheet>{{QFileInfo(path).completeBaseName(), std::move(table.rows)}};
}
