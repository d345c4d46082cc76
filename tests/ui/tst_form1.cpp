#include "fakedesktop.h"
#include "files/textcodec.h"
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

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Files in the working folder, by name; a null content makes a folder.
using Files = QList<std::pair<QString, QByteArray>>;
// The caption of seat `first` is `second`; every other seat unchecked.
using Seats = QList<std::pair<int, QString>>;

const std::pair<QString, QByteArray> List{u"default.txt"_s, numberedLines(35, "p")}; // p0 .. p34
const std::pair<QString, QByteArray> Top{u"Option"_s, "True\r\n"};
const std::pair<QString, QByteArray> Ten{u"class.txt"_s, numberedLines(10, "q")}; // q0 .. q9
const std::pair<QString, QByteArray> Exam{u"exam.txt"_s, crlfLines({"A", "null", "C", "D", "E"})};
const std::pair<QString, QByteArray> Binary{u"binary.txt"_s, QByteArray("\x89PNG\0\0\0", 8)};
std::pair<QString, QByteArray> folder(const QString &name)
{
    return {name, QByteArray()};
}

// One command, as the teacher gives it, and all that it must show.
struct Command {
    Files setup = {};
    QStringList clicks = {}; // the buttons clicked, by object name
    QString answer = {};     // the path chosen in the dialog; empty: Cancel
    Seats seats = {};
    bool podiumTop = false;
    QString dialog = {};  // the title of the one file dialog asked for
    QString message = {}; // the completion message
    QString warning = {}; // a part of the warning, which also names the chosen path
    Files written = {};   // the files written and how each begins; no other may appear
};

} // namespace

Q_DECLARE_METATYPE(Command)

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
    void arrowKeysMoveByPosition_data();
    void arrowKeysMoveByPosition();
    void returnPressesTheFocusedButton();
    void longNamesShrinkBeforeTheyAreCut_data();
    void longNamesShrinkBeforeTheyAreCut();

private:
    void prepare(const Files &files);
    Form1 &start();
    void checkSeats(const Seats &seats);
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

