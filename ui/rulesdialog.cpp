#include "ui/rulesdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The kinds in the order the teacher picks them.
const std::pair<const char16_t *, SeatRule::Kind> Kinds[] = {
    {u"固定座位", SeatRule::Kind::Fixed}, {u"坐前排", SeatRule::Kind::FrontRows}, {u"坐后排", SeatRule::Kind::BackRows},
    {u"不相邻", SeatRule::Kind::Apart},   {u"同桌", SeatRule::Kind::Together},
};

// The pages of the part that says where: a seat, a number of rows, nothing.
enum Page { SeatPage, RowsPage, NoPage };

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

RulesDialog::RulesDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"RulesDialog"_s);
    setWindowTitle(u"排座规则"_s);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildRuleList());
    layout->addWidget(buildNewRule());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Qt's own Chinese texts may not be installed.
    buttons->button(QDialogButtonBox::Ok)->setText(u"确定"_s);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    updateNewRule();
}

QWidget *RulesDialog::buildRuleList()
{
    auto *part = new QWidget(this);
    auto *layout = new QGridLayout(part);
    layout->setContentsMargins({});
    m_list = new QTreeWidget(part);
    m_list->setObjectName(u"rules"_s);
    m_list->setHeaderLabels({u"规则"_s, u"现在"_s});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setMinimumHeight(m_list->fontMetrics().height() * 8);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 0, 0, 1, 3);

    m_remove = new QPushButton(u"删除规则(&D)"_s, part);
    m_remove->setObjectName(u"remove"_s);
    m_remove->setAutoDefault(false);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { m_remove->setEnabled(!m_list->selectedItems().isEmpty()); });
    // The row drawn as the current one is the one 删除规则 and the Delete key
    // (see eventFilter) remove.
    connect(m_list, &QTreeWidget::currentItemChanged, this, [](QTreeWidgetItem *current) {
        if (current)
            current->setSelected(true);
    });
    m_list->installEventFilter(this);
    connect(m_remove, &QPushButton::clicked, this, [this] {
        m_rules.rules.removeAt(m_list->indexOfTopLevelItem(m_list->selectedItems().value(0)));
        showRules();
    });
    m_everyoneMoves = new QCheckBox(SeatRules::EveryoneMovesText, part);
    m_everyoneMoves->setObjectName(u"everyoneMoves"_s);
    connect(m_everyoneMoves, &QCheckBox::toggled, this, [this](bool on) { m_rules.everyoneMoves = on; });
    m_newDeskmates = new QCheckBox(SeatRules::NewDeskmatesText, part);
    m_newDeskmates->setObjectName(u"newDeskmates"_s);
    connect(m_newDeskmates, &QCheckBox::toggled, this, [this](bool on) { m_rules.newDeskmates = on; });
    layout->addWidget(m_everyoneMoves, 1, 0);
    layout->addWidget(m_newDeskmates, 1, 1);
    layout->addWidget(m_remove, 1, 2, Qt::AlignRight);
    return part;
}

QWidget *RulesDialog::buildNewRule()
{
    auto *group = new QGroupBox(u"添加规则"_s, this);
    auto *layout = new QGridLayout(group);
    m_kind = new QComboBox(group);
    m_kind->setObjectName(u"kind"_s);
    for (const auto &[text, kind] : Kinds)
        m_kind->addItem(QString::fromUtf16(text), int(kind));
    auto *kindLabel = new QLabel(u"种类(&K)"_s, group);
    kindLabel->setBuddy(m_kind);
    m_first = buildPicker(u"first"_s, group);
    m_second = buildPicker(u"second"_s, group);
    auto *firstLabel = new QLabel(u"学生(&N)"_s, group);
    firstLabel->setBuddy(m_first.filter);
    auto *secondLabel = new QLabel(u"和(&W)"_s, group);
    secondLabel->setBuddy(m_second.filter);

    QStackedWidget *where = buildPlace(group);

    m_add = new QPushButton(u"添加(&A)"_s, group);
    m_add->setObjectName(u"add"_s);
    m_add->setAutoDefault(false);
    connect(m_add, &QPushButton::clicked, this, &RulesDialog::addRule);
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this, where] {
        const auto kind = SeatRule::Kind(m_kind->currentData().toInt());
        where->setCurrentIndex(kind == SeatRule::Kind::Fixed                                             ? SeatPage
                                   : (kind == SeatRule::Kind::Apart || kind == SeatRule::Kind::Together) ? NoPage
                                                                                                         : RowsPage);
        updateNewRule();
    });

    layout->addWidget(kindLabel, 0, 0);
    layout->addWidget(m_kind, 0, 1);
    layout->addWidget(m_add, 0, 3, Qt::AlignRight);
    layout->addWidget(firstLabel, 1, 0);
    layout->addWidget(secondLabel, 1, 1);
    layout->addWidget(m_first.filter, 2, 0);
    layout->addWidget(m_second.filter, 2, 1);
    layout->addWidget(m_first.names, 3, 0);
    layout->addWidget(m_second.names, 3, 1);
    layout->addWidget(where, 1, 2, 3, 2);
    return group;
}

