#include "fakedesktop.h"
#include "sedarioconfig.h"
#include "ui/frmsplash.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFrmSplash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void texts();
    void closing_data();
    void closing();

private:
    FakeDesktop m_desktop;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<frmSplash> m_splash;
};

void TestFrmSplash::init()
{
    m_splash.reset();
    m_desktop = FakeDesktop();
    m_main = std::make_unique<QWidget>();
    m_main->setWindowTitle(u"Sedario 教室"_s);
    m_main->setGeometry(100, 80, 450, 409);
    m_main->show();
    m_splash = std::make_unique<frmSplash>(m_desktop, m_main.get());
    m_splash->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_splash.get()));
}

void TestFrmSplash::texts()
{
    const auto label = [&](const QString &name) { return m_splash->findChild<QLabel *>(name); };
    QCOMPARE(label(u"lblProductName"_s)->text(), u"Sedario 教室"_s); // the main window's caption
    QCOMPARE(label(u"Label1"_s)->text(), u"V1.0.1"_s);
    QCOMPARE(label(u"lblWarning"_s)->text(), u"作者："_s + QString::fromUtf16(SedarioConfig::AuthorName));
    QCOMPARE(label(u"Label4"_s)->text(), u"E-mail:"_s + QString::fromUtf16(SedarioConfig::AuthorEmail));
    QCOMPARE(label(u"lblCompany"_s)->text(), QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(label(u"Label2"_s)->text(), u"感谢使用！有建议和需求请与我联系！"_s);
    const QLabel *name = label(u"lblProductName"_s);
    QVERIFY(name->font().bold());
    QVERIFY(name->width() >= name->sizeHint().width());
    QVERIFY(m_splash->isModal());
    QCOMPARE(m_splash->geometry().center(), m_main->geometry().center());
}

void TestFrmSplash::closing_data()
{
    QTest::addColumn<int>("key");         // 0: a click instead
    QTest::addColumn<QString>("control"); // clicked; empty: the window's margin
    QTest::addColumn<QPoint>("where");    // in the control; null: its centre
    QTest::addColumn<int>("closes");      // 0 stays open; 1 closes
    QTest::addColumn<int>("opensAddress");

    QTest::newRow("Esc") << int(Qt::Key_Escape) << QString() << QPoint() << 1 << 0;
    QTest::newRow("Enter") << int(Qt::Key_Return) << QString() << QPoint() << 1 << 0;
    QTest::newRow("letter") << int(Qt::Key_A) << QString() << QPoint() << 1 << 0;
    QTest::newRow("arrow") << int(Qt::Key_Left) << QString() << QPoint() << 0 << 0;
    QTest::newRow("Shift alone") << int(Qt::Key_Shift) << QString() << QPoint() << 0 << 0;
    QTest::newRow("product name") << 0 << u"lblProductName"_s << QPoint() << 1 << 0;
    QTest::newRow("author") << 0 << u"lblWarning"_s << QPoint() << 1 << 0;
    QTest::newRow("thanks") << 0 << u"Label2"_s << QPoint() << 1 << 0;
    QTest::newRow("empty spot in the frame") << 0 << u"Frame1"_s << QPoint(10, 130) << 1 << 0;
    QTest::newRow("web address") << 0 << u"lblCompany"_s << QPoint() << 0 << 1;
    QTest::newRow("margin left of the frame") << 0 << QString() << QPoint(3, 70) << 0 << 0;
    QTest::newRow("margin below the frame") << 0 << QString() << QPoint(180, 154) << 0 << 0;
}

void TestFrmSplash::closing()
{
    QFETCH(int, key);
    QFETCH(QString, control);
    QFETCH(QPoint, where);
    QFETCH(int, closes);
    QFETCH(int, opensAddress);

    // Twice: the web address opens each time, the window stays; anything
    // else that closes it does so at once.
    for (int round = 0; round < 2 && m_splash->isVisible(); ++round) {
        if (key) {
            QTest::keyClick(m_splash.get(), Qt::Key(key));
        } else {
            QWidget *target = control.isEmpty() ? m_splash.get() : m_splash->findChild<QWidget *>(control);
            QTest::mouseClick(target, Qt::LeftButton, {}, where.isNull() ? target->rect().center() : where);
        }
        QCOMPARE(m_splash->isVisible(), !closes);
    }
    const QUrl address(QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(m_desktop.openedUrls, QList<QUrl>(opensAddress * 2, address));
}

QTEST_MAIN(TestFrmSplash)
#include "tst_frmsplash.moc"
