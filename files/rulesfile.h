#pragma once

#include "chart/seatrules.h"
#include "files/fileerror.h"
#include "files/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The rules file, rules.txt, the third working file next to default.txt and
// Option: the class's seating rules, one per line, in GB18030 with CR LF.
//
// Each line is a list of entries in the seat lists' syntax (see EntryReader):
// the pupils' names first, then the rule in words:
//
//   王子涵,固定在第2列第3排
//   李欣怡,坐前2排
//   孙磊,坐后1排
//   张浩然,刘雨桐,不相邻
//   赵嘉怡,吴俊杰,同桌
//   每人换座位
//   每人换同桌
//
// A line that is not a rule, such as a note beginning with "#" or one that
// cannot be read, is kept exactly as it is and written back by the next Save,
// after the rules that came before it. Blank lines are dropped.
class RulesFile
{
public:
    static const QString Name; // "rules.txt"

    // A line kept as the teacher wrote it, without its line end.
    struct KeptLine {
        qsizetype after = 0; // how many rules come before it
        QByteArray bytes;
        friend bool operator==(const KeptLine &, const KeptLine &) = default;
    };
    // All that the file holds.
    struct Contents {
        SeatRules rules;
        QList<KeptLine> kept;
        // True when there is nothing to write: Save then removes the file.
        bool isEmpty() const { return rules.isEmpty() && kept.isEmpty(); }
        friend bool operator==(const Contents &, const Contents &) = default;
    };
    // The contents, and for each line that could not be read an error that
    // names the file, the line's number and the reason.
    struct Reading {
        Contents contents;
        QList<FileError> problems;
    };

    static Result<Reading> read(const QString &path);
    static Reading parse(QByteArrayView bytes, const QString &path = {});
    // The file's bytes, once they read back as the same contents; otherwise a
    // NotFaithful error.
    static Result<QByteArray> format(const Contents &contents, const QString &path = {});
};
