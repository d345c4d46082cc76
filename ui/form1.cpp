#include "ui/form1.h"

#include "chart/seatdraw.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "files/nativepath.h"
#include "files/rosterfile.h"
#include "files/stagedfile.h"
#include "files/textcodec.h"
#include "sedarioconfig.h"
#include "sheet/chinesefonts.h"
#include "sheet/sheetdocuments.h"
#include "ui/appicon.h"
#include "ui/clipboardtable.h"
#include "ui/desktop.h"
#include "ui/frmsplash.h"
#include "ui/fullscreenview.h"
#include "ui/rulesdialog.h"
#include "ui/seatbutton.h"
#include "ui/twips.h"

#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
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
const QString ExportFilter = u"PDF 文件(*.pdf)|*.pdf|PNG 图片(*.png)|*.png"_s;
const QString ExportTitle = u"导出 PDF 或图片"_s;
const QString DrawTitle = u"随机排座"_s;
const QString PasteTitle = u"粘贴"_s;
const QString ImportTitle = u"导入名单"_s;
const QString RosterFilter = u"名单文件(*.xlsx *.xls *.csv *.txt)|*.xlsx;*.xls;*.csv;*.txt|All files(*.*)|*.*"_s;

// Why Save could not keep a name, for the teacher to change it where it came
// from.
QString unsavableName(const QString &name)
{
    return u"姓名%1保存到名单文件后读出来会不一样（它以英文双引号开头、同时含有英文逗号和双引号，"
           u"或者太长），请先在表格里改一下"_s.arg(FileError::quoted(name.left(40)));
}

// Why a draw changed nothing.
QString drawProblem(const SeatDraw::Result &result)
{
    if (result.outcome == SeatDraw::Outcome::LimitReached)
        return u"排座规则太复杂，在限定的步数内没能找到满足所有规则的座位安排，座位没有改动。"_s;
    if (result.clash.size() == 1)
        return u"这条规则不能满足："_s + result.clash.first();
    return u"这几条规则不能同时满足："_s + result.clash.join(u"；"_s);
}

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
    connect(m_rulesAction = addShortcutAction(u"排座规则…(&L)"_s, {Qt::CTRL | Qt::Key_L}), &QAction::triggered, this, &Form1::editRules);
    connect(m_aboutAction = addShortcutAction(u"关于(&A)"_s, {Qt::Key_F1}), &QAction::triggered, this,
            [this] { StatusBar1_PanelDblClick(3); });
    connect(m_printAction = addShortcutAction(u"打印…(&P)"_s, {Qt::CTRL | Qt::Key_P}), &QAction::triggered, this,
            [this] { m_desktop.printPreview(this, sheet()); });
    connect(m_exportAction = addShortcutAction(u"导出 PDF 或图片…(&E)"_s, {Qt::CTRL | Qt::Key_E}), &QAction::triggered, this,
            &Form1::exportSheet);
    connect(m_copyAction = addShortcutAction(u"复制(&C)"_s, {Qt::CTRL | Qt::Key_C}), &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setMimeData(SheetDocuments::clipboardData(sheet())); });
    connect(m_pasteAction = addShortcutAction(u"粘贴(&V)"_s, {Qt::CTRL | Qt::Key_V}), &QAction::triggered, this, &Form1::paste);
    connect(m_importAction = addShortcutAction(u"导入名单…(&I)"_s, {}), &QAction::triggered, this, [this] {
        if (const auto path = m_desktop.chooseFile(this, Desktop::FileDialog::Open, ImportTitle, RosterFilter))
            importRoster(*path);
    });
    connect(m_fullScreenAction = addShortcutAction(u"全屏显示(&F)"_s, {Qt::Key_F11}), &QAction::triggered, this,
            &Form1::showFullScreenView);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_O}), &QAction::triggered, this, &Form1::Command2_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_S}), &QAction::triggered, this, &Form1::Command3_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::SHIFT | Qt::Key_S}), &QAction::triggered, this, &Form1::Command4_Click);
    connect(addShortcutAction({}, {Qt::CTRL | Qt::Key_Q}), &QAction::triggered, this, &QWidget::close);
    setAcceptDrops(true);
    Form_Load();
}

