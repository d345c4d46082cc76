#include "chart/seatchart.h"
#include "files/entryreader.h"
#include "files/seatlistfile.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;
Q_DECLARE_METATYPE(FileError::Reason)

namespace {

QByteArray numberedLines(int count)
{
    QList<QByteArray> lines;
    for (int n = 0; n < count; ++n)
        lines << "n" + QByteArray::number(n);
    return crlfLines(lines);
}

QStringList numberedNames(int count)
{
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << u"n%1"_s.arg(n);
    return names;
}

QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xff\xfe") : QByteArray("\xfe\xff");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xff);
        bytes += littleEndian ? QByteArray(1, low) + high : QByteArray(1, high) + low;
    }
    return bytes;
}

} // namespace

class TestSeatListFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void notASeatList_data();
    void notASeatList();
    void isNullEntry_data();
    void isNullEntry();
    void formatIsByteExact();
    void entryText_data();
    void entryText();
    void writtenChartReadsBack_data();
    void writtenChartReadsBack();
    void readErrors_data();
    void readErrors();
    void readStopsAfter35Entries();
    void readOfLongFileIsBounded();

private:
    QTemporaryDir m_dir;
};

void TestSeatListFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestSeatListFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("GBK lines") << crlfLines({"\xbc\xd7", "NULL", "\xd2\xd2"}) << QStringList{u"甲"_s, u"NULL"_s, u"乙"_s};
    QTest::newRow("GBK with euro byte") << QByteArray("\x80\x31\r\n") << QStringList{u"€1"_s};
    QTest::newRow("GB18030 beyond code page 936") << QByteArray("\x81\x30\x87\x32\r\n") << QStringList{u"Ä"_s};
    QTest::newRow("UTF-8 without mark") << QByteArray("\xe5\xbc\xa0\xe4\xb8\x89\r\nSmith\r\n")
                                        << QStringList{u"张三"_s, u"Smith"_s};
    QTest::newRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbfM\xc3\xbcller\r\n") << QStringList{u"Müller"_s};
    QTest::newRow("two-byte UTF-8 alone reads as GBK") << QByteArray("M\xc3\xbcller\r\n") << QStringList{u"M眉ller"_s};
    QTest::newRow("UTF-16 LE") << utf16(u"张三,李四\r\n\"Smith, J\"\r\n"_s, true)
                               << QStringList{u"张三"_s, u"李四"_s, u"Smith, J"_s};
    QTest::newRow("UTF-16 BE") << utf16(u"王五\n𠀀\n"_s, false) << QStringList{u"王五"_s, u"𠀀"_s};
    QTest::newRow("35 lines then empty lines") << numberedLines(35) + "\r\n\r\n\r\n" << numberedNames(35);
    QTest::newRow("40 lines") << numberedLines(40) << numberedNames(35);
    QTest::newRow("past the 35th entry nothing is looked at")
        << numberedLines(35) + QByteArray("\0\xff", 2) + QByteArray(5000, 'x') << numberedNames(35);
    QTest::newRow("comma shifts later entries")
        << crlfLines({"\xd5\xc5\xc8\xfd,\xc0\xee\xcb\xc4", "\xcd\xf5\xce\xe5"})
        << QStringList{u"张三"_s, u"李四"_s, u"王五"_s};
    QTest::newRow("U+FEFF at the start of a UTF-8 entry is kept")
        << QByteArray("\xef\xbb\xbf" "a\r\n\xef\xbb\xbf\xe5\xbc\xa0\r\n") << QStringList{u"a"_s, u"\uFEFF张"_s};
    QTest::newRow("U+FEFF after the UTF-16 mark is kept") << utf16(u"\uFEFF王\n"_s, true) << QStringList{u"\uFEFF王"_s};
    QTest::newRow("name just short enough once saved in GB18030")
        << QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1024) << QStringList{QString(1024, u'Ä')};
}

void TestSeatListFile::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);

    const auto result = SeatListFile::parse(bytes, true);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().message()));
    QCOMPARE(result.value(), entries);
}

