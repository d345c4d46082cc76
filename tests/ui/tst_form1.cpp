#include "chart/seatchart.h"
#include "fakedesktop.h"
#include "sedarioconfig.h"
#include "testfiles.h"
#include "ui/form1.h"
#include "ui/frmsplash.h"
#include "ui/seatbutton.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString TextFilter = u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s;
const QString HtmlFilter = u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s;

// A class list of 35 names, "p0" to "p34", in GBK with CR LF.
QByteArray classList(const QByteArray &prefix = "p", int count = 35)
{
    QList<QByteArray> lines;
    for (int n = 0; n < count; ++n)
        lines << prefix + QByteArray::number(n);
    return crlfLines(lines);
}

QStringList captions(const Form1 &form)
{
    QStringList list;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        list << form.Command1(i)->text();
    return list;
}

QStringList names(const QString &prefix, int count = 35)
{
    QStringList list;
    for (int n = 0; n < count; ++n)
        list << prefix + QString::number(n);
    return list;
}

bool topMarkerShown(const Form1 &form)
{
    const auto *text1 = form.findChild<QLineEdit *>(u"Text1"_s);
    const auto *text2 = form.findChild<QLineEdit *>(u"Text2"_s);
    // Exactly one marker shows, always.
    if (text1->isVisible() == text2->isVisible())
        qFatal("both podium markers have the same visibility");
    return text1->isVisible();
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startupWithoutWorkingFiles();
    void startupLoadsWorkingFiles();
    void startupWarnsOfUnreadableList_data();
    void startupWarnsOfUnreadableList();
    void layout_data();
    void layout();
    void windowIsFixedAndFocusStartsOnOpen();
    void tabOrder();
    void twoClicksSwap();
    void rearrangements_data();
    void rearrangements();
    void open();
    void cancelledDialogsChangeNothing_data();
    void cancelledDialogsChangeNothing();
    void failedReadsChangeNothing_data();
    void failedReadsChangeNothing();
    void saveWritesWorkingFiles();
    void failedSaveKeepsWorkingFiles();
    void saveAsWritesHtmlTable();
    void failedSaveAsIsReported();
    void examRoom();
    void seatButtonsShowNamesLiterally();
    void onlyThirdPanelOpensAbout_data();
    void onlyThirdPanelOpensAbout();

private:
    Form1 &start();
    void click(const QString &objectName);
    QString work(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDesktop m_desktop;
    std::unique_ptr<Form1> m_form;
};

void TestForm1::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_desktop = FakeDesktop();
}

void TestForm1::cleanup()
{
    m_form.reset();
}

Form1 &TestForm1::start()
{
    m_form = std::make_unique<Form1>(m_desktop, m_dir->path());
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get()))
        qFatal("the main window was not shown");
    QCoreApplication::processEvents();
    return *m_form;
}

void TestForm1::click(const QString &objectName)
{
    auto *button = m_form->findChild<QPushButton *>(objectName);
    if (!button)
        qFatal("no button %s", qPrintable(objectName));
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestForm1::startupWithoutWorkingFiles()
{
    Form1 &form = start();
    QCOMPARE(captions(form), QStringList(35, QString()));
    QVERIFY(!topMarkerShown(form));
    QCOMPARE(form.currentFileName(), u"default.txt"_s);
    const auto panel = [&](int k) { return form.findChild<QLabel *>(u"StatusBar1_Panel%1"_s.arg(k)); };
    QCOMPARE(panel(1)->text(), u"Sedario "_s + QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(panel(2)->text(), u"版本:1.0.1"_s);
    const QString designer = u"设计："_s + QString::fromUtf16(SedarioConfig::AuthorName);
    QCOMPARE(panel(3)->text(), designer);
    QCOMPARE(panel(3)->toolTip(), designer);
    QCOMPARE(m_desktop.warnings.size(), 0);
    QCOMPARE(m_desktop.messages.size(), 0);
}

void TestForm1::startupLoadsWorkingFiles()
{
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"\xbc\xd7", "NULL", "\xd2\xd2"})));
    QVERIFY(writeBytes(work(u"Option"_s), "True\r\n"));
    Form1 &form = start();
    QCOMPARE(captions(form).mid(0, 4), (QStringList{u"甲"_s, QString(), u"乙"_s, QString()}));
    QVERIFY(topMarkerShown(form));
    QCOMPARE(m_desktop.warnings.size(), 0);
}

void TestForm1::startupWarnsOfUnreadableList_data()
{
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QByteArray>("content"); // null: make a folder

    QTest::newRow("binary default.txt") << u"default.txt"_s << QByteArray("\x7f" "ELF\0\0", 6);
    QTest::newRow("default.txt is a folder") << u"default.txt"_s << QByteArray();
    QTest::newRow("Option is a folder") << u"Option"_s << QByteArray();
}

