#include "files/rulesfile.h"

using namespace Qt::StringLiterals;

const QString RulesFile::Name = u"rules.txt"_s;

Result<RulesFile::Reading> RulesFile::read(const QString &path)
{
    return FileError(FileError::Reason::Missing, FileError::Action::Read, path);
}

RulesFile::Reading RulesFile::parse(QByteArrayView bytes, const QString &path)
{
    Q_UNUSED(bytes);
    Q_UNUSED(path);
    return {};
}

Result<QByteArray> RulesFile::format(const Contents &contents, const QString &path)
{
    Q_UNUSED(contents);
    Q_UNUSED(path);
    return QByteArray();
}
