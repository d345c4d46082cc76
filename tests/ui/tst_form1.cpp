#include "fakedesktop.h"
#include "sedarioconfig.h"
#include "testfiles.h"
#include "ui/filefilter.h"
#include "ui/form1.h"
#include "ui/seatbutton.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
    void startup_data();
    void startup();
    void commands_data();
    void commands();
    void layout_data();
    void layout();
    void seatButtonsShowNamesLiterally();
    void onlyThirdPanelOpensAbout();
    void fileDialogFilters();

private:
    void prepare(const QString &setup);
    Form1 &start();
    void click(const QString &objectName);
    void checkSeats(const QString &seats);
    bool topMarkerShown() const;
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

// Files in the working folder before start-up: "list" a default.txt of p0..p34,
// "top" an Option saying True, "ten" a class.txt of q0..q9, "exam" an exam.txt
// of A, null, C, D, E, "binary" a binary.txt; "dir:<name>" makes a folder.
void TestForm1::prepare(const QString &setup)
{
    const QMap<QString, std::pair<QString, QByteArray>> files{
        {u"list"_s, {u"default.txt"_s, numberedLines(35, "p")}},
        {u"top"_s, {u"Option"_s, "True\r\n"}},
        {u"ten"_s, {u"class.txt"_s, numberedLines(10, "q")}},
        {u"exam"_s, {u"exam.txt"_s, crlfLines({"A", "null", "C", "D", "E"})}},
        {u"binary"_s, {u"binary.txt"_s, QByteArray("\x89PNG\0\0\0", 8)}},
    };
    for (const QString &item : setup.split(u' ', Qt::SkipEmptyParts)) {
        if (item.startsWith(u"dir:"))
            QVERIFY(QDir(m_dir->path()).mkdir(item.mid(4)));
        else
            QVERIFY(writeBytes(work(files.value(item).first), files.value(item).second));
    }
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
    auto *button = m_form->findChild<QAbstractButton *>(objectName);
    QVERIFY2(button, qPrintable(objectName));
    QTest::mouseClick(button, Qt::LeftButton);
}

// "k=name" for the caption of seat k, "k=" for an empty seat.
void TestForm1::checkSeats(const QString &seats)
{
    for (const QString &seat : seats.split(u' ', Qt::SkipEmptyParts)) {
        const qsizetype equals = seat.indexOf(u'=');
        QCOMPARE(m_form->Command1(seat.first(equals).toInt())->text(), seat.mid(equals + 1));
    }
}

bool TestForm1::topMarkerShown() const
{
    const bool top = m_form->findChild<QLineEdit *>(u"Text1"_s)->isVisible();
    if (top == m_form->findChild<QLineEdit *>(u"Text2"_s)->isVisible())
        qFatal("exactly one podium marker must show");
    return top;
}

void TestForm1::startup_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("seats");
    QTest::addColumn<bool>("podiumTop");
    QTest::addColumn<QString>("warning"); // the file a warning names

    QTest::newRow("no working files") << QString() << u"0= 34="_s << false << QString();
    QTest::newRow("working files") << u"list top"_s << u"0=p0 34=p34"_s << true << QString();
    QTest::newRow("default.txt is a folder") << u"dir:default.txt top"_s << u"0="_s << true << u"default.txt"_s;
    QTest::newRow("Option is a folder") << u"list dir:Option"_s << u"0=p0"_s << false << u"Option"_s;
}

void TestForm1::startup()
{
    QFETCH(QString, setup);
    QFETCH(QString, seats);
    QFETCH(bool, podiumTop);
    QFETCH(QString, warning);

    prepare(setup);
    Form1 &form = start();
    checkSeats(seats);
    QCOMPARE(topMarkerShown(), podiumTop);
    QCOMPARE(form.currentFileName(), u"default.txt"_s);
    QTRY_COMPARE(m_desktop.warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(warning))));
    form.hide(); // a warning is given once, not at every show
    form.show();
    QCoreApplication::processEvents();
    QCOMPARE(m_desktop.warnings.size(), warning.isEmpty() ? 0 : 1);
    QCOMPARE(m_desktop.messages.size(), 0);

    const auto panel = [&](int k) { return form.findChild<QLabel *>(u"StatusBar1_Panel%1"_s.arg(k)); };
    QCOMPARE(panel(1)->text(), u"Sedario "_s + QString::fromUtf16(SedarioConfig::WebAddress));
    QCOMPARE(panel(2)->text(), u"版本:1.0.1"_s);
    QCOMPARE(panel(3)->text(), u"设计："_s + QString::fromUtf16(SedarioConfig::AuthorName));
    QCOMPARE(panel(3)->toolTip(), panel(3)->text());
}