void TestForm1::startupWarnsOfUnreadableList()
{
    QFETCH(QString, blocker);
    QFETCH(QByteArray, content);

    if (content.isNull())
        QVERIFY(QDir(m_dir->path()).mkdir(blocker));
    else
        QVERIFY(writeBytes(work(blocker), content));
    Form1 &form = start();
    QTRY_COMPARE(m_desktop.warnings.size(), 1);
    QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(blocker))));
    QCOMPARE(captions(form), QStringList(35, QString()));
    QVERIFY(!topMarkerShown(form));
    QCOMPARE(m_desktop.messages.size(), 0);
    // Shown once, not again when the window is shown again.
    form.hide();
    form.show();
    QCoreApplication::processEvents();
    QCOMPARE(m_desktop.warnings.size(), 1);
}

void TestForm1::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry"); // logical pixels, twips / 15

    QTest::newRow("seat 0, top left") << u"Command1_0"_s << QRect(8, 48, 73, 25);
    QTest::newRow("seat 6, bottom left") << u"Command1_6"_s << QRect(8, 240, 73, 25);
    QTest::newRow("seat 7, second column top") << u"Command1_7"_s << QRect(98, 48, 73, 25);
    QTest::newRow("seat 34, bottom right") << u"Command1_34"_s << QRect(368, 240, 73, 25);
    QTest::newRow("top podium marker") << u"Text1"_s << QRect(112, 8, 97, 28);
    QTest::newRow("bottom podium marker") << u"Text2"_s << QRect(200, 272, 105, 28);
    QTest::newRow("open") << u"Command2"_s << QRect(8, 320, 57, 25);
    QTest::newRow("podium button") << u"Command6"_s << QRect(376, 352, 65, 25);
    QTest::newRow("status bar") << u"StatusBar1"_s << QRect(0, 384, 450, 25);
}

void TestForm1::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);

    Form1 &form = start();
    const auto *widget = form.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);
}

void TestForm1::windowIsFixedAndFocusStartsOnOpen()
{
    Form1 &form = start();
    QCOMPARE(form.size(), QSize(450, 409));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.windowTitle(), u"Sedario"_s);
    QVERIFY(!form.findChild<QStatusBar *>()->isSizeGripEnabled());
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(QApplication::focusWidget(), form.findChild<QWidget *>(u"Command2"_s));
}

void TestForm1::tabOrder()
{
    start();
    QStringList expected{u"Command2"_s, u"Command3"_s, u"Command4"_s, u"Command5"_s,
                         u"Command6"_s, u"Command7"_s, u"Command8"_s, u"Command9"_s};
    for (int i = 34; i >= 0; --i)
        expected << u"Command1_%1"_s.arg(i);
    expected << u"Command2"_s;
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int k = 1; k < expected.size(); ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

void TestForm1::twoClicksSwap()
{
    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    Form1 &form = start();
    const QStringList before = captions(form);
    click(u"Command1_3"_s);
    // Nothing marks the pending seat.
    QCOMPARE(captions(form), before);
    QCOMPARE(form.Command1(3)->palette(), form.Command1(4)->palette());
    QCOMPARE(form.Command1(3)->font(), form.Command1(4)->font());
    click(u"Command1_30"_s);
    QCOMPARE(form.Command1(3)->text(), u"p30"_s);
    QCOMPARE(form.Command1(30)->text(), u"p3"_s);
    click(u"Command1_5"_s);
    click(u"Command1_5"_s);
    QCOMPARE(form.Command1(5)->text(), u"p5"_s);
    QCOMPARE(form.chart().swapSelection(), SwapSelection());
}

void TestForm1::rearrangements_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("from"); // the name at seat `from` ends at seat `to`
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("podiumMoves");

    QTest::newRow("旋转: rotate") << u"Command5"_s << 0 << 34 << true;
    QTest::newRow("讲台位置: podium only") << u"Command6"_s << 12 << 12 << true;
    QTest::newRow("左移一列: shift left") << u"Command7"_s << 7 << 0 << false;
    QTest::newRow("右移一列: shift right") << u"Command8"_s << 28 << 0 << false;
}

void TestForm1::rearrangements()
{
    QFETCH(QString, button);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, podiumMoves);

    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    Form1 &form = start();
    click(u"Command1_%1"_s.arg(to)); // a pending first click survives
    click(button);
    QCOMPARE(form.Command1(to)->text(), u"p%1"_s.arg(from));
    QCOMPARE(topMarkerShown(form), podiumMoves);
    QCOMPARE(form.chart().swapSelection(), (SwapSelection{true, to}));
    QCOMPARE(m_desktop.messages.size(), 0);
    QCOMPARE(m_desktop.dialogs.size(), 0);
}

