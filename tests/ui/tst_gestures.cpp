// What the main window offers beyond its buttons: the right mouse button's
// menu, keyboard shortcuts, dragging seats, dropping files, undo and redo.

#include "fakedesktop.h"
#include "testfiles.h"
#include "ui/form1.h"
#include "ui/seatbutton.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace Qt::StringLiterals;

class TestGestures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_form.reset(); }
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
    Form1 &start(int names = 35);
    QString work(const QString &name) const { return m_dir->filePath(name); }
    QStringList captions() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeDesktop m_desktop;
    QRandomGenerator m_random{20261207};
    std::unique_ptr<Form1> m_form;
};

void TestGestures::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_desktop = FakeDesktop();
}

Form1 &TestGestures::start(int names)
{
    if (names > 0)
        writeBytes(work(u"default.txt"_s), numberedLines(names, "p"));
    m_form = std::make_unique<Form1>(m_desktop, m_dir->path());
    m_form->setRandomGenerator(&m_random);
    m_form->show();
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qFatal("the main window was not shown");
    return *m_form;
}

QStringList TestGestures::captions() const
{
    QStringList seats;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        seats << m_form->Command1(i)->name();
    return seats << (m_form->chart().podiumSide() == PodiumSide::Top ? u"top"_s : u"bottom"_s);
}

void TestGestures::menu_data()
{
    QTest::addColumn<int>("names");           // in default.txt
    QTest::addColumn<QString>("under");       // the control right-clicked
    QTest::addColumn<bool>("changedBefore");  // 讲台位置 was pressed first
    QTest::addColumn<QList<bool>>("enabled"); // 撤销, 重做, 随机排座, 关于; empty: no menu

    QTest::newRow("a seat, a full room") << 35 << u"Command1_3"_s << false << QList<bool>{false, false, true, true};
    QTest::newRow("the background, after a change") << 35 << u"Form1"_s << true << QList<bool>{true, false, true, true};
    QTest::newRow("one name: nothing to shuffle") << 1 << u"Command1_0"_s << false << QList<bool>{false, false, false, true};
    QTest::newRow("empty room") << 0 << u"Command1_20"_s << false << QList<bool>{false, false, false, true};
    QTest::newRow("not on a command") << 35 << u"Command2"_s << false << QList<bool>{};
    QTest::newRow("not on the status bar") << 35 << u"StatusBar1_Panel1"_s << false << QList<bool>{};
}

void TestGestures::menu()
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

void TestGestures::shortcuts_data()
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

void TestGestures::shortcuts()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, focus);
    QFETCH(QString, dialog);
    QFETCH(QString, message);
    QFETCH(bool, closed);

    Form1 &form = start();
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

void TestGestures::noShortcutWhileADialogIsOpen()
{
    Form1 &form = start();
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

void TestGestures::dragSwapsAndClickStaysAClick()
{
    QByteArray list = numberedLines(35, "p");
    list.replace("p3\r\n", "A&<b>B</b>\r\n");
    QVERIFY(writeBytes(work(u"default.txt"_s), list));
    Form1 &form = start(0);
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

void TestGestures::dragEndsOnlyWithItsOwnRelease_data()
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

void TestGestures::dragEndsOnlyWithItsOwnRelease()
{
    QFETCH(Meanwhile, meanwhile);
    QFETCH(int, releasedOver);
    QFETCH(bool, swapped);

    Form1 &form = start();
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

void TestGestures::droppedFileOpens_data()
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

void TestGestures::droppedFileOpens()
{
    QFETCH(QList<QByteArray>, files);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    QFETCH(QString, warning);

    Form1 &form = start();
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

void TestGestures::undoAndRedoEveryKindOfStep()
{
    QVERIFY(writeBytes(work(u"class.txt"_s), numberedLines(10, "q")));
    QVERIFY(writeBytes(work(u"exam.txt"_s), numberedLines(5, "e")));
    Form1 &form = start();
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

QTEST_MAIN(TestGestures)
#include "tst_gestures.moc"
