#include "files/savereport.h"

#include "files/chartfiles.h"
#include "files/rulesfile.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

QString SaveReport::holds(const QString &name)
{
    return name == ChartFiles::SeatListName ? u"座位"_s : name == ChartFiles::OptionName ? u"讲台位置"_s : u"规则"_s;
}

QList<SaveReport::File> SaveReport::inOrder(QList<File> files)
{
    const QStringList order = {ChartFiles::SeatListName, ChartFiles::OptionName, RulesFile::Name};
    std::stable_sort(files.begin(), files.end(),
                     [&](const File &a, const File &b) { return order.indexOf(a.name) < order.indexOf(b.name); });
    return files;
}

QString SaveReport::listed(QList<File> files)
{
    files = inOrder(files);
    QStringList names;
    for (const File &file : files)
        names << file.name;
    const QString last = names.isEmpty() ? QString() : names.takeLast();
    return names.isEmpty() ? last : names.join(u'、') + u" 和 "_s + last;
}

QString SaveReport::untouched(QList<File> files)
{
    QList<File> had = files;
    had.removeIf([](const File &file) { return !file.had; });
    files.removeIf([](const File &file) { return file.had; });
    const QString kept = had.isEmpty() ? QString() : listed(had) + (had.size() > 1 ? u" 都没有改动"_s : u" 没有改动"_s);
    const QString none = files.isEmpty() ? QString() : (had.isEmpty() ? u"没有写入 "_s : u"，也没有写入 "_s) + listed(files);
    return kept + none + u'。';
}

QString SaveReport::untouchedOne(const File &file)
{
    return file.had ? file.name + u" 没有改动"_s : u"没有写入 "_s + file.name;
}

QString SaveReport::restored(const File &file)
{
    return file.removing ? u"删除的 %1 已经恢复"_s.arg(file.name)
        : file.had       ? file.name + u" 已经改回原样"_s
                         : u"新写入的 %1 已经删除"_s.arg(file.name);
}

QString SaveReport::notRestored(const File &file)
{
    return file.removing ? u"，但 %1 已经删除，未能恢复："_s.arg(file.name)
        : file.had       ? u"，但 %1 已经换成新的%2，未能改回："_s.arg(file.name, holds(file.name))
                         : u"，但已经写入了新的 %1，未能删除："_s.arg(file.name);
}

QString SaveReport::sameFile(const File &a, const File &b)
{
    const QList<File> both = inOrder({a, b});
    return u"%1 是同一个文件，不能同时存放%2和%3"_s.arg(listed(both), holds(both.first().name), holds(both.last().name));
}

QString SaveReport::notSynced(QList<File> files)
{
    QList<File> removed = files;
    removed.removeIf([](const File &file) { return !file.removing; });
    files.removeIf([](const File &file) { return file.removing; });
    return listed(files) + u" 已经写入新内容，"_s + (removed.isEmpty() ? QString() : listed(removed) + u" 已经删除，"_s)
        + u"但没能确认已存到磁盘，断电后可能丢失新内容。"_s;
}
