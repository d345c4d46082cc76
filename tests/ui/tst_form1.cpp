// The main window, driven as a teacher drives it, with its dialogs answered by
// FakeDesktop.

#include "fakedesktop.h"
#include "files/textcodec.h"
#include "sedarioconfig.h"
#include "testfiles.h"
#include "ui/chinesefonts.h"
#include "ui/form1.h"
#include "ui/seatbutton.h"

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
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

// Files in the working folder, by name; a null content makes a folder.
using Files = QList<std::pair<QString, QByteArray>>;
// The caption of seat `first` is `second`; every other seat unchecked.
using Seats = QList<std::pair<int, QString>>;

const std::pair<QString, QByteArray> List{u"default.txt"_s, numberedLines(35, "p")}; // p0 .. p34
const std::pair<QString, QByteArray> Top{u"Option"_s, "True\r\n"};
// What the commands start from: the working list and three lists to open.
const Files Class{List,
                  {u"class.txt"_s, numberedLines(10, "q")},
                  {u"exam.txt"_s, crlfLines({"A", "null", "C"})},
                  {u"binary.txt"_s, QByteArray("\x89PNG\0\0\0", 8)}};

// The dialogs as FakeDesktop writes them down: their titles and filters are
// the window's own words.
const QString OpenList = u"open 打开 Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s;
const QString OpenExam = u"open 打开考生信息 Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s;
const QString SaveTable = u"save 保存 RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s;
const QString Opened = u"打开完成: 打开完成"_s, Saved = u"保存完成: 保存完成"_s;

// What the window shows after the teacher's gestures: the seats checked, the
// podium, the pending click (-1: none), what it said, the file it took for the
// current one, the files it wrote (each with how it begins) and whether it is
// still open.
struct After {
    Seats seats = {{0, u"p0"_s}, {3, u"p3"_s}, {10, u"p10"_s}, {34, u"p34"_s}};
    bool podiumTop = false;
    int pending = -1;
    QStringList said = {};
    QString current = u"default.txt"_s;
    Files written = {};
    bool open = true;
};

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

Q_DECLARE_METATYPE(After)

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ChineseFonts::applyToApplication(); }
    void init();
    void cleanup() { m_form.reset(); }
    void specifiedTexts();
    void looksAsDrawn();
    void commands_data();
    void commands();
    void longNamesShrinkBeforeTheyAreCut_data();
    void longNamesShrinkBeforeTheyAreCut();
    void simplifiedForms_data();
    void simplifiedForms();
    void undoAndRedoEveryKindOfStep();

private:
    Form1 &start(const Files &files);
    QWidget *widget(const QString &name) const;
    // In the window's coordinates.
    QPoint centre(const QString &name) const { return widget(name)->geometry().center(); }
    void perform(const QString &gesture);
    QStringList captions() const;
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
    m_desktop.home = m_dir->path();
}

Form1 &TestForm1::start(const Files &files)
{
    for (const auto &[name, content] : files) {
        if (!(content.isNull() ? QDir(m_dir->path()).mkdir(name) : writeBytes(work(name), content)))
            qFatal("cannot prepare %s", qPrintable(name));
    }
    m_form = std::make_unique<Form1>(m_desktop, m_dir->path());
    m_form->setRandomGenerator(&m_random);
    m_form->show();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qFatal("the main window was not shown");
    QCoreApplication::processEvents();
    return *m_form;
}

// A seat by its number, a command by its caption, anything else by its name.
QWidget *TestForm1::widget(const QString &name) const
{
    bool isSeat = false;
    const int seat = name.toInt(&isSeat);
    const auto buttons = m_form->findChildren<QAbstractButton *>();
    const auto command = std::find_if(buttons.begin(), buttons.end(), [&](QAbstractButton *b) { return b->text() == name; });
    return isSeat                      ? m_form->Command1(seat)
        : command != buttons.end()     ? *command
        : name == m_form->objectName() ? m_form.get()
                                       : m_form->findChild<QWidget *>(name);
}

QStringList TestForm1::captions() const
{
    QStringList seats;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        seats << m_form->Command1(i)->name();
    return seats << (m_form->chart().podiumSide() == PodiumSide::Top ? u"top"_s : u"bottom"_s);
}

