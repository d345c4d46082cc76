// Rosters: the text of a table, the names a table holds, and the .xlsx, .xls
// and .csv files they come from, the hostile ones included.

#include "chart/seatchart.h"
#include "files/rosterfile.h"
#include "files/rostertable.h"
#include "files/seatlistfile.h"
#include "files/tabletext.h"
#include "files/xlsxbook.h"
#include "testfiles.h"
#include "xlsxfile.h"

#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(PodiumSide)

namespace {

const QString Fixtures = QStringLiteral(SEDARIO_ROSTERS);

// Tab text with "|" for a tab and "/" for a line end, so that a table
// reads in one line.
QString tsv(const QString &cells)
{
    return QString(cells).replace(u'|', u'\t').replace(u'/', u'\n');
}

Rows table(const QString &cells)
{
    return TableText::parse(tsv(cells), u'\t').rows;
}

} // namespace

class TestRoster : public QObject
{
    Q_OBJECT

private slots:
    void tableText_data();
    void tableText();
    void read_data();
    void read();
    void several();
    void fill_data();
    void fill();
    void unsavable_data();
    void unsavable();
    void files_data();
    void files();
    void refused_data();
    void refused();
    void sheetCells_data();
    void sheetCells();
    void csv_data();
    void csv();
};

void TestRoster::tableText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<Rows>("rows");

    QTest::newRow("tabs, a line end after the last row") << u"a\tb\nc\td\n"_s << QChar(u'\t') << Rows{{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}};
    QTest::newRow("CR LF, a lone CR, no end") << u"a\r\nb\rc"_s << QChar(u'\t') << Rows{{u"a"_s}, {u"b"_s}, {u"c"_s}};
    QTest::newRow("empty cells, one at the end") << u"\ta\t\n"_s << QChar(u'\t') << Rows{{u""_s, u"a"_s, u""_s}};
    QTest::newRow("an empty line is an empty row") << u"a\n\nb"_s << QChar(u'\t') << Rows{{u"a"_s}, {u""_s}, {u"b"_s}};
    QTest::newRow("quoted: separator, line break, doubled quote")
        << u"\"Smith, John\",\"Tom \"\"TJ\"\" Jones\",\"a\r\nb\"\nx"_s << QChar(u',')
        << Rows{{u"Smith, John"_s, u"Tom \"TJ\" Jones"_s, u"a\r\nb"_s}, {u"x"_s}};
    QTest::newRow("a quote never closed is a character") << u"\"abc\tdef\nghi"_s << QChar(u'\t') << Rows{{u"\"abc"_s, u"def"_s}, {u"ghi"_s}};
    QTest::newRow("a stray quote joins no names") << u"\"王子涵\n李欣怡\n张\"浩然"_s << QChar(u',')
                                                  << Rows{{u"\"王子涵"_s}, {u"李欣怡"_s}, {u"张\"浩然"_s}};
    QTest::newRow("a quoted cell that ends the text, and one that is empty") << u"\"\",\"a\"\"\""_s << QChar(u',')
                                                                              << Rows{{QString(), u"a\""_s}};
    QTest::newRow("a quote inside a cell is a character") << u"王\"小\"明,b"_s << QChar(u',') << Rows{{u"王\"小\"明"_s, u"b"_s}};
    QTest::newRow("text after a quote is no quoted cell") << u"\"a\"b,c"_s << QChar(u',') << Rows{{u"\"a\"b"_s, u"c"_s}};
    QTest::newRow("nothing") << QString() << QChar(u'\t') << Rows{};
}

void TestRoster::tableText()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(Rows, rows);
    const TableText::Table parsed = TableText::parse(text, separator);
    QCOMPARE(parsed.rows, rows);
    QVERIFY(!parsed.cut);
}

