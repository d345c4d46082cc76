// What the files layer does when the disk, the path or another user is
// against it: every failure is an error that names the file and says why in
// Chinese, and the files the teacher had before are left byte for byte as
// they were, with nothing of the program's own left beside them.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "files/option.h"
#include "files/seatlistfile.h"
#include "systemcalls.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
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
    enum Kind { Link, Folder, Pipe, File, Gone } kind;
    QString name;
    QByteArray content = {}; // where a link leads, or a file's bytes
    mode_t mode = 0644;      // a file's rights
    bool otherUser = false;  // a link that belongs to another user
};
using Plants = QList<Plant>;

// A uid that is neither this process's nor any folder's.
constexpr uid_t OtherUser = 12345;
const QByteArray OldSeats = "\xbc\xd7\r\n", OldOption = "True\r\n";

// A message speaks Chinese: apart from the files it names in quotes and the
// working files' names, no word of the system's English.
bool speaksChinese(QString message)
{
    message.remove(QRegularExpression(u"“[^”]*”"_s)).remove(u"default.txt"_s).remove(u"Option"_s);
    return !message.contains(QRegularExpression(u"[A-Za-z]{3,}"_s));
}

// A Save into "work" after `plants`, with the folder's rights and failing
// system calls as given (see SystemCalls), and what it must give: the reason
// it is refused for (nullopt: saved), a part of its message, the file that
// message names, and whether it leaves a new Option all the same.
struct Save {
    Plants plants = {};
    mode_t folderMode = 0755;
    QList<ssize_t> writes = {};
    int syncError = 0, folderSyncError = 0;
    QHash<QByteArray, QList<int>> renameErrors = {};
    std::optional<Reason> refused = {};
    QString said = u"都没有改动"_s;
    QString failing = u"default.txt"_s;
    bool newOption = false;
};

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
Q_DECLARE_METATYPE(Save)
Q_DECLARE_METATYPE(std::optional<FileError::Reason>)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { SystemCalls::reset(); }
    void save_data();
    void save();
    void exportIntoAFolder();
    void filesAreSyncedThenRenamedTogether();
    void readsSayWhy_data();
    void readsSayWhy();
    void savesAtTheSameTime();
    void pipeSwappedInNeverBlocks();
    void fileGrowingWhileRead();
    void staleTemporariesRemoved();
    void fortyLinksAtMost();
    void folderNameNotUtf8();

private:
    // False when it could not plant another user's link, which needs root.
    bool plant(const Plants &plants);
    QString in(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && QDir(m_dir->path()).mkdir(u"work"_s));
    QVERIFY(writeBytes(in(u"work/default.txt"_s), OldSeats) && writeBytes(in(u"work/Option"_s), OldOption));
}

bool TestFaults::plant(const Plants &plants)
{
    for (const Plant &plant : plants) {
        const QString path = in(u"work/"_s + plant.name);
        const QByteArray encoded = QFile::encodeName(path);
        bool made = !QFileInfo::exists(path) || QFile::remove(path);
        switch (plant.kind) {
        case Plant::Link: made = made && ::symlink(plant.content.constData(), encoded.constData()) == 0; break;
        case Plant::Folder: made = made && ::mkdir(encoded.constData(), 0755) == 0; break;
        case Plant::Pipe: made = made && ::mkfifo(encoded.constData(), 0644) == 0; break;
        case Plant::File: made = made && writeBytes(path, plant.content) && ::chmod(encoded.constData(), plant.mode) == 0; break;
        case Plant::Gone: break;
        }
        if (!made)
            qFatal("cannot plant %s", encoded.constData());
        if (plant.otherUser && ::lchown(encoded.constData(), OtherUser, OtherUser) != 0)
            return false;
    }
    return true;
}

