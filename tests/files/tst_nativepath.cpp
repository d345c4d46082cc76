// Paths as the system gives them, any bytes, held in a QString and given
// back byte for byte.

#include "files/nativepath.h"

#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

class TestNativePath : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
};

void TestNativePath::roundTrip_data()
{
    // `bytes` read as `shown` by the teacher, with U+FFFD for each byte that
    // is no part of a valid UTF-8 sequence.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    const QString bad = QString(QChar::ReplacementCharacter);
    QTest::newRow("GBK 班座") << QByteArray("\xb0\xe0\xd7\xf9") << bad.repeated(4);
    QTest::newRow("two-byte edges") << QByteArray("\xc2\x80\xdf\xbf") << u"\u0080\u07ff"_s;
    QTest::newRow("overlong two bytes") << QByteArray("\xc0\x80\xc1\xbf") << bad.repeated(4);
    QTest::newRow("three-byte edges") << QByteArray("\xe0\xa0\x80\xed\x9f\xbf") << u"\u0800\ud7ff"_s;
    QTest::newRow("overlong three bytes, a surrogate") << QByteArray("\xe0\x9f\xbf\xed\xa0\x80") << bad.repeated(6);
    QTest::newRow("four-byte edges") << QByteArray("\xf0\x90\x80\x80\xf4\x8f\xbf\xbf") << u"\U00010000\U0010ffff"_s;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80\xf5\x80\x80\x80") << bad.repeated(8);
    // U+10080's low surrogate is DC80, which a lone kept byte 0x80 also is.
    QTest::newRow("a pair whose low half looks kept") << QByteArray("\xf0\x90\x82\x80\x80") << u"\U00010080"_s + bad;
    QTest::newRow("cut short at the end") << QByteArray("a\xe4\xbd") << u"a"_s + bad.repeated(2);
}

void TestNativePath::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);

    const QString path = NativePath::decode(bytes);
    QCOMPARE(NativePath::encode(path), bytes);
    QCOMPARE(NativePath::shown(path), shown);
    // A file: address carries the bytes percent-encoded, on this computer.
    const QUrl url = QUrl::fromEncoded("file://localhost/" + bytes.toPercentEncoding("/"));
    QCOMPARE(NativePath::fromUrl(url), std::optional(u"/"_s + path));
}

QTEST_GUILESS_MAIN(TestNativePath)
#include "tst_nativepath.moc"
