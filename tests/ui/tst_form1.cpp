// The main window, driven as a teacher drives it, with its dialogs answered by
// FakeDesktop. Run under several locales (see CMakeLists.txt): whatever the
// desktop's language, it draws Chinese with a Simplified Chinese face.

#include "fakedesktop.h"
#include "files/textcodec.h"
#include "sedarioconfig.h"
#include "testfiles.h"
#include "ui/chinesefonts.h"
#include "ui/filefilter.h"
#include "ui/form1.h"
#include "ui/frmsplash.h"
#include "ui/qtdesktop.h"
#include "ui/seatbutton.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Files in the working folder, by name; a null content makes a folder.
using Files = QList<std::pair<QString, QByteArray>>;
// The caption of seat `first` is `second`; every other seat unchecked.
using Seats = QList<std::pair<int, QString>>;
// A file a command writes, and how it begins.
using Written = std::pair<QString, QByteArray>;

const std::pair<QString, QByteArray> List{u"default.txt"_s, numberedLines(35, "p")}; // p0 .. p34
const std::pair<QString, QByteArray> Top{u"Option"_s, "True\r\n"};
std::pair<QString, QByteArray> folder(const QString &name)
{
    return {name, QByteArray()};
}

// The face that draws the first of `text` in `font`, fallback included.
QString faceFor(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.isEmpty() ? QString() : runs.first().rawFont().familyName();
}

} // namespace

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void initTestCase() { ChineseFonts::applyToApplication(); }
    void cleanup() { m_form.reset(); }
    void startup_data();
    void startup();
    void rearrange_data();
    void rearrange();
    void fileCommands_data();
    void fileCommands();
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
    void simplifiedForms_data();
    void simplifiedForms();
    void messageBoxFitsItsTitle();
    void menu_data();
    void menu();
    void shortcuts_data();
    void shortcuts();
    void noShortcutWhileADialogIsOpen();
    void dragSwapsAndClickStaysAClick();
    void dragEndsOnlyWithItsOwnRelease_data();
    void dragEndsOnlyWithItsOwnRelease();
    void droppedFileOpens_data();
    void droppedFileOpens();
    void undoAndRedoEveryKindOfStep();

