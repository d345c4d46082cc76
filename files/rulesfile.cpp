#include "files/rulesfile.h"

#include "chart/seatchart.h"
#include "files/entryreader.h"
#include "files/filebytes.h"
#include "files/seatlistfile.h"
#include "files/textcodec.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <variant>

using namespace Qt::StringLiterals;

const QString RulesFile::Name = u"rules.txt"_s;

namespace {

const QByteArrayView Utf8Mark = "\xEF\xBB\xBF";

// A line that begins with "#", white space before it aside, is a note.
bool isNote(const QString &line)
{
    return line.trimmed().startsWith(u'#');
}

enum class Switch { EveryoneMoves, NewDeskmates };
// What one line says: a rule, a switch, or why it is neither.
using Meaning = std::variant<SeatRule, Switch, QString>;

// The lines of the file, without their line ends, which are those of
// EntryReader: LF, CR LF or a lone CR.
QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype begin = 0;
    while (begin < bytes.size()) {
        qsizetype end = begin;
        while (end < bytes.size() && !EntryReader::isLineEnd(bytes[end]))
            ++end;
        lines.append(bytes.sliced(begin, end - begin));
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n')
            ++end;
        begin = end + 1;
    }
    return lines;
}

// The rule word without its pupils, with the number of names it takes.
std::variant<std::pair<SeatRule, int>, QString> ruleWord(const QString &word)
{
    static const QRegularExpression fixed(u"^固定在第([0-9]{1,2})列第([0-9]{1,2})排$"_s);
    static const QRegularExpression rows(u"^坐([前后])([0-9]{1,2})排$"_s);
    if (const auto match = fixed.match(word); match.hasMatch()) {
        const int column = match.captured(1).toInt(), row = match.captured(2).toInt();
        if (column < 1 || column > SeatChart::Columns)
            return u"没有第%1列，列号应为 1～%2"_s.arg(column).arg(SeatChart::Columns);
        if (row < 1 || row > SeatChart::Rows)
            return u"没有第%1排，排号应为 1～%2"_s.arg(row).arg(SeatChart::Rows);
        return std::pair(SeatRule::fixed({}, column, row), 1);
    }
    if (const auto match = rows.match(word); match.hasMatch()) {
        const int count = match.captured(2).toInt();
        if (count < 1 || count > SeatRule::MaxRowCount)
            return u"排数应为 1～%1"_s.arg(SeatRule::MaxRowCount);
        return std::pair(match.captured(1) == u"前" ? SeatRule::frontRows({}, count) : SeatRule::backRows({}, count), 1);
    }
    if (word == u"不相邻")
        return std::pair(SeatRule::apart({}, {}), 2);
    if (word == u"同桌")
        return std::pair(SeatRule::together({}, {}), 2);
    return u"不认识最后一项%1，应为“固定在第2列第3排”“坐前2排”“坐后1排”“不相邻”“同桌”“每人换座位”或“每人换同桌”"_s.arg(
        FileError::quoted(word.left(20)));
}

Meaning meaningOf(const QStringList &entries)
{
    const QString &word = entries.last();
    const QStringList names = entries.first(entries.size() - 1);
    if (word == SeatRules::EveryoneMovesText || word == SeatRules::NewDeskmatesText) {
        if (!names.isEmpty())
            return u"“%1”前面不能有姓名"_s.arg(word);
        return word == SeatRules::EveryoneMovesText ? Switch::EveryoneMoves : Switch::NewDeskmates;
    }
    const auto found = ruleWord(word);
    if (const QString *why = std::get_if<QString>(&found))
        return *why;
    auto [rule, wanted] = std::get<std::pair<SeatRule, int>>(found);
    if (names.size() != wanted)
        return (wanted == 1 ? u"“%1”前面应有一个姓名，这里有 %2 个"_s : u"“%1”前面应有两个姓名，这里有 %2 个"_s)
            .arg(word)
            .arg(names.size());
    if (names.contains(QString()))
        return u"姓名不能是空的"_s;
    if (wanted == 2 && names.first() == names.last())
        return u"两个姓名相同"_s;
    rule.first = names.first();
    rule.second = wanted == 2 ? names.last() : QString();
    return rule;
}

// The meaning of one line that is no blank line and no note.
Meaning meaningOf(QByteArrayView line, bool utf8)
{
    EntryReader reader(line);
    QStringList entries;
    while (!reader.atEnd()) {
        const std::optional<QByteArray> entry = reader.readEntry();
        if (!entry)
            return u"有一项超过 %1 字节"_s.arg(EntryReader::MaxEntryBytes);
        // The line decodes, and no character of it spans an entry's end.
        entries.append(*(utf8 ? TextCodec::decodeUtf8(*entry) : TextCodec::decodeGb18030(*entry)));
    }
    return meaningOf(entries);
}

} // namespace

