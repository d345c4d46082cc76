#include "chart/seatchart.h"
#include "files/entryreader.h"
#include "files/seatlistfile.h"
#include "files/textcodec.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;
Q_DECLARE_METATYPE(std::optional<FileError::Reason>)

namespace {

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xff\xfe") : QByteArray("\xfe\xff");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xff);
        bytes += littleEndian ? QByteArray(1, low) + high : QByteArray(1, high) + low;
    }
    return bytes;
}

QStringList numberedNames(int count)
{
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << u"n%1"_s.arg(n);
    return names;
}

} // namespace

class TestSeatListFile : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void refused_data();
    void refused();
    void writtenNameReadsBack_data();
    void writtenNameReadsBack();
    void readFile_data();
    void readFile();
};

void TestSeatListFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("CR LF, LF, lone CR, none at the end") << QByteArray("a\r\nb\nc\rd") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("empty lines; LF CR is two line ends")
        << QByteArray("a\r\n\r\nb\n\rc\r\n") << QStringList{u"a"_s, QString(), u"b"_s, QString(), u"c"_s};
    QTest::newRow("ASCII comma separates") << QByteArray("\xd5\xc5\xc8\xfd,\xc0\xee\xcb\xc4\r\nc\r\n")
                                           << QStringList{u"张三"_s, u"李四"_s, u"c"_s};
    QTest::newRow("full-width comma does not") << QByteArray("\xd5\xc5\xc8\xfd\xa3\xac\xc0\xee\xcb\xc4\r\n")
                                               << QStringList{u"张三，李四"_s};
    QTest::newRow("adjacent commas, comma before line end")
        << QByteArray("a,,b,\r\nc") << QStringList{u"a"_s, QString(), u"b"_s, QString(), u"c"_s};
    QTest::newRow("blanks around dropped") << QByteArray("  \xcd\xf5\xce\xe5  \r\na b \r\n") << QStringList{u"王五"_s, u"a b"_s};
    QTest::newRow("tab is ordinary") << QByteArray("\ta\t\r\n") << QStringList{u"\ta\t"_s};
    QTest::newRow("quoted comma and blanks") << QByteArray(" \"Smith, John \"\r\nx\r\n") << QStringList{u"Smith, John "_s, u"x"_s};
    QTest::newRow("after closing quote dropped") << QByteArray("\"a\"b c,d\r\n") << QStringList{u"a"_s, u"d"_s};
    QTest::newRow("unclosed quote ends with the line") << QByteArray("\"a, b\r\nc\r\n\"d,e") << QStringList{u"a, b"_s, u"c"_s, u"d,e"_s};
    QTest::newRow("quote inside kept") << QByteArray("a\"b\"c\r\n") << QStringList{u"a\"b\"c"_s};
    QTest::newRow("rest of only blanks") << QByteArray("a\r\n   ") << QStringList{u"a"_s, QString()};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("35 lines then empty ones") << numberedLines(35) + "\r\n\r\n" << numberedNames(35);
    QTest::newRow("only 35 of 40 read") << numberedLines(40) << numberedNames(35);
    QTest::newRow("nothing past entry 35 looked at")
        << numberedLines(35) + QByteArray("\0\xff", 2) + QByteArray(5000, 'x') << numberedNames(35);
    QTest::newRow("entry of 4096 bytes") << QByteArray(4096, 'x') << QStringList{QString(4096, u'x')};
    QTest::newRow("GBK") << QByteArray("\xbc\xd7\r\nNULL\r\n\xd2\xd2") << QStringList{u"甲"_s, u"NULL"_s, u"乙"_s};
    QTest::newRow("euro is 0x80") << QByteArray("\x80\x31") << QStringList{u"€1"_s};
    QTest::newRow("0x80 as a second byte") << QByteArray("\x81\x80\x80") << QStringList{u"亐€"_s};
    QTest::newRow("GB18030 four-byte") << QByteArray("\x95\x32\x82\x36\x81\x30\x81\x30") << QStringList{u"𠀀\u0080"_s};
    QTest::newRow("UTF-8 with CJK") << QByteArray("\xe5\xbc\xa0\xe4\xb8\x89\r\nSmith") << QStringList{u"张三"_s, u"Smith"_s};
    QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbfM\xc3\xbcller") << QStringList{u"Müller"_s};
    QTest::newRow("two-byte UTF-8 alone is GBK") << QByteArray("M\xc3\xbcller") << QStringList{u"M眉ller"_s};
    QTest::newRow("overlong UTF-8 is GBK") << QByteArray("\xe0\x80\xb0\xa1") << QStringList{u"鄝啊"_s};
    QTest::newRow("UTF-16 LE") << utf16(u"张三,李四\r\n\"Smith, J\"\r\n"_s, true) << QStringList{u"张三"_s, u"李四"_s, u"Smith, J"_s};
    QTest::newRow("UTF-16 BE") << utf16(u"王五\n𠀀\n"_s, false) << QStringList{u"王五"_s, u"𠀀"_s};
    QTest::newRow("U+FEFF inside UTF-8 kept") << QByteArray("\xef\xbb\xbf"
                                                            "a\r\n\xef\xbb\xbf\xe5\xbc\xa0")
                                              << QStringList{u"a"_s, u"\uFEFF张"_s};
    QTest::newRow("U+FEFF after UTF-16 mark kept") << utf16(u"\uFEFF王"_s, true) << QStringList{u"\uFEFF王"_s};
    QTest::newRow("just short enough saved") << QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1024)
                                             << QStringList{QString(1024, u'Ä')};
}

void TestSeatListFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);

    const auto result = SeatListFile::parse(bytes, true, u"list.txt"_s);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().message()));
    QCOMPARE(result.value(), entries);
}

void TestSeatListFile::refused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why"); // a part of the message

    QTest::newRow("entry of 4097 bytes") << QByteArray("a\r\n") + QByteArray(4097, 'x') << u"第 2 项超过 4096 字节"_s;
    QTest::newRow("blanks count in the length") << QByteArray(4096, ' ') + "x" << u"第 1 项超过 4096 字节"_s;
    QTest::newRow("too long quoted") << "\"" + QByteArray(4096, 'x') + "\"" << u"第 1 项超过 4096 字节"_s;
    QTest::newRow("NUL byte") << QByteArray("a\r\nb\0\r\n", 7) << u"第 2 项含有空字符"_s;
    QTest::newRow("UTF-16 without mark") << QByteArray("a\0b\0\r\0\n\0", 8) << u"第 1 项含有空字符"_s;
    QTest::newRow("GBK 0xFF") << QByteArray("\xbc\xd7\r\n\xff\xfe\xfd") << u"文字编码无法识别"_s;
    QTest::newRow("GBK lead byte at end") << QByteArray("a\xd5") << u"文字编码无法识别"_s;
    QTest::newRow("GBK lead byte before comma") << QByteArray("\xd5,a") << u"文字编码无法识别"_s;
    QTest::newRow("GB18030 cut four-byte") << QByteArray("\x95\x32\x82") << u"文字编码无法识别"_s;
    QTest::newRow("GB18030 beyond U+10FFFF") << QByteArray("\xfe\x39\xfe\x39") << u"文字编码无法识别"_s;
    QTest::newRow("invalid UTF-8 after mark") << QByteArray("\xef\xbb\xbf\xbc\xd7") << u"文字编码无法识别"_s;
    QTest::newRow("odd UTF-16 length") << QByteArray("\xff\xfe"
                                                     "a\0b",
                                                     5)
                                       << u"文字编码无法识别"_s;
    QTest::newRow("lone UTF-16 surrogate") << QByteArray("\xff\xfe\x00\xd8"
                                                         "a\0",
                                                         6)
                                           << u"文字编码无法识别"_s;
    QTest::newRow("too long once saved") << QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1025)
                                         << u"第 1 项太长，保存时会超过 4096 字节"_s;
    QTest::newRow("needs a blank when saved first")
        << QByteArray("a\r\n\xef\xbb\xbf\xe2") + QByteArray(4092, 'x') << u"第 2 项太长，保存时会超过 4096 字节"_s;
    QTest::newRow("only NUL bytes") << QByteArray(10000, '\0') << u"第 1 项含有空字符"_s;
    QTest::newRow("NUL after a long run") << QByteArray(5000, 'x') + '\0' << u"第 1 项超过 4096 字节"_s;
    QTest::newRow("a long second line") << "a\r\n" + QByteArray(5000, 'x') << u"第 2 项超过 4096 字节"_s;
    QTest::newRow("not GBK") << QByteArray("a\xff") << u"文字编码无法识别"_s;
}

void TestSeatListFile::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);

    // A % in the name is the name's own, not a place for the reason.
    const auto result = SeatListFile::parse(bytes, true, u"list %1 %2.txt"_s);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().reason(), FileError::Reason::NotASeatList);
    QVERIFY(result.error().message().contains(u"“list %1 %2.txt”"));
    QVERIFY2(result.error().message().contains(why), qPrintable(result.error().message()));
}

