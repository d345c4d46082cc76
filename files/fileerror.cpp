#include "files/fileerror.h"

#include "files/nativepath.h"

#include <QDir>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <utility>

using namespace Qt::StringLiterals;

FileError::FileError(Reason reason, Action action, const QString &path, const QString &detail)
    : m_reason(reason)
    , m_action(action)
    , m_path(path)
    , m_detail(detail)
{
}

FileError FileError::fromErrno(int error, Action action, const QString &path)
{
    static const std::pair<int, Reason> known[] = {
        {ENOENT, Reason::Missing},           {ENOTDIR, Reason::NotAFolder},     {EISDIR, Reason::IsDirectory},
        {ENXIO, Reason::NotRegularFile},     {ENODEV, Reason::NotRegularFile},  {ETXTBSY, Reason::NotRegularFile},
        {EACCES, Reason::PermissionDenied},  {EPERM, Reason::PermissionDenied}, {EROFS, Reason::PermissionDenied},
        {ENOSPC, Reason::DiskFull},          {EDQUOT, Reason::DiskFull},        {EFBIG, Reason::DiskFull},
        {ENAMETOOLONG, Reason::NameTooLong}, {ELOOP, Reason::LinkLoop},         {EIO, Reason::IoError}};
    for (const auto &[number, reason] : known) {
        if (number == error)
            return FileError(reason, action, path);
    }
    return FileError(Reason::SystemError, action, path, QString::fromLocal8Bit(std::strerror(error)));
}

FileError FileError::notRegular(mode_t type, Action action, const QString &path)
{
    return FileError(S_ISDIR(type) ? Reason::IsDirectory : Reason::NotRegularFile, action, path);
}

FileError &FileError::setOutcome(const QString &outcome)
{
    m_outcome = outcome;
    return *this;
}

QString FileError::quoted(const QString &text)
{
    // Line breaks and other control characters show as their symbols: a
    // line break would also end the isolate before its time.
    QString shown = NativePath::shown(text);
    for (QChar &c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QChar(c.unicode() == 0x7f ? char16_t(0x2421) : char16_t(0x2400 + c.unicode()));
        else if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QChar(char16_t(0x2424));
    }
    return u"“\u2068"_s + shown + u"\u2069”"_s;
}

FileError FileError::notARoster(const QString &path, const QString &why)
{
    return FileError(Reason::NotARoster, Action::Read, path, why);
}

FileError FileError::encryptedRoster(const QString &path)
{
    return notARoster(path, u"文件受密码保护，请先在 Excel 或 WPS 里去掉密码再导入"_s);
}

QString FileError::message() const
{
    // arg() with several values fills them in one pass, so that a % in a
    // path or a name stays as it is.
    const QString file = quoted(QDir::toNativeSeparators(m_path));
    const QString verb = m_action == Action::Read ? u"读取"_s : u"写入"_s;
    QString text;
    switch (m_reason) {
    case Reason::Missing: text = (m_action == Action::Read ? u"找不到文件%1。"_s : u"找不到%1所在的文件夹。"_s).arg(file); break;
    case Reason::NotAFolder: text = u"%1的路径中有一部分是文件，不是文件夹。"_s.arg(file); break;
    case Reason::DanglingLink: text = u"%1是一个符号链接，但它指向的文件不存在。"_s.arg(file); break;
    case Reason::IsDirectory: text = u"%1是一个文件夹，不是文件。"_s.arg(file); break;
    case Reason::NotRegularFile: text = u"%1不是普通文件（可能是设备或管道）。"_s.arg(file); break;
    case Reason::PermissionDenied: text = u"没有权限%1%2（或者磁盘是只读的）。"_s.arg(verb, file); break;
    case Reason::DiskFull: text = u"磁盘空间不足，无法写入%1。"_s.arg(file); break;
    case Reason::NameTooLong: text = u"文件名%1太长。"_s.arg(file); break;
    case Reason::LinkLoop: text = u"%1的符号链接绕成了圈或层数太多。"_s.arg(file); break;
    case Reason::LinkRefused: text = u"通往%1的路上有别的用户放在公共文件夹里的符号链接，为了安全不予使用。"_s.arg(file); break;
    case Reason::IoError: text = u"%1%2时磁盘出错（输入/输出错误），磁盘或 U 盘可能有故障或已被拔出。"_s.arg(verb, file); break;
    case Reason::NotASeatList: text = u"文件%1不是座位表：%2。"_s.arg(file, m_detail); break;
    case Reason::NotARoster: text = u"无法从文件%1导入名单：%2。"_s.arg(file, m_detail); break;
    case Reason::NotFaithful: text = u"无法把座位表原样保存到%1：%2。"_s.arg(file, m_detail); break;
    case Reason::RulesNotFaithful: text = u"无法把排座规则原样保存到%1：%2。"_s.arg(file, m_detail); break;
    case Reason::NotARulesFile: text = u"文件%1不是排座规则文件：%2。"_s.arg(file, m_detail); break;
    case Reason::RuleNotRead: text = u"文件%1的%2，保存时会原样保留。"_s.arg(file, m_detail); break;
    case Reason::NameNotInUtf8:
        text = m_action == Action::Read
            ? u"找不到文件%1：它的名字不是系统所用的编码（UTF-8），文件对话框无法读出。请先在文件管理器里给它改个名字；要打开它，也可以把它拖进窗口。"_s
                  .arg(file)
            : u"找不到%1所在的文件夹：文件夹的名字不是系统所用的编码（UTF-8），文件对话框无法读出。请先在文件管理器里给它改个名字。"_s.arg(
                file);
        break;
    case Reason::OtherComputer: text = u"文件%1在另一台计算机（%2）上，只能打开本机上的文件。"_s.arg(file, quoted(m_detail)); break;
    case Reason::Busy: text = u"另一个程序正在向%1所在的文件夹保存，请稍后再试。"_s.arg(file); break;
    case Reason::ChangedMeanwhile: text = u"%1在保存的同时被另一个程序改动了；为了不丢掉那些改动，这次没有保存。"_s.arg(file); break;
    case Reason::UntrustedRecord:
        text =
            u"%1记录着一次没有完成的保存，但它不可信（%2），程序没有照它改动任何文件。请检查座位、讲台位置和排座规则是否都对，再删除或移走它。"_s
                .arg(file, m_detail);
        break;
    case Reason::SystemError: text = u"无法%1%2（%3）。"_s.arg(verb, file, m_detail); break;
    }
    return m_outcome.isEmpty() ? text : text + u'\n' + m_outcome;
}