private:
    void prepare(const Files &files);
    // The window, on a default.txt of `names` lines p0, p1, ... when names > 0.
    Form1 &start(int names = 0);
    QStringList captions() const;
    void checkSeats(const Seats &seats);
    bool topMarkerShown() const;
    QString work(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDesktop m_desktop;
    QRandomGenerator m_random{20261207};
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

Form1 &TestForm1::start(int names)
{
    if (names > 0)
        writeBytes(work(u"default.txt"_s), numberedLines(names, "p"));
    m_form = std::make_unique<Form1>(m_desktop, m_dir->path());
    m_form->setRandomGenerator(&m_random);
    m_form->show();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qFatal("the main window was not shown");
    QCoreApplication::processEvents();
    return *m_form;
}

QStringList TestForm1::captions() const
{
    QStringList seats;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        seats << m_form->Command1(i)->name();
    return seats << (m_form->chart().podiumSide() == PodiumSide::Top ? u"top"_s : u"bottom"_s);
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

void TestForm1::rearrange_data()
{
    QTest::addColumn<QStringList>("clicks"); // the buttons clicked, by object name
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<bool>("podiumTop");

    QTest::newRow("two clicks swap") << QStringList{u"Command1_3"_s, u"Command1_30"_s} << Seats{{3, u"p30"_s}, {30, u"p3"_s}, {4, u"p4"_s}}
                                     << false;
    QTest::newRow("旋转 after a click") << QStringList{u"Command1_34"_s, u"Command5"_s, u"Command1_10"_s}
                                        << Seats{{34, u"p24"_s}, {10, u"p0"_s}, {0, u"p34"_s}} << true;
    QTest::newRow("讲台位置") << QStringList{u"Command6"_s} << Seats{{12, u"p12"_s}} << true;
    QTest::newRow("左移一列") << QStringList{u"Command7"_s} << Seats{{0, u"p7"_s}, {28, u"p0"_s}} << false;
    QTest::newRow("右移一列") << QStringList{u"Command8"_s} << Seats{{0, u"p28"_s}, {7, u"p0"_s}} << false;
}

void TestForm1::rearrange()
{
    QFETCH(QStringList, clicks);
    QFETCH(Seats, seats);
    QFETCH(bool, podiumTop);

    prepare({List});
    Form1 &form = start();
    for (const QString &button : std::as_const(clicks))
        QTest::mouseClick(form.findChild<QAbstractButton *>(button), Qt::LeftButton);
    checkSeats(seats);
    QCOMPARE(topMarkerShown(), podiumTop);
    QCOMPARE(m_desktop.dialogs.size() + m_desktop.messages.size() + m_desktop.warnings.size(), 0);
}

void TestForm1::fileCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("answer");  // the path chosen in the dialog; empty: Cancel
    QTest::addColumn<QString>("dialog");  // its title; empty: no dialog
    QTest::addColumn<QString>("message"); // the completion message
    QTest::addColumn<QString>("warning"); // a part of the warning, which also names the chosen path
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<Written>("written");

    const Seats same{{0, u"p0"_s}, {34, u"p34"_s}};
    const QString open = u"打开"_s, saveAs = u"保存"_s, exam = u"打开考生信息"_s, opened = u"打开完成"_s, saved = u"保存完成"_s;
    const Written none;
    QTest::newRow("打开") << u"Command2"_s << u"class.txt"_s << open << opened << QString() << Seats{{0, u"q0"_s}, {9, u"q9"_s}, {10, {}}}
                          << none;
    QTest::newRow("打开 cancelled") << u"Command2"_s << QString() << open << QString() << QString() << same << none;
    QTest::newRow("打开 a missing path") << u"Command2"_s << u"typed.txt"_s << open << QString() << u"找不到文件"_s << same << none;
    QTest::newRow("打开 a binary file") << u"Command2"_s << u"binary.txt"_s << open << QString() << u"不是座位表"_s << same << none;
    QTest::newRow("保存") << u"Command3"_s << QString() << QString() << saved << QString() << same << Written{u"Option"_s, "False\r\n"};
    QTest::newRow("另存为") << u"Command4"_s << u"plan"_s << saveAs << saved << QString() << same << Written{u"plan"_s, "<table  align"};
    QTest::newRow("另存为 cancelled") << u"Command4"_s << QString() << saveAs << QString() << QString() << same << none;
    QTest::newRow("另存为 into a missing folder")
        << u"Command4"_s << u"missing/plan"_s << saveAs << QString() << u"所在的文件夹"_s << same << none;
    QTest::newRow("排考场") << u"Command9"_s << u"exam.txt"_s << exam << QString() << QString()
                            << Seats{{34, u"A"_s}, {27, {}}, {20, u"C"_s}, {0, {}}} << none;
    QTest::newRow("排考场 cancelled") << u"Command9"_s << QString() << exam << QString() << QString() << same << none;
    QTest::newRow("排考场 a binary file") << u"Command9"_s << u"binary.txt"_s << exam << QString() << u"不是座位表"_s << same << none;
}

void TestForm1::fileCommands()
{
    QFETCH(QString, button);
    QFETCH(QString, answer);
    QFETCH(QString, dialog);
    QFETCH(QString, message);
    QFETCH(QString, warning);
    QFETCH(Seats, seats);
    QFETCH(Written, written);

    prepare({List,
             {u"class.txt"_s, numberedLines(10, "q")},
             {u"exam.txt"_s, crlfLines({"A", "null", "C"})},
             {u"binary.txt"_s, QByteArray("\x89PNG\0\0\0", 8)}});
    QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    Form1 &form = start();
    if (!answer.isEmpty())
        m_desktop.nextChoice = work(answer);
    QTest::mouseClick(form.findChild<QAbstractButton *>(button), Qt::LeftButton);

    checkSeats(seats);
    QCOMPARE(m_desktop.dialogs.size(), dialog.isEmpty() ? 0 : 1);
    if (!dialog.isEmpty()) {
        const bool saving = dialog == u"保存"_s;
        QCOMPARE(m_desktop.dialogs.first().title, dialog);
        QCOMPARE(m_desktop.dialogs.first().kind, saving ? Desktop::FileDialog::Save : Desktop::FileDialog::Open);
        QCOMPARE(m_desktop.dialogs.first().filter,
                 saving ? u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s : u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s);
        QCOMPARE(form.currentFileName(), answer.isEmpty() ? u"default.txt"_s : work(answer));
    }
    QCOMPARE(m_desktop.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(m_desktop.messages.first().title + m_desktop.messages.first().text, message + message);
    QCOMPARE(m_desktop.warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY(m_desktop.warnings.first().text.contains(warning)
                && m_desktop.warnings.first().text.contains(QDir::toNativeSeparators(work(answer))));
    if (!written.first.isEmpty()) {
        QVERIFY(readBytes(work(written.first)).startsWith(written.second));
        files << written.first;
    }
    files.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), files);
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
    QVERIFY(writeBytes(work(u"default.txt"_s), crlfLines({"A&B", "x", "\xcd\xf5\xce\xe5"})));
    Form1 &form = start();
    QCOMPARE(form.Command1(0)->text(), u"A&&B"_s); // how a button shows a single "&"
    QCOMPARE(form.Command1(0)->toolTip(), QString());
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
    QTest::newRow("seat left") << u"Command1_34"_s << Qt::Key_Left << u"Command1_27"_s;
    QTest::newRow("right edge") << u"Command1_28"_s << Qt::Key_Right << u"Command1_28"_s;
    QTest::newRow("打开 right: 保存") << u"Command2"_s << Qt::Key_Right << u"Command3"_s;
    QTest::newRow("打开 down: 旋转") << u"Command2"_s << Qt::Key_Down << u"Command5"_s;
    QTest::newRow("讲台位置 up: 排考场") << u"Command6"_s << Qt::Key_Up << u"Command9"_s;
    QTest::newRow("排考场 right: edge") << u"Command9"_s << Qt::Key_Right << u"Command9"_s;
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

void TestForm1::simplifiedForms_data()
{
    QTest::addColumn<QString>("control");

    QTest::newRow("seat") << u"Command1_0"_s;
    QTest::newRow("message box") << u"box"_s;
    QTest::newRow("About window") << u"Label2"_s;
    QTest::newRow("podium marker") << u"Text1"_s;
}

void TestForm1::simplifiedForms()
{
    QFETCH(QString, control);

    const QStringList simplified{u"Noto Sans CJK SC"_s, u"Noto Serif CJK SC"_s};
    if (QFontDatabase::styles(simplified.first()).isEmpty())
        QSKIP("No Simplified Chinese face installed (fonts-noto-cjk)");
    Form1 &form = start();
    frmSplash about(m_desktop, &form);
    const auto box = QtDesktop::messageBox(&form, QMessageBox::NoIcon, u"保存完成"_s, u"保存完成"_s);
    QWidget *widget = control == u"box" ? box.get() : form.findChild<QWidget *>(control);
    widget = widget ? widget : about.findChild<QWidget *>(control);
    QVERIFY(widget);
    // 骨, 令, 户 and 刃 differ between the Chinese and the Japanese faces.
    for (const QString &character : {u"骨"_s, u"令"_s, u"户"_s, u"刃"_s})
        QVERIFY2(simplified.contains(faceFor(character, widget->font())), qPrintable(faceFor(character, widget->font())));
}

void TestForm1::messageBoxFitsItsTitle()
{
    // A window manager draws the title beside its buttons, larger or bold.
    for (const QString &title : {u"保存完成"_s, u"打开完成"_s, u"Sedario"_s, u"排考场"_s}) {
        const auto box = QtDesktop::messageBox(nullptr, QMessageBox::Warning, u"x"_s, title);
        box->show();
        QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(title) + 150);
        box->hide();
    }
}

void TestForm1::menu_data()
{
    QTest::addColumn<int>("names");           // in default.txt
    QTest::addColumn<QString>("under");       // the control right-clicked
    QTest::addColumn<bool>("changedBefore");  // 讲台位置 was pressed first
    QTest::addColumn<QList<bool>>("enabled"); // 撤销, 重做, 随机排座, 关于; empty: no menu

    QTest::newRow("a seat, a full room") << 35 << u"Command1_3"_s << false << QList<bool>{false, false, true, true};
    QTest::newRow("the background, after a change") << 35 << u"Form1"_s << true << QList<bool>{true, false, true, true};
    QTest::newRow("one name: nothing to shuffle") << 1 << u"Command1_0"_s << false << QList<bool>{false, false, false, true};
    QTest::newRow("not on a command") << 35 << u"Command2"_s << false << QList<bool>{};
}

void TestForm1::menu()
{
    QFETCH(int, names);
    QFETCH(QString, under);
    QFETCH(bool, changedBefore);
    QFETCH(QList<bool>, enabled);

    Form1 &form = start(names);
    // Made when it is first wanted, not at start-up.
    QVERIFY(!form.contextMenu());
    if (changedBefore)
        QTest::mouseClick(form.findChild<QWidget *>(u"Command6"_s), Qt::LeftButton);
    QWidget *widget = under == form.objectName() ? &form : form.findChild<QWidget *>(under);
    const QPoint at = widget == &form ? QPoint(5, 5) : widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
    QCOMPARE(form.contextMenu() != nullptr, !enabled.isEmpty());
    if (enabled.isEmpty())
        return;
    QMenu *menu = form.contextMenu();
    QTRY_VERIFY(menu->isVisible());
    QStringList texts, keys;
    QList<bool> states;
    for (const QAction *action : menu->actions()) {
        texts << (action->isSeparator() ? u"|"_s : action->text());
        keys << QKeySequence::listToString(action->shortcuts(), QKeySequence::PortableText);
        if (!action->isSeparator())
            states << action->isEnabled();
    }
    QCOMPARE(texts, (QStringList{u"撤销(&U)"_s, u"重做(&R)"_s, u"|"_s, u"随机排座(&D)"_s, u"|"_s, u"关于(&A)"_s}));
    QCOMPARE(keys, (QStringList{u"Ctrl+Z"_s, u"Ctrl+Shift+Z; Ctrl+Y"_s, {}, u"Ctrl+R"_s, {}, u"F1"_s}));
    QCOMPARE(states, enabled);
    menu->hide();
}

void TestForm1::shortcuts_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("focus");  // the control with the focus
    QTest::addColumn<QString>("dialog"); // the title of the file dialog asked for
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("closed");

    QTest::newRow("Ctrl+O opens") << QKeySequence(u"Ctrl+O"_s) << u"Command1_8"_s << u"打开"_s << QString() << false;
    QTest::newRow("Ctrl+S saves") << QKeySequence(u"Ctrl+S"_s) << u"Command7"_s << QString() << u"保存完成"_s << false;
    QTest::newRow("Ctrl+Shift+S saves as") << QKeySequence(u"Ctrl+Shift+S"_s) << u"Command1_34"_s << u"保存"_s << QString() << false;
    QTest::newRow("Ctrl+W closes") << QKeySequence(u"Ctrl+W"_s) << u"Command2"_s << QString() << QString() << true;
    QTest::newRow("Ctrl+Q closes") << QKeySequence(u"Ctrl+Q"_s) << u"Command1_0"_s << QString() << QString() << true;
}

