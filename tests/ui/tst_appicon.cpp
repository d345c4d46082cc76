#include "ui/appicon.h"

#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void sizes();
    void image_data();
    void image();
};

// The icon comes from the resource that ui/CMakeLists.txt compiles into the
// static library; had the resource not been linked into this program, the
// icon would be empty.
void TestAppIcon::sizes()
{
    QList<QSize> sizes = AppIcon::icon().availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    const QList<QSize> expected{{16, 16}, {24, 24}, {32, 32}, {48, 48}, {64, 64}, {128, 128}, {256, 256}};
    QCOMPARE(sizes, expected);
}

void TestAppIcon::image_data()
{
    QTest::addColumn<int>("pixels");
    for (const int pixels : {16, 24, 32, 48, 64, 128, 256})
        QTest::newRow(qPrintable(QString::number(pixels) + u" px"_s)) << pixels;
}

// Each size is a drawing of the classroom: the middle desk of the picture is
// orange, the one desk that is.
void TestAppIcon::image()
{
    QFETCH(int, pixels);
    const QImage image = AppIcon::icon().pixmap(QSize(pixels, pixels), 1.0).toImage();
    QCOMPARE(image.size(), QSize(pixels, pixels));
    const QColor desk = image.pixelColor(pixels / 2, pixels * 75 / 128);
    QCOMPARE(desk.alpha(), 255);
    QVERIFY2(desk.red() > desk.green() && desk.green() > desk.blue(), qPrintable(desk.name()));
}

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
