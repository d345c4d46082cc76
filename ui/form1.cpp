#include "ui/form1.h"

#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "sedarioconfig.h"
#include "ui/appicon.h"
#include "ui/chinesefonts.h"
#include "ui/desktop.h"
#include "ui/frmsplash.h"
#include "ui/seatbutton.h"
#include "ui/twips.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString TextFilter = u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s;
const QString HtmlFilter = u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s;
const QString SavedMessage = u"保存完成"_s;
const QString OpenedMessage = u"打开完成"_s;

} // namespace

Form1::Form1(Desktop &desktop, const QString &workingFolder, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                  | Qt::WindowCloseButtonHint)
    , m_desktop(desktop)
    , m_workingFolder(workingFolder)
    , m_random(QRandomGenerator::global())
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Sedario"_s);
    setFixedSize(Twips::toPixels(6750), Twips::toPixels(6135));
    buildControls();
    // The shortcuts work wherever the focus is in the window, and not while
    // a dialog is open. The menu that shows the first four is made when it
    // is first wanted.
    connect(m_undoAction = addShortcutAction(u"撤销(&U)"_s, {Qt::CTRL | Qt::Key_Z}), &QAction::triggered, this, &Form1::undo);
    connect(m_redoAction = addShortcutAction(u"重做(&R)"_s, {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, Qt::CTRL | Qt::Key_Y}), &QAction::triggered,
            this, &Form1::redo);
    connect(m_shuffleAction = addShortcutAction(u"随机排座(&D)"_s, {Qt::CTRL | Qt::Key_R}), &QAction::triggered, this, &Form1::shuffle);
    connect(m_aboutAction = addShortcutAction(u"关于(&A)"_s, {Qt::Key_F1}), &QAction::triggered, this,
            [this] { StatusBar1_PanelDblClick(3); });
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_O}), &QAction::triggered, this, &Form1::Command2_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_S}), &QAction::triggered, this, &Form1::Command3_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::SHIFT | Qt::Key_S}), &QAction::triggered, this, &Form1::Command4_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_W, Qt::CTRL | Qt::Key_Q}), &QAction::triggered, this, &QWidget::close);
    setAcceptDrops(true);
    Form_Load();
}

SeatButton *Form1::Command1(int index) const
{
    return m_seatButtons.at(static_cast<std::size_t>(index));
}

QPushButton *Form1::addCommandButton(const char *objectName, const QString &caption, QRect geometry, void (Form1::*handler)())
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

QAction *Form1::addShortcutAction(const QString &text, const QList<QKeySequence> &keys)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(keys);
    addAction(action);
    return action;
}

QLabel *Form1::addStatusPanel(const char *objectName, int minimumWidth, bool stretch)
{
    auto *panel = new QLabel(m_statusBar);
    panel->setObjectName(QString::fromLatin1(objectName));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setMinimumWidth(minimumWidth);
    panel->installEventFilter(this);
    if (stretch) {
        m_statusBar->addWidget(panel, 1);
    } else {
        panel->setFixedWidth(minimumWidth);
        m_statusBar->addPermanentWidget(panel);
    }
    return panel;
}

