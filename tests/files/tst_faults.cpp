// What the files layer does when the disk, the path or another user is
// against it: every failure is an error that names the file and says why in
// Chinese, and the files the teacher had before are left byte for byte as
// they were, with nothing of the program's own left beside them.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "files/seatlistfile.h"
#include "systemcalls.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;

namespace {

// What a test puts in the working folder "work" (which starts with
// default.txt holding 甲 and Option holding True) before it saves or reads.
struct Plant {
    enum Kind { Link, Folder, Pipe, File } kind;
    QString name;
    QByteArray content = {}; // where a link leads, or a file's bytes
    mode_t mode = 0644;      // a file's rights
    bool otherUser = false;  // a link that belongs to another user
};
using Plants = QList<Plant>;

enum class Trouble { None, FullDisk, FailingSync, SecondRenameFails, RestoreFails };

// A uid that is neither this process's nor any folder's.
constexpr uid_t OtherUser = 12345;
const QByteArray OldSeats = "\xbc\xd7\r\n", OldOption = "True\r\n";

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

// A message speaks Chinese: apart from the files it names in quotes and the
// working files' names, no word of the system's English.
bool speaksChinese(QString message)
{
    message.remove(QRegularExpression(u"“[^”]*”"_s)).remove(u"default.txt"_s).remove(u"Option"_s);
    return !message.contains(QRegularExpression(u"[A-Za-z]{3,}"_s));
}

// Runs `write` with the disk full or its syncs failing, as `trouble` says.
template <typename Write> std::optional<FileError> inTrouble(Trouble trouble, Write &&write)
{
    const FileSizeLimit limit(trouble == Trouble::FullDisk ? 1024 : RLIM_INFINITY);
    SystemCalls::syncError = trouble == Trouble::FailingSync ? EIO : 0;
    auto error = write();
    SystemCalls::syncError = 0;
    return error;
}

SeatChart chartWith(const QString &name, PodiumSide side)
{
    SeatChart chart;
    chart.setSeat(3, name);
    chart.setPodiumSide(side);
    return chart;
}

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

Q_DECLARE_METATYPE(Plants)
Q_DECLARE_METATYPE(Trouble)
Q_DECLARE_METATYPE(std::optional<FileError::Reason>)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { SystemCalls::reset(); }
    void save_data();
    void save();
    void exportFails_data();
    void exportFails();
    void filesAreSyncedThenRenamedTogether();
    void readsSayWhy_data();
    void readsSayWhy();
    void savesAtTheSameTime();
    void pipeSwappedInNeverBlocks();
    void fileGrowingWhileRead();
    void staleTemporariesRemoved();
    void folderNameNotUtf8();

private:
    void plant(const Plants &plants);
    QString in(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && QDir(m_dir->path()).mkdir(u"work"_s));
    QVERIFY(writeBytes(in(u"work/default.txt"_s), OldSeats) && writeBytes(in(u"work/Option"_s), OldOption));
}

void TestFaults::plant(const Plants &plants)
{
    for (const Plant &plant : plants) {
        const QString path = in(u"work/"_s + plant.name);
        const QByteArray encoded = QFile::encodeName(path);
        QVERIFY(!QFileInfo::exists(path) || QFile::remove(path));
        switch (plant.kind) {
        case Plant::Link: QVERIFY(::symlink(plant.content.constData(), encoded.constData()) == 0); break;
        case Plant::Folder: QVERIFY(::mkdir(encoded.constData(), 0755) == 0); break;
        case Plant::Pipe: QVERIFY(::mkfifo(encoded.constData(), 0644) == 0); break;
        case Plant::File: QVERIFY(writeBytes(path, plant.content) && ::chmod(encoded.constData(), plant.mode) == 0); break;
        }
        if (plant.otherUser && ::lchown(encoded.constData(), OtherUser, OtherUser) != 0)
            QSKIP("Planting another user's link needs root");
    }
}