void TestForm1::commands_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<QString>("answer"); // the path chosen in a dialog; empty: Cancel
    QTest::addColumn<QString>("seats");
    QTest::addColumn<bool>("podiumTop");
    QTest::addColumn<QString>("dialog");  // the title of the one file dialog asked for
    QTest::addColumn<QString>("message"); // the completion message
    QTest::addColumn<QString>("warning"); // a part of the warning; the chosen path must be in it too
    QTest::addColumn<QString>("written"); // "file=beginning|..." of the files written; no other may appear

    const QString none;
    QTest::newRow("two clicks swap") << u"list"_s << u"Command1_3 Command1_30"_s << none << u"3=p30 30=p3 4=p4"_s << false << none << none << none << none;
    QTest::newRow("same seat twice") << u"list"_s << u"Command1_5 Command1_5"_s << none << u"5=p5"_s << false << none << none << none << none;
    QTest::newRow("旋转 after a click") << u"list"_s << u"Command1_34 Command5 Command1_10"_s << none << u"34=p24 10=p0 0=p34"_s << true << none << none << none << none;
    QTest::newRow("讲台位置") << u"list top"_s << u"Command6"_s << none << u"12=p12"_s << false << none << none << none << none;
    QTest::newRow("左移一列") << u"list"_s << u"Command7"_s << none << u"0=p7 28=p0"_s << false << none << none << none << none;
    QTest::newRow("右移一列") << u"list"_s << u"Command8"_s << none << u"0=p28 7=p0"_s << false << none << none << none << none;
    QTest::newRow("打开") << u"list ten"_s << u"Command2"_s << u"class.txt"_s << u"0=q0 9=q9 10= 34="_s << false << u"打开"_s << u"打开完成"_s << none << none;
    QTest::newRow("打开 cancelled") << u"list top"_s << u"Command2"_s << none << u"0=p0"_s << true << u"打开"_s << none << none << none;
    QTest::newRow("打开 a missing path") << u"list"_s << u"Command2"_s << u"typed.txt"_s << u"0=p0"_s << false << u"打开"_s << none << u"找不到文件"_s << none;
    QTest::newRow("打开 a folder") << u"list dir:folder"_s << u"Command2"_s << u"folder"_s << u"0=p0"_s << false << u"打开"_s << none << u"文件夹"_s << none;
    QTest::newRow("打开 a binary file") << u"list binary"_s << u"Command2"_s << u"binary.txt"_s << u"0=p0"_s << false << u"打开"_s << none << u"不是座位表"_s << none;
    QTest::newRow("另存为") << u"list"_s << u"Command4"_s << u"plan"_s << u"0=p0"_s << false << u"保存"_s << u"保存完成"_s << none << u"plan=<table  align=center"_s;
    QTest::newRow("保存") << u"list"_s << u"Command6 Command3"_s << none << u"0=p0"_s << true << none << u"保存完成"_s << none << u"Option=True\r\n|default.txt=p0\r\np1\r\n"_s;
    QTest::newRow("保存 onto a folder default.txt") << u"dir:default.txt"_s << u"Command6 Command3"_s << u"default.txt"_s << u"0="_s << true << none << none << u"文件夹"_s << none;
    QTest::newRow("另存为 cancelled") << u"list"_s << u"Command4"_s << none << u"0=p0"_s << false << u"保存"_s << none << none << none;
    QTest::newRow("另存为 into a missing folder") << u"list"_s << u"Command4"_s << u"missing/plan"_s << u"0=p0"_s << false << u"保存"_s << none << u"所在的文件夹"_s << none;
    QTest::newRow("排考场") << u"list exam"_s << u"Command9"_s << u"exam.txt"_s << u"34=A 27= 20=C 13=D 6=E 0="_s << true << u"打开考生信息"_s << none << none << none;
    QTest::newRow("排考场 cancelled") << u"list"_s << u"Command9"_s << none << u"0=p0 34=p34"_s << false << u"打开考生信息"_s << none << none << none;
    QTest::newRow("排考场 a missing path") << u"list"_s << u"Command9"_s << u"typed.txt"_s << u"0=p0"_s << false << u"打开考生信息"_s << none << u"找不到文件"_s << none;
    QTest::newRow("排考场 a binary file") << u"list binary"_s << u"Command9"_s << u"binary.txt"_s << u"0=p0"_s << false << u"打开考生信息"_s << none << u"不是座位表"_s << none;
}

