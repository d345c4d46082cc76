#include "ui/filefilter.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestFileFilter : public QObject
{
    Q_OBJECT

private slots:
    void toNameFilters_data();
    void toNameFilters();
};

void TestFileFilter::toNameFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");

    QTest::newRow("text files")
        << u"Txt files(*.txt)|*.txt|All files(*.*)|*.*"_s
        << QStringList{u"Txt files(*.txt) (*.txt)"_s, u"All files(*.*) (*)"_s};
    QTest::newRow("HTML export")
        << u"RTF文件(*.rtf)|*.rtf|All files(*.*)|*.*"_s
        << QStringList{u"RTF文件(*.rtf) (*.rtf)"_s, u"All files(*.*) (*)"_s};
    QTest::newRow("several patterns") << u"Lists|*.txt;*.csv"_s << QStringList{u"Lists (*.txt *.csv)"_s};
    QTest::newRow("unpaired description is dropped") << u"Lists|*.txt|Other"_s << QStringList{u"Lists (*.txt)"_s};
    QTest::newRow("empty") << QString() << QStringList();
}

void TestFileFilter::toNameFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(FileFilter::toNameFilters(filter), nameFilters);
}

QTEST_APPLESS_MAIN(TestFileFilter)
#include "tst_filefilter.moc"
