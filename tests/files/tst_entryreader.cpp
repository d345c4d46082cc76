#include "files/entryreader.h"

#include <QTest>

using Fault = EntryReader::Fault;
Q_DECLARE_METATYPE(EntryReader::Fault)

class TestEntryReader : public QObject
{
    Q_OBJECT

private slots:
    void entries_data();
    void entries();
    void faults_data();
    void faults();
    void readerStopsAtLimitOfIncompleteData();
};

void TestEntryReader::entries_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\n") << QByteArrayList{"a", "b"};
    QTest::newRow("LF lines") << QByteArray("a\nb\n") << QByteArrayList{"a", "b"};
    QTest::newRow("lone CR lines") << QByteArray("a\rb\r") << QByteArrayList{"a", "b"};
    QTest::newRow("no line end at the end") << QByteArray("a\r\nb") << QByteArrayList{"a", "b"};
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("empty line is an empty entry") << QByteArray("a\r\n\r\nb\r\n") << QByteArrayList{"a", "", "b"};
    QTest::newRow("ASCII comma separates") << QByteArray("\xd5\xc5\xc8\xfd,\xc0\xee\xcb\xc4\r\n")
                                           << QByteArrayList{"\xd5\xc5\xc8\xfd", "\xc0\xee\xcb\xc4"};
    QTest::newRow("full-width comma is part of the name")
        << QByteArray("\xd5\xc5\xc8\xfd\xa3\xac\xc0\xee\xcb\xc4\r\n")
        << QByteArrayList{"\xd5\xc5\xc8\xfd\xa3\xac\xc0\xee\xcb\xc4"};
    QTest::newRow("adjacent commas give an empty entry") << QByteArray("a,,b") << QByteArrayList{"a", "", "b"};
    QTest::newRow("comma at line end gives an empty entry") << QByteArray("a,\r\nb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("leading blanks skipped") << QByteArray("  \xcd\xf5\xce\xe5\r\n") << QByteArrayList{"\xcd\xf5\xce\xe5"};
    QTest::newRow("trailing blanks dropped") << QByteArray("a b  \r\n") << QByteArrayList{"a b"};
    QTest::newRow("blank inside kept") << QByteArray("Smith John\r\n") << QByteArrayList{"Smith John"};
    QTest::newRow("tab is ordinary") << QByteArray("\ta\t\r\n") << QByteArrayList{"\ta\t"};
    QTest::newRow("quoted entry keeps comma and blanks")
        << QByteArray("\"Smith, John\"\r\nx\r\n") << QByteArrayList{"Smith, John", "x"};
    QTest::newRow("quoted entry keeps outer blanks") << QByteArray("  \" a \"  \r\n") << QByteArrayList{" a "};
    QTest::newRow("text after closing quote dropped") << QByteArray("\"a\"b c,d\r\n") << QByteArrayList{"a", "d"};
    QTest::newRow("unclosed quote takes rest of line")
        << QByteArray("\"a, b\r\nc\r\n") << QByteArrayList{"a, b", "c"};
    QTest::newRow("unclosed quote at end of file") << QByteArray("\"a,b") << QByteArrayList{"a,b"};
    QTest::newRow("quote inside an unquoted entry is kept") << QByteArray("a\"b\"c\r\n") << QByteArrayList{"a\"b\"c"};
    QTest::newRow("empty quotes") << QByteArray("\"\"\r\nb\r\n") << QByteArrayList{"", "b"};
    QTest::newRow("rest of only blanks is one empty entry") << QByteArray("a\r\n   ") << QByteArrayList{"a", ""};
    QTest::newRow("empty file has no entries") << QByteArray() << QByteArrayList{};
    QTest::newRow("single line end") << QByteArray("\r\n") << QByteArrayList{""};
    QTest::newRow("GB18030 four-byte character") << QByteArray("\x95\x32\x82\x36,b") << QByteArrayList{"\x95\x32\x82\x36", "b"};
}

void TestEntryReader::entries()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArrayList, expected);

    EntryReader reader(data);
    QByteArrayList actual;
    while (!reader.atEnd()) {
        const std::optional<QByteArray> entry = reader.readEntry();
        QVERIFY(entry);
        actual << *entry;
        QVERIFY(actual.size() <= expected.size());
    }
    QCOMPARE(actual, expected);
    QCOMPARE(reader.fault(), Fault::None);
    QCOMPARE(reader.position(), data.size());
}

void TestEntryReader::faults_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("goodEntries");
    QTest::addColumn<Fault>("fault");

    const QByteArray longest(EntryReader::MaxEntryBytes, 'x');
    QTest::newRow("entry of 4096 bytes is fine") << longest + "\r\n" << 1 << Fault::None;
    QTest::newRow("entry of 4097 bytes") << QByteArray("a\r\n") + longest + "x\r\n" << 1 << Fault::EntryTooLong;
    QTest::newRow("blanks count towards the length")
        << QByteArray(EntryReader::MaxEntryBytes, ' ') + "x" << 0 << Fault::EntryTooLong;
    QTest::newRow("quoted entry too long") << "\"" + longest + "\"" << 0 << Fault::EntryTooLong;
    QTest::newRow("NUL in an entry") << QByteArray("a\r\nb\0c\r\n", 8) << 1 << Fault::NulByte;
    QTest::newRow("NUL alone") << QByteArray("\0", 1) << 0 << Fault::NulByte;
}

void TestEntryReader::faults()
{
    QFETCH(QByteArray, data);
    QFETCH(int, goodEntries);
    QFETCH(Fault, fault);

    EntryReader reader(data);
    int read = 0;
    while (!reader.atEnd() && reader.readEntry())
        ++read;
    QCOMPARE(read, goodEntries);
    QCOMPARE(reader.fault(), fault);
    // A refused entry stops the reader for good.
    if (fault != Fault::None)
        QVERIFY(!reader.readEntry());
}

void TestEntryReader::readerStopsAtLimitOfIncompleteData()
{
    // Only the beginning of a longer file: entries that end inside it are
    // read, one that runs to its end may be longer than what was read.
    EntryReader reader(QByteArrayView("a\r\nbcd"), false);
    QVERIFY(!reader.atEnd());
    QCOMPARE(reader.readEntry(), QByteArray("a"));
    QVERIFY(!reader.atEnd());
    QVERIFY(!reader.readEntry());
    QCOMPARE(reader.fault(), Fault::EntryTooLong);
}

QTEST_APPLESS_MAIN(TestEntryReader)
#include "tst_entryreader.moc"