// One thing the teacher does, "<verb> <control> ...", or "focused <control>":
// the focus is there.
void TestForm1::perform(const QString &gesture)
{
    const QStringList words = gesture.split(u' ');
    const QString &verb = words.first(), object = words.value(1);
    QWindow *window = m_form->windowHandle();
    if (verb == u"click") {
        QTest::mouseClick(widget(object), Qt::LeftButton);
    } else if (verb == u"answer") { // the file the next dialog chooses
        m_desktop.nextChoice = work(object);
    } else if (verb == u"key") { // on the control with the focus: key <control> <keys>
        widget(object)->setFocus();
        QTest::keySequence(widget(object), QKeySequence(words.value(2)));
    } else if (verb == u"drop") { // files from a file manager, offered to be copied or moved
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &name : words.mid(1))
            urls << QUrl::fromLocalFile(work(name));
        data.setUrls(urls);
        const QPoint at = centre(u"17"_s);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form.get(), &enter);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        if (enter.isAccepted() && enter.dropAction() == Qt::CopyAction)
            QApplication::sendEvent(m_form.get(), &drop);
        QVERIFY(!drop.isAccepted() || drop.dropAction() == Qt::CopyAction); // never told it moved
        QCoreApplication::processEvents();
    } else if (verb == u"press") { // the left button over a control: a drag is press, move and release
        QTest::mousePress(window, Qt::LeftButton, {}, centre(object));
    } else if (verb == u"move") {
        QTest::mouseMove(window, centre(object));
    } else if (verb == u"release") {
        QTest::mouseRelease(window, Qt::LeftButton, {}, centre(object));
    } else if (verb == u"middle" || verb == u"right") { // a click of another button meanwhile
        const Qt::MouseButton button = verb == u"middle" ? Qt::MiddleButton : Qt::RightButton;
        QTest::mousePress(window, button, {}, centre(object));
        QTest::mouseRelease(window, button, {}, centre(object));
    } else if (verb == u"nudge") { // a press and release that barely move
        QTest::mousePress(widget(object), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(widget(object), QPoint(11, 10));
        QTest::mouseRelease(widget(object), Qt::LeftButton, {}, QPoint(11, 10));
    } else if (verb == u"hide") { // and show again, where the teacher moved the window
        const QPoint moved = m_form->pos() + QPoint(20, 10);
        m_form->move(moved);
        m_form->hide();
        m_form->show();
        QCoreApplication::processEvents();
        QCOMPARE(m_form->pos(), moved);
    } else if (verb == u"about") { // F1; meanwhile the left button is let go over the control and Ctrl+S typed
        QTimer::singleShot(0, m_form.get(), [=, this] {
            m_desktop.log << u"shown "_s + QApplication::activeModalWidget()->objectName();
            QTest::mouseRelease(window, Qt::LeftButton, {}, centre(object));
            QTest::keySequence(QApplication::activeModalWidget(), QKeySequence(u"Ctrl+S"_s)); // which closes it
        });
        QTest::keyClick(m_form->Command1(0), Qt::Key_F1);
    } else if (verb == u"dclick") { // a double click; a window it opens is closed with Escape
        QTimer::singleShot(50, m_form.get(), [this] {
            if (QWidget *shown = QApplication::activeModalWidget()) {
                m_desktop.log << u"shown "_s + shown->objectName();
                QTest::keyClick(shown, Qt::Key_Escape);
            }
        });
        QTest::mouseDClick(widget(object), Qt::LeftButton);
        QTest::qWait(100);
    } else if (verb == u"menu") { // the right button's menu: each item enabled (+) or not (-)
        QWidget *target = widget(object);
        const QPoint at = target == m_form.get() ? QPoint(5, 5) : target->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            QStringList items;
            for (const QAction *item : menu->actions())
                items << (item->isSeparator() ? u"|"_s : item->text() + (item->isEnabled() ? u'+' : u'-'));
            m_desktop.log << u"menu "_s + items.join(u' ');
            menu->close();
        }
    } else if (verb == u"unmenu") { // whatever takes the menu away
        QTRY_VERIFY(QApplication::activePopupWidget());
        QApplication::activePopupWidget()->close();
    } else if (verb == u"focused") {
        QCOMPARE(QApplication::focusWidget(), widget(object));
    } else {
        QFAIL(qPrintable(u"no such gesture: "_s + gesture));
    }
}