void TestFaults::save_data()
{
    QTest::addColumn<Plants>("plants");
    QTest::addColumn<mode_t>("folderMode"); // of "work"
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<std::optional<Reason>>("refused"); // nullopt: saved
    QTest::addColumn<QString>("said");                  // a part of the message
    QTest::addColumn<QString>("failing");               // the file the error names

    const auto ok = std::optional<Reason>();
    const bool root = ::geteuid() == 0;
    const QString untouched = u"都没有改动"_s;
    const Plant elsewhere{Plant::File, u"real/x"_s, OldSeats};
    QTest::newRow("saved") << Plants{} << mode_t(0755) << Trouble::None << ok << QString() << QString();
    QTest::newRow("onto a folder default.txt") << Plants{{Plant::Folder, u"default.txt"_s}} << mode_t(0755) << Trouble::None
                                               << std::optional(Reason::IsDirectory) << untouched << u"default.txt"_s;
    QTest::newRow("on a full disk") << Plants{} << mode_t(0755) << Trouble::FullDisk << std::optional(Reason::DiskFull) << untouched
                                    << u"default.txt"_s;
    QTest::newRow("when sync fails") << Plants{} << mode_t(0755) << Trouble::FailingSync << std::optional(Reason::IoError) << untouched
                                     << u"Option"_s;
    QTest::newRow("default.txt cannot be replaced, Option put back")
        << Plants{{Plant::File, u"Option"_s, OldOption, mode_t(root ? 0200 : 0600)}} << mode_t(0755) << Trouble::SecondRenameFails
        << std::optional(Reason::PermissionDenied) << u"Option 已经改回原样"_s << u"default.txt"_s;
    QTest::newRow("and putting Option back fails too")
        << Plants{} << mode_t(0755) << Trouble::RestoreFails << std::optional(Reason::PermissionDenied)
        << u"Option 已经换成新的讲台位置，未能改回"_s << u"default.txt"_s;
    if (!root) {
        QTest::newRow("write-protected default.txt")
            << Plants{{Plant::File, u"default.txt"_s, OldSeats, 0444}} << mode_t(0755) << Trouble::None
            << std::optional(Reason::PermissionDenied) << untouched << u"default.txt"_s;
    }
    QTest::newRow("set-ID bits dropped") << Plants{{Plant::File, u"default.txt"_s, OldSeats, 06750}} << mode_t(0755) << Trouble::None << ok
                                         << QString() << QString();
    QTest::newRow("Option links to default.txt") << Plants{{Plant::Link, u"Option"_s, "default.txt"}} << mode_t(0755) << Trouble::None
                                                 << std::optional(Reason::NotFaithful) << u"同一个文件"_s << u"default.txt"_s;
    // Links are followed by the kernel's rule for shared folders.
    const Plants links{{Plant::Folder, u"real"_s}, elsewhere, {Plant::Link, u"default.txt"_s, "real/x"}};
    Plants others = links;
    others.last().otherUser = true;
    QTest::newRow("own link") << links << mode_t(01777) << Trouble::None << ok << QString() << QString();
    QTest::newRow("another user's link in a private folder") << others << mode_t(0755) << Trouble::None << ok << QString() << QString();
    QTest::newRow("another user's link in a shared folder")
        << others << mode_t(01777) << Trouble::None << std::optional(Reason::LinkRefused) << untouched << u"default.txt"_s;
}

void TestFaults::save()
{
    QFETCH(Plants, plants);
    QFETCH(mode_t, folderMode);
    QFETCH(Trouble, trouble);
    QFETCH(std::optional<Reason>, refused);
    QFETCH(QString, said);
    QFETCH(QString, failing);

    plant(plants);
    const QString work = in(u"work"_s);
    QVERIFY(::chmod(QFile::encodeName(work).constData(), folderMode) == 0);
    const QStringList before = everything(work);
    QMap<QString, std::pair<QByteArray, QFile::Permissions>> files; // never a pipe's
    for (const QString &name : before) {
        if (const QFileInfo file(work + u'/' + name); file.isFile())
            files[name] = {readBytes(file.filePath()), file.permissions()};
    }
    if (trouble == Trouble::SecondRenameFails || trouble == Trouble::RestoreFails)
        SystemCalls::renameErrors = {{"default.txt", {EPERM}}, {"Option", {0, trouble == Trouble::RestoreFails ? EIO : 0}}};

    const SeatChart chart = chartWith(QString(2000, u'长'), PodiumSide::Bottom); // 4000 bytes, more than the full disk takes
    const auto error = inTrouble(trouble, [&] { return ChartFiles::saveWorkingFiles(chart, work); });
    ::chmod(QFile::encodeName(work).constData(), 0755);
    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt, refused);
    QCOMPARE(everything(work), before);
    if (!error) {
        SeatChart started;
        QCOMPARE(ChartFiles::loadWorkingFiles(started, work), QList<FileError>());
        QCOMPARE(started, chart);
        struct stat status = {};
        QVERIFY(::stat(QFile::encodeName(work + u"/default.txt"_s).constData(), &status) == 0 && (status.st_mode & 07000) == 0);
        QVERIFY(!QFileInfo(work + u"/real"_s).exists() || QFileInfo(work + u"/default.txt"_s).isSymLink());
        return;
    }
    QCOMPARE(error->path(), work + u'/' + failing);
    QVERIFY2(error->message().contains(said) && speaksChinese(error->message()), qPrintable(error->message()));
    for (const auto &[name, file] : files.asKeyValueRange()) {
        QCOMPARE(QFileInfo(work + u'/' + name).permissions(), file.second);
        if (trouble != Trouble::RestoreFails || name != u"Option")
            QCOMPARE(readBytes(work + u'/' + name), file.first);
    }
}