void TestFaults::save_data()
{
    QTest::addColumn<Save>("save");
    const auto row = [](const char *name, const Save &save) { QTest::newRow(name) << save; };

    const bool root = ::geteuid() == 0;
    const Plant elsewhere{Plant::File, u"real/x"_s, OldSeats};
    row("onto a folder default.txt", {.plants = {{Plant::Folder, u"default.txt"_s}}, .refused = Reason::IsDirectory});
    row("on a full disk", {.writes = {-ENOSPC}, .refused = Reason::DiskFull, .failing = u"Option"_s});
    row("a write of nothing", {.writes = {0}, .refused = Reason::IoError, .failing = u"Option"_s});
    row("interrupted, then a write of nothing", {.writes = {-EINTR, 0}, .refused = Reason::IoError, .failing = u"Option"_s});
    row("short and interrupted writes", {.writes = {3, -EINTR, 1, 5}});
    row("when sync fails", {.syncError = EIO, .refused = Reason::IoError, .failing = u"Option"_s});
    row("when the folder's sync fails, after the renames",
        {.folderSyncError = EIO,
         .refused = Reason::IoError,
         .said = u"已经写入新内容，但没能确认"_s,
         .failing = u"Option"_s,
         .newOption = true});
    row("default.txt cannot be replaced, Option put back",
        {.plants = {{Plant::File, u"Option"_s, OldOption, mode_t(root ? 0200 : 0600)}},
         .renameErrors = {{"default.txt", {EPERM}}},
         .refused = Reason::PermissionDenied,
         .said = u"Option 已经改回原样"_s});
    row("and putting Option back fails too",
        {.renameErrors = {{"default.txt", {EPERM}}, {"Option", {0, EIO}}},
         .refused = Reason::PermissionDenied,
         .said = u"Option 已经换成新的讲台位置，未能改回"_s,
         .newOption = true});
    if (!root) {
        row("write-protected default.txt",
            {.plants = {{Plant::File, u"default.txt"_s, OldSeats, 0444}}, .refused = Reason::PermissionDenied});
    }
    row("a folder that may be written but not listed", {.folderMode = 0333});
    row("set-ID bits dropped", {.plants = {{Plant::File, u"default.txt"_s, OldSeats, 06750}}});
    row("Option links to default.txt",
        {.plants = {{Plant::Link, u"Option"_s, "default.txt"}}, .refused = Reason::NotFaithful, .said = u"同一个文件"_s});
    row("default.txt links to a missing Option",
        {.plants = {{Plant::Gone, u"Option"_s}, {Plant::Link, u"default.txt"_s, "Option"}},
         .refused = Reason::NotFaithful,
         .said = u"同一个文件"_s});
    // Links are followed by the kernel's rule for shared folders.
    const Plants links{{Plant::Folder, u"real"_s}, elsewhere, {Plant::Link, u"default.txt"_s, "real/x"}};
    Plants others = links;
    others.last().otherUser = true;
    row("own link", {.plants = links, .folderMode = 01777});
    row("another user's link in a private folder", {.plants = others});
    row("another user's link in a shared folder", {.plants = others, .folderMode = 01777, .refused = Reason::LinkRefused});
}

