#pragma once

#include <QList>
#include <QString>

// The words that tell the teacher what a Save that failed did to each of the
// working files, built from their names (ChartFiles::SeatListName,
// ChartFiles::OptionName, RulesFile::Name). Files are named in that order.
class SaveReport
{
public:
    // A working file in a Save.
    struct File {
        QString name;
        bool had = false;      // it existed before the Save
        bool removing = false; // the Save removes it
    };

    // Nothing replaced yet: "default.txt 和 Option 都没有改动。", "Option 没有改动，
    // 也没有写入 default.txt。", "没有写入 default.txt、Option 和 rules.txt。"
    static QString untouched(QList<File> files);
    // One file of those not replaced, in a list: "default.txt 没有改动".
    static QString untouchedOne(const File &file);
    // One file put back after a later one failed: "Option 已经改回原样".
    static QString restored(const File &file);
    // One file that could not be put back, before the reason:
    // "，但 Option 已经换成新的讲台位置，未能改回：".
    static QString notRestored(const File &file);
    // Two names of one file: "default.txt 和 Option 是同一个文件，不能同时存放座位和讲台位置".
    static QString sameFile(const File &a, const File &b);
    // Every file in place, but the folder not synced.
    static QString notSynced(QList<File> files);

private:
    // "座位" for default.txt, "讲台位置" for Option, "规则" for rules.txt.
    static QString holds(const QString &name);
    static QList<File> inOrder(QList<File> files);
    // "a", "a 和 b", "a、b 和 c", in the working files' order.
    static QString listed(QList<File> files);
};
