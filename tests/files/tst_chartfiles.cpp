// The chart's files as they are read and written: the seat list's reader,
// the start-up load, Open and the exam list, Option, Save and the HTML table.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "files/rulesfile.h"
#include "files/saveplan.h"
#include "files/saverecord.h"
#include "files/seatlistfile.h"
#include "files/textcodec.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Contents = RulesFile::Contents;
using Snapshot = RulesFile::Snapshot;
Q_DECLARE_METATYPE(PodiumSide)
Q_DECLARE_METATYPE(Contents)
Q_DECLARE_METATYPE(Snapshot)
Q_DECLARE_METATYPE(SavePlan::Rules)

namespace {

// Seat `first` holds `second`; every other seat unchecked.
using Seats = QList<std::pair<int, QString>>;
using Lines = QList<std::pair<int, QByteArray>>;

QByteArray utf16(const QString &text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// The table of TestChartFiles::read(): a file made of `head` and `repeats`
// copies of `tail` reads as `entries`, or is refused as no seat list, `why`
// saying so; its name goes into the message as it is, % and all.
void addReadColumns()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("why");
}

void readRow(const char *name, const QByteArray &bytes, const QStringList &entries)
{
    QTest::newRow(name) << bytes << QByteArray() << 0 << entries << QString();
}

void refusedRow(const char *name, const QByteArray &bytes, const QString &why)
{
    QTest::newRow(name) << bytes << QByteArray() << 0 << QStringList() << why;
}

// The lines in GB18030, each with CR LF.
QByteArray gbLines(const QStringList &lines)
{
    return TextCodec::encode(QString(lines.join(u"\r\n"_s) + u"\r\n"_s));
}

// What a rules file says: its rules as sentences, then its switches.
QStringList saying(const RulesFile::Contents &contents)
{
    QStringList said;
    for (const SeatRule &rule : contents.rules.rules)
        said << rule.sentence();
    return said + (contents.rules.everyoneMoves ? QStringList{SeatRules::EveryoneMovesText} : QStringList())
        + (contents.rules.newDeskmates ? QStringList{SeatRules::NewDeskmatesText} : QStringList());
}

} // namespace

class TestChartFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void read_data();
    void read();
    void refused_data();
    void refused() { read(); }
    void readersDiffer_data();
    void readersDiffer();
    void option_data();
    void option();
    void saveReadsBackOrRefuses_data();
    void saveReadsBackOrRefuses();
    void htmlTable_data();
    void htmlTable();
    void rulesFile_data();
    void rulesFile();
    void rulesReadBack_data();
    void rulesReadBack();
    void rulesFileInOtherForms();
    void keptLinesStayWithTheirRules();
    void savePlan_data();
    void savePlan();
    void merged_data();
    void merged();
    void saveRecord_data();
    void saveRecord();

private:
    QString work(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
    RulesFile::Snapshot m_rules; // none
};

void TestChartFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestChartFiles::readersDiffer_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<Seats>("startup");    // seats after the start-up load of a chart of old<i>
    QTest::addColumn<Seats>("open");       // and after Open
    QTest::addColumn<QStringList>("exam"); // the first names of the exam list read from it

    QByteArray nullSecond = numberedLines(35), emptySecond = numberedLines(35);
    nullSecond.replace("n1\r\n", "null\r\n");
    emptySecond.replace("n1\r\n", "\r\n");
    QTest::newRow("ten lines") << numberedLines(10) << Seats{{0, u"n0"_s}, {9, u"n9"_s}, {10, u"old10"_s}, {34, u"old34"_s}}
                               << Seats{{0, u"n0"_s}, {9, u"n9"_s}, {10, {}}, {34, {}}} << numberedNames(10);
    QTest::newRow("null on line 2") << nullSecond << Seats{{1, u"old1"_s}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                    << QStringList{u"n0"_s, {}, u"n2"_s};
    QTest::newRow("empty line 2") << emptySecond << Seats{{1, {}}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                  << QStringList{u"n0"_s, {}, u"n2"_s};
}

void TestChartFiles::readersDiffer()
{
    QFETCH(QByteArray, list);
    QFETCH(Seats, startup);
    QFETCH(Seats, open);
    QFETCH(QStringList, exam);

    const QString path = work(u"default.txt"_s);
    QVERIFY(writeBytes(path, list));
    SeatChart started;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        started.setSeat(i, u"old%1"_s.arg(i));
    started.setPodiumSide(PodiumSide::Top);
    started.clickSeat(4);
    SeatChart opened = started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_rules, m_dir->path()), QList<FileError>());
    QVERIFY(!QFileInfo::exists(work(u".sedario.lock"_s))); // with no Save to finish, start-up writes nothing
    QCOMPARE(ChartFiles::loadSeatList(opened, path), std::nullopt);
    for (const auto &[seat, name] : startup)
        QCOMPARE(started.seat(seat), name);
    for (const auto &[seat, name] : open)
        QCOMPARE(opened.seat(seat), name);
    QCOMPARE(std::tuple(opened.podiumSide(), opened.swapSelection()), std::tuple(PodiumSide::Top, SwapSelection{true, 4}));
    QCOMPARE(ChartFiles::readExamList(path).value().mid(0, exam.size()), exam);
}