void Form1::buildControls()
{
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const int column = SeatChart::columnOf(i);
        const int row = SeatChart::rowOf(i);
        auto *seat = new SeatButton(column, row, this);
        seat->setObjectName(u"Command1_%1"_s.arg(i));
        seat->setGeometry(Twips::rect(120 + 1350 * column, 720 + 480 * row, 1095, 375));
        seat->setAutoDefault(false);
        seat->installEventFilter(this);
        connect(seat, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        connect(seat, &SeatButton::draggedTo, this, [this, i](SeatButton *target) {
            const int to = int(std::find(m_seatButtons.begin(), m_seatButtons.end(), target) - m_seatButtons.begin());
            change([&] { m_chart.swapSeats(i, to); });
        });
        m_seatButtons[static_cast<std::size_t>(i)] = seat;
    }

    // The two podium markers. Both keep their places; only which one is
    // visible changes with the podium side.
    const QFont podiumFont = ChineseFonts::songTi(15);
    const auto makeMarker = [&](const char *objectName, QRect geometry) {
        auto *marker = new QLineEdit(u"  讲  台"_s, this);
        marker->setObjectName(QString::fromLatin1(objectName));
        marker->setGeometry(geometry);
        marker->setFont(podiumFont);
        marker->setEnabled(false);
        marker->setReadOnly(true);
        // The face colour of buttons behind the text, and the text as legible
        // as that of an enabled box although the marker takes no input.
        QPalette palette = marker->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
        palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
        marker->setPalette(palette);
        marker->hide();
        return marker;
    };
    m_text1 = makeMarker("Text1", Twips::rect(1680, 120, 1455, 420));
    m_text2 = makeMarker("Text2", Twips::rect(3000, 4080, 1575, 420));

    // The separator runs a little past the right edge and is cut off there.
    auto *line = new QFrame(this);
    line->setObjectName(u"Line1"_s);
    line->setFrameStyle(QFrame::HLine | QFrame::Plain);
    line->setGeometry(Twips::toPixels(0), Twips::toPixels(4680), Twips::toPixels(6840), 1);

    QList<QWidget *> tabOrder{
        addCommandButton("Command2", u"打开"_s, Twips::rect(120, 4800, 855, 375), &Form1::Command2_Click),
        addCommandButton("Command3", u"保存"_s, Twips::rect(1880, 4800, 975, 375), &Form1::Command3_Click),
        addCommandButton("Command4", u"另存为"_s, Twips::rect(3760, 4800, 975, 375), &Form1::Command4_Click),
        addCommandButton("Command5", u"旋转"_s, Twips::rect(120, 5280, 855, 375), &Form1::Command5_Click),
        addCommandButton("Command6", u"讲台位置"_s, Twips::rect(5640, 5280, 975, 375), &Form1::Command6_Click),
        addCommandButton("Command7", u"左移一列"_s, Twips::rect(1880, 5280, 975, 375), &Form1::Command7_Click),
        addCommandButton("Command8", u"右移一列"_s, Twips::rect(3760, 5280, 975, 375), &Form1::Command8_Click),
        addCommandButton("Command9", u"排考场"_s, Twips::rect(5640, 4800, 975, 375), &Form1::Command9_Click),
    };

    // The arrow keys move in the seats and in the 2 x 4 block of commands,
    // each as drawn.
    QList<QList<QWidget *>> seats(SeatChart::Rows);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        seats[SeatChart::rowOf(i)] << Command1(i);
    m_focusGrids = {seats, {{tabOrder[0], tabOrder[1], tabOrder[2], tabOrder[7]}, {tabOrder[3], tabOrder[5], tabOrder[6], tabOrder[4]}}};

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"StatusBar1"_s);
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setGeometry(Twips::rect(0, 5760, 6750, 375));
    m_panels[0] = addStatusPanel("StatusBar1_Panel1", Twips::toPixels(1440), true);
    m_panels[1] = addStatusPanel("StatusBar1_Panel2", Twips::toPixels(1200), false);
    m_panels[2] = addStatusPanel("StatusBar1_Panel3", Twips::toPixels(1701), false);
    const QString designer = u"设计："_s + QString::fromUtf16(SedarioConfig::AuthorName);
    m_panels[2]->setText(designer);
    m_panels[2]->setToolTip(designer);

    // Keyboard order: the commands, the (disabled, so skipped) markers, then
    // the seats from the last to the first.
    tabOrder << m_text2 << m_text1;
    for (int i = SeatChart::SeatCount - 1; i >= 0; --i)
        tabOrder << Command1(i);
    for (qsizetype k = 0; k + 1 < tabOrder.size(); ++k)
        setTabOrder(tabOrder.at(k), tabOrder.at(k + 1));
    tabOrder.first()->setFocus();
}

void Form1::Form_Load()
{
    m_chart.resetSwapSelection();
    m_currentFileName = ChartFiles::SeatListName;
    m_startupProblems = ChartFiles::loadWorkingFiles(m_chart, m_workingFolder);
    m_panels[0]->setText(windowTitle() + u' ' + QString::fromUtf16(SedarioConfig::WebAddress));
    m_panels[1]->setText(
        u"版本:%1.%2.%3"_s.arg(SedarioConfig::VersionMajor).arg(SedarioConfig::VersionMinor).arg(SedarioConfig::VersionRevision));
    showChart();
}

void Form1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The focus is drawn from the first frame, not only after a key press.
    setAttribute(Qt::WA_KeyboardFocusChange);
    // The icon goes to the window system once the first frame is on the
    // screen: decoding seven images and handing them over would hold that
    // frame back by several milliseconds.
    if (QWindow *handle = windowHandle())
        handle->installEventFilter(this);
    if (const QScreen *display = screen())
        move(display->availableGeometry().center() - rect().center());
    // A working file that exists but cannot be read is reported once the
    // window is on the screen, so the warning has the chart behind it.
    if (!m_startupProblems.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            const QList<FileError> problems = std::exchange(m_startupProblems, {});
            for (const FileError &problem : problems)
                warn(windowTitle(), problem);
        });
    }
}