void TestForm1::prepare(const Files &files)
{
    for (const auto &[name, content] : files)
        QVERIFY(content.isNull() ? QDir(m_dir->path()).mkdir(name) : writeBytes(work(name), content));
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

void TestForm1::checkSeats(const Seats &seats)
{
    for (const auto &[seat, caption] : seats)
        QCOMPARE(m_form->Command1(seat)->text(), caption);
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
    QTest::addColumn<Files>("setup");
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<bool>("podiumTop");
    QTest::addColumn<QString>("warning"); // the file a warning names

    QTest::newRow("no working files") << Files{} << Seats{{0, {}}, {34, {}}} << false << QString();
    QTest::newRow("working files") << Files{List, Top} << Seats{{0, u"p0"_s}, {34, u"p34"_s}} << true << QString();
    QTest::newRow("default.txt is a folder") << Files{folder(u"default.txt"_s), Top} << Seats{{0, {}}} << true << u"default.txt"_s;
    QTest::newRow("Option is a folder") << Files{List, folder(u"Option"_s)} << Seats{{0, u"p0"_s}} << false << u"Option"_s;
}

void TestForm1::startup()
{
    QFETCH(Files, setup);
    QFETCH(Seats, seats);
    QFETCH(bool, podiumTop);
    QFETCH(QString, warning);

    prepare(setup);
    Form1 &form = start();
    checkSeats(seats);
    QCOMPARE(topMarkerShown(), podiumTop);
    QCOMPARE(form.currentFileName(), u"default.txt"_s);
    QCOMPARE(form.windowIcon().availableSizes().size(), 7); // 16 to 256 pixels
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
    QTest::addColumn<Command>("command");

    const QString open = u"打开"_s, exam = u"打开考生信息"_s, saveAs = u"保存"_s;
    const QString saved = u"保存完成"_s;
    QTest::newRow("two clicks swap") << Command{
        .setup = {List}, .clicks = {u"Command1_3"_s, u"Command1_30"_s}, .seats = {{3, u"p30"_s}, {30, u"p3"_s}, {4, u"p4"_s}}};
    QTest::newRow("same seat twice") << Command{.setup = {List}, .clicks = {u"Command1_5"_s, u"Command1_5"_s}, .seats = {{5, u"p5"_s}}};
    QTest::newRow("旋转 after a click") << Command{.setup = {List},
                                                   .clicks = {u"Command1_34"_s, u"Command5"_s, u"Command1_10"_s},
                                                   .seats = {{34, u"p24"_s}, {10, u"p0"_s}, {0, u"p34"_s}},
                                                   .podiumTop = true};
    QTest::newRow("讲台位置") << Command{.setup = {List, Top}, .clicks = {u"Command6"_s}, .seats = {{12, u"p12"_s}}};
    QTest::newRow("左移一列") << Command{.setup = {List}, .clicks = {u"Command7"_s}, .seats = {{0, u"p7"_s}, {28, u"p0"_s}}};
    QTest::newRow("右移一列") << Command{.setup = {List}, .clicks = {u"Command8"_s}, .seats = {{0, u"p28"_s}, {7, u"p0"_s}}};
    QTest::newRow("打开") << Command{.setup = {List, Ten},
                                     .clicks = {u"Command2"_s},
                                     .answer = u"class.txt"_s,
                                     .seats = {{0, u"q0"_s}, {9, u"q9"_s}, {10, {}}, {34, {}}},
                                     .dialog = open,
                                     .message = u"打开完成"_s};
    QTest::newRow("打开 cancelled") << Command{
        .setup = {List, Top}, .clicks = {u"Command2"_s}, .seats = {{0, u"p0"_s}}, .podiumTop = true, .dialog = open};
    QTest::newRow("打开 a missing path") << Command{.setup = {List},
                                                    .clicks = {u"Command2"_s},
                                                    .answer = u"typed.txt"_s,
                                                    .seats = {{0, u"p0"_s}},
                                                    .dialog = open,
                                                    .warning = u"找不到文件"_s};
    QTest::newRow("打开 a folder") << Command{.setup = {List, folder(u"folder"_s)},
                                              .clicks = {u"Command2"_s},
                                              .answer = u"folder"_s,
                                              .seats = {{0, u"p0"_s}},
                                              .dialog = open,
                                              .warning = u"文件夹"_s};
    QTest::newRow("打开 a binary file") << Command{.setup = {List, Binary},
                                                   .clicks = {u"Command2"_s},
                                                   .answer = u"binary.txt"_s,
                                                   .seats = {{0, u"p0"_s}},
                                                   .dialog = open,
                                                   .warning = u"不是座位表"_s};
    QTest::newRow("另存为") << Command{.setup = {List},
                                       .clicks = {u"Command4"_s},
                                       .answer = u"plan"_s,
                                       .seats = {{0, u"p0"_s}},
                                       .dialog = saveAs,
                                       .message = saved,
                                       .written = {{u"plan"_s, "<table  align=center"}}};
    QTest::newRow("保存") << Command{.setup = {List},
                                     .clicks = {u"Command6"_s, u"Command3"_s},
                                     .seats = {{0, u"p0"_s}},
                                     .podiumTop = true,
                                     .message = saved,
                                     .written = {{u"Option"_s, "True\r\n"}, {u"default.txt"_s, "p0\r\np1\r\n"}}};
    QTest::newRow("保存 onto a folder default.txt") << Command{.setup = {folder(u"default.txt"_s)},
                                                               .clicks = {u"Command6"_s, u"Command3"_s},
                                                               .answer = u"default.txt"_s,
                                                               .seats = {{0, {}}},
                                                               .podiumTop = true,
                                                               .warning = u"文件夹"_s};
    QTest::newRow("另存为 cancelled") << Command{.setup = {List}, .clicks = {u"Command4"_s}, .seats = {{0, u"p0"_s}}, .dialog = saveAs};
    QTest::newRow("另存为 into a missing folder") << Command{.setup = {List},
                                                             .clicks = {u"Command4"_s},
                                                             .answer = u"missing/plan"_s,
                                                             .seats = {{0, u"p0"_s}},
                                                             .dialog = saveAs,
                                                             .warning = u"所在的文件夹"_s};
    QTest::newRow("排考场") << Command{.setup = {List, Exam},
                                       .clicks = {u"Command9"_s},
                                       .answer = u"exam.txt"_s,
                                       .seats = {{34, u"A"_s}, {27, {}}, {20, u"C"_s}, {13, u"D"_s}, {6, u"E"_s}, {0, {}}},
                                       .podiumTop = true,
                                       .dialog = exam};
    QTest::newRow("排考场 cancelled") << Command{
        .setup = {List}, .clicks = {u"Command9"_s}, .seats = {{0, u"p0"_s}, {34, u"p34"_s}}, .dialog = exam};
    QTest::newRow("排考场 a missing path") << Command{.setup = {List},
                                                      .clicks = {u"Command9"_s},
                                                      .answer = u"typed.txt"_s,
                                                      .seats = {{0, u"p0"_s}},
                                                      .dialog = exam,
                                                      .warning = u"找不到文件"_s};
    QTest::newRow("排考场 a binary file") << Command{.setup = {List, Binary},
                                                     .clicks = {u"Command9"_s},
                                                     .answer = u"binary.txt"_s,
                                                     .seats = {{0, u"p0"_s}},
                                                     .dialog = exam,
                                                     .warning = u"不是座位表"_s};
}

void TestForm1::commands()
{
    QFETCH(Command, command);

    prepare(command.setup);
    const QStringList filesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    Form1 &form = start();
    m_desktop.warnings.clear(); // start-up's own, if any
    if (!command.answer.isEmpty() && !command.dialog.isEmpty())
        m_desktop.nextChoice = work(command.answer);
    for (const QString &button : std::as_const(command.clicks)) {
        auto *control = form.findChild<QAbstractButton *>(button);
        QVERIFY2(control, qPrintable(button));
        QTest::mouseClick(control, Qt::LeftButton);
    }

    checkSeats(command.seats);
    QCOMPARE(topMarkerShown(), command.podiumTop);
    QCOMPARE(m_desktop.dialogs.size(), command.dialog.isEmpty() ? 0 : 1);
    if (!command.dialog.isEmpty()) {
        const auto &asked = m_desktop.dialogs.first();
        const bool saving = command.dialog == u"保存"_s;
        QCOMPARE(asked.title, command.dialog);
        QCOMPARE(asked.kind, saving ? Desktop::FileDialog::Save : Desktop::FileDialog::Open);
        QCOMPARE(asked.filter, saving ? u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s : u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s);
        QCOMPARE(form.currentFileName(), command.answer.isEmpty() ? u"default.txt"_s : work(command.answer));
    }
    QCOMPARE(m_desktop.messages.size(), command.message.isEmpty() ? 0 : 1);
    if (!command.message.isEmpty()) {
        QCOMPARE(m_desktop.messages.first().text, command.message);
        QCOMPARE(m_desktop.messages.first().title, command.message);
    }
    QCOMPARE(m_desktop.warnings.size(), command.warning.isEmpty() ? 0 : 1);
    if (!command.warning.isEmpty()) {
        QVERIFY(m_desktop.warnings.first().text.contains(command.warning));
        QVERIFY(m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(command.answer))));
    }
    QStringList filesAfter = filesBefore;
    for (const auto &[name, beginning] : std::as_const(command.written)) {
        QVERIFY2(readBytes(work(name)).startsWith(beginning), qPrintable(name));
        if (!filesAfter.contains(name))
            filesAfter << name;
    }
    filesAfter.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesAfter);
}