void TestChartFiles::option_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<PodiumSide>("before");
    QTest::addColumn<PodiumSide>("after");

    const auto top = PodiumSide::Top, bottom = PodiumSide::Bottom;
    QTest::newRow("True") << QByteArray("True\r\n") << bottom << top;
    QTest::newRow("false without a line end") << QByteArray("false") << top << bottom;
    QTest::newRow("a number between blanks") << QByteArray("  2 \n") << bottom << top;
    QTest::newRow("zero; the first line only") << QByteArray("0\r\nTrue\r\n") << top << bottom;
    QTest::newRow("empty file") << QByteArray("") << top << top;
    QTest::newRow("not finite") << QByteArray("inf") << bottom << bottom;
    QTest::newRow("line too long") << "1" + QByteArray(5000, ' ') << bottom << bottom;
}

void TestChartFiles::option()
{
    QFETCH(QByteArray, content);
    QFETCH(PodiumSide, before);
    QFETCH(PodiumSide, after);

    QVERIFY(writeBytes(work(u"Option"_s), content));
    SeatChart chart;
    chart.setPodiumSide(before);
    QCOMPARE(ChartFiles::loadWorkingFiles(chart, m_rules, m_dir->path()), QList<FileError>());
    QCOMPARE(chart.podiumSide(), after);
}

void TestChartFiles::saveReadsBackOrRefuses_data()
{
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<int>("seat");        // the seat whose line is checked
    QTest::addColumn<QByteArray>("line"); // how it is written
    QTest::addColumn<QString>("refused"); // why Save refuses; empty: saved

    const auto inOrder = [](const QStringList &names) {
        Seats seats;
        for (int i = 0; i < names.size(); ++i)
            seats.append({i, names.at(i)});
        return seats;
    };
    const QByteArray old = "old";
    const QString lookAlike = u"甬华"_s; // GB18030 F0 AE BB AA, which is also UTF-8
    QTest::newRow("blank inside") << Seats{{5, u"Smith John"_s}} << 5 << QByteArray("Smith John") << QString();
    QTest::newRow("comma quoted") << Seats{{3, u"Smith, John"_s}} << 3 << QByteArray("\"Smith, John\"") << QString();
    QTest::newRow("leading blank quoted") << Seats{{6, u" 王五"_s}} << 6 << QByteArray("\" \xcd\xf5\xce\xe5\"") << QString();
    QTest::newRow("trailing blank quoted") << Seats{{9, u"王五 "_s}} << 9 << QByteArray("\"\xcd\xf5\xce\xe5 \"") << QString();
    QTest::newRow("quote inside") << Seats{{15, u"a\"b"_s}} << 15 << QByteArray("a\"b") << QString();
    QTest::newRow("euro") << Seats{{18, u"€"_s}} << 18 << QByteArray("\x80") << QString();
    QTest::newRow("four bytes: U+FEFF, 𠀀") << Seats{{30, u"\uFEFF𠀀"_s}} << 30 << QByteArray("\x84\x31\x95\x33\x95\x32\x82\x36")
                                            << QString();
    QTest::newRow("begins like UTF-8 mark, seat 0") << Seats{{0, u"锘库"_s}} << 0 << QByteArray(" \xef\xbb\xbf\xe2") << QString();
    QTest::newRow("begins like UTF-8 mark, seat 7") << Seats{{7, u"锘库"_s}} << 7 << QByteArray("\xef\xbb\xbf\xe2") << QString();
    QTest::newRow("looks like UTF-8: an empty seat marked") << Seats{{34, lookAlike}} << 0 << QByteArray("\"NULL\"\xa1\xa1") << QString();
    QTest::newRow("looks like two-byte UTF-8: marked") << Seats{{0, u"Jos茅"_s}} << 1 << QByteArray("\"NULL\"\xa1\xa1") << QString();
    QTest::newRow("every seat a look-alike") << inOrder(QStringList(35, lookAlike)) << 0 << QByteArray("\"\xf0\xae\xbb\xaa\"\xa1\xa1")
                                             << QString();
    QTest::newRow("long names, a long look-alike last")
        << inOrder(QStringList(34, QString(2049, u'b')) << lookAlike.repeated(1023) + u"aa"_s) << 0
        << "\"" + QByteArray(2049, 'b') + "\"\xa1\xa1" << QString();
    QTest::newRow("longest") << Seats{{34, QString(4096, u'x')}} << 34 << QByteArray(4096, 'x') << QString();
    QTest::newRow("longest quoted") << Seats{{1, u","_s + QString(4093, u'x')}} << 1 << "\"," + QByteArray(4093, 'x') + "\"" << QString();
    QTest::newRow("look-alikes too long to mark")
        << inOrder(QStringList(35, lookAlike.repeated(1023) + u'a')) << 0 << old
        << u"第 1 列第 1 行的“\u2068甬华甬华甬华甬华甬华甬华甬华甬华甬华甬华\u2069”保存后读出来会不一样"_s;
    QTest::newRow("quotes in every look-alike") << inOrder(QStringList(35, u"a\"b"_s + lookAlike)) << 0 << old << u"第 1 列第 1 行"_s;
    QTest::newRow("a name too long for its line")
        << Seats{{2, QString(5000, u'x')}} << 0 << old << u"第 1 列第 3 行的“\u2068"_s + QString(20, u'x') + u"\u2069”"_s;
}