void TestForm1::specifiedTexts()
{
    start({});
    QStringList texts{widget(u"Form1"_s)->windowTitle()};
    for (const char *name : {"Command2", "Command3", "Command4", "Command9", "Command5", "Command7", "Command8", "Command6", "Text1",
                             "Text2", "StatusBar1_Panel1", "StatusBar1_Panel2", "StatusBar1_Panel3"})
        texts << widget(QString::fromLatin1(name))->property("text").toString();
    const QString web = QString::fromUtf16(SedarioConfig::WebAddress), author = QString::fromUtf16(SedarioConfig::AuthorName);
    QCOMPARE(texts,
             (QStringList{u"Sedario"_s, u"打开"_s, u"保存"_s, u"另存为"_s, u"排考场"_s, u"旋转"_s, u"左移一列"_s, u"右移一列"_s,
                          u"讲台位置"_s, u"  讲  台"_s, u"  讲  台"_s, u"Sedario "_s + web, u"版本:1.0.1"_s, u"设计："_s + author}));
}

void TestForm1::looksAsDrawn()
{
    // Every pixel of both windows, on Qt's offscreen platform with the faces
    // of fonts-noto-cjk. SEDARIO_UPDATE_SCREENS=1 writes the pictures anew
    // after a change of the look that was meant.
    if (QFontInfo(QFont(u"Noto Sans CJK SC"_s)).family() != u"Noto Sans CJK SC")
        QSKIP("The pictures are drawn with Noto Sans CJK SC (fonts-noto-cjk)");
    const QString names = u"张三\r\n李四\r\nNULL\r\nA&B\r\n阿卜杜热合曼\r\n阿卜杜热合曼·买买提依明\r\n"_s;
    Form1 &form = start({{u"default.txt"_s, TextCodec::encode(names)}, Top});
    const auto compare = [](QWidget *window, const QString &name) {
        const QImage shown = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString path = QStringLiteral(SEDARIO_TEST_SOURCE_DIR "/screens/") + name;
        if (qEnvironmentVariableIsSet("SEDARIO_UPDATE_SCREENS"))
            shown.save(path);
        const QImage drawn = QImage(path).convertToFormat(QImage::Format_RGB32);
        if (shown != drawn)
            shown.save(QDir::temp().filePath(name)); // to be looked at
        QCOMPARE(shown, drawn);
    };
    compare(&form, u"form1.png"_s);
    QTimer::singleShot(0, &form, [&] {
        compare(QApplication::activeModalWidget(), u"frmsplash.png"_s);
        QApplication::activeModalWidget()->close();
    });
    form.StatusBar1_PanelDblClick(3);
}