void TestSeatListFile::notASeatList_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("NUL byte") << QByteArray("a\r\nb\0\r\n", 7);
    QTest::newRow("UTF-16 without a mark") << QByteArray("a\0b\0\r\0\n\0", 8);
    QTest::newRow("over-long line") << QByteArray(5000, 'x');
    QTest::newRow("invalid GBK") << QByteArray("\xbc\xd7\r\n\xff\xfe\xfd\r\n");
    QTest::newRow("invalid UTF-8 after mark") << QByteArray("\xef\xbb\xbf\xbc\xd7\r\n");
    QTest::newRow("odd UTF-16 length") << QByteArray("\xff\xfe" "a\0b", 5);
    QTest::newRow("lone UTF-16 surrogate") << QByteArray("\xff\xfe\x00\xd8" "a\0", 6);
    // Save writes GB18030: a name that could not be written back in a line of
    // the allowed length is refused when read.
    QTest::newRow("name too long once saved in GB18030")
        << QByteArray("\xef\xbb\xbf") + QByteArray("\xc3\x84").repeated(1025) + "\r\n";
    QTest::newRow("longest line, but saved first it needs a blank before it")
        << QByteArray("a\r\n\xef\xbb\xbf\xe2") + QByteArray(EntryReader::MaxEntryBytes - 4, 'x') + "\r\n";
}

void TestSeatListFile::notASeatList()
{
    QFETCH(QByteArray, bytes);

    const auto result = SeatListFile::parse(bytes, true, u"list.txt"_s);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().reason(), Reason::NotASeatList);
    QCOMPARE(result.error().path(), u"list.txt"_s);
    QVERIFY(!result.error().detail().isEmpty());
}

void TestSeatListFile::isNullEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("isNull");

    QTest::newRow("upper") << u"NULL"_s << true;
    QTest::newRow("lower") << u"null"_s << true;
    QTest::newRow("mixed") << u"nUlL"_s << true;
    QTest::newRow("empty entry is a name") << QString() << false;
    QTest::newRow("longer word") << u"NULLS"_s << false;
    QTest::newRow("blank inside") << u"NU LL"_s << false;
}

void TestSeatListFile::isNullEntry()
{
    QFETCH(QString, entry);
    QFETCH(bool, isNull);
    QCOMPARE(SeatListFile::isNullEntry(entry), isNull);
}

void TestSeatListFile::formatIsByteExact()
{
    SeatChart chart;
    chart.setSeat(0, u"甲"_s);
    chart.setSeat(34, u"乙"_s);
    QList<QByteArray> lines(SeatChart::SeatCount, "NULL");
    lines.first() = "\xbc\xd7";
    lines.last() = "\xd2\xd2";
    QCOMPARE(SeatListFile::format(chart), crlfLines(lines));
}

void TestSeatListFile::entryText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty seat") << QString() << u"NULL"_s;
    QTest::newRow("plain name") << u"张三"_s << u"张三"_s;
    QTest::newRow("blank inside") << u"Smith John"_s << u"Smith John"_s;
    QTest::newRow("full-width comma") << u"张三，李四"_s << u"张三，李四"_s;
    QTest::newRow("ASCII comma") << u"Smith, John"_s << u"\"Smith, John\""_s;
    QTest::newRow("leading blank") << u" 王五"_s << u"\" 王五\""_s;
    QTest::newRow("trailing blank") << u"王五 "_s << u"\"王五 \""_s;
    QTest::newRow("quote inside") << u"a\"b"_s << u"a\"b"_s;
    QTest::newRow("tab at the end") << u"a\t"_s << u"a\t"_s;
}

void TestSeatListFile::entryText()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(SeatListFile::entryText(name), text);
}