void TestChartFiles::saveReadsBackOrRefuses()
{
    QFETCH(Seats, seats);
    QFETCH(int, seat);
    QFETCH(QByteArray, line);
    QFETCH(QString, refused);

    SeatChart chart, before;
    for (const auto &[index, name] : seats)
        chart.setSeat(index, name);
    before.setSeat(0, u"old"_s);
    before.setPodiumSide(PodiumSide::Top);
    QVERIFY(writeBytes(work(u"default.txt"_s), "old\r\n") && writeBytes(work(u"Option"_s), "True\r\n"));

    const auto error = ChartFiles::saveWorkingFiles(chart, {}, m_rules, m_dir->path()).error;
    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt,
             refused.isEmpty() ? std::nullopt : std::optional(FileError::Reason::NotFaithful));
    QVERIFY2(!error || error->message().contains(refused), qPrintable(error ? error->message() : QString()));
    QCOMPARE(readBytes(work(u"default.txt"_s)).split('\n').value(seat), line + '\r');
    SeatChart started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_rules, m_dir->path()), QList<FileError>());
    QCOMPARE(started, refused.isEmpty() ? chart : before);
}

void TestChartFiles::htmlTable_data()
{
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<Lines>("cells"); // the table's lines that hold a name, counted from 1

    QTest::newRow("甲 in seat 0, 乙 in seat 34")
        << Seats{{0, u"甲"_s}, {34, u"乙"_s}} << Lines{{3, "<td>\xbc\xd7</td>"}, {49, "<td>\xd2\xd2</td>"}};
    QTest::newRow("seat 7: second cell of row 0; markup escaped")
        << Seats{{7, u"<b>王&\"</b>"_s}} << Lines{{4, "<td>&lt;b&gt;\xcd\xf5&amp;&quot;&lt;/b&gt;</td>"}};
    QTest::newRow("seat 1: first cell of row 1; a line end stays in line")
        << Seats{{1, u"a\r\nb"_s}} << Lines{{10, "<td>a&#13;&#10;b</td>"}};
}

void TestChartFiles::htmlTable()
{
    QFETCH(Seats, seats);
    QFETCH(Lines, cells);

    QList<QByteArray> expected{"<table  align=center border=1 cellpadding=10 cellspacing=0 width=90% "
                               "bordercolor=#CC99FF style='border-collapse: collapse'>"};
    for (int row = 0; row < 7; ++row)
        expected << "<tr>" << QList<QByteArray>(5, "<td></td>") << "</tr>";
    expected << "</table>";
    for (const auto &[line, cell] : cells)
        expected[line - 1] = cell;
    SeatChart chart;
    for (const auto &[seat, name] : seats)
        chart.setSeat(seat, name);
    const QString path = work(u"plan.rtf"_s);
    QVERIFY(writeBytes(path, QByteArray(10000, 'r'))); // replaced whole, without a question
    QCOMPARE(HtmlExport::exportHtmlTable(chart, path), std::nullopt);
    QCOMPARE(readBytes(path), crlfLines(expected));
}