SeatButton *Form1::Command1(int index) const
{
    return static_cast<SeatButton *>(m_seats->button(index));
}

QAction *Form1::addShortcutAction(const QString &text, const QList<QKeySequence> &keys)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutVisibleInContextMenu(true);
    addAction(action);
    return action;
}

void Form1::buildControls()
{
    // A button group's arrow keys move the focus by position among its
    // buttons, as drawn, and stop at the edges: one group for the seats, one
    // for the commands.
    m_seats = new QButtonGroup(this);
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const int column = SeatChart::columnOf(i);
        const int row = SeatChart::rowOf(i);
        auto *seat = new SeatButton(this);
        seat->setObjectName(u"Command1_%1"_s.arg(i));
        seat->setGeometry(Twips::rect(120 + 1350 * column, 720 + 480 * row, 1095, 375));
        seat->installEventFilter(this);
        connect(seat, &SeatButton::draggedTo, this,
                [this, i](SeatButton *target) { change([&] { m_chart.swapSeats(i, m_seats->id(target)); }); });
        m_seats->addButton(seat, i);
    }
    connect(m_seats, &QButtonGroup::idClicked, this, &Form1::Command1_Click);
    buildPodiumMarkers();

    // The separator runs a little past the right edge and is cut off there.
    auto *line = new QFrame(this);
    line->setObjectName(u"Line1"_s);
    line->setFrameStyle(QFrame::HLine | QFrame::Plain);
    line->setGeometry(Twips::toPixels(0), Twips::toPixels(4680), Twips::toPixels(6840), 1);

    // Keyboard order: the commands, the (disabled, so skipped) markers, then
    // the seats from the last to the first.
    QList<QWidget *> tabOrder = buildCommands();
    tabOrder << m_text2 << m_text1;
    for (int i = SeatChart::SeatCount - 1; i >= 0; --i)
        tabOrder << Command1(i);
    for (qsizetype k = 0; k + 1 < tabOrder.size(); ++k)
        setTabOrder(tabOrder.at(k), tabOrder.at(k + 1));
    tabOrder.first()->setFocus();
    buildStatusBar();
}

QList<QWidget *> Form1::buildCommands()
{
    const struct {
        const char *name;
        QString caption;
        QRect geometry;
        void (Form1::*handler)();
    } commands[] = {
        {"Command2", u"打开"_s, Twips::rect(120, 4800, 855, 375), &Form1::Command2_Click},
        {"Command3", u"保存"_s, Twips::rect(1880, 4800, 975, 375), &Form1::Command3_Click},
        {"Command4", u"另存为"_s, Twips::rect(3760, 4800, 975, 375), &Form1::Command4_Click},
        {"Command5", u"旋转"_s, Twips::rect(120, 5280, 855, 375), &Form1::Command5_Click},
        {"Command6", u"讲台位置"_s, Twips::rect(5640, 5280, 975, 375), &Form1::Command6_Click},
        {"Command7", u"左移一列"_s, Twips::rect(1880, 5280, 975, 375), &Form1::Command7_Click},
        {"Command8", u"右移一列"_s, Twips::rect(3760, 5280, 975, 375), &Form1::Command8_Click},
        {"Command9", u"排考场"_s, Twips::rect(5640, 4800, 975, 375), &Form1::Command9_Click},
    };
    auto *group = new QButtonGroup(this);
    QList<QWidget *> buttons;
    for (const auto &command : commands) {
        auto *button = new QPushButton(command.caption, this);
        button->setObjectName(QString::fromLatin1(command.name));
        button->setGeometry(command.geometry);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, command.handler);
        group->addButton(button);
        buttons << button;
    }
    return buttons;
}