void TestRoster::read_data()
{
    QTest::addColumn<QString>("cells"); // "|" a tab, "/" a line end
    QTest::addColumn<bool>("seatingToo");
    QTest::addColumn<int>("kind"); // -1 nothing, else RosterTable::Roster::Kind
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("leftOut");
    const int none = -1;
    const int seating = int(RosterTable::Roster::Kind::Seating);
    const int list = int(RosterTable::Roster::Kind::List);

    QTest::newRow("title, header 学号 姓名 性别") << u"高一（3）班学生名单||/学号|姓名|性别/20240301|王子涵|男/20240302|李欣怡|女/"_s << true << list
                                              << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("header with white space and a colon") << u"序号|姓  名：/1|王子涵/2|李欣怡"_s << true << list
                                                           << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("no header: numbers, names, genders") << u"1|王子涵|男/2|李欣怡|女/3|张浩然|男"_s << true << list
                                                         << QStringList{u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s} << 0;
    QTest::newRow("no header, names in the first column under a title") << u"高一（3）班学生名单/王子涵|男/李欣怡|女"_s << true << list
                                                                        << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("no header, a title that names no list") << u"一年级二班/王子涵|男/李欣怡|女"_s << true << list
                                                            << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("one column under a title") << u"高一（3）班名单/王子涵/李欣怡"_s << true << list << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("headers of other columns only") << u"学号|班级|/1|高一|王子涵/2|高一|李欣怡"_s << true << list
                                                   << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("a class column the same in every row") << u"高一（3）班|王子涵/高一（3）班|李欣怡/高一（3）班|张浩然"_s << true << list
                                                          << QStringList{u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s} << 0;
    QTest::newRow("dates and identity numbers are no names") << u"2009年3月1日|11010519900307123X|王子涵/2009-5-2|110105199003071234|李欣怡"_s
                                                             << true << list << QStringList{u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("a roster printed in two halves") << u"学号|姓名|学号|姓名/1|甲|4|丁/2|乙|5|戊/3|丙||"_s << true << list
                                                    << QStringList{u"甲"_s, u"乙"_s, u"丙"_s, u"丁"_s, u"戊"_s} << 0;
    QTest::newRow("blanks left out, NULL an empty seat") << u"姓名/王子涵//李欣怡/null/张浩然"_s << true << list
                                                         << QStringList{u"王子涵"_s, u"李欣怡"_s, QString(), u"张浩然"_s} << 0;
    QTest::newRow("a comma and white space in a cell")
        << u"姓名/Smith, John/  王子涵 \u3000/\u00A0李欣怡\u00A0"_s << true << list << QStringList{u"Smith, John"_s, u"王子涵"_s, u"李欣怡"_s} << 0;
    QTest::newRow("a name 复制 isolated") << u"\u2068\u202Eabc\u2069/\u2068def"_s << true << list
                                        << QStringList{u"\u202Eabc"_s, u"\u2068def"_s} << 0;
    QTest::newRow("a name wrapped in its cell") << u"姓名/\"古丽米热·\n艾买提\"/\"阿卜杜热合曼\r\n买买提\"/\"Anna\nMaria\""_s << true << list
                                                << QStringList{u"古丽米热·艾买提"_s, u"阿卜杜热合曼买买提"_s, u"Anna Maria"_s} << 0;
    QTest::newRow("forty names: the first 35") << u"姓名/"_s + QStringList(QList<QString>(40, u"某"_s)).join(u'/') << true << list
                                                << QStringList(QList<QString>(35, u"某"_s)) << 5;
    QTest::newRow("only numbers and genders") << u"1|男/2|女"_s << true << none << QStringList() << 0;
    QTest::newRow("a header and nothing under it") << u"学号|姓名|性别"_s << true << none << QStringList() << 0;
    QTest::newRow("prose") << u"本工作簿是高一年级的学生名单。/每个班一张工作表，第一行是表头。"_s << true << none << QStringList() << 0;
    QTest::newRow("nothing") << QString() << true << none << QStringList() << 0;

    const QString grid = u"甲|乙||丁|戊/||||/a|b|c|d|e/1a|b|c|d|e/g|h|i|j|k/l|n|o|p|q/r|s|t|u|"_s;
    QStringList seats = grid.split(QRegularExpression(u"[|/]"_s));
    QTest::newRow("a 7 × 5 grid, an empty row and empty seats") << grid << true << seating << seats << 0;
    QTest::newRow("the grid with the podium row above it") << u"讲台||||/"_s + grid << true << seating << seats << 0;
    QTest::newRow("the grid with its line end and an empty line after") << grid + u"//"_s << true << seating << seats << 0;
    // Names in several columns and no header: which are the names is not
    // guessed (see several()).
    QTest::newRow("the grid as a list") << grid << false << none << QStringList() << 0;
    QTest::newRow("six rows are no grid") << u"a|b|c|d|e/g|h|i|j|k/l|n|o|p|q/r|s|t|u|v/w|x|y|z|A/B|C|D|E|G"_s << true << none
                                          << QStringList() << 0;
    QTest::newRow("a grid with a sixth cell") << grid + u"/||||||z"_s << true << none << QStringList() << 0;
    QTest::newRow("a grid with a number") << QString(grid).replace(u"甲"_s, u"12"_s) << true << none << QStringList() << 0;
    QTest::newRow("a grid with 男") << QString(grid).replace(u"甲"_s, u"男"_s) << true << none << QStringList() << 0;
    QTest::newRow("a grid with a header") << QString(grid).replace(u"甲"_s, u"姓名"_s) << true << list
                                          << QStringList{u"a"_s, u"1a"_s, u"g"_s, u"l"_s, u"r"_s} << 0;
    QTest::newRow("classes and nations beside the names") << u"高一（3）班|汉族|王子涵/高一（4）班|回族|李欣怡/初二|满族|张浩然"_s << true << list
                                                          << QStringList{u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s} << 0;
    QTest::newRow("a note alone in its row above the names, under headers") << u"学号|性别|/||转学生/1|男|王子涵/2|女|李欣怡/3|男|张浩然"_s
                                                                            << true << list
                                                                            << QStringList{u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s} << 0;
    QTest::newRow("half of a column names") << u"王子涵/李欣怡/1/2"_s << true << list
                                            << QStringList{u"王子涵"_s, u"李欣怡"_s, u"1"_s, u"2"_s} << 0;
    QTest::newRow("less than half") << u"王子涵/李欣怡/1/2/3"_s << true << none << QStringList() << 0;
    QTest::newRow("seven rows with numbers are a list")
        << u"1|a|男|x|y/2|b|女|x|y/3|c|男|x|y/4|d|男|x|y/5|e|女|x|y/6|f|男|x|y/7|g|女|x|y"_s << true << list
        << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s, u"g"_s} << 0;
}

