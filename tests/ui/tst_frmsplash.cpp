#include "fakedesktop.h"
#include "sedarioconfig.h"
#include "ui/frmsplash.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFrmSplash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void texts();
    void reopenedWindowShowsSameTexts();
    void centredOverMainWindow();
    void keys_data();
    void keys();
    void clicks_data();
    void clicks();
    void linkOpensAddressEachTime();

private:
    frmSplash &show();
    QString label(const char *name) const
    {
        return m_splash->findChild<QLabel *>(QString::fromLatin1(name))->text();
    }

    FakeDesktop m_desktop;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<frmSplash> m_splash;
};

void TestFrmSplash::init()
{
    m_desktop = FakeDesktop();
    m_main = std::make_unique<QWidget>();
    m_main->setWindowTitle(u"Sedario"_s);
    m_main->setGeometry(100, 80, 450, 409);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void TestFrmSplash::cleanup()
{
    m_splash.reset();
    m_main.reset();
}

frmSplash &TestFrmSplash::show()
{
    m_splash = std::make_unique<frmSplash>(m_desktop, m_main.get());
    m_splash->show();
    if (!QTest::qWaitForWindowExposed(m_splash.get()))
        qFatal("the About window was not shown");
    return *m_splash;
}

void TestFrmSplash::texts()
{
    m_main->setWindowTitle(u"Sedario 教室"_s); // read from the main window's caption
    frmSplash &splash = show();
    QCOMPARE(label("lblProductName"), u"Sedario 教室"_s);
    QCOMPARE(label("Label1"), u"V1.0.1"_s);
    QCOMPARE(label("lblWarning"), u"作者："_s + QString::fromUtf16(SedarioConfig::AuthorName));
    QCOMPARE(label("Label4"), u"E-mail:"_s + QString::fromUtf16(SedarioConfig::AuthorEmail));
    QCOMPARE(label("lblCompany"), QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(label("Label2"), u"感谢使用！有建议和需求请与我联系！"_s);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(splash.isModal());
    QCOMPARE(splash.size(), QSize(359, 157));
    // The product name shows whole, in large bold type.
    const auto *name = splash.findChild<QLabel *>(u"lblProductName"_s);
    QVERIFY(name->font().bold());
    QCOMPARE(name->font().pointSize(), 18);
    QVERIFY(name->width() >= name->sizeHint().width());
}

void TestFrmSplash::reopenedWindowShowsSameTexts()
{
    QStringList first;
    for (int round = 0; round < 2; ++round) {
        frmSplash &splash = show();
        QStringList texts;
        for (const QLabel *shown : splash.findChildren<QLabel *>())
            texts << shown->objectName() + u'=' + shown->text();
        QCOMPARE(texts.size(), 6);
        if (round == 0)
            first = texts;
        else
            QCOMPARE(texts, first);
        QTest::keyClick(&splash, Qt::Key_Escape);
    }
}

void TestFrmSplash::centredOverMainWindow()
{
    frmSplash &splash = show();
    QCOMPARE(splash.geometry().center(), m_main->geometry().center());
}

void TestFrmSplash::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");

    QTest::newRow("Esc") << int(Qt::Key_Escape) << true;
    QTest::newRow("Enter") << int(Qt::Key_Return) << true;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << true;
    QTest::newRow("Space") << int(Qt::Key_Space) << true;
    QTest::newRow("letter") << int(Qt::Key_A) << true;
    QTest::newRow("digit") << int(Qt::Key_7) << true;
    QTest::newRow("arrow") << int(Qt::Key_Left) << false;
    QTest::newRow("function key") << int(Qt::Key_F1) << false;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << false;
}

void TestFrmSplash::keys()
{
    QFETCH(int, key);
    QFETCH(bool, closes);

    frmSplash &splash = show();
    QTest::keyClick(&splash, Qt::Key(key));
    QCOMPARE(splash.isVisible(), !closes);
    QVERIFY(m_desktop.openedUrls.isEmpty());
}

void TestFrmSplash::clicks_data()
{
    QTest::addColumn<QString>("control"); // empty: the window's margin
    QTest::addColumn<QPoint>("where");    // in the control; null: its centre
    QTest::addColumn<bool>("closes");

    QTest::newRow("product name") << u"lblProductName"_s << QPoint() << true;
    QTest::newRow("version") << u"Label1"_s << QPoint() << true;
    QTest::newRow("author") << u"lblWarning"_s << QPoint() << true;
    QTest::newRow("e-mail") << u"Label4"_s << QPoint() << true;
    QTest::newRow("thanks") << u"Label2"_s << QPoint() << true;
    QTest::newRow("empty spot in the frame") << u"Frame1"_s << QPoint(10, 130) << true;
    QTest::newRow("web address") << u"lblCompany"_s << QPoint() << false;
    QTest::newRow("margin left of the frame") << QString() << QPoint(3, 70) << false;
    QTest::newRow("margin below the frame") << QString() << QPoint(180, 154) << false;
}

void TestFrmSplash::clicks()
{
    QFETCH(QString, control);
    QFETCH(QPoint, where);
    QFETCH(bool, closes);

    frmSplash &splash = show();
    QWidget *target = control.isEmpty() ? &splash : splash.findChild<QWidget *>(control);
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, where.isNull() ? target->rect().center() : where);
    QCOMPARE(splash.isVisible(), !closes);
    QCOMPARE(m_desktop.openedUrls.size(), control == u"lblCompany"_s ? 1 : 0);
}

void TestFrmSplash::linkOpensAddressEachTime()
{
    frmSplash &splash = show();
    auto *link = splash.findChild<QLabel *>(u"lblCompany"_s);
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    const QUrl address(QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(m_desktop.openedUrls, (QList<QUrl>{address, address}));
    QVERIFY(splash.isVisible());
}

QTEST_MAIN(TestFrmSplash)
#include "tst_frmsplash.moc"
