#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;
Q_DECLARE_METATYPE(FileError::Reason)
Q_DECLARE_METATYPE(PodiumSide)

namespace {

const QByteArray Jia = "\xbc\xd7"; // 甲
const QByteArray Yi = "\xd2\xd2";  // 乙

// A chart with "old<i>" in every seat, to see which seats a reader rewrites.
SeatChart occupiedChart()
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"old%1"_s.arg(i));
    return chart;
}

QByteArray lines(int count, const QByteArray &prefix = "n")
{
    QList<QByteArray> list;
    for (int n = 0; n < count; ++n)
        list << prefix + QByteArray::number(n);
    return crlfLines(list);
}

// While alive, no file this process writes may grow past `bytes`, as on a
// nearly full disk: writes beyond it fail instead of killing the process.
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

class TestChartFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readersDiffer_data();
    void readersDiffer();
    void startupWithoutFilesIsSilent();
    void option_data();
    void option();
    void saveIsByteExact();
    void saveThenLoadGivesSameChart();
    void openThenSaveLeavesOpenedFile();
    void examListTurnsNullIntoEmpty();
    void failedReadChangesNothing_data();
    void failedReadChangesNothing();
    void startupReportsUnreadableFiles();
    void failedSaveKeepsPreviousFiles_data();
    void failedSaveKeepsPreviousFiles();
    void saveOnFullDiskKeepsPreviousFiles();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestChartFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestChartFiles::readersDiffer_data()
{
    QTest::addColumn<QByteArray>("list");
    // For each seat: "n<k>" for entry k, "old" for a seat that keeps its
    // name, "" for a seat that becomes empty.
    QTest::addColumn<QStringList>("afterStartup");
    QTest::addColumn<QStringList>("afterOpen");

    const auto seats = [](std::initializer_list<std::pair<int, QString>> set, const QString &rest) {
        QStringList list(SeatChart::SeatCount, rest);
        for (const auto &[index, name] : set)
            list[index] = name;
        return list;
    };
    QStringList ten;
    for (int n = 0; n < 10; ++n)
        ten << u"n%1"_s.arg(n);

    QStringList startupTen = seats({}, u"old"_s);
    QStringList openTen = seats({}, QString());
    for (int n = 0; n < 10; ++n)
        startupTen[n] = openTen[n] = ten.at(n);
    QTest::newRow("ten lines") << lines(10) << startupTen << openTen;

    QStringList all;
    for (int n = 0; n < 35; ++n)
        all << u"n%1"_s.arg(n);
    QTest::newRow("forty lines") << lines(40) << all << all;

    QStringList startupNull = all;
    startupNull[1] = u"old"_s;
    QStringList openNull = all;
    openNull[1] = QString();
    QByteArray withNull = lines(35);
    withNull.replace("n1\r\n", "null\r\n");
    QTest::newRow("lower-case null on line 2") << withNull << startupNull << openNull;

    QStringList emptyLine = all;
    emptyLine[1] = QString();
    QByteArray withEmpty = lines(35);
    withEmpty.replace("n1\r\n", "\r\n");
    QTest::newRow("empty line is an empty name") << withEmpty << emptyLine << emptyLine;
}

void TestChartFiles::readersDiffer()
{
    QFETCH(QByteArray, list);
    QFETCH(QStringList, afterStartup);
    QFETCH(QStringList, afterOpen);

    QVERIFY(writeBytes(path(u"default.txt"_s), list));
    const auto check = [](const SeatChart &chart, const QStringList &expected) {
        for (int i = 0; i < SeatChart::SeatCount; ++i) {
            const QString want = expected.at(i) == u"old"_s ? u"old%1"_s.arg(i) : expected.at(i);
            if (chart.seat(i) != want)
                return u"seat %1 holds '%2', expected '%3'"_s.arg(i).arg(chart.seat(i), want);
        }
        return QString();
    };

    SeatChart startup = occupiedChart();
    QCOMPARE(ChartFiles::loadWorkingFiles(startup, m_dir->path()), QList<FileError>());
    QCOMPARE(check(startup, afterStartup), QString());

    SeatChart opened = occupiedChart();
    opened.setPodiumSide(PodiumSide::Top);
    opened.clickSeat(4);
    QCOMPARE(ChartFiles::loadSeatList(opened, path(u"default.txt"_s)), std::nullopt);
    QCOMPARE(check(opened, afterOpen), QString());
    QCOMPARE(opened.podiumSide(), PodiumSide::Top);
    QCOMPARE(opened.swapSelection(), (SwapSelection{true, 4}));
}

void TestChartFiles::startupWithoutFilesIsSilent()
{
    SeatChart chart;
    QCOMPARE(ChartFiles::loadWorkingFiles(chart, m_dir->path()), QList<FileError>());
    QCOMPARE(chart, SeatChart());
}

