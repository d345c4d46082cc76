#include "files/rostertable.h"

#include "chart/seatchart.h"
#include "files/seatlistfile.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

using Rows = QList<QStringList>;

// How far down a header row is looked for: below a title and a note or two.
constexpr qsizetype HeaderSearchRows = 10;
// A name is short; a longer cell is a note.
constexpr qsizetype LongestName = 32;

// A header as written, without its white space (姓  名), a colon or a star
// after it, in lower case.
QString headerKey(QStringView cell)
{
    QString key;
    for (const QChar c : cell) {
        if (!c.isSpace())
            key += c.toLower();
    }
    while (key.endsWith(u':') || key.endsWith(u'：') || key.endsWith(u'*'))
        key.chop(1);
    return key;
}

bool isNameHeader(const QString &key)
{
    static const QSet<QString> headers = {u"姓名"_s, u"名字"_s, u"学生姓名"_s, u"学生名字"_s, u"学生"_s, u"考生姓名"_s,
                                          u"考生"_s, u"学员姓名"_s, u"中文名"_s, u"中文姓名"_s, u"name"_s, u"names"_s,
                                          u"studentname"_s, u"student"_s, u"fullname"_s, u"pupil"_s};
    return headers.contains(key);
}

bool isOtherHeader(const QString &key)
{
    static const QSet<QString> headers = {
        u"学号"_s,     u"序号"_s,     u"编号"_s,   u"考号"_s,   u"学籍号"_s,   u"座号"_s,   u"性别"_s,       u"班级"_s,
        u"年级"_s,     u"班别"_s,     u"出生日期"_s, u"生日"_s,   u"出生年月"_s, u"民族"_s,   u"身份证号"_s,   u"身份证号码"_s,
        u"电话"_s,     u"联系电话"_s, u"手机"_s,   u"手机号"_s, u"家长电话"_s, u"住址"_s,   u"家庭住址"_s,   u"备注"_s,
        u"成绩"_s,     u"总分"_s,     u"分数"_s,   u"宿舍"_s,   u"组别"_s,     u"小组"_s,   u"职务"_s,       u"座位"_s,
        u"id"_s,       u"no"_s,       u"no."_s,    u"number"_s, u"gender"_s,   u"sex"_s,    u"class"_s,      u"grade"_s,
        u"phone"_s,    u"email"_s,    u"birthday"_s, u"remark"_s, u"notes"_s,  u"score"_s};
    return headers.contains(key);
}

bool isGender(const QString &key)
{
    static const QSet<QString> genders = {u"男"_s, u"女"_s, u"男生"_s, u"女生"_s, u"m"_s, u"f"_s, u"male"_s, u"female"_s};
    return genders.contains(key);
}

// A number, a date or a code: digits, with no letters but those of a date
// (2010年5月3日) or an identity card's X.
bool looksLikeNumber(QStringView cell)
{
    static const QString dateLetters = u"年月日号时分秒xXeE"_s;
    bool digit = false;
    for (const QChar c : cell) {
        if (c.isDigit())
            digit = true;
        else if (c.isLetter() && !dateLetters.contains(c))
            return false;
    }
    return digit;
}

// A class (高一（3）班, 初二), a nation (汉族): the cells of columns beside
// the names, which no name is.
bool looksLikeGroup(QStringView cell)
{
    return cell.endsWith(u'班') || cell.endsWith(u'级') || cell.endsWith(u'族');
}

// The heading of a list (高一（3）班学生名单), which no name holds.
bool looksLikeTitle(QStringView cell)
{
    static const QStringList words = {u"名单"_s, u"花名册"_s, u"座位表"_s, u"学生信息"_s, u"信息表"_s, u"一览表"_s, u"统计表"_s};
    return std::any_of(words.begin(), words.end(), [&](const QString &word) { return cell.contains(word); });
}

int filledCells(const QStringList &row)
{
    return int(std::count_if(row.begin(), row.end(), [](const QString &cell) { return !cell.isEmpty(); }));
}