void TestForm1::commands_data()
{
    // The window starts on `files` (by default default.txt of p0 .. p34 and
    // three lists to open), the teacher does `gestures` one after the other,
    // and then the window is as `after` says.
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("gestures");
    QTest::addColumn<After>("after");
    const auto row = [](const char *name, const QString &gestures, const After &after, const Files &files = Class) {
        QTest::newRow(name) << files << gestures << after;
    };
    const QString list = u"default.txt"_s;
    const QByteArray folder;
    const QString binary = u"“~/binary.txt”不是座位表：第 1 项含有空字符（NUL），这不是文本文件。"_s;

    row("no working files", {}, {.seats = {{0, {}}, {34, {}}}}, {});
    row("working files", {}, {.podiumTop = true}, {List, Top});
    // A working file that cannot be read is told once, when the window shows.
    row("default.txt is a folder", u"hide"_s,
        {.seats = {{0, {}}}, .podiumTop = true, .said = {u"warning Sedario: “~/default.txt”是一个文件夹，不是文件。"_s}},
        {{list, folder}, Top});
    row("Option is a folder", {}, {.said = {u"warning Sedario: “~/Option”是一个文件夹，不是文件。"_s}}, {List, {u"Option"_s, folder}});

    row("two clicks swap", u"click 3, click 30"_s, {.seats = {{3, u"p30"_s}, {30, u"p3"_s}, {4, u"p4"_s}}});
    row("旋转 between the clicks", u"click 34, click 旋转, click 10"_s,
        {.seats = {{34, u"p24"_s}, {10, u"p0"_s}, {0, u"p34"_s}}, .podiumTop = true});
    row("讲台位置", u"click 讲台位置"_s, {.podiumTop = true});
    row("左移一列", u"click 左移一列"_s, {.seats = {{0, u"p7"_s}, {28, u"p0"_s}}});
    row("右移一列", u"click 右移一列"_s, {.seats = {{0, u"p28"_s}, {7, u"p0"_s}}});
    row("打开", u"answer class.txt, click 打开"_s,
        {.seats = {{0, u"q0"_s}, {9, u"q9"_s}, {10, {}}}, .said = {OpenList, Opened}, .current = u"class.txt"_s});
    // The path a dialog gave is the current file's even when it cannot be read.
    row("打开 a missing path", u"answer typed.txt, click 打开"_s,
        {.said = {OpenList, u"warning 打开: 找不到文件“~/typed.txt”。"_s}, .current = u"typed.txt"_s});
    row("保存", u"click 保存"_s, {.said = {Saved}, .written = {{u"Option"_s, "False\r\n"}, {list, "p0\r\np1\r\n"}}});
    row("另存为", u"answer plan, click 另存为"_s,
        {.said = {SaveTable, Saved}, .current = u"plan"_s, .written = {{u"plan"_s, "<table  align"}}});
    row("另存为 into a missing folder", u"answer missing/plan, click 另存为"_s,
        {.said = {SaveTable, u"warning 另存为: 找不到“~/missing/plan”所在的文件夹。\n原有文件保持不变。"_s}, .current = u"missing/plan"_s});
    row("排考场", u"answer exam.txt, click 排考场"_s,
        {.seats = {{34, u"A"_s}, {27, {}}, {20, u"C"_s}, {0, {}}}, .podiumTop = true, .said = {OpenExam}, .current = u"exam.txt"_s});
    // 排考场 keeps the chart until a list has been read.
    row("排考场 cancelled", u"click 排考场"_s, {.said = {OpenExam}});
    row("排考场 a binary file", u"answer binary.txt, click 排考场"_s,
        {.said = {OpenExam, u"warning 排考场: 文件"_s + binary}, .current = u"binary.txt"_s});

    row("Ctrl+O on a seat", u"key 8 Ctrl+O"_s, {.said = {OpenList}});
    row("Ctrl+S on a command", u"key 左移一列 Ctrl+S"_s, {.said = {Saved}, .written = {{u"Option"_s, "False"}, {list, "p0"}}});
    row("Ctrl+Shift+S", u"key 34 Ctrl+Shift+S"_s, {.said = {SaveTable}});
    row("Ctrl+W closes", u"key 打开 Ctrl+W"_s, {.open = false});
    row("Return and Enter press the focused button", u"key 讲台位置 Return, key 3 Num+Enter, key 30 Return"_s,
        {.seats = {{3, u"p30"_s}, {30, u"p3"_s}}, .podiumTop = true});
    row("Space too", u"key 4 Space"_s, {.pending = 4});

    row("a dropped class list opens", u"drop class.txt"_s,
        {.seats = {{0, u"q0"_s}, {10, {}}}, .said = {Opened}, .current = u"class.txt"_s});
    row("a dropped binary file", u"drop binary.txt"_s, {.said = {u"warning 打开: 文件"_s + binary}, .current = u"binary.txt"_s});
    row("two dropped files", u"drop class.txt exam.txt"_s, {});

    row("double clicks on panels 1 and 2", u"dclick StatusBar1_Panel1, dclick StatusBar1_Panel2"_s, {});
    row("a double click on panel 3", u"dclick StatusBar1_Panel3"_s, {.said = {u"shown frmSplash"_s}});
    // The focus starts on 打开; the arrow keys move it by position in the
    // seats and in the commands, but not from one block to the other.
    row("arrow keys in the seats",
        u"focused 打开, key 0 Right, focused 7, key 7 Down, focused 8, key 8 Left, focused 1, key 1 Up, focused 0"_s, {});
    row("arrow keys in the commands",
        u"key 打开 Right, focused 保存, key 打开 Down, focused 旋转, key 讲台位置 Up, focused 排考场, key 右移一列 Left, focused 左移一列"_s,
        {});
    row("arrow keys at the edges",
        u"key 28 Right, focused 28, key 13 Down, focused 13, key 打开 Up, focused 打开, key 排考场 Right, focused 排考场"_s, {});
    const QString menu = u"menu 撤销(&U)%1 重做(&R)- | 随机排座(&D)%2 | 关于(&A)+"_s;
    row("the menu on a seat", u"menu 3"_s, {.said = {menu.arg(u"-"_s, u"+"_s)}});
    row("the menu on the background after a change", u"click 讲台位置, menu Form1"_s,
        {.podiumTop = true, .said = {menu.arg(u"+"_s, u"+"_s)}});
    row("the menu with one name", u"menu 0"_s, {.seats = {{0, u"p0"_s}}, .said = {menu.arg(u"-"_s, u"-"_s)}}, {{list, "p0\r\n"}});
    row("no menu on a command or the status bar", u"menu 打开, menu StatusBar1_Panel2"_s, {});

    // A seat dragged onto another swaps the two; a pending click stays.
    row("drag", u"click 20, press 3, move 10, release 10"_s, {.seats = {{3, u"p10"_s}, {10, u"p3"_s}, {20, u"p20"_s}}, .pending = 20});
    row("barely moved: a click", u"click 20, nudge 5"_s, {.seats = {{5, u"p20"_s}, {20, u"p5"_s}}});
    row("a middle click is no drop", u"press 3, move 10, middle 10, move 24, release 24"_s, {.seats = {{3, u"p24"_s}, {10, u"p10"_s}}});
    row("an empty seat is not dragged", u"answer class.txt, click 打开, press 12, move 3, release 3"_s,
        {.seats = {{12, {}}, {3, u"q3"_s}}, .said = {OpenList, Opened}, .current = u"class.txt"_s});
    // Whatever else ends a drag, the seat's next click is a first click.
    row("Escape ends a drag", u"press 3, move 10, key 3 Escape, release 10, click 3"_s, {.pending = 3});
    row("hiding ends a drag", u"press 3, move 10, hide, release 10, click 3"_s, {.pending = 3});
    row("the menu takes the release", u"press 3, move 10, right 10, release 10, unmenu, click 3"_s, {.pending = 3});
    // The About window takes the release, and no shortcut works behind it.
    row("the About window takes the release", u"press 3, move 10, about 10, click 3"_s, {.pending = 3, .said = {u"shown frmSplash"_s}});
    row("a drop on a command", u"press 3, move 10, move 打开, release 打开, click 3"_s, {.pending = 3});
}

