// What the files layer does when the disk or the path is against it: every
// failure is an error that names the file, and the working files the teacher
// had before are left byte for byte as they were.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;
Q_DECLARE_METATYPE(FileError::Reason)

namespace {

// While alive, no file this process writes may grow past `bytes`, as on a
// full disk: writes beyond it fail (EFBIG) instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void writeFails_data();
    void writeFails();
};

void TestFaults::writeFails_data()
{
    QTest::addColumn<QString>("command"); // "save" the working files, or "export" the table to target
    QTest::addColumn<QString>("target");  // working folder or export path, in the temporary folder
    QTest::addColumn<QString>("failing"); // the file the error names
    QTest::addColumn<Reason>("reason");
    QTest::addColumn<bool>("fullDisk");

    QTest::newRow("save into a missing folder") << u"save"_s << u"gone"_s << u"gone/Option"_s << Reason::NotWritable << false;
    QTest::newRow("save where the folder is a file") << u"save"_s << u"work/default.txt"_s << u"work/default.txt/Option"_s << Reason::NotWritable << false;
    QTest::newRow("save onto a folder default.txt") << u"save"_s << u"blocked"_s << u"blocked/default.txt"_s << Reason::IsDirectory << false;
    QTest::newRow("save on a full disk") << u"save"_s << u"work"_s << u"work/default.txt"_s << Reason::NotWritable << true;
    QTest::newRow("export into a missing folder") << u"export"_s << u"gone/plan.html"_s << u"gone/plan.html"_s << Reason::NotWritable << false;
    QTest::newRow("export below a file") << u"export"_s << u"work/Option/plan.html"_s << u"work/Option/plan.html"_s << Reason::NotWritable << false;
    QTest::newRow("export onto a folder") << u"export"_s << u"work"_s << u"work"_s << Reason::IsDirectory << false;
    QTest::newRow("export onto a full device") << u"export"_s << u"/dev/full"_s << u"/dev/full"_s << Reason::NotRegularFile << false;
    QTest::newRow("export on a full disk") << u"export"_s << u"work/plan.html"_s << u"work/plan.html"_s << Reason::NotWritable << true;
}

void TestFaults::writeFails()
{
    QFETCH(QString, command);
    QFETCH(QString, target);
    QFETCH(QString, failing);
    QFETCH(Reason, reason);
    QFETCH(bool, fullDisk);

    QTemporaryDir dir;
    const auto in = [&](const QString &name) { return name.startsWith(u'/') ? name : dir.filePath(name); };
    // The teacher's working files, and a folder whose default.txt is a folder.
    QVERIFY(QDir(dir.path()).mkpath(u"work"_s) && QDir(dir.path()).mkpath(u"blocked/default.txt"_s));
    const QByteArray list = "\xbc\xd7\r\n" + QByteArray(34 * 6, 'x');
    for (const QString &folder : {u"work"_s, u"blocked"_s}) {
        QVERIFY(writeBytes(in(folder + u"/Option"_s), "True\r\n"));
        QVERIFY(folder == u"blocked" || writeBytes(in(folder + u"/default.txt"_s), list));
    }
    if (target == u"work/plan.html")
        QVERIFY(writeBytes(in(target), "old table"));

    SeatChart chart;
    chart.setSeat(3, QString(2000, u'长')); // 4000 bytes, more than the disk takes
    std::optional<FileError> error;
    {
        const FileSizeLimit limit(fullDisk ? 1024 : RLIM_INFINITY);
        error = command == u"save" ? ChartFiles::saveWorkingFiles(chart, in(target))
                                   : HtmlExport::exportHtmlTable(chart, in(target));
    }
    QVERIFY(error);
    QCOMPARE(error->reason(), reason);
    QCOMPARE(error->path(), in(failing));
    QVERIFY(error->message().contains(QDir::toNativeSeparators(in(failing))));

    for (const QString &folder : {u"work"_s, u"blocked"_s}) {
        QCOMPARE(readBytes(in(folder + u"/Option"_s)), QByteArray("True\r\n"));
        QCOMPARE(QDir(in(folder)).entryList(QDir::Files | QDir::Hidden).size(), folder == u"work" ? 2 + (target == u"work/plan.html") : 1);
    }
    QCOMPARE(readBytes(in(u"work/default.txt"_s)), list);
    if (target == u"work/plan.html")
        QCOMPARE(readBytes(in(target)), QByteArray("old table"));
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