void TestRoster::read()
{
    QFETCH(QString, cells);
    QFETCH(bool, seatingToo);
    QFETCH(int, kind);
    QFETCH(QStringList, names);
    QFETCH(int, leftOut);
    const auto roster = RosterTable::read(table(cells), seatingToo);
    QCOMPARE(roster.has_value(), kind >= 0);
    if (!roster)
        return;
    QCOMPARE(int(roster->kind), kind);
    QCOMPARE(roster->names, names);
    QCOMPARE(roster->leftOut, leftOut);
}

void TestRoster::several()
{
    QString problem;
    QVERIFY(!RosterTable::read(table(u"1|王子涵|Wang Zihan/2|李欣怡|Li Xinyi"_s), true, &problem));
    QCOMPARE(problem, u"表格里有几列都像是姓名（第 2 列和第 3 列），不知道该用哪一列；请只选姓名那一列，或者在那一列上面加上表头“姓名”"_s);
    problem.clear();
    QVERIFY(!RosterTable::read(table(u"1|男/2|女"_s), true, &problem));
    QCOMPARE(problem, QString());
}

void TestRoster::fill_data()
{
    QTest::addColumn<PodiumSide>("podium");
    QTest::newRow("podium at the top") << PodiumSide::Top;
    QTest::newRow("podium at the bottom") << PodiumSide::Bottom;
}