void TestChartFiles::read_data()
{
    addReadColumns();
    readRow("CR LF, LF, lone CR, none at the end", QByteArray("a\r\nb\nc\rd"), QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    readRow("lone CR last", QByteArray("a\r"), QStringList{u"a"_s});
    readRow("empty lines; LF CR is two line ends", QByteArray("a\r\n\r\nb\n\rc\r\n"),
            QStringList{u"a"_s, QString(), u"b"_s, QString(), u"c"_s});
    readRow("ASCII comma separates", QByteArray("\xd5\xc5\xc8\xfd,\xc0\xee\xcb\xc4\r\nc\r\n"), QStringList{u"张三"_s, u"李四"_s, u"c"_s});
    readRow("full-width comma does not", QByteArray("\xd5\xc5\xc8\xfd\xa3\xac\xc0\xee\xcb\xc4\r\n"), QStringList{u"张三，李四"_s});
    readRow("adjacent commas, comma before line end", QByteArray("a,,b,\r\nc"), QStringList{u"a"_s, QString(), u"b"_s, QString(), u"c"_s});
    readRow("blanks around dropped", QByteArray("  \xcd\xf5\xce\xe5  \r\na b \r\n"), QStringList{u"王五"_s, u"a b"_s});
    readRow("tab is ordinary", QByteArray("\ta\t\r\n"), QStringList{u"\ta\t"_s});
    readRow("quoted comma and blanks", QByteArray(" \"Smith, John \"\r\nx\r\n"), QStringList{u"Smith, John "_s, u"x"_s});
    readRow("after closing quote dropped", QByteArray("\"a\"b c,d\r\n"), QStringList{u"a"_s, u"d"_s});
    readRow("unclosed quote ends with the line", QByteArray("\"a, b\r\nc\r\n\"d,e"), QStringList{u"a, b"_s, u"c"_s, u"d,e"_s});
    readRow("quote inside kept", QByteArray("a\"b\"c\r\n"), QStringList{u"a\"b\"c"_s});
    readRow("rest of only blanks", QByteArray("a\r\n   "), QStringList{u"a"_s, QString()});
    readRow("empty file", QByteArray(), QStringList{});
    readRow("nothing past entry 35 looked at", numberedLines(35) + QByteArray("\0\xff", 2) + QByteArray(5000, 'x'), numberedNames(35));
    readRow("entry of 4096 bytes", QByteArray(4096, 'x'), QStringList{QString(4096, u'x')});
    readRow("GBK", QByteArray("\xbc\xd7\r\nNULL\r\n\xd2\xd2"), QStringList{u"甲"_s, u"NULL"_s, u"乙"_s});
    readRow("euro is 0x80", QByteArray("1\x80"), QStringList{u"1€"_s});
    readRow("0x80 as a second byte", QByteArray("\x81\x80\x80"), QStringList{u"亐€"_s});
    readRow("GB18030 four-byte", QByteArray("\x95\x32\x82\x36\x80\x81\x30\x81\x30"), QStringList{u"𠀀€\u0080"_s});
    readRow("UTF-8 with CJK", QByteArray("\xe5\xbc\xa0\xe4\xb8\x89\r\nSmith"), QStringList{u"张三"_s, u"Smith"_s});
    readRow("UTF-8 whose longest sequences begin with E0", QByteArray("\xe0\xa4\xa8\xe0\xa4\xae"), QStringList{u"नम"_s});
    readRow("UTF-8 with mark", QByteArray("\xef\xbb\xbfM\xc3\xbcller"), QStringList{u"Müller"_s});
    readRow("two-byte UTF-8: Latin", QByteArray("Jos\xc3\xa9\r\nM\xc3\xbcller"), QStringList{u"José"_s, u"Müller"_s});
    readRow("two-byte UTF-8: Cyrillic", u"Алексей"_s.toUtf8(), QStringList{u"Алексей"_s});
    readRow("two-byte UTF-8: Arabic script", u"ئەخمەت\r\nЖанар"_s.toUtf8(), QStringList{u"ئەخمەت"_s, u"Жанар"_s});
    readRow("GBK common hanzi, also Greek UTF-8", QByteArray("\xce\xba\xce\xa1"), QStringList{u"魏巍"_s});
    readRow("GBK, UTF-8 of two scripts in a word", QByteArray("\xc3\xab\xce\xb0"), QStringList{u"毛伟"_s});
    readRow("GBK, UTF-8 of accents alone first", QByteArray("\xc5\xa3\xc6\xbc\r\nTom"), QStringList{u"牛萍"_s, u"Tom"_s});
    readRow("GBK, UTF-8 of accents alone last", QByteArray("Tom\r\n\xc4\xaa\xc6\xbd"), QStringList{u"Tom"_s, u"莫平"_s});
    readRow("GBK, UTF-8 with a symbol", QByteArray("\xc3\xb7\xc3\xb7") + 'B', QStringList{u"梅梅B"_s});
    readRow("overlong UTF-8 is GBK", QByteArray("\xe0\x80\xb0\xa1"), QStringList{u"鄝啊"_s});
    readRow("UTF-16 LE", utf16(u"张三,李四\r\n\"Smith, J\"\r\n"_s, true), QStringList{u"张三"_s, u"李四"_s, u"Smith, J"_s});
    readRow("UTF-16 BE", utf16(u"王五\n𠀀\n"_s, false), QStringList{u"王五"_s, u"𠀀"_s});
    readRow("U+FEFF inside UTF-8 kept",
            QByteArray("\xef\xbb\xbf"
                       "a\r\n\xef\xbb\xbf\xe5\xbc\xa0"),
            QStringList{u"a"_s, u"\uFEFF张"_s});
    readRow("U+FEFF after UTF-16 mark kept", utf16(u"\uFEFF王"_s, true), QStringList{u"\uFEFF王"_s});
    readRow("just short enough saved", QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1024),
            QStringList{QString(1024, u'Ä')});
    const QByteArray utf16Lines = utf16(QString::fromLatin1(numberedLines(40)), true);
    QTest::newRow("35 lines, then 50 MiB") << numberedLines(35) << QByteArray(1 << 20, 'x') << 50 << numberedNames(35) << QString();
    QTest::newRow("UTF-16, 35 lines, then more") << utf16Lines << utf16Lines.sliced(2) << 2000 << numberedNames(35) << QString();
    // The read limit falls between the halves of a character past U+FFFF,
    // far beyond the 35th entry: the half is dropped, not the file.
    QByteArray beforeCut = utf16Lines;
    if ((SeatListFile::ReadLimit - beforeCut.size()) % 4 != 2)
        beforeCut += utf16(u" "_s, true).sliced(2);
    QTest::newRow("UTF-16, cut inside a character") << beforeCut << utf16(u"\U0002000B"_s, true).sliced(2) << 100000 << numberedNames(35)
                                                     << QString();
}