void TestForm1::shortcuts()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(QString, dialog);
    QFETCH(QString, message);
    QFETCH(bool, closed);

    Form1 &form = start(35);
    QWidget *focused = form.findChild<QWidget *>(focus);
    focused->setFocus();
    QTest::keySequence(focused, keys);
    QCOMPARE(m_desktop.dialogs.size(), dialog.isEmpty() ? 0 : 1);
    if (!dialog.isEmpty())
        QCOMPARE(m_desktop.dialogs.first().title, dialog);
    QCOMPARE(m_desktop.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(readBytes(work(u"Option"_s)), QByteArray("False\r\n")); // none before
    QCOMPARE(form.isVisible(), !closed);
}

void TestForm1::noShortcutWhileADialogIsOpen()
{
    Form1 &form = start(35);
    QString seen;
    // F1 opens the About window; Ctrl+S in it must not save behind it.
    QTimer::singleShot(50, &form, [&] {
        if (QWidget *window = QApplication::activeModalWidget()) {
            seen = window->objectName();
            QTest::keySequence(window, QKeySequence(u"Ctrl+S"_s));
            if (QApplication::activeModalWidget())
                QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
        }
    });
    QTest::keyClick(form.Command1(0), Qt::Key_F1);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(seen, u"frmSplash"_s);
    QCOMPARE(m_desktop.messages.size(), 0);
}