void TestChartFiles::option_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no Option file
    QTest::addColumn<PodiumSide>("before");
    QTest::addColumn<PodiumSide>("after");

    QTest::newRow("True") << QByteArray("True\r\n") << PodiumSide::Bottom << PodiumSide::Top;
    QTest::newRow("False") << QByteArray("False\r\n") << PodiumSide::Top << PodiumSide::Bottom;
    QTest::newRow("lower-case false") << QByteArray("false") << PodiumSide::Top << PodiumSide::Bottom;
    QTest::newRow("upper-case TRUE with blanks") << QByteArray("  TRUE \n") << PodiumSide::Bottom << PodiumSide::Top;
    QTest::newRow("digit 1") << QByteArray("1\r\n") << PodiumSide::Bottom << PodiumSide::Top;
    QTest::newRow("minus one") << QByteArray("-1\r\n") << PodiumSide::Bottom << PodiumSide::Top;
    QTest::newRow("zero") << QByteArray("0\r\n") << PodiumSide::Top << PodiumSide::Bottom;
    QTest::newRow("only the first line counts") << QByteArray("False\r\nTrue\r\n") << PodiumSide::Top << PodiumSide::Bottom;
    QTest::newRow("empty file") << QByteArray("") << PodiumSide::Top << PodiumSide::Top;
    QTest::newRow("missing file") << QByteArray() << PodiumSide::Top << PodiumSide::Top;
    QTest::newRow("not a value") << QByteArray("yes\r\n") << PodiumSide::Top << PodiumSide::Top;
    QTest::newRow("word after True") << QByteArray("True,False\r\n") << PodiumSide::Bottom << PodiumSide::Bottom;
    QTest::newRow("binary") << QByteArray("\0\1\2", 3) << PodiumSide::Bottom << PodiumSide::Bottom;
    QTest::newRow("not finite") << QByteArray("inf\r\n") << PodiumSide::Bottom << PodiumSide::Bottom;
    QTest::newRow("first line too long") << QByteArray("1") + QByteArray(5000, ' ') << PodiumSide::Bottom << PodiumSide::Bottom;
}

void TestChartFiles::option()
{
    QFETCH(QByteArray, content);
    QFETCH(PodiumSide, before);
    QFETCH(PodiumSide, after);

    if (!content.isNull())
        QVERIFY(writeBytes(path(u"Option"_s), content));
    SeatChart chart;
    chart.setPodiumSide(before);
    QCOMPARE(ChartFiles::loadWorkingFiles(chart, m_dir->path()), QList<FileError>());
    QCOMPARE(chart.podiumSide(), after);
}

void TestChartFiles::saveIsByteExact()
{
    SeatChart chart;
    chart.setSeat(0, u"甲"_s);
    chart.setSeat(34, u"乙"_s);
    chart.setPodiumSide(PodiumSide::Top);
    QCOMPARE(ChartFiles::saveWorkingFiles(chart, m_dir->path()), std::nullopt);

    QList<QByteArray> expected(SeatChart::SeatCount, "NULL");
    expected.first() = Jia;
    expected.last() = Yi;
    QCOMPARE(readBytes(path(u"default.txt"_s)), crlfLines(expected));
    QCOMPARE(readBytes(path(u"Option"_s)), QByteArray("True\r\n"));

    chart.togglePodium();
    QCOMPARE(ChartFiles::saveWorkingFiles(chart, m_dir->path()), std::nullopt);
    QCOMPARE(readBytes(path(u"Option"_s)), QByteArray("False\r\n"));
    // No temporary file is left behind.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestChartFiles::saveThenLoadGivesSameChart()
{
    SeatChart saved;
    const QStringList names{u"Smith, John"_s, u" 王五"_s, u"€"_s, u"𠀀"_s, u"张三，李四"_s, u"a\"b"_s};
    for (int i = 0; i < names.size(); ++i)
        saved.setSeat(33 - 5 * i, names.at(i));
    saved.setPodiumSide(PodiumSide::Top);
    QCOMPARE(ChartFiles::saveWorkingFiles(saved, m_dir->path()), std::nullopt);

    SeatChart loaded;
    QCOMPARE(ChartFiles::loadWorkingFiles(loaded, m_dir->path()), QList<FileError>());
    QCOMPARE(loaded, saved);
}

void TestChartFiles::openThenSaveLeavesOpenedFile()
{
    const QString opened = path(u"class.txt"_s);
    const QByteArray list = crlfLines({Jia, "null", Yi});
    QVERIFY(writeBytes(opened, list));
    SeatChart chart = occupiedChart();
    QCOMPARE(ChartFiles::loadSeatList(chart, opened), std::nullopt);
    QCOMPARE(ChartFiles::saveWorkingFiles(chart, m_dir->path()), std::nullopt);
    QCOMPARE(readBytes(opened), list);
    QList<QByteArray> expected(SeatChart::SeatCount, "NULL");
    expected[0] = Jia;
    expected[2] = Yi;
    QCOMPARE(readBytes(path(u"default.txt"_s)), crlfLines(expected));
}

void TestChartFiles::examListTurnsNullIntoEmpty()
{
    const QString list = path(u"exam.txt"_s);
    QVERIFY(writeBytes(list, crlfLines({"A", "Null", "C"}) + lines(40)));
    const auto names = ChartFiles::readExamList(list);
    QVERIFY(names.ok());
    QCOMPARE(names.value().size(), 35);
    QCOMPARE(names.value().mid(0, 4), (QStringList{u"A"_s, QString(), u"C"_s, u"n0"_s}));
}

void TestChartFiles::failedReadChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: make a folder of that name
    QTest::addColumn<Reason>("reason");

    QTest::newRow("missing") << u"nothing.txt"_s << QByteArray("-") << Reason::Missing;
    QTest::newRow("folder") << u"folder.txt"_s << QByteArray() << Reason::IsDirectory;
    QTest::newRow("binary") << u"binary.txt"_s << QByteArray("\x7f" "ELF\0\1\2", 7) << Reason::NotASeatList;
    QTest::newRow("long line") << u"long.txt"_s << QByteArray(50000, 'x') << Reason::NotASeatList;
}