void TestChartFiles::refused_data()
{
    addReadColumns();
    refusedRow("entry of 4097 bytes", QByteArray("a\r\n") + QByteArray(4097, 'x'), u"第 2 项超过 4096 字节"_s);
    refusedRow("blanks count in the length", QByteArray(4096, ' ') + "x", u"第 1 项超过 4096 字节"_s);
    refusedRow("too long quoted", "\"" + QByteArray(4096, 'x') + "\"", u"第 1 项超过 4096 字节"_s);
    refusedRow("NUL byte", QByteArray("a\r\nb\0\r\n", 7), u"第 2 项含有空字符"_s);
    refusedRow("UTF-16 without mark", QByteArray("a\0b\0\r\0\n\0", 8), u"第 1 项含有空字符"_s);
    refusedRow("GBK 0xFF", QByteArray("\xbc\xd7\r\n\xff\xfe\xfd"), u"文字编码无法识别"_s);
    refusedRow("GBK lead byte at end", QByteArray("a\xd5"), u"文字编码无法识别"_s);
    refusedRow("GBK lead byte before comma", QByteArray("\xd5,a"), u"文字编码无法识别"_s);
    refusedRow("invalid UTF-8 after mark", QByteArray("\xef\xbb\xbf\xbc\xd7"), u"文字编码无法识别"_s);
    refusedRow("odd UTF-16 length",
               QByteArray("\xff\xfe"
                          "a\0b",
                          5),
               u"文字编码无法识别"_s);
    refusedRow("lone UTF-16 surrogate",
               QByteArray("\xff\xfe\x00\xd8"
                          "a\0",
                          6),
               u"文字编码无法识别"_s);
    refusedRow("lone UTF-16 surrogate last",
               QByteArray("\xff\xfe"
                          "a\0\x00\xd8",
                          6),
               u"文字编码无法识别"_s);
    refusedRow("too long once saved", QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1025),
               u"第 1 项太长，保存时会超过 4096 字节"_s);
    refusedRow("needs a blank when saved first", QByteArray("a\r\n\xef\xbb\xbf\xe2") + QByteArray(4092, 'x'),
               u"第 2 项太长，保存时会超过 4096 字节"_s);
    refusedRow("only NUL bytes", QByteArray(10000, '\0'), u"第 1 项含有空字符"_s);
    refusedRow("NUL after a long run", QByteArray(5000, 'x') + '\0', u"第 1 项超过 4096 字节"_s);
    QTest::newRow("one line of 50 MiB") << QByteArray() << QByteArray(1 << 20, 'x') << 50 << QStringList() << u"第 1 项超过 4096 字节"_s;
}