void TestRoster::fill()
{
    QFETCH(PodiumSide, podium);
    SeatChart chart;
    chart.setPodiumSide(podium);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"旧"_s);

    // A seating table: each cell to the seat the pupils call by it.
    QStringList cells;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        cells << (i % 4 == 0 ? QString() : u"p%1"_s.arg(i));
    RosterTable::fill(chart, {RosterTable::Roster::Kind::Seating, cells, 0});
    for (int row = 1; row <= SeatChart::Rows; ++row) {
        for (int column = 1; column <= SeatChart::Columns; ++column)
            QCOMPARE(chart.seat(chart.indexAtPupil(column, row)), cells.at((row - 1) * SeatChart::Columns + column - 1));
    }
    QCOMPARE(chart.podiumSide(), podium);

    // A list: seat by seat as Open, the rest emptied.
    RosterTable::fill(chart, {RosterTable::Roster::Kind::List, {u"甲"_s, QString(), u"丙"_s}, 0});
    QCOMPARE(chart.seat(0), u"甲"_s);
    QCOMPARE(chart.seat(1), QString());
    QCOMPARE(chart.seat(2), u"丙"_s);
    for (int i = 3; i < SeatChart::SeatCount; ++i)
        QCOMPARE(chart.seat(i), QString());
}

void TestRoster::unsavable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("saved");
    QTest::newRow("a comma") << u"Smith, John"_s << true;
    QTest::newRow("quotes inside") << u"Tom \"TJ\" Jones"_s << true;
    QTest::newRow("outside GBK and the BMP") << u"周\U0002CC56"_s << true;
    QTest::newRow("looks like UTF-8 in GB18030") << u"甬华"_s << true;
    QTest::newRow("begins with a quote") << u"\"TJ\" Jones"_s << false;
    QTest::newRow("a comma and a quote") << u"Jones, Tom \"TJ\""_s << false;
    QTest::newRow("too long") << QString(2100, u'长') << false;
    QTest::newRow("a NUL") << u"王\u0000明"_s << false;
}

void TestRoster::unsavable()
{
    QFETCH(QString, name);
    QFETCH(bool, saved);
    const RosterTable::Roster roster{RosterTable::Roster::Kind::List, {u"甲"_s, QString(), name}, 0};
    QCOMPARE(RosterTable::firstUnsavable(roster), saved ? std::nullopt : std::optional(name));
    if (!saved)
        return;
    // And Save keeps it, wherever it sits.
    SeatChart chart;
    RosterTable::fill(chart, roster);
    const auto bytes = SeatListFile::format(chart, u"default.txt"_s);
    QVERIFY(bytes.ok());
    const auto back = SeatListFile::parse(bytes.value(), true);
    QVERIFY(back.ok());
    QCOMPARE(back.value().at(2), name);
}

void TestRoster::files_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("sheets");        // those with names
    QTest::addColumn<QStringList>("names");         // of the first of them, from the start
    QTest::addColumn<int>("count");                 // names and empty seats taken
    QTest::addColumn<int>("leftOut");

    const QStringList roster = {u"王子涵"_s, u"李欣怡"_s, u"张浩然"_s, u"刘雨桐"_s, u"陈思远"_s, u"杨梓萱"_s, u"赵嘉怡"_s, u"吴俊杰"_s,
                                u"孙磊"_s, u"周子轩"_s, u"阿卜杜热合曼·买买提"_s};
    QTest::newRow("xlsx: title, header, shared, inline and formula strings, a blank")
        << u"roster.xlsx"_s << QStringList{u"学生名单"_s} << roster << 35 << 4;
    // FreeXL reads the values a cell stores, not a formula's result: the
    // name made by a formula (高思彤) is not there.
    QTest::newRow("xls: the same from LibreOffice") << u"roster.xls"_s << QStringList{u"学生名单"_s} << roster << 35 << 3;
    QTest::newRow("xlsx: a sheet of notes, two classes") << u"sheets.xlsx"_s << QStringList{u"高一1班"_s, u"高一2班"_s}
                                                         << QStringList{u"蔡文博"_s, u"贾雨涵"_s} << 8 << 0;
    QTest::newRow("xlsx: no header") << u"noheader.xlsx"_s << QStringList{u"Sheet1"_s} << QStringList{u"任家乐"_s, u"姜语桐"_s} << 12 << 0;
    QTest::newRow("csv in GBK with quoted names") << u"roster-gbk.csv"_s << QStringList{u"roster-gbk"_s}
                                                  << QStringList{u"郝建华"_s, u"白若溪"_s, u"崔浩"_s, u"陈喆"_s, u"Smith, John"_s, u"康雨萌"_s,
                                                                 u"毛晓宇"_s, u"Tom \"TJ\" Jones"_s}
                                                  << 10 << 0;
    QTest::newRow("csv in UTF-8 with a mark, names beyond GBK")
        << u"roster-utf8bom.csv"_s << QStringList{u"roster-utf8bom"_s} << QStringList{u"周\U0002CC56"_s, u"史佳慧"_s, u"李\U0002C317"_s} << 8 << 0;
}