void TestSeatListFile::writtenNameReadsBack_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line"); // how the seat is written

    QTest::newRow("blank inside") << 5 << u"Smith John"_s << QByteArray("Smith John");
    QTest::newRow("comma quoted") << 3 << u"Smith, John"_s << QByteArray("\"Smith, John\"");
    QTest::newRow("leading blank quoted") << 6 << u" 王五"_s << QByteArray("\" \xcd\xf5\xce\xe5\"");
    QTest::newRow("trailing blank quoted") << 9 << u"王五 "_s << QByteArray("\"\xcd\xf5\xce\xe5 \"");
    QTest::newRow("only blanks") << 12 << u"   "_s << QByteArray("\"   \"");
    QTest::newRow("quote inside") << 15 << u"a\"b"_s << QByteArray("a\"b");
    QTest::newRow("euro") << 18 << u"€"_s << QByteArray("\x80");
    QTest::newRow("tabs") << 27 << u"\tx\t"_s << QByteArray("\tx\t");
    QTest::newRow("U+FEFF first") << 30 << u"\uFEFF张"_s << QByteArray("\x84\x31\x95\x33\xd5\xc5");
    QTest::newRow("begins like UTF-8 mark, seat 0") << 0 << u"锘库"_s << QByteArray(" \xef\xbb\xbf\xe2");
    QTest::newRow("begins like UTF-8 mark, seat 7") << 7 << u"锘库"_s << QByteArray("\xef\xbb\xbf\xe2");
    QTest::newRow("bytes that look like UTF-8") << 34 << u"甬华"_s << QByteArray("\xf0\xae\xbb\xaa");
    QTest::newRow("longest") << 34 << QString(4096, u'x') << QByteArray(4096, 'x');
    QTest::newRow("longest quoted") << 1 << u","_s + QString(4093, u'x') << "\"," + QByteArray(4093, 'x') + "\"";
}

void TestSeatListFile::writtenNameReadsBack()
{
    QFETCH(int, seat);
    QFETCH(QString, name);
    QFETCH(QByteArray, line);

    SeatChart chart;
    chart.setSeat(seat, name);
    const auto formatted = SeatListFile::format(chart, u"default.txt"_s);
    QVERIFY(formatted.ok());
    const QByteArray bytes = formatted.value();
    QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 36);
    QVERIFY(lines.takeLast().isEmpty());
    QCOMPARE(lines.at(seat), line + "\r");
    for (int i = 0; i < 35; ++i)
        QVERIFY(i == seat || lines.at(i) == "NULL\r" || lines.at(i) == "\"NULL\"\xa1\xa1\r");
    const auto result = SeatListFile::parse(bytes, true);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().message()));
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        QCOMPARE(result.value().at(i), i == seat ? name : u"NULL"_s);
}

void TestSeatListFile::readFile_data()
{
    QTest::addColumn<QString>("path");    // in the temporary folder unless absolute
    QTest::addColumn<QByteArray>("head"); // written to it before `repeats` copies of `tail`
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<std::optional<Reason>>("refused");

    const QByteArray utf16Lines = utf16(QString::fromLatin1(numberedLines(40)), true);
    QTest::newRow("one line of 50 MiB") << u"long"_s << QByteArray() << QByteArray(1 << 20, 'x') << 50 << QStringList()
                                        << std::optional(Reason::NotASeatList);
    QTest::newRow("35 lines, then 50 MiB") << u"tail"_s << numberedLines(35) << QByteArray(1 << 20, 'x') << 50 << numberedNames(35)
                                           << std::optional<Reason>();
    QTest::newRow("UTF-16, 35 lines, then more")
        << u"utf16"_s << utf16Lines << utf16Lines.sliced(2) << 2000 << numberedNames(35) << std::optional<Reason>();
}

void TestSeatListFile::readFile()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(int, repeats);
    QFETCH(QStringList, entries);
    QFETCH(std::optional<Reason>, refused);

    QTemporaryDir dir;
    if (!path.startsWith(u'/'))
        path = dir.filePath(path);
    if (repeats >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size());
        for (int n = 0; n < repeats; ++n)
            QVERIFY(file.write(tail) == tail.size());
    }
    const auto result = SeatListFile::read(path);
    QCOMPARE(result.ok() ? std::nullopt : std::optional(result.error().reason()), refused);
    if (result.ok())
        QCOMPARE(result.value(), entries);
    else
        QCOMPARE(result.error().path(), path);
}

QTEST_GUILESS_MAIN(TestSeatListFile)
#include "tst_seatlistfile.moc"