void TestChartFiles::read()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(int, repeats);
    QFETCH(QStringList, entries);
    QFETCH(QString, why);

    QFile file(work(u"list %1 %2.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size());
    for (int n = 0; n < repeats; ++n)
        QVERIFY(file.write(tail) == tail.size());
    file.close();
    const auto result = SeatListFile::read(file.fileName());
    QCOMPARE(result.ok() ? result.value() : QStringList(), entries);
    const QString message = result.ok() ? QString() : result.error().message();
    QVERIFY2(result.ok() || (message.contains(u"“\u2068"_s + file.fileName() + u"\u2069”"_s) && message.contains(why)),
             qPrintable(message));
}

void TestChartFiles::rulesFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("said");     // rules and switches
    QTest::addColumn<QStringList>("problems"); // a part of each detail
    QTest::addColumn<QByteArray>("written");   // by Save; null: the file as it is

    const QStringList every = {u"王子涵,固定在第5列第7排"_s, u"李欣怡,坐前2排"_s, u"孙磊,坐后1排"_s, u"张浩然,刘雨桐,不相邻"_s,
                               u"赵嘉怡,吴俊杰,同桌"_s,      u"每人换座位"_s,     u"每人换同桌"_s};
    QTest::newRow("every kind") << gbLines(
        every) << QStringList{u"王子涵 固定在第5列第7排"_s, u"李欣怡 坐前2排"_s, u"孙磊 坐后1排"_s, u"张浩然 和 刘雨桐 不相邻"_s,
                              u"赵嘉怡 和 吴俊杰 同桌"_s,   u"每人换座位"_s,     u"每人换同桌"_s}
                                << QStringList() << QByteArray();
    QTest::newRow("names with a comma or blanks quoted")
        << gbLines({u"\"Smith, J\",\" 王五\",同桌"_s}) << QStringList{u"Smith, J 和  王五 同桌"_s} << QStringList() << QByteArray();
    QTest::newRow("a name that begins like a note, quoted")
        << gbLines({u"\"#1\",坐前2排"_s}) << QStringList{u"#1 坐前2排"_s} << QStringList() << QByteArray();
    QTest::newRow("notes and other lines kept where they were")
        << gbLines({u"# 三年二班"_s, u"甲,坐前2排"_s, u"甲,坐中间"_s, u"# 备注"_s, u"乙,丙,同桌"_s})
        << QStringList{u"甲 坐前2排"_s, u"乙 和 丙 同桌"_s} << QStringList{u"第3行不是一条规则：不认识最后一项"_s} << QByteArray();
    const QStringList wrong = {u"甲,固定在第6列第1排"_s, u"甲,固定在第1列第8排"_s, u"甲,坐前7排"_s, u"甲,乙,坐后1排"_s,
                               u"甲,不相邻"_s,           u"甲,甲,同桌"_s,          u",乙,同桌"_s,   u"甲,每人换座位"_s,
                               u"甲,坐前 2排"_s};
    QTest::newRow("each kind of line that is no rule, counted past a blank line")
        << gbLines(QStringList{u"  "_s} + wrong) + "\xff\xfe\r\n"
        << QStringList()
        << QStringList{u"第2行不是一条规则：没有第6列"_s,
                       u"第3行不是一条规则：没有第8排"_s,
                       u"第4行不是一条规则：排数应为 1～6"_s,
                       u"第5行不是一条规则：“坐后1排”前面应有一个姓名，这里有 2 个"_s,
                       u"第6行不是一条规则：“不相邻”前面应有两个姓名"_s,
                       u"第7行不是一条规则：两个姓名相同"_s,
                       u"第8行不是一条规则：姓名不能是空的"_s,
                       u"第9行不是一条规则：“每人换座位”前面不能有姓名"_s,
                       u"第10行不是一条规则：不认识"_s,
                       u"第11行不是一条规则：文字编码无法识别"_s}
        << gbLines(wrong) + "\xff\xfe\r\n";
    QTest::newRow("LF and lone CR; blanks around entries; switches go last")
        << TextCodec::encode(u"每人换同桌\n 甲 , 坐后1排 \r乙,坐前1排"_s) << QStringList{u"甲 坐后1排"_s, u"乙 坐前1排"_s, u"每人换同桌"_s}
        << QStringList() << gbLines({u"甲,坐后1排"_s, u"乙,坐前1排"_s, u"每人换同桌"_s});
    QTest::newRow("UTF-8 with its mark: a note kept as the same text")
        << QByteArray("\xef\xbb\xbf") + u"甲,坐前2排\r\n# 注\r\n"_s.toUtf8() << QStringList{u"甲 坐前2排"_s} << QStringList()
        << gbLines({u"甲,坐前2排"_s, u"# 注"_s});
    QTest::newRow("UTF-8 without its mark, as a new file in an editor")
        << u"甲,坐前2排\r\n# 注\r\n"_s.toUtf8() << QStringList{u"甲 坐前2排"_s} << QStringList() << gbLines({u"甲,坐前2排"_s, u"# 注"_s});
    QTest::newRow("more than 20 lines no rule, summed up")
        << QByteArray("x\r\n").repeated(23) << QStringList() << QStringList(20, u"不是一条规则"_s) + QStringList{u"另外 3 行也不是规则"_s}
        << QByteArray();
}

void TestChartFiles::rulesFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, said);
    QFETCH(QStringList, problems);
    QFETCH(QByteArray, written);

    const RulesFile::Snapshot reading = RulesFile::parse(file, u"rules.txt"_s);
    QCOMPARE(saying(reading.contents), said);
    QCOMPARE(reading.problems.size(), problems.size());
    for (qsizetype i = 0; i < problems.size(); ++i)
        QVERIFY2(reading.problems.at(i).detail().contains(problems.at(i)), qPrintable(reading.problems.at(i).message()));
    // Kept lines come back byte for byte, where they were.
    const auto bytes = RulesFile::format(reading.contents);
    QCOMPARE(bytes.ok() ? bytes.value() : QByteArray(), written.isNull() ? file : written);
}

void TestChartFiles::rulesReadBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refused"); // a part of the message; empty: saved
    // A first name that begins like a note after white space goes in quotes.
    QTest::newRow("tab, then #") << u"\t#3"_s << QString();
    QTest::newRow("ideographic space, then #") << u"\u3000#3"_s << QString();
    QTest::newRow("no-break space, then #") << u"\u00A0#3"_s << QString();
    QTest::newRow("a line break")
        << u"甲\n乙"_s << u"无法把排座规则原样保存到“\u2068rules.txt\u2069”：规则“\u2068甲␊乙 坐前2排\u2069”保存后读出来会不一样"_s;
}