void TestForm1::commands()
{
    QFETCH(Files, files);
    QFETCH(QString, gestures);
    QFETCH(After, after);

    Form1 &form = start(files);
    QStringList written = QDir(m_dir->path()).entryList(QDir::Files);
    for (const QString &gesture : gestures.split(u", "_s, Qt::SkipEmptyParts))
        perform(gesture);

    for (const auto &[seat, caption] : after.seats)
        QCOMPARE(form.Command1(seat)->text(), caption);
    QCOMPARE(widget(u"Text1"_s)->isVisibleTo(&form), after.podiumTop);
    QCOMPARE(widget(u"Text2"_s)->isVisibleTo(&form), !after.podiumTop);
    QCOMPARE(form.chart().swapSelection(), (after.pending < 0 ? SwapSelection() : SwapSelection{true, after.pending}));
    QCOMPARE(m_desktop.log, after.said);
    QCOMPARE(QDir(m_dir->path()).relativeFilePath(form.currentFileName()), after.current);
    for (const auto &[name, beginning] : after.written) {
        QVERIFY2(readBytes(work(name)).startsWith(beginning), qPrintable(name));
        written << name;
    }
    written.removeDuplicates();
    written.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), written);
    QCOMPARE(form.isVisible(), after.open);
    // Nothing of a drag is left on the screen.
    const auto labels = form.findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(std::none_of(labels.begin(), labels.end(), [](QLabel *label) { return label->isVisible(); }));
}