QStackedWidget *RulesDialog::buildPlace(QWidget *parent)
{
    auto *where = new QStackedWidget(parent);
    where->addWidget(buildSeatGrid());
    auto *rows = new QWidget(where);
    auto *rowsLayout = new QHBoxLayout(rows);
    m_rowCount = new QSpinBox(rows);
    m_rowCount->setObjectName(u"rowCount"_s);
    m_rowCount->setRange(1, SeatRule::MaxRowCount);
    m_rowCount->setSuffix(u" 排"_s);
    connect(m_rowCount, &QSpinBox::valueChanged, this, &RulesDialog::updateNewRule);
    auto *rowsLabel = new QLabel(u"排数(&R)"_s, rows);
    rowsLabel->setBuddy(m_rowCount);
    rowsLayout->addWidget(rowsLabel, 0, Qt::AlignTop);
    rowsLayout->addWidget(m_rowCount, 0, Qt::AlignTop);
    rowsLayout->addStretch();
    where->addWidget(rows);
    where->addWidget(new QWidget(where));
    return where;
}

RulesDialog::NamePicker RulesDialog::buildPicker(const QString &name, QWidget *parent)
{
    NamePicker picker{new QLineEdit(parent), new QListWidget(parent)};
    picker.filter->setObjectName(name + u"Filter"_s);
    picker.filter->setPlaceholderText(u"输入名字筛选"_s);
    picker.filter->setClearButtonEnabled(true);
    picker.filter->installEventFilter(this);
    picker.names->setObjectName(name + u"Names"_s);
    picker.names->setFixedWidth(picker.names->fontMetrics().horizontalAdvance(u'宽') * 9);
    picker.names->setFixedHeight(picker.names->fontMetrics().height() * 9);
    connect(picker.filter, &QLineEdit::textChanged, this, [this, picker] {
        filterPicker(picker);
        updateNewRule();
    });
    connect(picker.names, &QListWidget::itemSelectionChanged, this, &RulesDialog::updateNewRule);
    return picker;
}

QWidget *RulesDialog::buildSeatGrid()
{
    auto *part = new QWidget(this);
    auto *layout = new QGridLayout(part);
    layout->setSpacing(2);
    m_seats = new QButtonGroup(part);
    const QSize size(fontMetrics().height() * 3 / 2, fontMetrics().height());
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        auto *seat = new QToolButton(part);
        seat->setObjectName(u"seat%1"_s.arg(i));
        seat->setCheckable(true);
        seat->setFixedSize(size);
        m_seats->addButton(seat, i);
        layout->addWidget(seat, 1 + SeatChart::rowOf(i), SeatChart::columnOf(i));
    }
    connect(m_seats, &QButtonGroup::idToggled, this, [this](int seat, bool checked) {
        // A pressed-in look alone is faint in some styles.
        m_seats->button(seat)->setText(checked ? u"●"_s : QString());
        updateNewRule();
    });
    // Where the podium is, as in the main window.
    m_podiumAbove = plainLabel(u"讲台"_s, part);
    m_podiumBelow = plainLabel(u"讲台"_s, part);
    layout->addWidget(m_podiumAbove, 0, 0, 1, SeatChart::Columns, Qt::AlignCenter);
    layout->addWidget(m_podiumBelow, SeatChart::Rows + 1, 0, 1, SeatChart::Columns, Qt::AlignCenter);
    m_seatLabel = plainLabel({}, part);
    m_seatLabel->setObjectName(u"seatLabel"_s);
    layout->addWidget(m_seatLabel, SeatChart::Rows + 2, 0, 1, SeatChart::Columns, Qt::AlignCenter);
    return part;
}