void Form1::buildPodiumMarkers()
{
    // Both keep their places; only which one is visible changes with the
    // podium side.
    const QFont podiumFont = ChineseFonts::songTi(15);
    const auto makeMarker = [&](const char *objectName, QRect geometry) {
        auto *marker = new QLineEdit(u"  讲  台"_s, this);
        marker->setObjectName(QString::fromLatin1(objectName));
        marker->setGeometry(geometry);
        marker->setFont(podiumFont);
        marker->setEnabled(false);
        marker->setReadOnly(true); // for a screen reader, too
        // The face colour of buttons behind the text, and the text as legible
        // as that of an enabled box although the marker takes no input.
        QPalette palette = marker->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
        palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
        marker->setPalette(palette);
        return marker;
    };
    m_text1 = makeMarker("Text1", Twips::rect(1680, 120, 1455, 420));
    m_text2 = makeMarker("Text2", Twips::rect(3000, 4080, 1575, 420));
    // A screen reader hears the visible one.
    m_text1->setAccessibleName(u"讲台在座位上方"_s);
    m_text2->setAccessibleName(u"讲台在座位下方"_s);
}

void Form1::buildStatusBar()
{
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"StatusBar1"_s);
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setGeometry(Twips::rect(0, 5760, 6750, 375));
    // The first panel takes what the others leave (its minimum, 1440 twips,
    // never binds in a window of fixed size).
    const int widths[] = {0, 1200, 1701};
    for (std::size_t k = 0; k < m_panels.size(); ++k) {
        auto *panel = new QLabel(m_statusBar);
        panel->setObjectName(u"StatusBar1_Panel%1"_s.arg(k + 1));
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        panel->installEventFilter(this);
        if (k == 0) {
            m_statusBar->addWidget(panel, 1);
        } else {
            panel->setFixedWidth(Twips::toPixels(widths[k]));
            m_statusBar->addPermanentWidget(panel);
        }
        m_panels[k] = panel;
    }
    const QString designer = u"设计："_s + QString::fromUtf16(SedarioConfig::AuthorName);
    m_panels[2]->setText(designer);
    m_panels[2]->setToolTip(designer);
}

void Form1::Form_Load()
{
    m_chart.resetSwapSelection();
    m_currentFileName = ChartFiles::SeatListName;
    m_startupProblems = ChartFiles::loadWorkingFiles(m_chart, m_rulesSeen, m_workingFolder);
    m_rules = m_rulesSeen.contents;
    m_panels[0]->setText(windowTitle() + u' ' + QString::fromUtf16(SedarioConfig::WebAddress));
    m_panels[1]->setText(u"版本:"_s + QCoreApplication::applicationVersion());
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
        QTimer::singleShot(0, this, [this] { warnProblems(std::exchange(m_startupProblems, {})); });
    }
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
    }
    const auto panel = std::find(m_panels.begin(), m_panels.end(), watched);
    if (event->type() == QEvent::MouseButtonDblClick && panel != m_panels.end()) {
        StatusBar1_PanelDblClick(int(panel - m_panels.begin()) + 1);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::showChart()
{
    int named = 0;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        // A drag started before a change would drop whatever the change put
        // in its seat.
        Command1(i)->cancelDrag();
        Command1(i)->setPlace(m_chart.seatLabel(i));
        Command1(i)->setName(m_chart.seat(i));
        named += !m_chart.seat(i).isEmpty();
    }
    const bool top = m_chart.podiumSide() == PodiumSide::Top;
    m_text1->setVisible(top);
    m_text2->setVisible(!top);
    m_undoAction->setEnabled(m_history.canUndo());
    m_redoAction->setEnabled(m_history.canRedo());
    m_shuffleAction->setEnabled(named >= 2);
    if (m_fullScreen)
        m_fullScreen->showSheet(sheet());
    // A draw from the classroom screen may change the chart while the rules
    // dialog shows how the chart stands with them.
    if (m_rulesDialog && m_rulesDialog->isVisible())
        m_rulesDialog->setChart(m_chart);
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
    const SeatDraw::Result drawn = SeatDraw::draw(m_chart, m_rules.rules, *m_random);
    if (drawn.outcome != SeatDraw::Outcome::Drawn) {
        // In front of the class the warning shows over the classroom screen,
        // which keeps the chart as it is, without a draw to watch.
        QWidget *parent = m_fullScreen && m_fullScreen->isActiveWindow() ? static_cast<QWidget *>(m_fullScreen) : this;
        return m_desktop.showWarning(parent, drawProblem(drawn), DrawTitle);
    }
    change([&] { m_chart.setArrangement(drawn.arrangement); });
    // The draw is decided; the classroom screen shows it being drawn.
    if (m_fullScreen && m_fullScreen->isVisible())
        m_fullScreen->showDraw(sheet());
}