void TestFaults::save()
{
    QFETCH(Save, save);

    if (!plant(save.plants))
        QSKIP("Planting another user's link needs root");
    const QString work = in(u"work"_s);
    const QStringList before = everything(work);
    QVERIFY(::chmod(QFile::encodeName(work).constData(), save.folderMode) == 0);
    QMap<QString, std::pair<QByteArray, QFile::Permissions>> files; // never a pipe's
    for (const QString &name : before) {
        if (const QFileInfo file(work + u'/' + name); file.isFile())
            files[name] = {readBytes(file.filePath()), file.permissions()};
    }
    SystemCalls::writes = save.writes;
    SystemCalls::syncError = save.syncError;
    SystemCalls::folderSyncError = save.folderSyncError;
    SystemCalls::renameErrors = save.renameErrors;
    const SeatChart chart = chartWith(QString(2000, u'长'), PodiumSide::Bottom);
    const auto error = ChartFiles::saveWorkingFiles(chart, work);
    SystemCalls::reset();
    ::chmod(QFile::encodeName(work).constData(), 0755);

    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt, save.refused);
    QCOMPARE(everything(work), before);
    QCOMPARE(error ? error->path() : work + u'/' + save.failing, work + u'/' + save.failing);
    QVERIFY2(!error || (error->message().contains(save.said) && speaksChinese(error->message())),
             qPrintable(error ? error->message() : QString()));
    if (!error || save.folderSyncError) {
        // Byte for byte what Save means to write, through a link where there is one.
        QCOMPARE(readBytes(work + u"/default.txt"_s), SeatListFile::format(chart, {}).value());
        QCOMPARE(readBytes(work + u"/Option"_s), Option::format(chart.podiumSide()));
        struct stat status = {};
        QVERIFY(::stat(QFile::encodeName(work + u"/default.txt"_s).constData(), &status) == 0 && (status.st_mode & 07000) == 0);
        QVERIFY(!QFileInfo(work + u"/real"_s).exists() || QFileInfo(work + u"/default.txt"_s).isSymLink());
        return;
    }
    for (const auto &[name, file] : files.asKeyValueRange()) {
        QCOMPARE(QFileInfo(work + u'/' + name).permissions(), file.second);
        QCOMPARE(readBytes(work + u'/' + name), save.newOption && name == u"Option" ? Option::format(chart.podiumSide()) : file.first);
    }
}

void TestFaults::exportIntoAFolder()
{
    // A path that ends in a slash names the folder itself.
    const QString path = in(u"work/"_s);
    const auto error = HtmlExport::exportHtmlTable(chartWith(u"甲"_s, PodiumSide::Top), path);
    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt, std::optional(Reason::IsDirectory));
    QCOMPARE(error->path(), path);
    QVERIFY2(speaksChinese(error->message()) && error->message().contains(u"原有文件保持不变"), qPrintable(error->message()));
    QCOMPARE(everything(in(u"work"_s)), (QStringList{u"default.txt"_s, u"Option"_s}));
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
    // A folder that cannot be synced is reported once the new table is in place.
    SystemCalls::folderSyncError = EIO;
    const auto error = HtmlExport::exportHtmlTable(SeatChart(), in(u"work/plan.html"_s));
    QVERIFY(error && error->reason() == Reason::IoError && error->message().contains(u"新内容已经写入"));
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

    if (!plant(plants))
        QSKIP("Planting another user's link needs root");
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
    for (const char *name : {".sedario-dead", ".sedario-dead2", ".sedario-live", ".sedario-notes.txt"})
        QVERIFY(writeBytes(in(u"work/"_s + QLatin1StringView(name)), "x"));
    // One made for a write-only target is write-only too.
    QVERIFY(::chmod(QFile::encodeName(in(u"work/.sedario-dead2"_s)).constData(), 0200) == 0);
    const int held = ::open(QFile::encodeName(in(u"work/.sedario-live"_s)).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(ChartFiles::saveWorkingFiles(SeatChart(), in(u"work"_s)), std::nullopt);
    ::close(held);
    QCOMPARE(everything(in(u"work"_s)), (QStringList{u".sedario-live"_s, u".sedario-notes.txt"_s, u"default.txt"_s, u"Option"_s}));
}

void TestFaults::fortyLinksAtMost()
{
    // As many links one after the other as the kernel follows, and one more.
    QString target = u"default.txt"_s;
    for (int n = 1; n <= 41; ++n) {
        const QString link = u"link%1"_s.arg(n);
        QVERIFY(QFile::link(target, in(u"work/"_s + link)));
        target = link;
    }
    QVERIFY(SeatListFile::read(in(u"work/link40"_s)).ok());
    const auto tooMany = SeatListFile::read(in(u"work/link41"_s));
    QCOMPARE(tooMany.ok() ? std::nullopt : std::optional(tooMany.error().reason()), std::optional(Reason::LinkLoop));
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