void TestForm1::open()
{
    const QString list = work(u"class.txt"_s);
    QVERIFY(writeBytes(list, classList("q", 10)));
    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    Form1 &form = start();
    m_desktop.nextChoice = list;
    click(u"Command2"_s);
    QCOMPARE(m_desktop.dialogs.size(), 1);
    QCOMPARE(m_desktop.dialogs.first().kind, Desktop::FileDialog::Open);
    QCOMPARE(m_desktop.dialogs.first().title, u"打开"_s);
    QCOMPARE(m_desktop.dialogs.first().filter, TextFilter);
    QCOMPARE(captions(form), names(u"q"_s, 10) + QStringList(25, QString()));
    QCOMPARE(m_desktop.messages.size(), 1);
    QCOMPARE(m_desktop.messages.first().text, u"打开完成"_s);
    QCOMPARE(m_desktop.messages.first().title, u"打开完成"_s);
    QCOMPARE(form.currentFileName(), list);
    QVERIFY(!topMarkerShown(form));
}

void TestForm1::cancelledDialogsChangeNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");

    QTest::newRow("打开") << u"Command2"_s << u"打开"_s;
    QTest::newRow("另存为") << u"Command4"_s << u"保存"_s;
    QTest::newRow("排考场") << u"Command9"_s << u"打开考生信息"_s;
}

void TestForm1::cancelledDialogsChangeNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, title);

    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    QVERIFY(writeBytes(work(u"Option"_s), "True\r\n"));
    Form1 &form = start();
    const QStringList before = captions(form);
    click(button);
    QCOMPARE(m_desktop.dialogs.size(), 1);
    QCOMPARE(m_desktop.dialogs.first().title, title);
    QCOMPARE(captions(form), before);
    QVERIFY(topMarkerShown(form));
    QCOMPARE(form.currentFileName(), u"default.txt"_s);
    QCOMPARE(m_desktop.messages.size(), 0);
    QCOMPARE(m_desktop.warnings.size(), 0);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
}

void TestForm1::failedReadsChangeNothing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("reason"); // a part of the warning

    QTest::newRow("打开 a missing path") << u"Command2"_s << u"typed.txt"_s << u"找不到文件"_s;
    QTest::newRow("打开 a folder") << u"Command2"_s << u"folder"_s << u"文件夹"_s;
    QTest::newRow("打开 a binary file") << u"Command2"_s << u"binary.txt"_s << u"不是座位表"_s;
    QTest::newRow("排考场 a missing path") << u"Command9"_s << u"typed.txt"_s << u"找不到文件"_s;
    QTest::newRow("排考场 a binary file") << u"Command9"_s << u"binary.txt"_s << u"不是座位表"_s;
}

void TestForm1::failedReadsChangeNothing()
{
    QFETCH(QString, button);
    QFETCH(QString, chosen);
    QFETCH(QString, reason);

    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    QVERIFY(writeBytes(work(u"binary.txt"_s), QByteArray("\x89PNG\0\0\0", 8)));
    QVERIFY(QDir(m_dir->path()).mkdir(u"folder"_s));
    Form1 &form = start();
    const QStringList before = captions(form);
    m_desktop.nextChoice = work(chosen);
    click(button);
    QCOMPARE(m_desktop.warnings.size(), 1);
    QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(chosen))));
    QVERIFY2(m_desktop.warnings.first().text.contains(reason), qPrintable(m_desktop.warnings.first().text));
    QCOMPARE(m_desktop.messages.size(), 0);
    QCOMPARE(captions(form), before);
    QVERIFY(!topMarkerShown(form));
}

void TestForm1::saveWritesWorkingFiles()
{
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"\xbc\xd7"})));
    Form1 &form = start();
    click(u"Command1_0"_s);
    click(u"Command1_34"_s);
    click(u"Command6"_s);
    click(u"Command3"_s);
    QCOMPARE(m_desktop.dialogs.size(), 0);
    QCOMPARE(m_desktop.messages.size(), 1);
    QCOMPARE(m_desktop.messages.first().text, u"保存完成"_s);
    QCOMPARE(m_desktop.messages.first().title, u"保存完成"_s);
    QList<QByteArray> expected(35, "NULL");
    expected.last() = "\xbc\xd7";
    QCOMPARE(readBytes(work(u"default.txt"_s)), crlfLines(expected));
    QCOMPARE(readBytes(work(u"Option"_s)), QByteArray("True\r\n"));
    QCOMPARE(form.currentFileName(), u"default.txt"_s);
}

void TestForm1::failedSaveKeepsWorkingFiles()
{
    QVERIFY(writeBytes(work(u"Option"_s), "False\r\n"));
    QVERIFY(QDir(m_dir->path()).mkdir(u"default.txt"_s));
    Form1 &form = start();
    m_desktop.warnings.clear(); // the start-up warning about default.txt
    click(u"Command6"_s);
    click(u"Command3"_s);
    QCOMPARE(m_desktop.warnings.size(), 1);
    QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(u"default.txt"_s))));
    QCOMPARE(m_desktop.messages.size(), 0);
    QCOMPARE(readBytes(work(u"Option"_s)), QByteArray("False\r\n"));
    QVERIFY(topMarkerShown(form));
}

