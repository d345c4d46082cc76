#include "files/option.h"

#include "files/entryreader.h"
#include "files/filebytes.h"

#include <algorithm>
#include <cmath>

Result<std::optional<PodiumSide>> Option::read(const QString &path)
{
    // A first line longer than the longest entry of a seat list holds no
    // value either.
    auto bytes = FileBytes::read(path, EntryReader::MaxEntryBytes);
    if (!bytes.ok())
        return bytes.error();
    const QByteArray &data = bytes.value().data;
    const auto end = std::find_if(data.begin(), data.end(), EntryReader::isLineEnd);
    if (end == data.end() && !bytes.value().complete)
        return std::optional<PodiumSide>();
    return parse(QByteArrayView(data.begin(), end));
}

std::optional<PodiumSide> Option::parse(QByteArrayView firstLine)
{
    const QByteArrayView text = firstLine.trimmed();
    if (text.compare("true", Qt::CaseInsensitive) == 0)
        return PodiumSide::Top;
    if (text.compare("false", Qt::CaseInsensitive) == 0)
        return PodiumSide::Bottom;
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number))
        return std::nullopt;
    return number != 0 ? PodiumSide::Top : PodiumSide::Bottom;
}

QByteArray Option::format(PodiumSide side)
{
    return side == PodiumSide::Top ? QByteArrayLiteral("True\r\n") : QByteArrayLiteral("False\r\n");
}