void TestFaults::exportFails_data()
{
    QTest::addColumn<QString>("target"); // in the temporary folder unless absolute
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<Reason>("reason");

    QTest::newRow("below a file") << u"work/Option/plan.html"_s << Trouble::None << Reason::NotAFolder;
    QTest::newRow("onto a full device") << u"/dev/full"_s << Trouble::None << Reason::NotRegularFile;
    QTest::newRow("when sync fails") << u"work/plan.html"_s << Trouble::FailingSync << Reason::IoError;
}

void TestFaults::exportFails()
{
    QFETCH(QString, target);
    QFETCH(Trouble, trouble);
    QFETCH(Reason, reason);

    const QString path = target.startsWith(u'/') ? target : in(target);
    QVERIFY(writeBytes(in(u"work/plan.html"_s), "old table"));
    const QStringList before = everything(in(u"work"_s));
    const auto error = inTrouble(trouble,
                                 [&] { return HtmlExport::exportHtmlTable(chartWith(QString(2000, u'长'), PodiumSide::Top), path); });
    QVERIFY(error);
    QCOMPARE(error->reason(), reason);
    QCOMPARE(error->path(), path);
    QVERIFY2(speaksChinese(error->message()) && error->message().contains(u"原有文件保持不变"), qPrintable(error->message()));
    QCOMPARE(everything(in(u"work"_s)), before);
    QCOMPARE(readBytes(in(u"work/plan.html"_s)), QByteArray("old table"));
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
}

void TestFaults::filesAreSyncedThenRenamedTogether()
{
    // Both files, and the copy of the old Option kept to put it back, are on
    // the disk before either takes its place; the two renames follow each
    // other, and the folder is synced after them.
    QCOMPARE(ChartFiles::saveWorkingFiles(chartWith(u"甲"_s, PodiumSide::Top), in(u"work"_s)), std::nullopt);
    QCOMPARE(
        SystemCalls::log,
        (QList<QByteArray>{"sync file", "sync file", "sync file", "rename Option", "rename default.txt", "sync folder", "sync folder"}));
    SystemCalls::log.clear();
    QCOMPARE(HtmlExport::exportHtmlTable(SeatChart(), in(u"work/plan.html"_s)), std::nullopt);
    QCOMPARE(SystemCalls::log, (QList<QByteArray>{"sync file", "rename plan.html", "sync folder"}));
}

void TestFaults::readsSayWhy_data()
{
    QTest::addColumn<Plants>("plants");
    QTest::addColumn<mode_t>("folderMode"); // of "work"
    QTest::addColumn<Reason>("reason");     // for default.txt

    const auto link = [](const QByteArray &target) { return Plants{{Plant::Link, u"default.txt"_s, target}}; };
    QTest::newRow("link loop") << link("default.txt") << mode_t(0755) << Reason::LinkLoop;
    QTest::newRow("dangling link") << link("gone.txt") << mode_t(0755) << Reason::DanglingLink;
    QTest::newRow("link below a file") << link("Option/x") << mode_t(0755) << Reason::NotAFolder;
    QTest::newRow("name too long") << link(QByteArray(300, 'x')) << mode_t(0755) << Reason::NameTooLong;
    QTest::newRow("a pipe") << Plants{{Plant::Pipe, u"default.txt"_s}} << mode_t(0755) << Reason::NotRegularFile;
    QTest::newRow("another user's link in a shared folder")
        << Plants{{Plant::Link, u"default.txt"_s, "Option", 0, true}} << mode_t(01777) << Reason::LinkRefused;
    if (::geteuid() != 0) {
        QTest::newRow("unreadable") << Plants{{Plant::File, u"default.txt"_s, OldSeats, 0}} << mode_t(0755) << Reason::PermissionDenied;
        QTest::newRow("link into a locked folder") << link("/root/x") << mode_t(0755) << Reason::PermissionDenied;
    }
}

void TestFaults::readsSayWhy()
{
    QFETCH(Plants, plants);
    QFETCH(mode_t, folderMode);
    QFETCH(Reason, reason);

    plant(plants);
    const QString path = in(u"work/default.txt"_s);
    QVERIFY(::chmod(QFile::encodeName(in(u"work"_s)).constData(), folderMode) == 0);
    // Start-up says why, as Open does; only a name that is not there at all
    // is passed over in silence.
    SeatChart chart;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(chart, in(u"work"_s));
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().reason(), reason);
    QCOMPARE(problems.first().path(), path);
    QVERIFY2(speaksChinese(problems.first().message()), qPrintable(problems.first().message()));
    QCOMPARE(ChartFiles::loadSeatList(chart, path), std::make_optional(problems.first()));
    QCOMPARE(chart.seat(0), QString());
}