void TestChartFiles::failedReadChangesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(Reason, reason);

    const QString file = path(name);
    if (content.isNull())
        QVERIFY(QDir(m_dir->path()).mkdir(name));
    else if (reason != Reason::Missing)
        QVERIFY(writeBytes(file, content));

    SeatChart chart = occupiedChart();
    const SeatChart before = chart;
    const auto error = ChartFiles::loadSeatList(chart, file);
    QVERIFY(error);
    QCOMPARE(error->reason(), reason);
    QCOMPARE(error->path(), file);
    QCOMPARE(chart, before);

    const auto exam = ChartFiles::readExamList(file);
    QVERIFY(!exam.ok());
    QCOMPARE(exam.error().reason(), reason);
}

void TestChartFiles::startupReportsUnreadableFiles()
{
    // Files that exist but cannot be read are reported; the chart keeps
    // everything they would have set.
    QVERIFY(writeBytes(path(u"default.txt"_s), QByteArray("a\0b", 3)));
    QVERIFY(QDir(m_dir->path()).mkdir(u"Option"_s));
    SeatChart chart = occupiedChart();
    const SeatChart before = chart;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(chart, m_dir->path());
    QCOMPARE(problems.size(), 2);
    QCOMPARE(problems.at(0).reason(), Reason::NotASeatList);
    QCOMPARE(problems.at(0).path(), path(u"default.txt"_s));
    QCOMPARE(problems.at(1).reason(), Reason::IsDirectory);
    QCOMPARE(problems.at(1).path(), path(u"Option"_s));
    QCOMPARE(chart, before);
}

void TestChartFiles::failedSaveKeepsPreviousFiles_data()
{
    QTest::addColumn<QString>("blocker"); // made a folder before the save
    QTest::addColumn<Reason>("reason");
    QTest::addColumn<QString>("failingFile");

    QTest::newRow("default.txt is a folder") << u"default.txt"_s << Reason::IsDirectory << u"default.txt"_s;
    QTest::newRow("Option is a folder") << u"Option"_s << Reason::IsDirectory << u"Option"_s;
}

void TestChartFiles::failedSaveKeepsPreviousFiles()
{
    QFETCH(QString, blocker);
    QFETCH(Reason, reason);
    QFETCH(QString, failingFile);

    const QString other = blocker == u"Option"_s ? u"default.txt"_s : u"Option"_s;
    const QByteArray previous = "previous\r\n";
    QVERIFY(writeBytes(path(other), previous));
    QVERIFY(QDir(m_dir->path()).mkdir(blocker));

    const auto error = ChartFiles::saveWorkingFiles(occupiedChart(), m_dir->path());
    QVERIFY(error);
    QCOMPARE(error->reason(), reason);
    QCOMPARE(error->path(), path(failingFile));
    QCOMPARE(readBytes(path(other)), previous);
}

void TestChartFiles::saveOnFullDiskKeepsPreviousFiles()
{
    const QByteArray previousList = lines(35);
    const QByteArray previousOption = "True\r\n";
    QVERIFY(writeBytes(path(u"default.txt"_s), previousList));
    QVERIFY(writeBytes(path(u"Option"_s), previousOption));

    SeatChart chart = occupiedChart();
    chart.setSeat(0, QString(2000, u'长'));
    std::optional<FileError> error;
    {
        const FileSizeLimit limit(1024);
        error = ChartFiles::saveWorkingFiles(chart, m_dir->path());
    }
    QVERIFY(error);
    QCOMPARE(error->reason(), Reason::NotWritable);
    QCOMPARE(error->path(), path(u"default.txt"_s));
    QCOMPARE(readBytes(path(u"default.txt"_s)), previousList);
    QCOMPARE(readBytes(path(u"Option"_s)), previousOption);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

QTEST_GUILESS_MAIN(TestChartFiles)
#include "tst_chartfiles.moc"
