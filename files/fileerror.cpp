#include "files/fileerror.h"

#include <QDir>

using namespace Qt::StringLiterals;

FileError::FileError(Reason reason, const QString &path, const QString &detail)
    : m_reason(reason)
    , m_path(path)
    , m_detail(detail)
{
}

QString FileError::message() const
{
    const QString file = QDir::toNativeSeparators(m_path);
    QString text;
    switch (m_reason) {
    case Reason::Missing:
        text = u"找不到文件“%1”。"_s.arg(file);
        break;
    case Reason::IsDirectory:
        text = u"“%1”是一个文件夹，不是文件。"_s.arg(file);
        break;
    case Reason::NotRegularFile:
        text = u"“%1”不是普通文件（可能是设备或管道）。"_s.arg(file);
        break;
    case Reason::Unreadable:
        text = u"无法读取文件“%1”。"_s.arg(file);
        break;
    case Reason::NotASeatList:
        text = u"文件“%1”不是座位表。"_s.arg(file);
        break;
    case Reason::NotWritable:
        text = u"无法写入文件“%1”，原有文件保持不变。"_s.arg(file);
        break;
    }
    if (!m_detail.isEmpty())
        text += u"\n（"_s + m_detail + u"）"_s;
    return text;
}
