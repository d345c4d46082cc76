#pragma once

#include "chart/seatchart.h"
#include "chart/seatrules.h"

#include <QDialog>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

// 排座规则: the seating rules of the class, edited as a copy. It lists each
// rule as its sentence with how the chart stands with it (满足, 不满足, 不在本班,
// 名字重复), the two switches as check boxes, and a way to add a rule: its
// kind, one or two pupils picked from the chart's names (each list filtered by
// what is typed above it; no name is ever typed into a rule), and the seat
// picked on a 5 x 7 grid laid out as the main window draws the seats, or the
// number of rows. The selected rule can be removed (删除规则, or the Delete
// key in the list). The owner reads rules() once the dialog is accepted
// (确定); 取消 leaves the owner's rules as they were.
class RulesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit RulesDialog(QWidget *parent = nullptr);

    // Starts editing a copy of rules.
    void setRules(const SeatRules &rules);
    const SeatRules &rules() const { return m_rules; }
    // The chart the names are picked from and the rules are judged by; it
    // may be given again while the dialog shows.
    void setChart(const SeatChart &chart);

    // The words the dialog shows for a standing.
    static QString standingText(SeatRules::Standing standing);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct NamePicker {
        QLineEdit *filter = nullptr;
        QListWidget *names = nullptr;
    };
    QWidget *buildRuleList();
    QWidget *buildNewRule();
    // Where the rule puts the pupil: a seat on the grid, a number of rows,
    // or nothing, one page each.
    QStackedWidget *buildPlace(QWidget *parent);
    QWidget *buildSeatGrid();
    NamePicker buildPicker(const QString &name, QWidget *parent);
    void showRules();
    void fillPicker(const NamePicker &picker, const QStringList &names);
    static void filterPicker(const NamePicker &picker);
    static QString picked(const NamePicker &picker);
    // The rule the teacher has put together so far; not valid while a part
    // is missing.
    SeatRule newRule() const;
    void updateNewRule();
    void addRule();

    SeatRules m_rules;
    SeatChart m_chart;

    QTreeWidget *m_list = nullptr;
    QPushButton *m_remove = nullptr;
    QCheckBox *m_everyoneMoves = nullptr;
    QCheckBox *m_newDeskmates = nullptr;
    QComboBox *m_kind = nullptr;
    NamePicker m_first;
    NamePicker m_second;
    QButtonGroup *m_seats = nullptr; // id = seat index as SeatChart counts
    QLabel *m_podiumAbove = nullptr;
    QLabel *m_podiumBelow = nullptr;
    QLabel *m_seatLabel = nullptr;
    QSpinBox *m_rowCount = nullptr;
    QPushButton *m_add = nullptr;
};