void Form1::editRules()
{
    if (!m_rulesDialog) {
        m_rulesDialog = new RulesDialog(this);
        connect(m_rulesDialog, &QDialog::accepted, this, [this] { m_rules.replaceRules(m_rulesDialog->rules()); });
    }
    m_rulesDialog->setRules(m_rules.rules);
    m_rulesDialog->setChart(m_chart);
    m_rulesDialog->open();
}

ChartSheet Form1::sheet() const
{
    return ChartSheet(m_chart, ChartSheet::titleFor(m_classListName), QDate::currentDate());
}

void Form1::showFullScreenView()
{
    if (!m_fullScreen) {
        m_fullScreen = new FullScreenView(this);
        m_fullScreen->setAttribute(Qt::WA_DeleteOnClose);
        // Back to the window once the teacher closes the view; not while
        // the window itself is going, which takes the view with it.
        connect(m_fullScreen, &FullScreenView::closed, this, &QWidget::activateWindow);
        // A draw, undo and redo in front of the class, and a copy of what
        // was drawn.
        m_fullScreen->addActions({m_shuffleAction, m_undoAction, m_redoAction, m_copyAction});
        m_fullScreen->showSheet(sheet());
    }
    m_fullScreen->showOver(screen());
    m_fullScreen->activateWindow();
}

void Form1::exportSheet()
{
    // The sheet's title and date, as a teacher names the file sent to the
    // parents; the extension comes with the type chosen.
    const ChartSheet shown = sheet();
    const QString suggested = QString(ChartSheet::lineText(shown.title()) + u' ' + ChartSheet::dateText(shown.date())).replace(u'/', u'-');
    const auto chosen = m_desktop.chooseExportFile(this, ExportTitle, ExportFilter, suggested);
    if (!chosen)
        return;
    // The extension decides; a name that has neither is written as the
    // filter chosen says.
    const QString suffix = QFileInfo(chosen->first).suffix().toLower();
    const bool png = suffix == u"png"_s || (suffix != u"pdf"_s && chosen->second == 1);
    if (const auto error = StagedFile::write(chosen->first, png ? SheetDocuments::png(shown) : SheetDocuments::pdf(shown)))
        warn(ExportTitle, *error);
}

void Form1::contextMenuEvent(QContextMenuEvent *event)
{
    // On the seats and the window's background, not on the command buttons
    // or the status bar.
    QWidget *under = childAt(event->pos());
    if (under && !qobject_cast<const SeatButton *>(under)
        && (qobject_cast<const QAbstractButton *>(under) || m_statusBar->isAncestorOf(under) || under == m_statusBar))
        return event->ignore();
    if (!m_menu) {
        m_menu = new QMenu(this);
        m_menu->addActions({m_undoAction, m_redoAction});
        m_menu->addSeparator();
        m_menu->addActions({m_shuffleAction, m_rulesAction});
        m_fixedAction = m_menu->addAction(u"固定在这个座位(&G)"_s);
        m_fixedAction->setCheckable(true);
        connect(m_fixedAction, &QAction::triggered, this, [this] {
            SeatRules rules = m_rules.rules;
            rules.toggleFixedAt(m_chart, m_menuSeat);
            m_rules.replaceRules(rules);
        });
        m_menu->addSeparator();
        m_menu->addActions({m_printAction, m_exportAction, m_copyAction, m_pasteAction, m_importAction, m_fullScreenAction});
        m_menu->addSeparator();
        m_menu->addAction(m_aboutAction);
    }
    // The fixed-seat rule of the pupil in the seat clicked: only on a seat
    // with a name, which no other seat holds.
    auto *seat = qobject_cast<SeatButton *>(under);
    m_menuSeat = seat ? m_seats->id(seat) : -1;
    const QString name = m_menuSeat < 0 ? QString() : m_chart.seat(m_menuSeat);
    const auto &seats = m_chart.arrangement().seats;
    m_fixedAction->setVisible(!name.isEmpty());
    m_fixedAction->setEnabled(std::count(seats.begin(), seats.end(), name) == 1);
    m_fixedAction->setChecked(!name.isEmpty() && m_rules.rules.fixedRuleAt(m_chart, m_menuSeat) >= 0);
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
    // that the file manager is not kept waiting while a message shows. The
    // name's bytes are taken as they are, even where they are not UTF-8.
    QMetaObject::invokeMethod(
        this,
        [this, url = urls.first()] {
            if (const auto path = NativePath::fromUrl(url))
                return RosterFile::isRoster(*path) ? importRoster(*path) : openSeatList(*path);
            warn(u"打开"_s, FileError(FileError::Reason::OtherComputer, FileError::Action::Read, url.toLocalFile(), url.host()));
        },
        Qt::QueuedConnection);
}

