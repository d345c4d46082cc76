#include "files/option.h"

#include "files/filebytes.h"

#include <cmath>

namespace {

// A first line longer than this cannot hold one of the values.
constexpr qint64 ReadLimit = 4096;

} // namespace

Result<std::optional<PodiumSide>> Option::read(const QString &path)
{
    auto bytes = FileBytes::read(path, ReadLimit);
    if (!bytes.ok())
        return bytes.error();
    const QByteArray &data = bytes.value().data;
    qsizetype end = 0;
    while (end < data.size() && data[end] != '\r' && data[end] != '\n')
        ++end;
    if (end == data.size() && !bytes.value().complete)
        return std::optional<PodiumSide>();
    return parse(QByteArrayView(data).first(end));
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