QString cellAt(const Rows &rows, qsizetype row, qsizetype column)
{
    return rows.at(row).value(column);
}

QString seatName(const QString &cell)
{
    return SeatListFile::isNullEntry(cell) ? QString() : cell;
}

// The 7 × 5 table, without the row that names the podium and empty lines
// around it; every cell a name or empty.
std::optional<RosterTable::Roster> seating(Rows rows)
{
    rows.removeIf([](const QStringList &row) {
        return filledCells(row) == 1 && headerKey(*std::find_if(row.begin(), row.end(), [](const QString &c) { return !c.isEmpty(); })) == u"讲台"_s;
    });
    const auto bare = [](const QStringList &row) { return row.size() <= 1 && filledCells(row) == 0; };
    while (!rows.isEmpty() && bare(rows.first()))
        rows.removeFirst();
    while (!rows.isEmpty() && bare(rows.last()))
        rows.removeLast();
    if (rows.size() != SeatChart::Rows)
        return std::nullopt;
    qsizetype widest = 0;
    RosterTable::Roster roster{RosterTable::Roster::Kind::Seating, {}, 0};
    for (const QStringList &row : std::as_const(rows)) {
        widest = std::max(widest, row.size());
        for (qsizetype column = 0; column < row.size(); ++column) {
            const QString &cell = row.at(column);
            const QString key = headerKey(cell);
            if (cell.isEmpty())
                continue;
            if (column >= SeatChart::Columns || looksLikeNumber(cell) || isGender(key) || isNameHeader(key) || isOtherHeader(key)
                || looksLikeTitle(cell))
                return std::nullopt;
        }
        for (int column = 0; column < SeatChart::Columns; ++column)
            roster.names << seatName(row.value(column));
    }
    if (widest < SeatChart::Columns || roster.names.join(QString()).isEmpty())
        return std::nullopt;
    return roster;
}

} // namespace