void Form1::warn(const QString &title, const FileError &error)
{
    m_desktop.showWarning(this, error.message(), title);
}

void Form1::warnProblems(const QList<FileError> &problems)
{
    QStringList lines;
    for (const FileError &problem : problems) {
        if (problem.reason() == FileError::Reason::RuleNotRead)
            lines << problem.message();
        else
            warn(windowTitle(), problem);
    }
    if (!lines.isEmpty())
        m_desktop.showWarning(this, lines.join(u'\n'), windowTitle());
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
    // The printed sheet takes its title from the list, from the moment the
    // list shows; a list that cannot be read leaves the title as it was.
    const QString previousName = std::exchange(m_classListName, listName(path));
    std::optional<FileError> error;
    change([&] { error = ChartFiles::loadSeatList(m_chart, m_currentFileName); });
    if (error) {
        m_classListName = previousName;
        return warn(u"打开"_s, *error);
    }
    m_desktop.showMessage(this, OpenedMessage, OpenedMessage);
}

void Form1::paste()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    const TableText::Table table = data ? ClipboardTable::rows(*data) : TableText::Table();
    QString problem;
    const auto roster = RosterTable::read(table.rows, true, &problem);
    if (!roster) {
        return m_desktop.showWarning(this, problem.isEmpty() ? u"剪贴板里没有可以粘贴的姓名或座位表。"_s : problem + u"。"_s,
                                     PasteTitle);
    }
    // A clipboard cut at its bound held more names than were counted.
    if (takeRoster(*roster, PasteTitle, std::nullopt) && (roster->leftOut > 0 || table.cut))
        m_desktop.showMessage(this,
                              u"只粘贴了前 %1 个姓名，另有 %2 个%3没有放入。"_s.arg(SeatChart::SeatCount)
                                  .arg(roster->leftOut)
                                  .arg(table.cut ? u"以上"_s : QString()),
                              PasteTitle);
}

void Form1::importRoster(const QString &path)
{
    if (!RosterFile::isRoster(path))
        return openSeatList(path);
    m_currentFileName = path;
    const auto book = RosterFile::read(path);
    if (!book.ok())
        return warn(ImportTitle, book.error());
    QList<std::pair<QString, RosterTable::Roster>> found; // sheets that have a name column
    QString problem = u"找不到姓名列（例如标题为“姓名”的一列）"_s;
    for (const Worksheet &sheet : book.value()) {
        QString why;
        if (auto roster = RosterTable::read(sheet.rows, false, &why))
            found.append({sheet.name, std::move(*roster)});
        else if (!why.isEmpty())
            problem = book.value().size() > 1 ? u"工作表“%1”：%2"_s.arg(sheet.name, why) : why;
    }
    if (found.isEmpty())
        return warn(ImportTitle, FileError::notARoster(path, problem));
    int chosen = 0;
    if (found.size() > 1) {
        QStringList sheets;
        for (const auto &[name, roster] : std::as_const(found))
            sheets << name;
        const auto answer =
            m_desktop.chooseItem(this, u"%1里有几张工作表都有姓名，要导入哪一张？"_s.arg(FileError::quoted(QFileInfo(path).fileName())),
                                 ImportTitle, sheets);
        if (!answer)
            return;
        chosen = *answer;
    }
    const RosterTable::Roster &roster = found.at(chosen).second;
    if (!takeRoster(roster, ImportTitle, path))
        return;
    m_classListName = listName(path);
    QString text = u"导入完成，共 %1 个姓名。"_s.arg(std::count_if(roster.names.begin(), roster.names.end(), [](const QString &name) { return !name.isEmpty(); }));
    if (roster.leftOut > 0)
        text += u"\n名单上另有 %1 个姓名没有放入（教室只有 %2 个座位）。"_s.arg(roster.leftOut).arg(SeatChart::SeatCount);
    m_desktop.showMessage(this, text, ImportTitle);
}