bool RulesDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Return in a filter picks the first name it leaves, rather than
    // closing the dialog.
    const auto *key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
    if (key && watched == m_list && key->matches(QKeySequence::Delete)) {
        m_remove->click(); // does nothing while no rule is selected
        return true;
    }
    if (key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        for (const NamePicker &picker : {m_first, m_second}) {
            if (watched != picker.filter)
                continue;
            int k = 0;
            while (k < picker.names->count() && picker.names->item(k)->isHidden())
                ++k;
            if (k < picker.names->count())
                picker.names->setCurrentRow(k);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString RulesDialog::standingText(SeatRules::Standing standing)
{
    switch (standing) {
    case SeatRules::Standing::Met: return u"满足"_s;
    case SeatRules::Standing::NotMet: return u"不满足"_s;
    case SeatRules::Standing::NotInClass: return u"不在本班"_s;
    case SeatRules::Standing::Ambiguous: return u"名字重复"_s;
    }
    return {};
}

void RulesDialog::setRules(const SeatRules &rules)
{
    m_rules = rules;
    m_everyoneMoves->setChecked(rules.everyoneMoves);
    m_newDeskmates->setChecked(rules.newDeskmates);
    showRules();
}

void RulesDialog::setChart(const SeatChart &chart)
{
    m_chart = chart;
    // Each name once, in the order the pupils count the seats: row by row
    // from the podium.
    QStringList names;
    for (int row = 1; row <= SeatChart::Rows; ++row) {
        for (int column = 1; column <= SeatChart::Columns; ++column) {
            const QString &name = chart.seat(chart.indexAtPupil(column, row));
            if (!name.isEmpty() && !names.contains(name))
                names << name;
        }
    }
    fillPicker(m_first, names);
    fillPicker(m_second, names);
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        QAbstractButton *seat = m_seats->button(i);
        seat->setToolTip(chart.seatLabel(i));
        seat->setAccessibleName(chart.seatLabel(i));
        // A fixed seat must be one the draw deals names to.
        seat->setEnabled(!chart.seat(i).isEmpty());
    }
    // Nor may one picked before stay picked once it is empty.
    if (QAbstractButton *picked = m_seats->checkedButton(); picked && !picked->isEnabled()) {
        m_seats->setExclusive(false);
        picked->setChecked(false);
        m_seats->setExclusive(true);
    }
    m_podiumAbove->setVisible(chart.podiumSide() == PodiumSide::Top);
    m_podiumBelow->setVisible(chart.podiumSide() == PodiumSide::Bottom);
    showRules();
}

void RulesDialog::showRules()
{
    const int selected = m_list->indexOfTopLevelItem(m_list->currentItem());
    m_list->clear();
    for (const SeatRule &rule : std::as_const(m_rules.rules)) {
        auto *item = new QTreeWidgetItem(m_list, {rule.sentence(), standingText(SeatRules::standing(rule, m_chart))});
        // A long name may cut the sentence short in the list.
        item->setToolTip(0, Qt::convertFromPlainText(rule.sentence()));
    }
    if (QTreeWidgetItem *item = m_list->topLevelItem(std::min(selected, m_list->topLevelItemCount() - 1)))
        m_list->setCurrentItem(item);
    m_remove->setEnabled(!m_list->selectedItems().isEmpty());
    updateNewRule();
}

void RulesDialog::fillPicker(const NamePicker &picker, const QStringList &names)
{
    const QString kept = picked(picker);
    picker.names->clear();
    picker.names->addItems(names);
    if (const qsizetype at = names.indexOf(kept); at >= 0 && !kept.isEmpty())
        picker.names->setCurrentRow(int(at));
    filterPicker(picker);
}

void RulesDialog::filterPicker(const NamePicker &picker)
{
    const QString typed = picker.filter->text().trimmed();
    for (int k = 0; k < picker.names->count(); ++k) {
        QListWidgetItem *item = picker.names->item(k);
        item->setHidden(!item->text().contains(typed, Qt::CaseInsensitive));
        // A name out of sight is not picked.
        if (item->isHidden())
            item->setSelected(false);
    }
}

QString RulesDialog::picked(const NamePicker &picker)
{
    const QList<QListWidgetItem *> selected = picker.names->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

SeatRule RulesDialog::newRule() const
{
    const QString first = picked(m_first);
    const int seat = m_seats->checkedId();
    switch (SeatRule::Kind(m_kind->currentData().toInt())) {
    case SeatRule::Kind::Fixed: return seat < 0 ? SeatRule() : SeatRule::fixed(first, m_chart.pupilColumn(seat), m_chart.pupilRow(seat));
    case SeatRule::Kind::FrontRows: return SeatRule::frontRows(first, m_rowCount->value());
    case SeatRule::Kind::BackRows: return SeatRule::backRows(first, m_rowCount->value());
    case SeatRule::Kind::Apart: return SeatRule::apart(first, picked(m_second));
    case SeatRule::Kind::Together: return SeatRule::together(first, picked(m_second));
    }
    return {};
}

void RulesDialog::updateNewRule()
{
    const SeatRule rule = newRule();
    m_second.filter->setEnabled(rule.pairsPupils());
    m_second.names->setEnabled(rule.pairsPupils());
    const int seat = m_seats->checkedId();
    m_seatLabel->setText(seat < 0 ? u"请选座位"_s : m_chart.seatLabel(seat));
    // A pair is the same rule either way round.
    SeatRule swapped = rule;
    std::swap(swapped.first, swapped.second);
    m_add->setEnabled(rule.isValid() && !m_rules.rules.contains(rule) && !(rule.pairsPupils() && m_rules.rules.contains(swapped)));
}

void RulesDialog::addRule()
{
    const qsizetype at = m_rules.add(newRule());
    showRules();
    m_list->setCurrentItem(m_list->topLevelItem(int(at)));
}