void RulesFile::Contents::replaceRules(const SeatRules &newRules)
{
    // Where each rule went: the old rules found in the new list, in order.
    QList<qsizetype> movedTo;
    qsizetype next = 0;
    for (const SeatRule &rule : std::as_const(rules.rules)) {
        const qsizetype at = newRules.rules.indexOf(rule, next);
        movedTo.append(at);
        if (at >= 0)
            next = at + 1;
    }
    for (KeptLine &line : kept) {
        qsizetype after = 0;
        for (qsizetype i = 0; i < std::min(line.after, movedTo.size()); ++i)
            after = movedTo.at(i) >= 0 ? movedTo.at(i) + 1 : after;
        line.after = after;
    }
    rules = newRules;
}

QString RulesFile::lineOf(const SeatRule &rule)
{
    QStringList entries;
    for (const QString &name : rule.names())
        entries.append(SeatListFile::entryText(name));
    // A first name that would make the line a note goes in quotes.
    if (isNote(entries.first()))
        entries.first() = u'"' + entries.first() + u'"';
    switch (rule.kind) {
    case SeatRule::Kind::Fixed: entries.append(u"固定在第%1列第%2排"_s.arg(rule.column).arg(rule.row)); break;
    case SeatRule::Kind::FrontRows: entries.append(u"坐前%1排"_s.arg(rule.count)); break;
    case SeatRule::Kind::BackRows: entries.append(u"坐后%1排"_s.arg(rule.count)); break;
    case SeatRule::Kind::Apart: entries.append(u"不相邻"_s); break;
    case SeatRule::Kind::Together: entries.append(u"同桌"_s); break;
    }
    return entries.join(u',');
}

RulesFile::Snapshot RulesFile::look(const QString &path)
{
    const auto bytes = FileBytes::read(path, ReadLimit);
    if (bytes.ok()) {
        Snapshot snapshot = snapshotOf(bytes.value().data, path);
        if (!bytes.value().complete) {
            snapshot = {snapshot.fingerprint + '+', {}, {}, {}};
            snapshot.unreadable = FileError(FileError::Reason::NotARulesFile, FileError::Action::Read, path,
                                            u"文件超过 %1 字节，不像是规则文件"_s.arg(ReadLimit));
        }
        return snapshot;
    }
    const FileError::Reason reason = bytes.error().reason();
    if (reason == FileError::Reason::Missing || reason == FileError::Reason::DanglingLink)
        return {};
    // A file that could not be read at all is told apart by why.
    return {"!" + QByteArray::number(int(reason)), {}, {}, bytes.error()};
}

RulesFile::Snapshot RulesFile::snapshotOf(const QByteArray &bytes, const QString &path)
{
    const QByteArray fingerprint = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    const auto refused = [&](const QString &why) {
        return Snapshot{fingerprint, {}, {}, FileError(FileError::Reason::NotARulesFile, FileError::Action::Read, path, why)};
    };
    Snapshot snapshot;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // A text editor's "Unicode": read as the same text in UTF-8.
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        if (bytes.size() % 2 != 0 || decoder.hasError() || !text.isValidUtf16() || text.contains(QChar(0)))
            return refused(u"文字编码无法识别，不是有效的 UTF-16 文本"_s);
        snapshot = parse(QByteArray(Utf8Mark.toByteArray() + text.toUtf8()), path);
    } else if (bytes.contains('\0')) {
        return refused(u"含有空字符（NUL），这不是文本文件"_s);
    } else {
        snapshot = parse(bytes, path);
    }
    snapshot.fingerprint = fingerprint;
    return snapshot;
}

RulesFile::Snapshot RulesFile::parse(QByteArrayView bytes, const QString &path)
{
    if (bytes.startsWith(Utf8Mark))
        return parse(bytes.sliced(Utf8Mark.size()), true, path);
    // UTF-8 without the mark (what a text editor makes of a new file) is
    // told from GB18030 as in the seat lists, and taken only when it holds a
    // rule: a file Save wrote always has a rule word, which is never UTF-8,
    // or else only kept lines, which must then stay the bytes they were.
    if (TextCodec::looksLikeUtf8(bytes)) {
        Snapshot utf8 = parse(bytes, true, path);
        if (!utf8.contents.rules.isEmpty())
            return utf8;
    }
    return parse(bytes, false, path);
}