void TestRoster::files()
{
    QFETCH(QString, file);
    QFETCH(QStringList, sheets);
    QFETCH(QStringList, names);
    QFETCH(int, count);
    QFETCH(int, leftOut);
    const auto book = RosterFile::read(Fixtures + u'/' + file);
    QVERIFY2(book.ok(), qPrintable(book.ok() ? QString() : book.error().message()));
    QStringList withNames;
    std::optional<RosterTable::Roster> first;
    for (const Worksheet &sheet : book.value()) {
        if (const auto roster = RosterTable::read(sheet.rows, false)) {
            withNames << sheet.name;
            if (!first)
                first = roster;
        }
    }
    QCOMPARE(withNames, sheets);
    QCOMPARE(first->names.first(names.size()), names);
    QCOMPARE(first->names.size(), count);
    QCOMPARE(first->leftOut, leftOut);
    QCOMPARE(RosterTable::firstUnsavable(*first), std::nullopt);
}

void TestRoster::refused_data()
{
    QTest::addColumn<QString>("file"); // a fixture, or made by the test
    QTest::addColumn<QString>("why");

    QTest::newRow("zip bomb") << u"bomb.xlsx"_s << u"解压后超过 32 MB"_s;
    QTest::newRow("zip bomb with headers that lie") << u"bomb-lying.xlsx"_s << u"文件不完整或已损坏"_s;
    QTest::newRow("truncated xlsx") << u"truncated.xlsx"_s << u"文件不完整或已损坏"_s;
    QTest::newRow("random bytes as xlsx") << u"notzip.xlsx"_s << u"扩展名是 .xlsx，内容却是别的格式"_s;
    QTest::newRow("encrypted xlsx") << u"encrypted.xlsx"_s << u"文件受密码保护"_s;
    QTest::newRow("encrypted xls") << u"encrypted.xls"_s << u"文件受密码保护"_s;
    // Found by fuzzing: FreeXL reads past a buffer while it decodes this
    // workbook's stream; in its own process it cannot take the program down.
    QTest::newRow("an xls that FreeXL reads past its buffer") << u"overread.xls"_s << u"损坏"_s;
    QTest::newRow("text as xls") << u"text.xls"_s << u"扩展名是 .xls，内容却是文本"_s;
    QTest::newRow("a web page as xls") << u"html.xls"_s << u"扩展名是 .xls，内容却是网页（HTML）"_s;
    QTest::newRow("a workbook as csv") << u"made:roster.csv"_s << u"扩展名是 .csv，内容却是Excel 工作簿（.xlsx）"_s;
    QTest::newRow("100 MB of csv") << u"made:big.csv"_s << u"文件超过 8 MB"_s;
    QTest::newRow("binary csv") << u"made:binary.csv"_s << u"文字编码无法识别"_s;
    QTest::newRow("a million rows") << u"made:rows.xlsx"_s << u"超过 10000 行"_s;
    QTest::newRow("a shared string that is not there") << u"made:index.xlsx"_s << u"文件不完整或已损坏"_s;
    QTest::newRow("an entity declaration") << u"made:entity.xlsx"_s << u"文件不完整或已损坏"_s;
    QTest::newRow("a folder") << u"made:folder.xlsx"_s << u"是一个文件夹"_s;
    // Shapes that cost the XML reader time or memory out of all proportion.
    QTest::newRow("a row of 65 attributes") << u"made:attributes.xlsx"_s << u"嵌套太深或属性太多"_s;
    QTest::newRow("33 levels of elements") << u"made:deep.xlsx"_s << u"嵌套太深或属性太多"_s;
    QTest::newRow("10001 rows that all say they are the first") << u"made:first.xlsx"_s << u"超过 10000 行"_s;
    QTest::newRow("4097 parts") << u"made:parts.xlsx"_s << u"4096 个以上的文件"_s;
    QTest::newRow("200001 shared strings") << u"made:strings.xlsx"_s << u"文字超过 200000 段"_s;
    // FreeXL counts a date's days one by one: its child is stopped.
    QTest::newRow("xls dates in the year five million") << u"dates.xls"_s << u"读取超过 0.8 秒"_s;
    QTest::newRow("an xls that crashes FreeXL") << u"segfault.xls"_s << u"损坏"_s;
}