void TestChartFiles::rulesReadBack()
{
    QFETCH(QString, name);
    QFETCH(QString, refused);
    const RulesFile::Contents contents{{{SeatRule::frontRows(name, 2), SeatRule::apart(name, u"乙"_s)}}, {}};
    const auto bytes = RulesFile::format(contents, u"rules.txt"_s);
    QCOMPARE(bytes.ok() ? QString() : bytes.error().message().section(u'。', 0, 0), refused);
    QVERIFY(!bytes.ok() || RulesFile::parse(bytes.value()).contents == contents);
}

void TestChartFiles::rulesFileInOtherForms()
{
    // Notepad's "Unicode" is read; a file that cannot be read is reported,
    // and a Save without rules leaves it as the teacher wrote it.
    const QString path = work(u"rules.txt"_s);
    QVERIFY(writeBytes(path, QByteArray("\xff\xfe") + QByteArray(reinterpret_cast<const char *>(u"甲,坐前2排\r\n"), 14)));
    SeatChart chart;
    RulesFile::Snapshot seen;
    QCOMPARE(ChartFiles::loadWorkingFiles(chart, seen, m_dir->path()), QList<FileError>());
    QCOMPARE(seen.contents.rules.rules, QList<SeatRule>{SeatRule::frontRows(u"甲"_s, 2)});

    // One that has become unreadable since is left, and said so once.
    const QByteArray binary("\x01\x00rules", 7);
    QVERIFY(writeBytes(path, binary));
    const auto first = ChartFiles::saveWorkingFiles(chart, seen.contents, seen, m_dir->path());
    const auto second = ChartFiles::saveWorkingFiles(chart, seen.contents, first.rules, m_dir->path());
    QCOMPARE(std::tuple(first.error, first.rulesUnreadable.has_value(), second.error, second.rulesUnreadable.has_value()),
             std::tuple(std::nullopt, true, std::nullopt, false));
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(chart, seen, m_dir->path());
    QVERIFY(problems == QList<FileError>{*seen.unreadable} && seen.unreadable->reason() == FileError::Reason::NotARulesFile);
    QCOMPARE(readBytes(path), binary);
}

namespace {

const SeatRule A = SeatRule::frontRows(u"甲"_s, 1), B = SeatRule::backRows(u"乙"_s, 2), C = SeatRule::apart(u"甲"_s, u"乙"_s);

// rules.txt with these bytes (a name for them) and rules; or one that
// cannot be read.
Snapshot file(const QByteArray &fingerprint, const QList<SeatRule> &rules)
{
    return {fingerprint, {{rules}, {}}, {}, {}};
}
Snapshot unreadable(const QByteArray &fingerprint)
{
    return {fingerprint, {}, {}, FileError(FileError::Reason::NotARulesFile, FileError::Action::Read, {})};
}

} // namespace

void TestChartFiles::keptLinesStayWithTheirRules()
{
    // A note after the first rule stays after it when another rule goes, and
    // goes to the top with it.
    const auto after = [&](const QList<SeatRule> &rules) {
        RulesFile::Contents contents{{{A, B, C}}, {{1, "# a"}, {2, "# b"}}};
        contents.replaceRules({rules});
        return QList<qsizetype>{contents.kept.at(0).after, contents.kept.at(1).after};
    };
    QCOMPARE(after({B, C}), (QList<qsizetype>{0, 1}));
    QCOMPARE(after({A, C}), (QList<qsizetype>{1, 1}));
    QCOMPARE(after({C, A, B}), (QList<qsizetype>{2, 3}));
    QCOMPARE(after({A, B, C, SeatRule::frontRows(u"丙"_s, 2)}), (QList<qsizetype>{1, 2}));
}

void TestChartFiles::savePlan_data()
{
    QTest::addColumn<Contents>("wanted"); // the window's rules
    QTest::addColumn<Snapshot>("seen");   // rules.txt as the window saw it
    QTest::addColumn<Snapshot>("now");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<SavePlan::Rules>("plan");

    const Contents none, a{{{A}}, {}}, ab{{{A, B}}, {}};
    const Snapshot nothing, fileA = file("1", {A});
    QTest::newRow("never any rules") << none << nothing << nothing << false << SavePlan::Rules::Leave;
    QTest::newRow("the rules as they were") << a << fileA << fileA << false << SavePlan::Rules::Leave;
    QTest::newRow("a rule added") << ab << fileA << fileA << false << SavePlan::Rules::Write;
    QTest::newRow("the last rule removed") << none << fileA << fileA << false << SavePlan::Rules::Remove;
    QTest::newRow("the last rule removed, rules.txt a link") << none << fileA << fileA << true << SavePlan::Rules::Empty;
    QTest::newRow("changed in an editor") << a << fileA << file("2", {A, B}) << false << SavePlan::Rules::Changed;
    QTest::newRow("made in an editor, no rules in the window") << none << nothing << file("2", {A}) << false << SavePlan::Rules::Changed;
    QTest::newRow("removed by hand") << a << fileA << nothing << false << SavePlan::Rules::Changed;
    QTest::newRow("unreadable, no rules in the window") << none << unreadable("!") << unreadable("!") << false << SavePlan::Rules::Leave;
    QTest::newRow("unreadable, a rule added") << a << unreadable("!") << unreadable("!") << false << SavePlan::Rules::Unreadable;
    QTest::newRow("became unreadable, the rules as they were") << a << fileA << unreadable("3") << false << SavePlan::Rules::Leave;
    QTest::newRow("became unreadable, a rule added") << ab << fileA << unreadable("3") << false << SavePlan::Rules::Unreadable;
}