bool Form1::takeRoster(const RosterTable::Roster &roster, const QString &title, const std::optional<QString> &path)
{
    if (const auto name = RosterTable::firstUnsavable(roster)) {
        if (path)
            warn(title, FileError::notARoster(*path, unsavableName(*name)));
        else
            m_desktop.showWarning(this, unsavableName(*name) + u"再粘贴。"_s, title);
        return false;
    }
    change([&] { RosterTable::fill(m_chart, roster); });
    return true;
}

QString Form1::listName(const QString &path)
{
    // A name that is not UTF-8 most likely comes from a Windows archive, in
    // GBK; shown as it is, it would be a row of U+FFFD.
    const QString name = QFileInfo(path).completeBaseName();
    if (NativePath::shown(name) == name)
        return name;
    return TextCodec::decodeGb18030(NativePath::encode(name)).value_or(NativePath::shown(name));
}

void Form1::Command3_Click()
{
    // A Save either saves, or finds rules.txt changed by another program,
    // takes it in and goes again; a file that keeps changing ends it.
    for (int round = 0; round < 3; ++round) {
        const ChartFiles::Saved saved = ChartFiles::saveWorkingFiles(m_chart, m_rules, m_rulesSeen, m_workingFolder);
        if (saved.rulesChanged) {
            if (!takeChangedRules(*saved.rulesChanged))
                return;
            continue;
        }
        if (saved.error)
            return warn(u"保存"_s, *saved.error);
        m_rulesSeen = saved.rules;
        if (saved.rulesUnreadable)
            warn(u"保存"_s, FileError(*saved.rulesUnreadable).setOutcome(u"保存时没有改动它。"_s));
        return m_desktop.showMessage(this, SavedMessage, SavedMessage);
    }
    warn(u"保存"_s,
         FileError(FileError::Reason::Busy, FileError::Action::Write, ChartFiles::workingFilePath(m_workingFolder, RulesFile::Name))
             .setOutcome(u"这次什么都没有保存。"_s));
}

bool Form1::takeChangedRules(const RulesFile::Snapshot &now)
{
    if (m_rules != m_rulesSeen.contents && m_rules != now.contents) {
        const QString question = u"%1 被别的程序（例如文本编辑器）改过了，窗口里的排座规则也改过了。\n\n"
                                 u"合并：文件里现在的内容都保留，再加上窗口里对规则的改动。\n"
                                 u"用文件里的规则：窗口里对规则的改动会丢掉。\n"
                                 u"用窗口里的规则替换文件：文件里现在的内容会被替换掉。\n\n"
                                 u"不论选哪一项，座位和讲台位置都会一起保存；选“取消”则什么都不保存。"_s.arg(RulesFile::Name);
        const auto chosen = m_desktop.ask(this, question, u"保存"_s,
                                          {u"合并(&M)"_s, u"用文件里的规则(&F)"_s, u"用窗口里的规则替换文件(&W)"_s});
        if (!chosen)
            return false;
        if (*chosen != 2)
            m_rules = *chosen == 0 ? RulesFile::merged(m_rulesSeen.contents, m_rules, now.contents) : now.contents;
    } else {
        m_rules = now.contents;
    }
    m_rulesSeen = now;
    // Its lines that are no rules, as start-up tells them.
    warnProblems(now.problems);
    return true;
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