void TestRoster::refused()
{
    QFETCH(QString, file);
    QFETCH(QString, why);
    QTemporaryDir folder;
    QString path = Fixtures + u'/' + file;
    if (file.startsWith(u"made:"_s)) {
        path = folder.filePath(file.mid(5));
        if (file.endsWith(u"roster.csv"_s)) {
            QVERIFY(QFile::copy(Fixtures + u"/roster.xlsx"_s, path));
        } else if (file.endsWith(u"big.csv"_s)) {
            QByteArray line = "王子涵,男\r\n";
            QVERIFY(writeBytes(path, line.repeated(100 * 1024 * 1024 / line.size())));
        } else if (file.endsWith(u"binary.csv"_s)) {
            QVERIFY(writeBytes(path, QByteArray("姓名\r\n\0\x01\x02", 9)));
        } else if (file.endsWith(u"rows.xlsx"_s)) {
            // Compressed to a few kilobytes: the row numbers say a million.
            QByteArray rows;
            for (int row = 1; row <= 1000000; row += 1000)
                rows += "<row r=\"" + QByteArray::number(row) + "\"><c r=\"A" + QByteArray::number(row) + "\" t=\"inlineStr\"><is><t>王</t></is></c></row>";
            QVERIFY(writeXlsx(path, sheetXml(rows)));
        } else if (file.endsWith(u"index.xlsx"_s)) {
            QVERIFY(writeXlsx(path, sheetXml(R"(<row r="1"><c r="A1" t="s"><v>7</v></c></row>)")));
        } else if (file.endsWith(u"entity.xlsx"_s)) {
            QVERIFY(writeXlsx(path, R"(<?xml version="1.0"?><!DOCTYPE w [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;">]>)"
                                    + sheetXml(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>&b;</t></is></c></row>)")));
        } else if (file.endsWith(u"attributes.xlsx"_s)) {
            QByteArray row = "<row r=\"1\"";
            for (int k = 0; k < 65; ++k)
                row += " a" + QByteArray::number(k) + "=\"1\"";
            QVERIFY(writeXlsx(path, sheetXml(row + "/>")));
        } else if (file.endsWith(u"deep.xlsx"_s)) {
            QVERIFY(writeXlsx(path, sheetXml(QByteArray("<x>").repeated(31) + QByteArray("</x>").repeated(31))));
        } else if (file.endsWith(u"first.xlsx"_s)) {
            QVERIFY(writeXlsx(path, sheetXml(QByteArray(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>王</t></is></c></row>)").repeated(10001))));
        } else if (file.endsWith(u"parts.xlsx"_s)) {
            QVERIFY(writeXlsx(path, sheetXml({}), 4094));
        } else if (file.endsWith(u"strings.xlsx"_s)) {
            QVERIFY(writeXlsx(path, sheetXml({}), 0, "<sst>" + QByteArray("<si><t>a</t></si>").repeated(200001) + "</sst>"));
        } else {
            QVERIFY(QDir().mkdir(path));
        }
    }
    const auto book = RosterFile::read(path);
    QVERIFY(!book.ok());
    QVERIFY2(book.error().message().contains(why), qPrintable(book.error().message()));
    QCOMPARE(book.error().path(), path);
}

// Where the cells of a sheet go: by their references, or one after the
// other where a cell has none.
void TestRoster::sheetCells_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<Rows>("cells");
    QTest::newRow("by reference, gaps empty")
        << QByteArray(R"(<row r="1"><c r="B1" t="inlineStr"><is><t>b</t></is></c><c r="D1"><v>4</v></c></row>)")
        << Rows{{QString(), u"b"_s, QString(), u"4"_s}};
    QTest::newRow("Z and AA") << QByteArray(R"(<row><c r="Z1"><v>26</v></c><c r="AA1"><v>27</v></c></row>)")
                              << Rows{QStringList(25, QString()) << u"26"_s << u"27"_s};
    QTest::newRow("lower case, and none") << QByteArray(R"(<row><c r="b1"><v>2</v></c><c><v>3</v></c></row><row><c><v>x</v></c></row>)")
                                          << Rows{{QString(), u"2"_s, u"3"_s}, {u"x"_s}};
    QTest::newRow("past the 64th column: left out") << QByteArray(R"(<row><c r="BL1"><v>64</v></c><c r="BM1"><v>65</v></c></row>)")
                                                    << Rows{QStringList(63, QString()) << u"64"_s};
    QTest::newRow("a reference of four letters: the next cell")
        << QByteArray(R"(<row><c r="C1"><v>3</v></c><c r="ABCD1"><v>x</v></c></row>)") << Rows{{QString(), QString(), u"3"_s, u"x"_s}};
    QTest::newRow("rich text without its phonetic run")
        << QByteArray(R"(<row><c t="inlineStr"><is><r><t>王</t></r><rPh><t>おう</t></rPh><r><t>子涵</t></r></is></c></row>)")
        << Rows{{u"王子涵"_s}};
    QByteArray attributes = "<row";
    for (int k = 0; k < 63; ++k)
        attributes += " a" + QByteArray::number(k) + "=\"1\"";
    QTest::newRow("64 attributes: read") << QByteArray(attributes + R"( r="1"><c><is><r><rPh><t>x</t></rPh></r></is></c></row>)") << Rows{{QString()}};
    QTest::newRow("32 levels: read") << QByteArray(QByteArray("<x>").repeated(30) + QByteArray("</x>").repeated(30)) << Rows{};
    QTest::newRow("a formula's string, a boolean, an error") << QByteArray(R"(<row><c t="str"><f>A1</f><v>甲</v></c><c t="b"><v>1</v></c></row>)")
                                                              << Rows{{u"甲"_s, u"1"_s}};
}

void TestRoster::sheetCells()
{
    QFETCH(QByteArray, rows);
    QFETCH(Rows, cells);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"s.xlsx"_s);
    QVERIFY(writeXlsx(path, sheetXml(rows)));
    const auto book = XlsxBook::read(readBytes(path), path);
    QVERIFY2(book.ok(), qPrintable(book.ok() ? QString() : book.error().message()));
    QCOMPARE(book.value().first().rows, cells);
}

// The separator of a .csv file, from its first line.
void TestRoster::csv_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("commas") << QByteArray("姓名,性别\n王子涵,男\n李欣怡,女\n") << QStringList{u"王子涵"_s, u"李欣怡"_s};
    QTest::newRow("tabs") << QByteArray("姓名\t性别\n王子涵\t男\n") << QStringList{u"王子涵"_s};
    QTest::newRow("semicolons, a comma inside a name") << QByteArray("姓名;性别\nSmith, John;男\n") << QStringList{u"Smith, John"_s};
    QTest::newRow("as many tabs as semicolons: tabs") << QByteArray("姓名\t性别;\n王子涵\t男;\n") << QStringList{u"王子涵"_s};
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with its mark") << QByteArray(utf16.encode(u"姓名,性别\r\n王子涵,男\r\n"_s)) << QStringList{u"王子涵"_s};
    QTest::newRow("a comma wins") << QByteArray("学号,姓名\t\t\n1,王子涵\t\t\n") << QStringList{u"王子涵"_s};
}

void TestRoster::csv()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QTemporaryDir folder;
    const QString path = folder.filePath(u"班.csv"_s);
    QVERIFY(writeBytes(path, bytes));
    const auto book = RosterFile::read(path);
    QVERIFY(book.ok());
    QCOMPARE(book.value().size(), 1);
    QCOMPARE(book.value().first().name, u"班"_s);
    const auto roster = RosterTable::read(book.value().first().rows, false);
    QVERIFY(roster);
    QCOMPARE(roster->names, names);
}

QTEST_GUILESS_MAIN(TestRoster)
#include "tst_roster.moc"