void TestChartFiles::savePlan()
{
    QFETCH(Contents, wanted);
    QFETCH(Snapshot, seen);
    QFETCH(Snapshot, now);
    QFETCH(bool, linked);
    QFETCH(SavePlan::Rules, plan);
    QCOMPARE(SavePlan::rules(wanted, seen, now, linked), plan);
}

void TestChartFiles::merged_data()
{
    QTest::addColumn<Contents>("base"); // what the window and the file had
    QTest::addColumn<Contents>("mine"); // the window's now
    QTest::addColumn<Contents>("theirs");
    QTest::addColumn<Contents>("merged");

    const SeatRule here = SeatRule::fixed(u"甲"_s, 1, 1), there = SeatRule::fixed(u"甲"_s, 2, 2);
    const auto rules = [](const QList<SeatRule> &list, bool moves = false, bool deskmates = false) {
        return Contents{{list, moves, deskmates}, {}};
    };
    QTest::newRow("both added") << rules({A}) << rules({A, B}) << rules({A, C}) << rules({A, C, B});
    QTest::newRow("one removed, one added") << rules({A, B}) << rules({B}) << rules({A, B, C}) << rules({B, C});
    QTest::newRow("both added the same") << Contents{} << rules({A}) << rules({A}) << rules({A});
    QTest::newRow("a switch each") << Contents{} << rules({}, true) << rules({}, false, true) << rules({}, true, true);
    QTest::newRow("a switch left as it was") << rules({}, true) << rules({A}, true) << Contents{} << rules({A});
    QTest::newRow("the window's new fixed seat in the place of the file's")
        << Contents{} << rules({here}) << rules({there, B}) << rules({here, B});
    QTest::newRow("the file's notes stay, after their rules")
        << rules({A, B}) << rules({B}) << Contents{{{A, B}}, {{1, "# a"}, {2, "# b"}}} << Contents{{{B}}, {{0, "# a"}, {1, "# b"}}};
}

void TestChartFiles::merged()
{
    QFETCH(Contents, base);
    QFETCH(Contents, mine);
    QFETCH(Contents, theirs);
    QFETCH(Contents, merged);
    QCOMPARE(RulesFile::merged(base, mine, theirs), merged);
}

void TestChartFiles::saveRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("untrusted"); // why; empty: read as written

    const QByteArray id = "2049:17:1765000000123456789";
    const QList<SaveRecord::Entry> entries = {{u"Option"_s, false, ".sedario-1a", ".sedario-2b", id},
                                              {u"rules.txt"_s, true, {}, ".sedario-3c", id},
                                              {u"default.txt"_s, false, ".sedario-4d", {}, {}}};
    const QByteArray written = SaveRecord::format(entries);
    const auto signedWith = [](const QByteArray &lines) -> QByteArray {
        return "sedario-save 1\n" + lines + "sha256 "
            + QCryptographicHash::hash(QByteArray("sedario-save 1\n" + lines), QCryptographicHash::Sha256).toHex() + '\n';
    };
    const QString foreign = u"有一行不是本程序写的"_s, damaged = u"内容不完整或已经损坏"_s;
    QTest::newRow("as written") << written << QString();
    QTest::newRow("cut short") << written.chopped(10) << damaged;
    QTest::newRow("changed") << QByteArray(written).replace("4d", "4e") << damaged;
    QTest::newRow("empty") << QByteArray() << damaged;
    QTest::newRow("another file") << signedWith("../x write .sedario-1a - -\n") << foreign;
    QTest::newRow("a file of someone's") << signedWith("Option write notes.txt - -\n") << foreign;
    QTest::newRow("a copy of someone's") << signedWith("Option write .sedario-1a /etc/passwd -\n") << foreign;
    QTest::newRow("a working file twice") << signedWith("Option write .sedario-1a - -\nOption write .sedario-2b - -\n") << foreign;
    QTest::newRow("a staged file twice") << signedWith("Option write .sedario-1a - -\ndefault.txt write .sedario-1a - -\n") << foreign;
    QTest::newRow("a staged file its own copy") << signedWith("Option write .sedario-1a .sedario-1a -\n") << foreign;
}

void TestChartFiles::saveRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, untrusted);
    const auto read = SaveRecord::parse(bytes, u".sedario.save"_s);
    QCOMPARE(read.ok() ? QString() : read.error().detail().section(u'：', 0, 0), untrusted);
    QVERIFY(!read.ok() || SaveRecord::format(read.value()) == bytes);
}

QTEST_GUILESS_MAIN(TestChartFiles)
#include "tst_chartfiles.moc"
