#pragma once

#include "chart/seatrules.h"
#include "files/fileerror.h"
#include "files/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

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
// Names are written as SeatListFile::entryText() writes a seat ("Smith, J" in
// double quotes). Numbers are ASCII digits: 列 1 to 5, 排 1 to 7, rows 1 to 6.
// A line that is not a rule, such as a note beginning with "#" or one that
// cannot be read, is kept exactly as it is and written back by the next Save,
// after the rules that came before it; each such line but a note is reported
// by its number and the reason. Blank lines are dropped.
//
// Reading: GB18030; UTF-8 when the file begins with the UTF-8 byte-order mark
// (a text editor's "UTF-8 with BOM"), but for a line of it that is no UTF-8,
// read as GB18030, and when it has no mark but holds a rule and looks like
// UTF-8 (TextCodec::looksLikeUtf8); UTF-16 with its byte-order mark. A line
// of UTF-8 or UTF-16 that is no rule is kept as the same text, in GB18030,
// since Save writes GB18030. A file longer than ReadLimit or holding a NUL
// byte (outside UTF-16) is refused whole.
//
// Writing: the rules in list order, each kept line after the rules that came
// before it, then the switches; every line ends in CR LF, and the file has no
// byte-order mark.
class RulesFile
{
public:
    static const QString Name; // "rules.txt"
    static constexpr qint64 ReadLimit = 1 << 20;
    // Line problems reported by number; more are summed up in one more error.
    static constexpr qsizetype MaxReportedLines = 20;

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

        // True when there is nothing to write.
        bool isEmpty() const { return rules.isEmpty() && kept.isEmpty(); }
        // Puts newRules in the place of the rules, each kept line staying
        // after the same rule as before, where that rule is still there.
        void replaceRules(const SeatRules &newRules);
        friend bool operator==(const Contents &, const Contents &) = default;
    };
    // rules.txt as the program found it: what it says, and a fingerprint of
    // its bytes, by which a later Save tells whether another program has
    // changed it since.
    struct Snapshot {
        QByteArray fingerprint;              // empty: there was no rules.txt
        Contents contents;                   // nothing, when it could not be read
        QList<FileError> problems;           // each line that is no rule, by number and reason (RuleNotRead)
        std::optional<FileError> unreadable; // why it could not be read: FileBytes::read()'s errors, NotARulesFile
    };

    // One look at the file: a missing one (or a link to nothing) is no file,
    // and gives the empty snapshot.
    static Snapshot look(const QString &path);
    // What rules.txt holding these bytes would give.
    static Snapshot snapshotOf(const QByteArray &bytes, const QString &path = {});
    static Snapshot parse(QByteArrayView bytes, const QString &path = {});
    // The file's bytes, once they read back as the same contents; otherwise a
    // RulesNotFaithful error naming the first rule (or kept line) that does not.
    // Kept lines are taken in order of `after`, and one whose `after` is past
    // the last rule (a rule was removed) goes after the last rule.
    static Result<QByteArray> format(const Contents &contents, const QString &path = {});

    // How a rule is written, as text: "王子涵,固定在第2列第3排".
    static QString lineOf(const SeatRule &rule);

    // The rules another program changed (theirs, from base) with the
    // window's own changes (mine, from base) made to them as well: the rules
    // the window removed go, those it added come (a new fixed seat in the
    // place of the pupil's old one), a switch the window turned is as the
    // window has it; the file's kept lines stay.
    static Contents merged(const Contents &base, const Contents &mine, const Contents &theirs);

private:
    static Snapshot parse(QByteArrayView bytes, bool utf8, const QString &path);
};
