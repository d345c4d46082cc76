#include "files/seatlistfile.h"
#include "testfiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray utf16(const QString &text, bool littleEndian)
{
    QStringEncoder encoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
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
    void readFile_data();
    void readFile();
};

void TestSeatListFile::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("CR LF, LF, lone CR, none at the end") << QByteArray("a\r\nb\nc\rd") << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    QTest::newRow("lone CR last") << QByteArray("a\r") << QStringList{u"a"_s};
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
    QTest::newRow("euro is 0x80") << QByteArray("1\x80") << QStringList{u"1€"_s};
    QTest::newRow("0x80 as a second byte") << QByteArray("\x81\x80\x80") << QStringList{u"亐€"_s};
    QTest::newRow("UTF-8 with CJK") << QByteArray("\xe5\xbc\xa0\xe4\xb8\x89\r\nSmith") << QStringList{u"张三"_s, u"Smith"_s};
    QTest::newRow("UTF-8 whose longest sequences begin with E0") << QByteArray("\xe0\xa4\xa8\xe0\xa4\xae") << QStringList{u"नम"_s};
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

void TestSeatListFile::readFile_data()
{
    QTest::addColumn<QByteArray>("head"); // the file: `head`, then `repeats` copies of `tail`
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("refused"); // why, when the file is no seat list

    const QByteArray utf16Lines = utf16(QString::fromLatin1(numberedLines(40)), true);
    QTest::newRow("35 lines, then 50 MiB") << numberedLines(35) << QByteArray(1 << 20, 'x') << 50 << numberedNames(35) << QString();
    QTest::newRow("UTF-16, 35 lines, then more") << utf16Lines << utf16Lines.sliced(2) << 2000 << numberedNames(35) << QString();
    QTest::newRow("one line of 50 MiB") << QByteArray() << QByteArray(1 << 20, 'x') << 50 << QStringList() << u"第 1 项超过 4096 字节"_s;
}

void TestSeatListFile::readFile()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, tail);
    QFETCH(int, repeats);
    QFETCH(QStringList, entries);
    QFETCH(QString, refused);

    QTemporaryDir dir;
    QFile file(dir.filePath(u"list.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(head) == head.size());
    for (int n = 0; n < repeats; ++n)
        QVERIFY(file.write(tail) == tail.size());
    file.close();
    const auto result = SeatListFile::read(file.fileName());
    QCOMPARE(result.ok() ? result.value() : QStringList(), entries);
    QCOMPARE(result.ok() ? QString() : result.error().detail(), refused);
}

QTEST_GUILESS_MAIN(TestSeatListFile)
#include "tst_seatlistfile.moc"