void TestForm1::layout_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("twips"); // where the control's top left corner stands

    QTest::newRow("seat 0, top left") << u"Command1_0"_s << QPoint(120, 720);
    QTest::newRow("seat 6, bottom left") << u"Command1_6"_s << QPoint(120, 3600);
    QTest::newRow("seat 7, second column top") << u"Command1_7"_s << QPoint(1470, 720);
    QTest::newRow("seat 34, bottom right") << u"Command1_34"_s << QPoint(5520, 3600);
    QTest::newRow("top podium marker") << u"Text1"_s << QPoint(1680, 120);
    QTest::newRow("bottom podium marker") << u"Text2"_s << QPoint(3000, 4080);
}

void TestForm1::layout()
{
    QFETCH(QString, control);
    QFETCH(QPoint, twips);

    // 15 twips to a pixel at 96 dots per inch; the client area is 6750 by 6135.
    Form1 &form = start();
    QCOMPARE(form.findChild<QWidget *>(control)->pos() * 15, twips);
    QCOMPARE(form.size() * 15, QSize(6750, 6135));
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

void TestForm1::arrowKeysMoveByPosition_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("to");

    QTest::newRow("seat right: next column") << u"Command1_0"_s << Qt::Key_Right << u"Command1_7"_s;
    QTest::newRow("seat down: next row") << u"Command1_0"_s << Qt::Key_Down << u"Command1_1"_s;
    QTest::newRow("seat up") << u"Command1_34"_s << Qt::Key_Up << u"Command1_33"_s;
    QTest::newRow("seat left") << u"Command1_34"_s << Qt::Key_Left << u"Command1_27"_s;
    QTest::newRow("left edge") << u"Command1_3"_s << Qt::Key_Left << u"Command1_3"_s;
    QTest::newRow("bottom edge") << u"Command1_6"_s << Qt::Key_Down << u"Command1_6"_s;
    QTest::newRow("right edge") << u"Command1_28"_s << Qt::Key_Right << u"Command1_28"_s;
    QTest::newRow("top edge") << u"Command1_14"_s << Qt::Key_Up << u"Command1_14"_s;
    QTest::newRow("打开 right: 保存") << u"Command2"_s << Qt::Key_Right << u"Command3"_s;
    QTest::newRow("打开 down: 旋转") << u"Command2"_s << Qt::Key_Down << u"Command5"_s;
    QTest::newRow("讲台位置 up: 排考场") << u"Command6"_s << Qt::Key_Up << u"Command9"_s;
    QTest::newRow("右移一列 right: 讲台位置") << u"Command8"_s << Qt::Key_Right << u"Command6"_s;
    QTest::newRow("排考场 right: edge") << u"Command9"_s << Qt::Key_Right << u"Command9"_s;
    QTest::newRow("旋转 down: edge") << u"Command5"_s << Qt::Key_Down << u"Command5"_s;
}

