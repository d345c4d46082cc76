#include "files/textcodec.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void invalidGb18030_data();
    void invalidGb18030();
    void utf8Detection_data();
    void utf8Detection();
};

void TestTextCodec::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ASCII") << u"Smith, John"_s << QByteArray("Smith, John");
    QTest::newRow("GBK two-byte") << u"张三"_s << QByteArray("\xd5\xc5\xc8\xfd");
    QTest::newRow("GBK extension") << u"喆"_s << QByteArray("\x86\xb4");
    QTest::newRow("full-width comma") << u"，"_s << QByteArray("\xa3\xac");
    QTest::newRow("middle dot") << u"·"_s << QByteArray("\xa1\xa4");
    QTest::newRow("em dash") << u"—"_s << QByteArray("\xa1\xaa");
    QTest::newRow("euro sign is the single byte 0x80") << u"€5"_s << QByteArray("\x80" "5");
    QTest::newRow("euro sign at both ends") << u"€甲€"_s << QByteArray("\x80\xbc\xd7\x80");
    QTest::newRow("outside code page 936: Latin") << u"Ä"_s << QByteArray("\x81\x30\x87\x32");
    QTest::newRow("outside code page 936: CJK extension B") << u"𠀀"_s << QByteArray("\x95\x32\x82\x36");
    QTest::newRow("empty") << QString() << QByteArray();
}

void TestTextCodec::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);

    QCOMPARE(TextCodec::encode(text), bytes);
    QCOMPARE(TextCodec::decodeGb18030(bytes), std::optional<QString>(text));
}

void TestTextCodec::invalidGb18030_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("0xFF") << QByteArray("a\xff");
    QTest::newRow("lead byte at the end") << QByteArray("a\xd5");
    QTest::newRow("lead byte before a control") << QByteArray("\xd5\x0a");
    QTest::newRow("lead byte before 0x7F") << QByteArray("\xd5\x7f");
    QTest::newRow("truncated four-byte") << QByteArray("\x95\x32\x82");
    QTest::newRow("bad third byte of four") << QByteArray("\x95\x32\x30\x36");
    QTest::newRow("four-byte code beyond U+10FFFF") << QByteArray("\xfe\x39\xfe\x39");
}

void TestTextCodec::invalidGb18030()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(TextCodec::decodeGb18030(bytes), std::nullopt);
}

void TestTextCodec::utf8Detection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("utf8");

    QTest::newRow("three-byte CJK") << QByteArray("\xe5\xbc\xa0\xe4\xb8\x89") << true;
    QTest::newRow("four-byte") << QByteArray("a\xf0\xa0\x80\x80") << true;
    QTest::newRow("ASCII only") << QByteArray("Smith") << false;
    QTest::newRow("two-byte only") << QByteArray("M\xc3\xbcller") << false;
    QTest::newRow("GBK text") << QByteArray("\xd5\xc5\xc8\xfd") << false;
    QTest::newRow("valid but one bad byte") << QByteArray("\xe5\xbc\xa0\xff") << false;
    QTest::newRow("overlong form") << QByteArray("\xe0\x80\xaf\xe5\xbc\xa0") << false;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false;
    QTest::newRow("cut-off sequence") << QByteArray("\xe5\xbc\xa0\xe4\xb8") << false;
}

void TestTextCodec::utf8Detection()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, utf8);

    QCOMPARE(TextCodec::looksLikeUtf8(bytes), utf8);
    // Whatever looks like UTF-8 also decodes as UTF-8.
    if (utf8)
        QCOMPARE(TextCodec::decodeUtf8(bytes), std::optional<QString>(QString::fromUtf8(bytes)));
}

QTEST_APPLESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
