// The real file dialog and message boxes, answered from inside their own
// event loops on the offscreen platform.

#include "testfiles.h"
#include "ui/qtdesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(Desktop::FileDialog)

class TestQtDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(writeBytes(m_dir.filePath(u"plan.rtf"_s), "<table>") && QDir::setCurrent(m_dir.path())); }
    void chooseFile_data();
    void chooseFile();
    void messages();

private:
    QTemporaryDir m_dir; // the current folder, where the file dialog opens
};

void TestQtDesktop::chooseFile_data()
{
    QTest::addColumn<Desktop::FileDialog>("kind");
    QTest::addColumn<QString>("typed"); // a name in the current folder, which holds plan.rtf
    QTest::addColumn<bool>("asked");    // whether to replace a file

    QTest::newRow("save onto a file: asked") << Desktop::FileDialog::Save << u"plan.rtf"_s << true;
    QTest::newRow("save as a new name: no extension added") << Desktop::FileDialog::Save << u"plan"_s << false;
    QTest::newRow("open a name that does not exist") << Desktop::FileDialog::Open << u"typed.txt"_s << false;
}

void TestQtDesktop::chooseFile()
{
    QFETCH(Desktop::FileDialog, kind);
    QFETCH(QString, typed);
    QFETCH(bool, asked);

    QString title;
    QStringList filters;
    bool question = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        title = dialog->windowTitle();
        filters = dialog->nameFilters() << dialog->selectedNameFilter();
        // Whatever the dialog asks is answered Yes.
        QTimer::singleShot(0, dialog, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                question = true;
                box->button(QMessageBox::Yes)->click();
            }
        });
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QtDesktop desktop;
    const auto chosen = desktop.chooseFile(nullptr, kind, u"保存"_s, u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s);
    QCOMPARE(chosen.value_or(u"(cancelled)"_s), m_dir.filePath(typed));
    QCOMPARE(question, asked);
    QCOMPARE(title, u"保存"_s);
    // "*.*" would hide the files without a dot in their name.
    QCOMPARE(filters, (QStringList{u"RTF文件(*.rtf) (*.rtf)"_s, u"All files(*.*) (*)"_s, u"RTF文件(*.rtf)"_s}));
}

void TestQtDesktop::messages()
{
    // One OK button and the icon asked for, and wide enough for a window
    // manager to draw the title, larger or bold, beside its buttons.
    QStringList shown;
    const auto look = [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown << box->windowTitle() + u'|' + box->text() + u'|' + QString::number(box->icon()) + u'|'
                + QString::number(box->buttons().size());
        QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(box->windowTitle()) + 150);
        box->button(QMessageBox::Ok)->click();
    };
    QtDesktop desktop;
    QTimer::singleShot(0, this, look);
    desktop.showMessage(nullptr, u"保存完成"_s, u"保存完成"_s);
    QTimer::singleShot(0, this, look);
    desktop.showWarning(nullptr, u"找不到文件。"_s, u"打开考生信息"_s);
    QCOMPARE(shown, (QStringList{u"保存完成|保存完成|0|1"_s, u"打开考生信息|找不到文件。|2|1"_s}));
}

QTEST_MAIN(TestQtDesktop)
#include "tst_qtdesktop.moc"