QString RosterTable::cleaned(QStringView cell)
{
    // A name wrapped in its cell: the lines joined again, with a space
    // between words of letters, and none between hanzi or at a middle dot
    // (古丽米热·艾买提).
    const auto dot = [](QChar c) { return c == u'·' || c == u'•' || c == u'‧' || c == u'・'; };
    const auto hanzi = [](QChar c) { return c.unicode() >= 0x2E80; };
    QString source = cell.toString();
    source.replace(u'\r', u'\n');
    QString text;
    for (QStringView line : QStringView(source).tokenize(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (!text.isEmpty() && !dot(text.back()) && !dot(line.front()) && !(hanzi(text.back()) && hanzi(line.front())))
            text += u' ';
        text += line;
    }
    text.replace(u'\t', u' ');
    // A name that 复制 isolated in its own writing direction comes back
    // without the isolating marks.
    if (text.size() >= 2 && text.front() == u'\u2068' && text.back() == u'\u2069')
        text = text.sliced(1, text.size() - 2);
    return text;
}

bool RosterTable::looksLikeName(QStringView cell)
{
    static const QString sentence = u"，。；！？：,;!?"_s;
    const QString key = headerKey(cell);
    return !cell.isEmpty() && cell.size() <= LongestName && std::any_of(cell.begin(), cell.end(), [](QChar c) { return c.isLetter(); })
        && !looksLikeNumber(cell) && !isGender(key) && !isNameHeader(key) && !isOtherHeader(key) && !looksLikeTitle(cell) && !looksLikeGroup(cell)
        && std::none_of(cell.begin(), cell.end(), [](QChar c) { return sentence.contains(c) && c != u','; });
}

std::optional<RosterTable::Roster> RosterTable::read(const QList<QStringList> &table, bool seatingToo, QString *problem)
{
    Rows rows;
    rows.reserve(table.size());
    for (const QStringList &row : table) {
        QStringList cells;
        cells.reserve(row.size());
        for (const QString &cell : row)
            cells << cleaned(cell);
        rows << cells;
    }
    if (seatingToo) {
        if (auto roster = seating(rows))
            return roster;
    }

    // The header row: the first that names the name column, else the first
    // with two headers of other columns.
    QList<qsizetype> nameColumns;
    qsizetype start = 0;
    QList<qsizetype> otherColumns;
    for (qsizetype row = 0; row < std::min(rows.size(), HeaderSearchRows) && nameColumns.isEmpty(); ++row) {
        QList<qsizetype> others;
        for (qsizetype column = 0; column < rows.at(row).size(); ++column) {
            const QString key = headerKey(rows.at(row).at(column));
            if (isNameHeader(key))
                nameColumns << column;
            else if (isOtherHeader(key))
                others << column;
        }
        if (!nameColumns.isEmpty() || (others.size() >= 2 && otherColumns.isEmpty())) {
            start = row + 1;
            otherColumns = others;
        }
    }

    if (nameColumns.isEmpty()) {
        // The column with the most different names; the leftmost of equals.
        qsizetype width = 0;
        for (qsizetype row = start; row < rows.size(); ++row)
            width = std::max(width, rows.at(row).size());
        qsizetype best = -1;
        qsizetype bestNames = 0;
        QList<qsizetype> nameLike; // columns most of whose cells are names
        for (qsizetype column = 0; column < width; ++column) {
            if (otherColumns.contains(column))
                continue;
            QSet<QString> names;
            qsizetype filled = 0;
            qsizetype named = 0;
            for (qsizetype row = start; row < rows.size(); ++row) {
                const QString cell = cellAt(rows, row, column);
                filled += !cell.isEmpty();
                if (looksLikeName(cell)) {
                    names.insert(cell);
                    ++named;
                }
            }
            // Most of a name column's cells are names.
            if (names.size() >= 2 && 2 * named >= filled)
                nameLike << column;
            if (names.size() > bestNames && 2 * named >= filled) {
                best = column;
                bestNames = names.size();
            }
        }
        if (best < 0)
            return std::nullopt;
        if (nameLike.size() > 1) {
            if (problem)
                *problem = u"表格里有几列都像是姓名（第 %1 列和第 %2 列），不知道该用哪一列；请只选姓名那一列，"
                           u"或者在那一列上面加上表头“姓名”"_s.arg(nameLike.at(0) + 1).arg(nameLike.at(1) + 1);
            return std::nullopt;
        }
        nameColumns << best;
        // A title above the names: alone in its row where the names have
        // neighbours, or saying what the list is.
        const qsizetype wideRows = std::count_if(rows.begin() + start, rows.end(), [](const QStringList &row) { return filledCells(row) >= 2; });
        const bool wide = 2 * wideRows > rows.size() - start;
        while (start < rows.size()) {
            const QString cell = cellAt(rows, start, best);
            if (!cell.isEmpty() && !looksLikeTitle(cell) && !(wide && filledCells(rows.at(start)) == 1))
                break;
            ++start;
        }
    }

    Roster roster;
    for (const qsizetype column : std::as_const(nameColumns)) {
        for (qsizetype row = start; row < rows.size(); ++row) {
            const QString cell = cellAt(rows, row, column);
            if (cell.isEmpty())
                continue;
            if (roster.names.size() < SeatChart::SeatCount)
                roster.names << seatName(cell);
            else
                ++roster.leftOut;
        }
    }
    if (roster.names.isEmpty())
        return std::nullopt;
    return roster;
}

void RosterTable::fill(SeatChart &chart, const Roster &roster)
{
    if (roster.kind == Roster::Kind::List) {
        for (int i = 0; i < SeatChart::SeatCount; ++i)
            chart.setSeat(i, roster.names.value(i));
        return;
    }
    for (int row = 0; row < SeatChart::Rows; ++row) {
        for (int column = 0; column < SeatChart::Columns; ++column)
            chart.setSeat(chart.indexAtPupil(column + 1, row + 1), roster.names.value(row * SeatChart::Columns + column));
    }
}

std::optional<QString> RosterTable::firstUnsavable(const Roster &roster)
{
    for (const QString &name : roster.names) {
        if (!name.isEmpty() && !SeatListFile::readsBack(name))
            return name;
    }
    return std::nullopt;
}