void TestForm1::dragSwapsAndClickStaysAClick()
{
    QByteArray list = numberedLines(35, "p");
    list.replace("p3\r\n", "A&<b>B</b>\r\n");
    QVERIFY(writeBytes(work(u"default.txt"_s), list));
    Form1 &form = start();
    SeatButton *from = form.Command1(3), *to = form.Command1(10);
    QTest::mouseClick(form.Command1(20), Qt::LeftButton); // a pending first click
    const QPoint start = from->rect().center();
    QTest::mousePress(from, Qt::LeftButton, {}, start);
    QTest::mouseMove(from, start + QPoint(QApplication::startDragDistance() + 2, 0));
    const QPoint over = from->mapFrom(&form, to->geometry().center());
    QTest::mouseMove(from, over);
    // The name follows the pointer, as it is.
    const auto dragged = form.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(std::any_of(dragged.begin(), dragged.end(), [](QLabel *label) {
        return label->isVisible() && label->text() == u"A&<b>B</b>" && label->textFormat() == Qt::PlainText;
    }));
    QTest::mouseRelease(from, Qt::LeftButton, {}, over);
    QCOMPARE(from->name(), u"p10"_s);
    QCOMPARE(to->name(), u"A&<b>B</b>"_s);
    QCOMPARE(form.chart().swapSelection(), (SwapSelection{true, 20}));

    // A press and release that barely move stay a click: the second of two.
    QTest::mousePress(form.Command1(5), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(form.Command1(5), QPoint(11, 10));
    QTest::mouseRelease(form.Command1(5), Qt::LeftButton, {}, QPoint(11, 10));
    QCOMPARE(form.Command1(20)->name(), u"p5"_s);
    QCOMPARE(form.Command1(5)->name(), u"p20"_s);
    QCOMPARE(form.chart().swapSelection(), SwapSelection());
}

enum class Meanwhile { MiddleClick, RightClick, AboutWindow };

void TestForm1::dragEndsOnlyWithItsOwnRelease_data()
{
    // Seat 3 is dragged over seat 10; meanwhile something else happens; then
    // the left button is let go over `releasedOver`.
    QTest::addColumn<Meanwhile>("meanwhile");
    QTest::addColumn<int>("releasedOver");
    QTest::addColumn<bool>("swapped"); // seats 3 and releasedOver

    QTest::newRow("a middle click is no drop") << Meanwhile::MiddleClick << 24 << true;
    QTest::newRow("the menu takes the release") << Meanwhile::RightClick << 10 << false;
    QTest::newRow("the About window takes the release") << Meanwhile::AboutWindow << 10 << false;
}

void TestForm1::dragEndsOnlyWithItsOwnRelease()
{
    QFETCH(Meanwhile, meanwhile);
    QFETCH(int, releasedOver);
    QFETCH(bool, swapped);

    Form1 &form = start(35);
    QWindow *window = form.windowHandle();
    const auto centre = [&](int seat) { return form.Command1(seat)->geometry().center(); };
    QTest::mousePress(window, Qt::LeftButton, {}, centre(3));
    QTest::mouseMove(window, centre(3) + QPoint(QApplication::startDragDistance() + 5, 0));
    QTest::mouseMove(window, centre(10));
    if (meanwhile == Meanwhile::AboutWindow) {
        QTimer::singleShot(0, &form, [&] {
            QTest::mouseRelease(window, Qt::LeftButton, {}, centre(releasedOver));
            QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
        });
        QTest::keyClick(form.Command1(3), Qt::Key_F1);
    } else {
        const Qt::MouseButton other = meanwhile == Meanwhile::MiddleClick ? Qt::MiddleButton : Qt::RightButton;
        QTest::mousePress(window, other, {}, centre(10));
        QTest::mouseRelease(window, other, {}, centre(10));
        QTest::mouseMove(window, centre(releasedOver));
        QTest::mouseRelease(window, Qt::LeftButton, {}, centre(releasedOver));
        if (meanwhile == Meanwhile::RightClick) {
            QTRY_VERIFY(QApplication::activePopupWidget());
            QApplication::activePopupWidget()->close();
        }
    }
    QTRY_VERIFY(!QApplication::activeModalWidget() && !QApplication::activePopupWidget());
    QCOMPARE(form.Command1(3)->name(), swapped ? u"p24"_s : u"p3"_s);
    QCOMPARE(form.Command1(10)->name(), u"p10"_s);
    const auto labels = form.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(std::none_of(labels.begin(), labels.end(), [](QLabel *label) { return label->isVisible(); }));
    // The next click on the seat is an ordinary first click.
    QTest::mouseClick(window, Qt::LeftButton, {}, centre(3));
    QCOMPARE(form.chart().swapSelection(), (SwapSelection{true, 3}));
}

void TestForm1::droppedFileOpens_data()
{
    QTest::addColumn<QList<QByteArray>>("files");         // the files dropped, each its content
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers"); // held: Shift proposes a move
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("warning");

    const Qt::KeyboardModifiers none;
    QTest::newRow("a class list") << QList<QByteArray>{numberedLines(3, "q")} << none << true << u"打开完成"_s << QString();
    QTest::newRow("Shift held, still a copy") << QList<QByteArray>{numberedLines(3, "q")} << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                              << true << u"打开完成"_s << QString();
    QTest::newRow("a binary file") << QList<QByteArray>{QByteArray("\x89PNG\0\0", 6)} << none << true << QString() << u"不是座位表"_s;
    QTest::newRow("two files") << QList<QByteArray>{"a\r\n", "b\r\n"} << none << false << QString() << QString();
}

void TestForm1::droppedFileOpens()
{
    QFETCH(QList<QByteArray>, files);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    QFETCH(QString, warning);

    Form1 &form = start(35);
    QList<QUrl> urls;
    for (qsizetype k = 0; k < files.size(); ++k) {
        const QString path = work(u"dropped%1.txt"_s.arg(k));
        QVERIFY(writeBytes(path, files.at(k)));
        urls << QUrl::fromLocalFile(path);
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = form.Command1(17)->geometry().center();
    // Opening only reads the file: the file manager is never told it moved.
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(&form, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted) {
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(at, offered, &data, Qt::LeftButton, modifiers);
        QApplication::sendEvent(&form, &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QTRY_COMPARE(m_desktop.messages.size() + m_desktop.warnings.size(), 1);
    }
    const bool opened = !message.isEmpty();
    QCOMPARE(form.Command1(0)->name(), opened ? u"q0"_s : u"p0"_s);
    QCOMPARE(form.Command1(3)->name(), opened ? QString() : u"p3"_s);
    QCOMPARE(m_desktop.messages.size(), opened ? 1 : 0);
    QCOMPARE(m_desktop.warnings.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty())
        QVERIFY(m_desktop.warnings.first().text.contains(warning));
    QCOMPARE(form.currentFileName(), accepted ? work(u"dropped0.txt"_s) : u"default.txt"_s);
}

void TestForm1::undoAndRedoEveryKindOfStep()
{
    QVERIFY(writeBytes(work(u"class.txt"_s), numberedLines(10, "q")));
    QVERIFY(writeBytes(work(u"exam.txt"_s), numberedLines(5, "e")));
    Form1 &form = start(35);
    const auto press = [&](const QString &button) { QTest::mouseClick(form.findChild<QWidget *>(button), Qt::LeftButton); };
    const auto drag = [&](int from, int to) {
        SeatButton *seat = form.Command1(from);
        const QPoint over = seat->mapFrom(&form, form.Command1(to)->geometry().center());
        QTest::mousePress(seat, Qt::LeftButton, {}, seat->rect().center());
        QTest::mouseMove(seat, over);
        QTest::mouseRelease(seat, Qt::LeftButton, {}, over);
    };
    QList<QStringList> states{captions()};
    const QList<std::function<void()>> steps{
        [&] { press(u"Command1_1"_s), press(u"Command1_2"_s); }, // a swap by two clicks
        [&] { drag(4, 30); },
        [&] { press(u"Command7"_s); },
        [&] { press(u"Command8"_s); },
        [&] { press(u"Command5"_s); },
        [&] { press(u"Command6"_s); },
        [&] { m_desktop.nextChoice = work(u"class.txt"_s), press(u"Command2"_s); },
        [&] { m_desktop.nextChoice = work(u"exam.txt"_s), press(u"Command9"_s); },
        [&] { QTest::keySequence(&form, QKeySequence(u"Ctrl+R"_s)); },
    };
    for (const auto &step : steps) {
        step();
        QVERIFY(captions() != states.last());
        states << captions();
        // Save and Save As change no chart and are no steps.
        press(u"Command3"_s);
        m_desktop.nextChoice = work(u"plan.html"_s);
        press(u"Command4"_s);
    }
    press(u"Command1_0"_s); // a pending first click, kept through undo and redo
    for (qsizetype k = states.size() - 1; k > 0; --k) {
        QTest::keySequence(&form, QKeySequence(u"Ctrl+Z"_s));
        QCOMPARE(captions(), states.at(k - 1));
    }
    QTest::keySequence(&form, QKeySequence(u"Ctrl+Z"_s)); // nothing left to undo
    QCOMPARE(captions(), states.first());
    for (qsizetype k = 1; k < states.size(); ++k) {
        QTest::keySequence(&form, QKeySequence(k % 2 ? u"Ctrl+Y"_s : u"Ctrl+Shift+Z"_s));
        QCOMPARE(captions(), states.at(k));
    }
    QCOMPARE(form.chart().swapSelection(), (SwapSelection{true, 0}));
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