RulesFile::Snapshot RulesFile::parse(QByteArrayView bytes, bool utf8, const QString &path)
{
    Snapshot reading;
    Contents &contents = reading.contents;
    qsizetype notRules = 0;
    const QList<QByteArrayView> lines = linesOf(bytes);
    for (qsizetype number = 1; number <= lines.size(); ++number) {
        const QByteArrayView line = lines.at(number - 1);
        if (line.trimmed().isEmpty())
            continue;
        // A line of GB18030 in a UTF-8 file is read as it will be read once
        // Save has written it, so that it stays what it is.
        std::optional<QString> text = utf8 ? TextCodec::decodeUtf8(line) : std::nullopt;
        const bool lineUtf8 = text.has_value();
        if (!lineUtf8)
            text = TextCodec::decodeGb18030(line);
        const bool note = text && isNote(*text);
        const Meaning meaning = !text ? Meaning(u"文字编码无法识别，应为 GB18030（GBK）"_s)
            : note                    ? Meaning(QString())
                                      : meaningOf(line, lineUtf8);
        if (const SeatRule *rule = std::get_if<SeatRule>(&meaning)) {
            contents.rules.rules.append(*rule);
            continue;
        }
        if (const Switch *on = std::get_if<Switch>(&meaning)) {
            (*on == Switch::EveryoneMoves ? contents.rules.everyoneMoves : contents.rules.newDeskmates) = true;
            continue;
        }
        contents.kept.append({contents.rules.rules.size(), lineUtf8 ? TextCodec::encode(*text) : line.toByteArray()});
        if (note || ++notRules > MaxReportedLines)
            continue;
        const QString why = std::get<QString>(meaning);
        reading.problems.append(FileError(FileError::Reason::RuleNotRead, FileError::Action::Read, path,
                                          u"第%1行不是一条规则：%2"_s.arg(QString::number(number), why)));
    }
    if (notRules > MaxReportedLines) {
        reading.problems.append(FileError(FileError::Reason::RuleNotRead, FileError::Action::Read, path,
                                          u"另外 %1 行也不是规则"_s.arg(notRules - MaxReportedLines)));
    }
    return reading;
}

Result<QByteArray> RulesFile::format(const Contents &contents, const QString &path)
{
    Contents normal = contents;
    for (KeptLine &line : normal.kept)
        line.after = std::clamp<qsizetype>(line.after, 0, normal.rules.rules.size());
    std::stable_sort(normal.kept.begin(), normal.kept.end(), [](const KeptLine &a, const KeptLine &b) { return a.after < b.after; });

    QByteArray bytes;
    const auto add = [&](const QByteArray &line) { bytes += line + "\r\n"; };
    const QList<SeatRule> &rules = normal.rules.rules;
    for (qsizetype i = 0, kept = 0; i <= rules.size(); ++i) {
        for (; kept < normal.kept.size() && normal.kept.at(kept).after == i; ++kept)
            add(normal.kept.at(kept).bytes);
        if (i < rules.size())
            add(TextCodec::encode(lineOf(rules.at(i))));
    }
    if (normal.rules.everyoneMoves)
        add(TextCodec::encode(SeatRules::EveryoneMovesText));
    if (normal.rules.newDeskmates)
        add(TextCodec::encode(SeatRules::NewDeskmatesText));
    // A first line beginning with 锘 and a character whose first byte is BF
    // would begin the file with the UTF-8 mark; a blank line before it is
    // dropped on reading, and the line itself stays as it is.
    if (bytes.startsWith(Utf8Mark))
        bytes.prepend("\r\n");

    const Contents back = parse(bytes, path).contents;
    if (back == normal && bytes.size() <= ReadLimit)
        return bytes;
    const auto fail = [&](const QString &why) {
        return FileError(FileError::Reason::RulesNotFaithful, FileError::Action::Write, path, why);
    };
    if (bytes.size() > ReadLimit)
        return fail(u"规则文件会超过 %1 字节"_s.arg(ReadLimit));
    const auto differs = std::mismatch(rules.begin(), rules.end(), back.rules.rules.begin(), back.rules.rules.end()).first;
    if (differs != rules.end())
        return fail(u"规则%1保存后读出来会不一样"_s.arg(FileError::quoted(differs->sentence().left(40))));
    return fail(u"保留下来的一行保存后读出来会不一样"_s);
}

RulesFile::Contents RulesFile::merged(const Contents &base, const Contents &mine, const Contents &theirs)
{
    const QList<SeatRule> &before = base.rules.rules, &now = mine.rules.rules;
    SeatRules rules = theirs.rules;
    rules.rules.removeIf([&](const SeatRule &rule) { return before.contains(rule) && !now.contains(rule); });
    for (const SeatRule &rule : now) {
        if (!before.contains(rule) && !rules.rules.contains(rule))
            rules.add(rule);
    }
    if (mine.rules.everyoneMoves != base.rules.everyoneMoves)
        rules.everyoneMoves = mine.rules.everyoneMoves;
    if (mine.rules.newDeskmates != base.rules.newDeskmates)
        rules.newDeskmates = mine.rules.newDeskmates;
    Contents contents = theirs;
    contents.replaceRules(rules);
    return contents;
}
