#include "fakedesktop.h"
#include "sedarioconfig.h"
#include "ui/frmsplash.h"

#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A key typed, or a left click on a control (the window itself when the name
// is empty) at a point (its centre when null).
struct Gesture {
    Qt::Key key;
    QString control = {};
    QPoint where = {};
};
using Gestures = QList<Gesture>;

} // namespace

Q_DECLARE_METATYPE(Gestures)

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
    const QLabel *name = label(u"lblProductName"_s), *link = label(u"lblCompany"_s);
    QCOMPARE(std::tuple(name->font().pointSize(), name->font().bold()), std::tuple(18, true));
    QVERIFY(name->width() >= name->sizeHint().width());
    QCOMPARE(std::tuple(link->font().pointSize(), link->font().underline()), std::tuple(9, true));
    QCOMPARE(link->palette().color(QPalette::WindowText), link->palette().color(QPalette::Highlight));
    QVERIFY(m_splash->isModal());
    QCOMPARE(m_splash->geometry().center(), m_main->geometry().center());
}

void TestFrmSplash::closing_data()
{
    QTest::addColumn<Gestures>("gestures"); // each on the window as it was first shown
    QTest::addColumn<bool>("closes");       // after each of them
    QTest::addColumn<int>("opensAddress");  // how often, in all

    const Qt::Key click{};
    QTest::newRow("keys that type") << Gestures{{Qt::Key_Escape}, {Qt::Key_Return}, {Qt::Key_A}} << true << 0;
    QTest::newRow("keys that type nothing") << Gestures{{Qt::Key_Left}, {Qt::Key_Shift}} << false << 0;
    QTest::newRow("the frame and the labels") << Gestures{{click, u"lblProductName"_s}, {click, u"Label1"_s},
                                                          {click, u"lblWarning"_s},     {click, u"Label4"_s},
                                                          {click, u"Label2"_s},         {click, u"Frame1"_s, {10, 130}}}
                                              << true << 0;
    QTest::newRow("the web address, twice") << Gestures{{click, u"lblCompany"_s}, {click, u"lblCompany"_s}} << false << 2;
    QTest::newRow("the margins outside the frame") << Gestures{{click, {}, {3, 70}}, {click, {}, {180, 154}}} << false << 0;
}

void TestFrmSplash::closing()
{
    QFETCH(Gestures, gestures);
    QFETCH(bool, closes);
    QFETCH(int, opensAddress);

    for (const Gesture &gesture : gestures) {
        m_splash->show();
        QWidget *target = gesture.control.isEmpty() ? m_splash.get() : m_splash->findChild<QWidget *>(gesture.control);
        if (gesture.key)
            QTest::keyClick(m_splash.get(), gesture.key);
        else
            QTest::mouseClick(target, Qt::LeftButton, {}, gesture.where.isNull() ? target->rect().center() : gesture.where);
        QCOMPARE(m_splash->isVisible(), !closes);
    }
    const QUrl address(QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(m_desktop.openedUrls, QList<QUrl>(opensAddress, address));
}

QTEST_MAIN(TestFrmSplash)
#include "tst_frmsplash.moc"