void TestForm1::commands()
{
    QFETCH(QString, setup);
    QFETCH(QString, clicks);
    QFETCH(QString, answer);
    QFETCH(QString, seats);
    QFETCH(bool, podiumTop);
    QFETCH(QString, dialog);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    QFETCH(QString, written);

    prepare(setup);
    const QStringList filesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    Form1 &form = start();
    m_desktop.warnings.clear(); // start-up's own, if any
    if (!answer.isEmpty() && !dialog.isEmpty())
        m_desktop.nextChoice = work(answer);
    for (const QString &button : clicks.split(u' '))
        click(button);

    checkSeats(seats);
    QCOMPARE(topMarkerShown(), podiumTop);
    QCOMPARE(m_desktop.dialogs.size(), dialog.isEmpty() ? 0 : 1);
    if (!dialog.isEmpty()) {
        const auto &asked = m_desktop.dialogs.first();
        const bool saving = dialog == u"保存"_s;
        QCOMPARE(asked.title, dialog);
        QCOMPARE(asked.kind, saving ? Desktop::FileDialog::Save : Desktop::FileDialog::Open);
        QCOMPARE(asked.filter, saving ? u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s
                                      : u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s);
        QCOMPARE(form.currentFileName(), answer.isEmpty() ? u"default.txt"_s : work(answer));
    }
    QCOMPARE(m_desktop.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(m_desktop.messages.first().text, message);
        QCOMPARE(m_desktop.messages.first().title, message);
    }
    QCOMPARE(m_desktop.warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) {
        QVERIFY(m_desktop.warnings.first().text.contains(warning));
        QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(answer))));
    }
    QStringList filesAfter = filesBefore;
    for (const QString &file : written.split(u'|', Qt::SkipEmptyParts)) {
        const QString name = file.section(u'=', 0, 0);
        QVERIFY2(readBytes(work(name)).startsWith(file.section(u'=', 1).toUtf8()), qPrintable(name));
        if (!filesAfter.contains(name))
            filesAfter << name;
    }
    filesAfter.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesAfter);
}

void TestForm1::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("geometry"); // logical pixels, twips / 15

    QTest::newRow("window") << u"Form1"_s << QRect(0, 0, 450, 409);
    QTest::newRow("seat 0, top left") << u"Command1_0"_s << QRect(8, 48, 73, 25);
    QTest::newRow("seat 6, bottom left") << u"Command1_6"_s << QRect(8, 240, 73, 25);
    QTest::newRow("seat 7, second column top") << u"Command1_7"_s << QRect(98, 48, 73, 25);
    QTest::newRow("seat 34, bottom right") << u"Command1_34"_s << QRect(368, 240, 73, 25);
    QTest::newRow("top podium marker") << u"Text1"_s << QRect(112, 8, 97, 28);
    QTest::newRow("bottom podium marker") << u"Text2"_s << QRect(200, 272, 105, 28);
    QTest::newRow("讲台位置") << u"Command6"_s << QRect(376, 352, 65, 25);
    QTest::newRow("status bar") << u"StatusBar1"_s << QRect(0, 384, 450, 25);
}

void TestForm1::layout()
{
    QFETCH(QString, control);
    QFETCH(QRect, geometry);

    Form1 &form = start();
    const QWidget *widget = control == form.objectName() ? &form : form.findChild<QWidget *>(control);
    QCOMPARE(widget->rect().translated(widget->isWindow() ? QPoint() : widget->pos()), geometry);
    QCOMPARE(form.minimumSize(), form.maximumSize());
}

void TestForm1::seatButtonsShowNamesLiterally()
{
    const QByteArray longName(60, 'W');
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"A&B", longName, "\xcd\xf5\xce\xe5"})));
    Form1 &form = start();
    QCOMPARE(form.Command1(0)->text(), u"A&&B"_s); // how a button shows a single "&"
    QCOMPARE(form.Command1(0)->toolTip(), QString());
    const SeatButton *elided = form.Command1(1);
    QVERIFY(elided->text().endsWith(QChar(0x2026)));
    QVERIFY(elided->fontMetrics().horizontalAdvance(elided->text()) < elided->width());
    QCOMPARE(elided->toolTip(), QString::fromLatin1(longName));
    QCOMPARE(form.Command1(2)->accessibleName(), u"第1列第3行：王五"_s);
    QCOMPARE(form.Command1(34)->accessibleName(), u"第5列第7行：空座位"_s);
}

void TestForm1::onlyThirdPanelOpensAbout()
{
    Form1 &form = start();
    for (int panel = 1; panel <= 3; ++panel) {
        QString seen;
        // The About window is modal: look at it from inside its event loop.
        QTimer::singleShot(50, &form, [&] {
            if (QWidget *window = QApplication::activeModalWidget()) {
                seen = window->objectName();
                QTest::keyClick(window, Qt::Key_Escape);
            }
        });
        QTest::mouseDClick(form.findChild<QLabel *>(u"StatusBar1_Panel%1"_s.arg(panel)), Qt::LeftButton);
        QTest::qWait(100);
        QCOMPARE(seen, panel == 3 ? u"frmSplash"_s : QString());
        QVERIFY(!QApplication::activeModalWidget());
    }
}

void TestForm1::fileDialogFilters()
{
    // "*.*" would hide the files without a dot in their name.
    QCOMPARE(FileFilter::toNameFilters(u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s),
             (QStringList{u"Txt files(*.txt) (*.txt)"_s, u"All files(*.*) (*)"_s}));
    QCOMPARE(FileFilter::toNameFilters(u"Lists|*.txt;*.csv|Other"_s), QStringList{u"Lists (*.txt *.csv)"_s});
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

#include <utility>