void TestForm1::saveAsWritesHtmlTable()
{
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"\xbc\xd7"})));
    Form1 &form = start();
    const QString target = work(u"plan"_s); // no extension is added
    m_desktop.nextChoice = target;
    click(u"Command4"_s);
    QCOMPARE(m_desktop.dialogs.size(), 1);
    QCOMPARE(m_desktop.dialogs.first().kind, Desktop::FileDialog::Save);
    QCOMPARE(m_desktop.dialogs.first().title, u"保存"_s);
    QCOMPARE(m_desktop.dialogs.first().filter, HtmlFilter);
    const QByteArray html = readBytes(target);
    QCOMPARE(html.count("\r\n"), 51);
    QVERIFY(html.contains("\r\n<td>\xbc\xd7</td>\r\n"));
    QCOMPARE(m_desktop.messages.size(), 1);
    QCOMPARE(m_desktop.messages.first().text, u"保存完成"_s);
    QCOMPARE(form.currentFileName(), target);
    QVERIFY(!QFileInfo::exists(work(u"Option"_s)));
}

void TestForm1::failedSaveAsIsReported()
{
    start();
    const QString target = work(u"missing/plan.html"_s);
    m_desktop.nextChoice = target;
    click(u"Command4"_s);
    QCOMPARE(m_desktop.warnings.size(), 1);
    QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(target)));
    QCOMPARE(m_desktop.messages.size(), 0);
}

void TestForm1::examRoom()
{
    const QString list = work(u"exam.txt"_s);
    QVERIFY(writeBytes(list, crlfLines({"A", "null", "C", "D", "E"})));
    QVERIFY(writeBytes(work(u"default.txt"_s), classList()));
    Form1 &form = start();
    m_desktop.nextChoice = list;
    click(u"Command9"_s);
    QCOMPARE(m_desktop.dialogs.first().title, u"打开考生信息"_s);
    QCOMPARE(m_desktop.dialogs.first().filter, TextFilter);
    QStringList expected(35, QString());
    expected[34] = u"A"_s;
    expected[20] = u"C"_s;
    expected[13] = u"D"_s;
    expected[6] = u"E"_s;
    QCOMPARE(captions(form), expected);
    QVERIFY(topMarkerShown(form));
    QCOMPARE(m_desktop.messages.size(), 0);
    QCOMPARE(form.currentFileName(), list);
}

void TestForm1::seatButtonsShowNamesLiterally()
{
    const QByteArray longName(60, 'W');
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"A&B", longName, "\xcd\xf5\xce\xe5"})));
    Form1 &form = start();
    SeatButton *ampersand = form.Command1(0);
    QCOMPARE(ampersand->text(), u"A&&B"_s); // "&&" is how a button shows one "&"
    QCOMPARE(ampersand->toolTip(), QString());
    SeatButton *elided = form.Command1(1);
    QVERIFY(elided->text().endsWith(QChar(0x2026)));
    QVERIFY(elided->fontMetrics().horizontalAdvance(elided->text()) < elided->width());
    QCOMPARE(elided->toolTip(), QString::fromLatin1(longName));
    QCOMPARE(form.Command1(2)->accessibleName(), u"第1列第3行：王五"_s);
    QCOMPARE(form.Command1(34)->accessibleName(), u"第5列第7行：空座位"_s);
    QCOMPARE(form.chart().seat(1), QString::fromLatin1(longName));
}

void TestForm1::onlyThirdPanelOpensAbout_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<bool>("opens");

    QTest::newRow("panel 1") << 1 << false;
    QTest::newRow("panel 2") << 2 << false;
    QTest::newRow("panel 3") << 3 << true;
}

void TestForm1::onlyThirdPanelOpensAbout()
{
    QFETCH(int, panel);
    QFETCH(bool, opens);

    Form1 &form = start();
    QString seen;
    bool modal = false;
    // The About window is modal: look at it from inside its own event loop,
    // then close it with a key.
    QTimer::singleShot(50, &form, [&] {
        if (QWidget *window = QApplication::activeModalWidget()) {
            seen = window->objectName();
            modal = window->isModal();
            QTest::keyClick(window, Qt::Key_Escape);
        }
    });
    QTest::mouseDClick(form.findChild<QLabel *>(u"StatusBar1_Panel%1"_s.arg(panel)), Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(seen, opens ? u"frmSplash"_s : QString());
    QCOMPARE(modal, opens);
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(!form.findChild<frmSplash *>());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