void TestForm1::arrowKeysMoveByPosition()
{
    QFETCH(QString, from);
    QFETCH(Qt::Key, key);
    QFETCH(QString, to);

    Form1 &form = start();
    // The focus starts on 打开 and shows from the first frame.
    QCOMPARE(QApplication::focusWidget(), form.findChild<QWidget *>(u"Command2"_s));
    QVERIFY(form.testAttribute(Qt::WA_KeyboardFocusChange));
    QWidget *start = form.findChild<QWidget *>(from);
    start->setFocus();
    QTest::keyClick(start, key);
    QCOMPARE(QApplication::focusWidget()->objectName(), to);
    QCOMPARE(m_desktop.dialogs.size() + m_desktop.messages.size(), 0);
}

void TestForm1::returnPressesTheFocusedButton()
{
    prepare({List});
    Form1 &form = start();
    QTest::keyClick(form.findChild<QWidget *>(u"Command6"_s), Qt::Key_Return);
    QVERIFY(topMarkerShown());
    QTest::keyClick(form.Command1(3), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(form.Command1(30), Qt::Key_Return);
    checkSeats({{3, u"p30"_s}, {30, u"p3"_s}});
    QTest::keyClick(form.Command1(4), Qt::Key_Space);
    QTest::keyClick(form.Command1(5), Qt::Key_Return);
    checkSeats({{4, u"p5"_s}, {5, u"p4"_s}});
}

void TestForm1::longNamesShrinkBeforeTheyAreCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shrunk");
    QTest::addColumn<bool>("cut");

    QTest::newRow("two characters") << u"王芳"_s << false << false;
    QTest::newRow("four characters") << u"欧阳娜娜"_s << false << false;
    QTest::newRow("six characters") << u"阿卜杜热合曼"_s << true << false;
    QTest::newRow("eight characters") << u"热依拉·阿不都"_s << true << false;
    QTest::newRow("twelve characters") << u"阿卜杜热合曼·买买提依明"_s << true << true;
}

void TestForm1::longNamesShrinkBeforeTheyAreCut()
{
    QFETCH(QString, name);
    QFETCH(bool, shrunk);
    QFETCH(bool, cut);

    if (QFontInfo(QFont(u"Noto Sans CJK SC"_s)).family() != u"Noto Sans CJK SC")
        QSKIP("The widths here are those of Noto Sans CJK SC (fonts-noto-cjk)");
    QVERIFY(writeBytes(work(u"default.txt"_s), TextCodec::encode(name) + "\r\n"));
    Form1 &form = start();
    const SeatButton *seat = form.Command1(0);
    const double scale = seat->font().pointSizeF() / form.font().pointSizeF();
    QCOMPARE(scale < 1, shrunk);
    QVERIFY(scale >= SeatButton::MinimumScale - 1e-6);
    QCOMPARE(seat->text() != name, cut);
    QCOMPARE(seat->toolTip(), cut ? name : QString());
    QVERIFY(seat->fontMetrics().horizontalAdvance(seat->text()) < seat->width());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