void TestSeatListFile::writtenChartReadsBack_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<QString>("name");

    QTest::newRow("comma") << 0 << u"Smith, John"_s;
    QTest::newRow("leading blank") << 3 << u" 王五"_s;
    QTest::newRow("trailing blank") << 6 << u"李四 "_s;
    QTest::newRow("only blanks") << 9 << u"   "_s;
    QTest::newRow("quote inside") << 12 << u"a\"b"_s;
    QTest::newRow("euro sign") << 15 << u"€"_s;
    QTest::newRow("outside code page 936") << 18 << u"𠀀Ä"_s;
    QTest::newRow("full-width comma") << 21 << u"张三，李四"_s;
    QTest::newRow("leading tab") << 24 << u"\tx"_s;
    QTest::newRow("markup") << 27 << u"&<b>"_s;
    QTest::newRow("U+FEFF first") << 30 << u"\uFEFF张"_s;
    // 锘 and 库 are EF BB and BF E2 in GB18030: the bytes of a UTF-8 mark.
    QTest::newRow("first seat begins like a UTF-8 mark") << 0 << u"锘库"_s;
    QTest::newRow("later seat begins like a UTF-8 mark") << 7 << u"锘库"_s;
    QTest::newRow("longest name") << 34 << QString(EntryReader::MaxEntryBytes, u'x');
    QTest::newRow("longest quoted name") << 1 << u","_s + QString(EntryReader::MaxEntryBytes - 3, u'x');
}

void TestSeatListFile::writtenChartReadsBack()
{
    // Every kind of name the reader can produce comes back from the writer's
    // output as the same single entry, in the same seat.
    QFETCH(int, seat);
    QFETCH(QString, name);

    QVERIFY(SeatListFile::fitsInFile(name));
    SeatChart chart;
    chart.setSeat(seat, name);
    const auto result = SeatListFile::parse(SeatListFile::format(chart), true);
    QVERIFY2(result.ok(), qPrintable(result.ok() ? QString() : result.error().message()));
    QCOMPARE(result.value().size(), SeatChart::SeatCount);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        QCOMPARE(result.value().at(i), i == seat ? name : u"NULL"_s);
}

void TestSeatListFile::readErrors_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<Reason>("reason");

    QTest::newRow("missing") << m_dir.filePath(u"nothing.txt"_s) << Reason::Missing;
    QTest::newRow("directory") << m_dir.path() << Reason::IsDirectory;
    QTest::newRow("endless device") << u"/dev/zero"_s << Reason::NotRegularFile;
}

void TestSeatListFile::readErrors()
{
    QFETCH(QString, path);
    QFETCH(Reason, reason);

    const auto result = SeatListFile::read(path);
    QVERIFY(!result.ok());
    QCOMPARE(result.error().reason(), reason);
    QCOMPARE(result.error().path(), path);
    QVERIFY(result.error().message().contains(path));
}

void TestSeatListFile::readStopsAfter35Entries()
{
    const QString path = m_dir.filePath(u"forty.txt"_s);
    QVERIFY(writeBytes(path, numberedLines(40)));
    const auto result = SeatListFile::read(path);
    QVERIFY(result.ok());
    QCOMPARE(result.value(), numberedNames(35));
}

void TestSeatListFile::readOfLongFileIsBounded()
{
    // 35 short lines followed by far more than the read limit: read fine.
    // One line longer than the limit: refused, not read to its end.
    const QByteArray filler(3 * SeatListFile::ReadLimit, 'x');
    const QString longTail = m_dir.filePath(u"tail.txt"_s);
    QVERIFY(writeBytes(longTail, numberedLines(35) + filler));
    const auto tail = SeatListFile::read(longTail);
    QVERIFY(tail.ok());
    QCOMPARE(tail.value(), numberedNames(35));

    const QString oneLine = m_dir.filePath(u"oneline.txt"_s);
    QVERIFY(writeBytes(oneLine, filler));
    const auto line = SeatListFile::read(oneLine);
    QVERIFY(!line.ok());
    QCOMPARE(line.error().reason(), Reason::NotASeatList);
}

QTEST_GUILESS_MAIN(TestSeatListFile)
#include "tst_seatlistfile.moc"
