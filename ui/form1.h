#pragma once

#include "chart/charthistory.h"
#include "chart/seatchart.h"
#include "files/fileerror.h"
#include "files/rostertable.h"
#include "files/rulesfile.h"
#include "sheet/chartsheet.h"
#include "ui/fullscreenview.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <array>

class Desktop;
class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QRandomGenerator;
class QLineEdit;
class QStatusBar;
class RulesDialog;
class SeatButton;

// The main window: the chart as 35 seat buttons (5 columns of 7 rows) with the
// podium marker above or below them, eight command buttons, and a status bar
// whose third panel opens the About window on a double-click.
//
// The window owns the one SeatChart of the program. Every command changes it
// through the chart and files layers and then shows the result. A command
// that cannot read or write its file says so in a warning that names the file
// and the reason, and leaves the chart and the files as they were (a Save that
// fails half way says what became of each file, see ChartFiles); the path its
// dialog gave is the current file name all the same, as it is set before the
// file is opened.
//
// The working files, default.txt, Option and the rules file, are addressed
// by their bare names in workingFolder; an empty workingFolder is the current
// directory at the moment of each command.
//
// Beyond its buttons the window offers, without showing anything for them:
// undo and redo of every change to the chart, a random seating (随机排座)
// that honours the class's seating rules, the rules dialog (排座规则), a
// seat's fixed-seat rule switched on and off from its menu, printing, export
// to PDF or PNG, copying, a full-screen view (each of these
// drawn by ChartSheet), pasting names or a seating table (粘贴), importing a
// roster from a spreadsheet or .csv file (导入名单), and the About window in a
// menu on the right mouse button, keyboard shortcuts for these and for Open,
// Save, Save As and closing the window, dragging a seat onto another to swap
// the two, and dropping a class list or a roster from a file manager to open
// or import it. Each seat tells a
// screen reader where it is and who sits there.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(Desktop &desktop, const QString &workingFolder = {}, QWidget *parent = nullptr);

    const SeatChart &chart() const { return m_chart; }
    // The seating rules, as read at start-up and kept by Save.
    const RulesFile::Contents &rules() const { return m_rules; }
    // The path last chosen for Open, Save As or the exam room; "default.txt"
    // after start-up.
    const QString &currentFileName() const { return m_currentFileName; }

    // The seat buttons, index = column * 7 + row.
    SeatButton *Command1(int index) const;
    // The full-screen view while it is open.
    FullScreenView *fullScreenView() const { return m_fullScreen; }
    // What 随机排座 draws from; QRandomGenerator::global() unless a test
    // gives another.
    void setRandomGenerator(QRandomGenerator *random) { m_random = random; }

    // Event handlers, one per control event.
    void Form_Load();
    void Command1_Click(int index);
    void Command2_Click();                         // 打开: Open a seat list
    void Command3_Click();                         // 保存: Save the working files
    void Command4_Click();                         // 另存为: Save As an HTML table
    void Command5_Click();                         // 旋转: rotate the room
    void Command6_Click();                         // 讲台位置: move the podium
    void Command7_Click();                         // 左移一列: shift left
    void Command8_Click();                         // 右移一列: shift right
    void Command9_Click();                         // 排考场: seat an examination
    void StatusBar1_PanelDblClick(int panelIndex); // panels count from 1

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    void buildPodiumMarkers();
    // The eight commands, in the order of their numbers.
    QList<QWidget *> buildCommands();
    void buildStatusBar();
    QAction *addShortcutAction(const QString &text, const QList<QKeySequence> &keys);
    void showChart();
    // Runs a change of the chart as one step of the history, and shows the
    // result.
    template <typename Change> void change(Change &&change);
    // Runs an operation on the chart that needs no file, and shows the result.
    void rearrange(void (SeatChart::*operation)());
    void openSeatList(const QString &path);
    // 粘贴: a seating table or a list of names from the clipboard, as one
    // step of the history, or a warning that changes nothing.
    void paste();
    // 导入名单: the names of a roster file as Open would seat a list of
    // them; a seat list (.txt) is opened as 打开 opens it.
    void importRoster(const QString &path);
    // Takes the roster into the chart as one step, or says which name Save
    // could not keep and changes nothing. False when it was refused.
    bool takeRoster(const RosterTable::Roster &roster, const QString &title, const std::optional<QString> &path);
    // The title a class list gives the printed sheet: its file's name
    // without the extension.
    static QString listName(const QString &path);
    void undo();
    void redo();
    // A random seating that meets the rules as one step of the history, or a
    // warning that says why there is none and changes nothing.
    void shuffle();
    // Opens the rules dialog on a copy of the rules; 确定 takes them.
    void editRules();
    // The chart as printed, titled after the class list last opened.
    ChartSheet sheet() const;
    void showFullScreenView();
    void exportSheet();
    void warn(const QString &title, const FileError &error);
    // Warnings for what could not be read, the lines of rules.txt that are
    // no rules together in one.
    void warnProblems(const QList<FileError> &problems);
    // rules.txt as another program left it, taken into the window: as it is
    // when the window's rules are still those the window last saw, else as
    // the teacher chooses. False when the teacher cancels.
    bool takeChangedRules(const RulesFile::Snapshot &now);

    Desktop &m_desktop;
    QString m_workingFolder;
    SeatChart m_chart;
    RulesFile::Contents m_rules;
    RulesFile::Snapshot m_rulesSeen;
    QString m_currentFileName;
    QList<FileError> m_startupProblems;
    bool m_shown = false;

    QButtonGroup *m_seats = nullptr; // id = seat index
    QLineEdit *m_text1 = nullptr;    // podium marker above the grid
    QLineEdit *m_text2 = nullptr;    // podium marker below the grid
    QStatusBar *m_statusBar = nullptr;
    std::array<QLabel *, 3> m_panels{};

    ChartHistory m_history;
    QRandomGenerator *m_random;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QAction *m_shuffleAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QAction *m_printAction = nullptr;
    QAction *m_exportAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_importAction = nullptr;
    QAction *m_fullScreenAction = nullptr;
    QAction *m_rulesAction = nullptr;
    QAction *m_fixedAction = nullptr;      // in the menu, on a seat with a name
    int m_menuSeat = -1;                   // the seat the menu was opened on
    RulesDialog *m_rulesDialog = nullptr;  // made when first used
    QString m_classListName;               // of the last list opened
    QPointer<FullScreenView> m_fullScreen; // while it is open
    QMenu *m_menu = nullptr;               // made when first shown
};