void TestForm1::longNamesShrinkBeforeTheyAreCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shrunk");
    QTest::addColumn<bool>("cut");

    QTest::newRow("four characters") << u"欧阳娜娜"_s << false << false;
    QTest::newRow("six characters") << u"阿卜杜热合曼"_s << true << false;
    QTest::newRow("twelve characters") << u"阿卜杜热合曼·买买提依明"_s << true << true;
}

void TestForm1::longNamesShrinkBeforeTheyAreCut()
{
    QFETCH(QString, name);
    QFETCH(bool, shrunk);
    QFETCH(bool, cut);

    if (QFontInfo(QFont(u"Noto Sans CJK SC"_s)).family() != u"Noto Sans CJK SC")
        QSKIP("The widths here are those of Noto Sans CJK SC (fonts-noto-cjk)");
    Form1 &form = start({{u"default.txt"_s, TextCodec::encode(name) + "\r\n"}});
    SeatButton *seat = form.Command1(0);
    const double scale = seat->font().pointSizeF() / form.font().pointSizeF();
    QCOMPARE(scale < 1, shrunk);
    QVERIFY(scale >= SeatButton::MinimumScale - 1e-6);
    QCOMPARE(seat->text() != name, cut);
    QCOMPARE(seat->toolTip(), cut ? name : QString());
    QVERIFY(seat->fontMetrics().horizontalAdvance(seat->text()) < seat->width());
    // The name is fitted anew to a new size of the seat or font of the window.
    seat->resize(seat->width() * 3, seat->height());
    QCOMPARE(std::tuple(seat->text(), seat->font()), std::tuple(name, form.font()));
    form.setFont(QFont(form.font().family(), form.font().pointSize() * 8));
    QCOMPARE(seat->toolTip(), name);
}

void TestForm1::simplifiedForms_data()
{
    QTest::addColumn<QString>("control");

    QTest::newRow("seat") << u"0"_s;
    QTest::newRow("podium marker") << u"Text1"_s;
}

void TestForm1::simplifiedForms()
{
    QFETCH(QString, control);

    const QStringList simplified{u"Noto Sans CJK SC"_s, u"Noto Serif CJK SC"_s};
    if (QFontDatabase::styles(simplified.first()).isEmpty())
        QSKIP("No Simplified Chinese face installed (fonts-noto-cjk)");
    start({});
    // 骨, 令, 户 and 刃 differ between the Chinese and the Japanese faces.
    for (const QString &character : {u"骨"_s, u"令"_s, u"户"_s, u"刃"_s})
        QVERIFY2(simplified.contains(faceFor(character, widget(control)->font())), qPrintable(faceFor(character, widget(control)->font())));
}

void TestForm1::undoAndRedoEveryKindOfStep()
{
    Form1 &form = start(Class);
    QList<QStringList> states{captions()};
    const QStringList steps{
        u"click 1, click 2"_s,
        u"press 4, move 30, release 30"_s,
        u"click 左移一列"_s,
        u"click 右移一列"_s,
        u"click 旋转"_s,
        u"click 讲台位置"_s,
        u"answer class.txt, click 打开"_s,
        u"answer exam.txt, click 排考场"_s,
        u"drop exam.txt"_s,
        u"key Form1 Ctrl+R"_s,
    };
    for (const QString &step : steps) {
        for (const QString &gesture : step.split(u", "_s))
            perform(gesture);
        QVERIFY2(captions() != states.last(), qPrintable(step));
        states << captions();
        // Save and Save As change no chart and are no steps.
        for (const QString &gesture : {u"click 保存"_s, u"answer plan.html"_s, u"click 另存为"_s})
            perform(gesture);
    }
    perform(u"click 0"_s); // a pending first click, kept through undo and redo
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