void TestFaults::savesAtTheSameTime()
{
    // Two Saves into one folder at once, such as two windows on the same
    // class: neither takes the other's temporary files for dead ones.
    std::atomic<int> failed = 0;
    const auto saveMany = [&](PodiumSide side) {
        for (int n = 0; n < 300; ++n)
            failed += ChartFiles::saveWorkingFiles(chartWith(u"丁"_s, side), in(u"work"_s)).has_value();
    };
    std::thread other(saveMany, PodiumSide::Top);
    saveMany(PodiumSide::Bottom);
    other.join();
    QCOMPARE(failed.load(), 0);
    QCOMPARE(everything(in(u"work"_s)), (QStringList{u"default.txt"_s, u"Option"_s}));
}

void TestFaults::pipeSwappedInNeverBlocks()
{
    // A path that turns from a file into a pipe and back, as fast as it can,
    // while the list is read again and again; on a blocking open, one of the
    // reads would wait for a writer for ever.
    const QString path = in(u"work/default.txt"_s);
    const QByteArray file = QFile::encodeName(in(u"work/file"_s)), pipe = QFile::encodeName(in(u"work/pipe"_s));
    std::atomic<bool> done = false;
    std::thread swapper([&] {
        for (bool toPipe = true; !done; toPipe = !toPipe) {
            if (toPipe ? ::mkfifo(pipe.constData(), 0644) == 0 : writeBytes(QFile::decodeName(file), OldSeats))
                ::rename((toPipe ? pipe : file).constData(), QFile::encodeName(path).constData());
        }
    });
    for (int attempt = 0; attempt < 2000; ++attempt) {
        const auto list = SeatListFile::read(path);
        QVERIFY(list.ok() || list.error().reason() == Reason::NotRegularFile);
    }
    done = true;
    swapper.join();
}

void TestFaults::fileGrowingWhileRead()
{
    // Someone appends to the list just after it has been opened.
    const QString path = in(u"work/class.txt"_s);
    QVERIFY(writeBytes(path, numberedLines(3)));
    SystemCalls::beforeRead = [&](int) {
        SystemCalls::beforeRead = nullptr;
        QFile grow(path);
        QVERIFY(grow.open(QIODevice::Append) && grow.write(numberedLines(10).mid(9)) > 0);
    };
    const auto list = SeatListFile::read(path);
    QVERIFY2(list.ok(), qPrintable(list.ok() ? QString() : list.error().message()));
    QCOMPARE(list.value().first(3), (QStringList{u"n0"_s, u"n1"_s, u"n2"_s}));
}

void TestFaults::staleTemporariesRemoved()
{
    // One left by a Save that was killed, and one that a Save running now
    // still holds; a file of the teacher's own with a similar name stays.
    for (const char *name : {".sedario-dead", ".sedario-live", ".sedario-notes.txt"})
        QVERIFY(writeBytes(in(u"work/"_s + QLatin1StringView(name)), "x"));
    const int held = ::open(QFile::encodeName(in(u"work/.sedario-live"_s)).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(ChartFiles::saveWorkingFiles(SeatChart(), in(u"work"_s)), std::nullopt);
    ::close(held);
    QCOMPARE(everything(in(u"work"_s)), (QStringList{u".sedario-live"_s, u".sedario-notes.txt"_s, u"default.txt"_s, u"Option"_s}));
}

void TestFaults::folderNameNotUtf8()
{
    // A folder named 座位表 in GBK, as an unpacked archive from Windows leaves
    // it; the working files are found and written relative to it.
    const QByteArray gbkName = QFile::encodeName(m_dir->path()) + "/\xd7\xf9\xce\xbb\xb1\xed";
    QVERIFY(::mkdir(gbkName.constData(), 0755) == 0);
    const QString home = QDir::currentPath();
    QVERIFY(::chdir(gbkName.constData()) == 0);
    const auto saved = ChartFiles::saveWorkingFiles(chartWith(u"丙"_s, PodiumSide::Top));
    SeatChart started;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(started);
    QVERIFY(::unlink("default.txt") == 0 && ::unlink("Option") == 0);
    QVERIFY(QDir::setCurrent(home) && ::rmdir(gbkName.constData()) == 0);
    QCOMPARE(saved, std::nullopt);
    QCOMPARE(problems, QList<FileError>());
    QCOMPARE(started, chartWith(u"丙"_s, PodiumSide::Top));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