bool Form1::moveFocus(QObject *from, int key)
{
    const int across = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
    const int down = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
    if (across == 0 && down == 0)
        return false;
    // By position within the grid the control belongs to; at an edge the
    // focus stays where it is.
    for (const QList<QList<QWidget *>> &grid : m_focusGrids) {
        for (qsizetype row = 0; row < grid.size(); ++row) {
            const qsizetype column = grid[row].indexOf(from);
            if (column < 0)
                continue;
            if (QWidget *target = grid.value(row + down).value(column + across))
                target->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this, [this] { setWindowIcon(AppIcon::icon()); }, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Return and Enter press the focused button, as Space does.
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            button->click();
            return true;
        }
        if (moveFocus(watched, key->key()))
            return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (std::size_t k = 0; k < m_panels.size(); ++k) {
            if (watched == m_panels[k]) {
                StatusBar1_PanelDblClick(int(k) + 1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showChart()
{
    int named = 0;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        Command1(i)->setName(m_chart.seat(i));
        named += !m_chart.seat(i).isEmpty();
    }
    const bool top = m_chart.podiumSide() == PodiumSide::Top;
    m_text1->setVisible(top);
    m_text2->setVisible(!top);
    m_undoAction->setEnabled(m_history.canUndo());
    m_redoAction->setEnabled(m_history.canRedo());
    m_shuffleAction->setEnabled(named >= 2);
}

template <typename Change> void Form1::change(Change &&change)
{
    const SeatChart::Arrangement before = m_chart.arrangement();
    change();
    m_history.record(before, m_chart);
    showChart();
}

void Form1::undo()
{
    if (m_history.canUndo())
        m_history.undo(m_chart);
    showChart();
}

void Form1::redo()
{
    if (m_history.canRedo())
        m_history.redo(m_chart);
    showChart();
}

void Form1::shuffle()
{
    change([this] { m_chart.shuffle(*m_random); });
}

void Form1::contextMenuEvent(QContextMenuEvent *event)
{
    // On the seats and the window's background, not on the command buttons
    // or the status bar.
    const QWidget *under = childAt(event->pos());
    if (under && !qobject_cast<const SeatButton *>(under)
        && (qobject_cast<const QAbstractButton *>(under) || m_statusBar->isAncestorOf(under) || under == m_statusBar))
        return event->ignore();
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->addActions({m_undoAction, m_redoAction});
        m_menu->addSeparator();
        m_menu->addAction(m_shuffleAction);
        m_menu->addSeparator();
        m_menu->addAction(m_aboutAction);
    }
    m_menu->popup(event->globalPos());
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    // One file, from a file manager.
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile() && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void Form1::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // As 打开 does, once a file has been chosen; after the drop has ended, so
    // that the file manager is not kept waiting while a message shows.
    QMetaObject::invokeMethod(
        this, [this, path = urls.first().toLocalFile()] { openSeatList(path); }, Qt::QueuedConnection);
}

void Form1::warn(const QString &title, const FileError &error)
{
    m_desktop.showWarning(this, error.message(), title);
}

void Form1::rearrange(void (SeatChart::*operation)())
{
    change([&] { (m_chart.*operation)(); });
}

void Form1::Command1_Click(int index)
{
    change([&] { m_chart.clickSeat(index); });
}

void Form1::Command2_Click()
{
    if (const auto path = m_desktop.chooseFile(this, Desktop::FileDialog::Open, u"打开"_s, TextFilter))
        openSeatList(*path);
}

void Form1::openSeatList(const QString &path)
{
    m_currentFileName = path;
    std::optional<FileError> error;
    change([&] { error = ChartFiles::loadSeatList(m_chart, m_currentFileName); });
    if (error)
        return warn(u"打开"_s, *error);
    m_desktop.showMessage(this, OpenedMessage, OpenedMessage);
}

void Form1::Command3_Click()
{
    if (const auto error = ChartFiles::saveWorkingFiles(m_chart, m_workingFolder))
        return warn(u"保存"_s, *error);
    m_desktop.showMessage(this, SavedMessage, SavedMessage);
}

void Form1::Command4_Click()
{
    const auto path = m_desktop.chooseFile(this, Desktop::FileDialog::Save, u"保存"_s, HtmlFilter);
    if (!path)
        return;
    m_currentFileName = *path;
    if (const auto error = HtmlExport::exportHtmlTable(m_chart, m_currentFileName))
        return warn(u"另存为"_s, *error);
    m_desktop.showMessage(this, SavedMessage, SavedMessage);
}

void Form1::Command5_Click()
{
    rearrange(&SeatChart::rotate);
}

void Form1::Command6_Click()
{
    rearrange(&SeatChart::togglePodium);
}

void Form1::Command7_Click()
{
    rearrange(&SeatChart::shiftLeft);
}

void Form1::Command8_Click()
{
    rearrange(&SeatChart::shiftRight);
}

void Form1::Command9_Click()
{
    // The chart is emptied only once a list has been chosen and read, so a
    // cancelled dialog or an unreadable file leaves the teacher's chart alone.
    const auto path = m_desktop.chooseFile(this, Desktop::FileDialog::Open, u"打开考生信息"_s, TextFilter);
    if (!path)
        return;
    m_currentFileName = *path;
    const auto names = ChartFiles::readExamList(m_currentFileName);
    if (!names.ok())
        return warn(u"排考场"_s, names.error());
    change([&] { m_chart.arrangeExamRoom(names.value()); });
}

void Form1::StatusBar1_PanelDblClick(int panelIndex)
{
    if (panelIndex != 3)
        return;
    frmSplash splash(m_desktop, this);
    splash.exec();
}
