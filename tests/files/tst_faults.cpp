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

enum class Trouble { None, FullDisk, FailingSync };
enum class Outcome { Restored, NotRestored, Refused };

// A uid that is neither this process's nor, in the tests, any folder's.
constexpr uid_t OtherUser = 12345;

// A message speaks Chinese: apart from the path and the working files'
// names, no word of the system's English.
bool speaksChinese(QString message, const QString &path)
{
    message.remove(QDir::toNativeSeparators(path));
    for (const QString &name : {u"default.txt"_s, u"Option"_s, u"NULL"_s, u"NUL"_s, u"UTF"_s})
        message.remove(name);
    return !message.contains(QRegularExpression(u"[A-Za-z]{3,}"_s));
}

QList<FileError> startUp(const QString &folder, SeatChart *chart = nullptr)
{
    SeatChart scratch;
    return ChartFiles::loadWorkingFiles(chart ? *chart : scratch, folder);
}

SeatChart chartWith(const QString &name, PodiumSide side)
{
    SeatChart chart;
    chart.setSeat(3, name);
    chart.setPodiumSide(side);
    return chart;
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { SystemCalls::reset(); }
    void writeFails_data();
    void writeFails();
    void filesAreSyncedThenRenamedTogether();
    void secondRenameFails_data();
    void secondRenameFails();
    void refusesNameThatWouldNotReadBack();
    void workingFilesShareOneFile_data();
    void workingFilesShareOneFile();
    void replacedFileKeepsItsRights_data();
    void replacedFileKeepsItsRights();
    void savesAtTheSameTime();
    void links_data();
    void links();
    void lookupsSayWhy_data();
    void lookupsSayWhy();
    void pipeSwappedInNeverBlocks();
    void fileGrowingWhileRead();
    void staleTemporariesRemoved();
    void folderNameNotUtf8();

private:
    QString in(const QString &name) const { return name.startsWith(u'/') ? name : m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The teacher's working files, and a folder whose default.txt is a folder.
    QVERIFY(QDir(m_dir->path()).mkpath(u"work"_s) && QDir(m_dir->path()).mkpath(u"blocked/default.txt"_s));
    for (const QString &folder : {u"work"_s, u"blocked"_s})
        QVERIFY(writeBytes(in(folder + u"/Option"_s), "True\r\n"));
    QVERIFY(writeBytes(in(u"work/default.txt"_s), "\xbc\xd7\r\n"));
}

void TestFaults::writeFails_data()
{
    QTest::addColumn<bool>("save");      // Save the working files, or else export the table
    QTest::addColumn<QString>("target"); // working folder or export path, in the temporary folder
    QTest::addColumn<QString>("failing"); // the file the error names
    QTest::addColumn<Reason>("reason");
    QTest::addColumn<Trouble>("trouble");

    QTest::newRow("save into a missing folder") << true << u"gone"_s << u"gone/Option"_s << Reason::Missing << Trouble::None;
    QTest::newRow("save where the folder is a file") << true << u"work/default.txt"_s << u"work/default.txt/Option"_s << Reason::NotAFolder << Trouble::None;
    QTest::newRow("save onto a folder default.txt") << true << u"blocked"_s << u"blocked/default.txt"_s << Reason::IsDirectory << Trouble::None;
    QTest::newRow("save on a full disk") << true << u"work"_s << u"work/default.txt"_s << Reason::DiskFull << Trouble::FullDisk;
    QTest::newRow("save when sync fails") << true << u"work"_s << u"work/Option"_s << Reason::IoError << Trouble::FailingSync;
    QTest::newRow("export into a missing folder") << false << u"gone/plan.html"_s << u"gone/plan.html"_s << Reason::Missing << Trouble::None;
    QTest::newRow("export below a file") << false << u"work/Option/plan.html"_s << u"work/Option/plan.html"_s << Reason::NotAFolder << Trouble::None;
    QTest::newRow("export onto a folder") << false << u"work"_s << u"work"_s << Reason::IsDirectory << Trouble::None;
    QTest::newRow("export onto a full device") << false << u"/dev/full"_s << u"/dev/full"_s << Reason::NotRegularFile << Trouble::None;
    QTest::newRow("export on a full disk") << false << u"work/plan.html"_s << u"work/plan.html"_s << Reason::DiskFull << Trouble::FullDisk;
    QTest::newRow("export when sync fails") << false << u"work/plan.html"_s << u"work/plan.html"_s << Reason::IoError << Trouble::FailingSync;
}

void TestFaults::writeFails()
{
    QFETCH(bool, save);
    QFETCH(QString, target);
    QFETCH(QString, failing);
    QFETCH(Reason, reason);
    QFETCH(Trouble, trouble);

    if (target == u"work/plan.html")
        QVERIFY(writeBytes(in(target), "old table"));
    const QStringList before = QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden);

    const SeatChart chart = chartWith(QString(2000, u'长'), PodiumSide::Bottom); // 4000 bytes, more than the full disk takes
    std::optional<FileError> error;
    {
        const FileSizeLimit limit(trouble == Trouble::FullDisk ? 1024 : RLIM_INFINITY);
        SystemCalls::syncError = trouble == Trouble::FailingSync ? EIO : 0;
        error = save ? ChartFiles::saveWorkingFiles(chart, in(target)) : HtmlExport::exportHtmlTable(chart, in(target));
        SystemCalls::syncError = 0;
    }
    QVERIFY(error);
    QCOMPARE(error->reason(), reason);
    QCOMPARE(error->path(), in(failing));
    QVERIFY(error->message().contains(QDir::toNativeSeparators(in(failing))));
    QVERIFY2(speaksChinese(error->message(), in(failing)), qPrintable(error->message()));

    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden), before);
    QCOMPARE(QDir(in(u"blocked"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"Option"_s});
    for (const QString &folder : {u"work"_s, u"blocked"_s})
        QCOMPARE(readBytes(in(folder + u"/Option"_s)), QByteArray("True\r\n"));
    QCOMPARE(readBytes(in(u"work/default.txt"_s)), QByteArray("\xbc\xd7\r\n"));
    if (target == u"work/plan.html")
        QCOMPARE(readBytes(in(target)), QByteArray("old table"));
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
}

void TestFaults::filesAreSyncedThenRenamedTogether()
{
    // Both files are on the disk before either takes its place, the two
    // renames follow each other, and the folder is synced after them.
    QCOMPARE(ChartFiles::saveWorkingFiles(chartWith(u"甲"_s, PodiumSide::Top), in(u"work"_s)), std::nullopt);
    // The third file is the copy of the old Option, kept to put it back.
    const QList<QByteArray> expected = {"sync file", "sync file", "sync file", "rename Option", "rename default.txt",
                                        "sync folder", "sync folder"};
    QCOMPARE(SystemCalls::log, expected);
    SystemCalls::log.clear();
    QCOMPARE(HtmlExport::exportHtmlTable(SeatChart(), in(u"work/plan.html"_s)), std::nullopt);
    QCOMPARE(SystemCalls::log, (QList<QByteArray>{"sync file", "rename plan.html", "sync folder"}));
}

void TestFaults::secondRenameFails_data()
{
    QTest::addColumn<QByteArray>("option");        // the Option before; null for none
    QTest::addColumn<mode_t>("mode");               // its rights
    QTest::addColumn<QList<int>>("optionRenames"); // the errno of each rename onto Option
    QTest::addColumn<Outcome>("outcome");

    QTest::newRow("Option restored, rights kept") << QByteArray("True\r\n") << mode_t(0640) << QList<int>{} << Outcome::Restored;
    QTest::newRow("Option removed again when there was none") << QByteArray() << mode_t(0) << QList<int>{} << Outcome::Restored;
    QTest::newRow("restoring Option fails too") << QByteArray("True\r\n") << mode_t(0640) << QList<int>{0, EIO} << Outcome::NotRestored;
    if (::geteuid() != 0)
        QTest::newRow("Option unreadable, nothing replaced") << QByteArray("True\r\n") << mode_t(0200) << QList<int>{} << Outcome::Refused;
}

void TestFaults::secondRenameFails()
{
    QFETCH(QByteArray, option);
    QFETCH(mode_t, mode);
    QFETCH(QList<int>, optionRenames);
    QFETCH(Outcome, outcome);

    // As in a shared folder where a colleague's default.txt cannot be
    // replaced.
    const QString optionPath = in(u"work/Option"_s);
    if (option.isNull())
        QVERIFY(QFile::remove(optionPath));
    else
        QVERIFY(writeBytes(optionPath, option) && ::chmod(QFile::encodeName(optionPath).constData(), mode) == 0);
    SystemCalls::renameErrors = {{"default.txt", {EPERM}}, {"Option", optionRenames}};

    const auto error = ChartFiles::saveWorkingFiles(chartWith(u"乙"_s, PodiumSide::Bottom), in(u"work"_s));
    QVERIFY(error);
    QCOMPARE(error->reason(), Reason::PermissionDenied);
    QCOMPARE(error->path(), in(outcome == Outcome::Refused ? u"work/Option"_s : u"work/default.txt"_s));
    QCOMPARE(readBytes(in(u"work/default.txt"_s)), QByteArray("\xbc\xd7\r\n"));
    struct stat status = {};
    if (outcome == Outcome::NotRestored) {
        QVERIFY2(error->message().contains(u"Option 已经换成新的讲台位置，未能改回"), qPrintable(error->message()));
        QCOMPARE(readBytes(optionPath), QByteArray("False\r\n"));
    } else {
        QVERIFY(error->message().contains(outcome == Outcome::Restored ? u"改回原样" : u"都没有改动"));
        QVERIFY(option.isNull() ? !QFileInfo::exists(optionPath) : ::stat(QFile::encodeName(optionPath).constData(), &status) == 0);
        QCOMPARE(status.st_mode & 07777, mode);
        if (::chmod(QFile::encodeName(optionPath).constData(), 0600) == 0)
            QCOMPARE(readBytes(optionPath), option);
    }
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden).size(), option.isNull() ? 1 : 2);
}

void TestFaults::refusesNameThatWouldNotReadBack()
{
    // Every name holds a quote, so nothing can mark the file as GB18030, and
    // its bytes pass for UTF-8: it would read back as other names.
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"a\"b甬华"_s);
    const auto error = ChartFiles::saveWorkingFiles(chart, in(u"work"_s));
    QVERIFY(error);
    QCOMPARE(error->reason(), Reason::NotFaithful);
    QVERIFY2(error->message().contains(u"第 1 列第 1 行") && error->message().contains(u"都没有改动"),
             qPrintable(error->message()));
    QCOMPARE(readBytes(in(u"work/default.txt"_s)), QByteArray("\xbc\xd7\r\n"));
    QCOMPARE(readBytes(in(u"work/Option"_s)), QByteArray("True\r\n"));
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestFaults::workingFilesShareOneFile_data()
{
    QTest::addColumn<QByteArray>("seatsLink");  // what default.txt links to; empty: no link
    QTest::addColumn<QByteArray>("optionLink"); // and Option

    QTest::newRow("Option links to default.txt") << QByteArray() << QByteArray("default.txt");
    QTest::newRow("default.txt links to Option") << QByteArray("Option") << QByteArray();
    QTest::newRow("both link to one file") << QByteArray("class.txt") << QByteArray("./class.txt");
}

void TestFaults::workingFilesShareOneFile()
{
    QFETCH(QByteArray, seatsLink);
    QFETCH(QByteArray, optionLink);

    // One file cannot hold both; saving one over the other would lose the
    // podium side, and a crash between the renames the seats.
    QVERIFY(writeBytes(in(u"work/class.txt"_s), "\xbc\xd7\r\n"));
    for (const auto &[name, link] : {std::pair(u"default.txt"_s, seatsLink), std::pair(u"Option"_s, optionLink)}) {
        if (!link.isEmpty())
            QVERIFY(QFile::remove(in(u"work/"_s + name)) && ::symlink(link.constData(), QFile::encodeName(in(u"work/"_s + name)).constData()) == 0);
    }
    const QStringList before = QDir(in(u"work"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const auto error = ChartFiles::saveWorkingFiles(chartWith(u"乙"_s, PodiumSide::Bottom), in(u"work"_s));
    QVERIFY(error);
    QCOMPARE(error->reason(), Reason::NotFaithful);
    QVERIFY2(error->message().contains(u"同一个文件"), qPrintable(error->message()));
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), before);
    for (const char *name : {"default.txt", "Option", "class.txt"})
        QVERIFY(readBytes(in(u"work/"_s + QLatin1StringView(name))) == "\xbc\xd7\r\n" || readBytes(in(u"work/"_s + QLatin1StringView(name))) == "True\r\n");
}

void TestFaults::replacedFileKeepsItsRights_data()
{
    QTest::addColumn<mode_t>("before");
    QTest::addColumn<mode_t>("after"); // 0: refused

    QTest::newRow("read for the group") << mode_t(0640) << mode_t(0640);
    QTest::newRow("set-user-ID and set-group-ID dropped") << mode_t(06755) << mode_t(0755);
    QTest::newRow("write-protected") << mode_t(0444) << (::geteuid() == 0 ? mode_t(0444) : mode_t(0));
}

void TestFaults::replacedFileKeepsItsRights()
{
    QFETCH(mode_t, before);
    QFETCH(mode_t, after);

    const QByteArray seats = QFile::encodeName(in(u"work/default.txt"_s));
    QVERIFY(::chmod(seats.constData(), before) == 0);
    const auto error = ChartFiles::saveWorkingFiles(chartWith(u"乙"_s, PodiumSide::Bottom), in(u"work"_s));
    struct stat status = {};
    QVERIFY(::stat(seats.constData(), &status) == 0);
    QCOMPARE(error.has_value(), after == 0);
    QCOMPARE(status.st_mode & 07777, after ? after : before);
    if (error) {
        QCOMPARE(error->reason(), Reason::PermissionDenied);
        QCOMPARE(readBytes(in(u"work/default.txt"_s)), QByteArray("\xbc\xd7\r\n"));
        QCOMPARE(readBytes(in(u"work/Option"_s)), QByteArray("True\r\n"));
    }
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
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden), (QStringList{u"default.txt"_s, u"Option"_s}));
}

void TestFaults::links_data()
{
    QTest::addColumn<mode_t>("folderMode"); // of the folder that holds the links
    QTest::addColumn<bool>("folderOthers"); // the folder belongs to another user
    QTest::addColumn<bool>("linkOthers");   // the links belong to another user
    QTest::addColumn<bool>("refused");

    QTest::newRow("own links in a private folder") << mode_t(0755) << false << false << false;
    QTest::newRow("own links in a shared folder") << mode_t(01777) << false << false << false;
    QTest::newRow("another user's links in a shared folder") << mode_t(01777) << false << true << true;
    QTest::newRow("folder owner's links in a shared folder") << mode_t(01777) << true << true << false;
    QTest::newRow("another user's links, folder not sticky") << mode_t(0777) << false << true << false;
    QTest::newRow("another user's links, folder not world-writable") << mode_t(01775) << false << true << false;
}

void TestFaults::links()
{
    QFETCH(mode_t, folderMode);
    QFETCH(bool, folderOthers);
    QFETCH(bool, linkOthers);
    QFETCH(bool, refused);

    // default.txt and Option in "shared" are links to the teacher's files in
    // "work"; links may be planted as another user only by root.
    const QByteArray shared = QFile::encodeName(in(u"shared"_s));
    QVERIFY(::mkdir(shared.constData(), 0700) == 0);
    for (const char *name : {"default.txt", "Option"}) {
        const QByteArray link = shared + '/' + name;
        QVERIFY(::symlink(QFile::encodeName(in(u"work/"_s + QString::fromLatin1(name))).constData(), link.constData()) == 0);
        if (linkOthers && ::lchown(link.constData(), OtherUser, OtherUser) != 0)
            QSKIP("Planting another user's link needs root");
    }
    QVERIFY(::chmod(shared.constData(), folderMode) == 0);
    if (folderOthers)
        QVERIFY(::chown(shared.constData(), OtherUser, OtherUser) == 0);

    SeatChart started;
    const QList<FileError> problems = startUp(in(u"shared"_s), &started);
    const auto saved = ChartFiles::saveWorkingFiles(chartWith(u"乙"_s, PodiumSide::Bottom), in(u"shared"_s));
    SeatChart opened;
    const auto openError = ChartFiles::loadSeatList(opened, in(u"shared/default.txt"_s));
    const auto exported = HtmlExport::exportHtmlTable(SeatChart(), in(u"shared/Option"_s));
    QVERIFY(QFileInfo(in(u"shared/default.txt"_s)).isSymLink() && QFileInfo(in(u"shared/Option"_s)).isSymLink());
    if (refused) {
        QCOMPARE(problems.size(), 2);
        for (const auto &error : {problems.first(), problems.last(), *saved, *openError, *exported}) {
            QCOMPARE(error.reason(), Reason::LinkRefused);
            QVERIFY(error.path().startsWith(in(u"shared/"_s)));
        }
        QCOMPARE(started, SeatChart());
        QCOMPARE(readBytes(in(u"work/default.txt"_s)), QByteArray("\xbc\xd7\r\n"));
        QCOMPARE(readBytes(in(u"work/Option"_s)), QByteArray("True\r\n"));
    } else {
        QCOMPARE(problems, QList<FileError>());
        QCOMPARE(started.seat(0), u"甲"_s);
        QCOMPARE(started.podiumSide(), PodiumSide::Top);
        QCOMPARE(saved, std::nullopt);
        QCOMPARE(openError, std::nullopt);
        QCOMPARE(opened.seat(3), u"乙"_s);
        QCOMPARE(exported, std::nullopt);
        QVERIFY(readBytes(in(u"work/Option"_s)).startsWith("<table"));
    }
    QCOMPARE(QDir(in(u"shared"_s)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(), 2);
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void TestFaults::lookupsSayWhy_data()
{
    QTest::addColumn<QString>("name");      // default.txt or Option, in the working folder
    QTest::addColumn<QByteArray>("link");    // where it links to; empty: no link
    QTest::addColumn<QString>("other");      // a folder or pipe made under that name instead; empty: none
    QTest::addColumn<Reason>("reason");

    QTest::newRow("link loop") << u"default.txt"_s << QByteArray("default.txt") << QString() << Reason::LinkLoop;
    QTest::newRow("two links in a circle") << u"Option"_s << QByteArray("loop") << QString() << Reason::LinkLoop;
    QTest::newRow("dangling link") << u"default.txt"_s << QByteArray("gone.txt") << QString() << Reason::DanglingLink;
    QTest::newRow("link through a missing folder") << u"Option"_s << QByteArray("gone/Option") << QString() << Reason::DanglingLink;
    QTest::newRow("link below a file") << u"default.txt"_s << QByteArray("class.txt/x") << QString() << Reason::NotAFolder;
    QTest::newRow("name too long") << u"default.txt"_s << QByteArray(300, 'x') << QString() << Reason::NameTooLong;
    QTest::newRow("link into a locked folder") << u"Option"_s << QByteArray("locked/Option") << QString() << Reason::PermissionDenied;
    QTest::newRow("a folder") << u"Option"_s << QByteArray() << u"folder"_s << Reason::IsDirectory;
    QTest::newRow("a pipe") << u"default.txt"_s << QByteArray() << u"pipe"_s << Reason::NotRegularFile;
    QTest::newRow("unreadable") << u"default.txt"_s << QByteArray() << u"mode 000"_s << Reason::PermissionDenied;
}

void TestFaults::lookupsSayWhy()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, link);
    QFETCH(QString, other);
    QFETCH(Reason, reason);

    const bool root = ::geteuid() == 0;
    if (root && reason == Reason::PermissionDenied)
        QSKIP("Rights do not stop root");
    const QString path = in(u"work/"_s + name);
    const QByteArray encoded = QFile::encodeName(path);
    QVERIFY(writeBytes(in(u"work/class.txt"_s), "x\r\n") && QFile::remove(path));
    QVERIFY(QDir(in(u"work"_s)).mkpath(u"locked"_s) && writeBytes(in(u"work/locked/Option"_s), "True\r\n"));
    QVERIFY(::chmod(QFile::encodeName(in(u"work/locked"_s)).constData(), 0) == 0);
    QVERIFY(::symlink(name.toLatin1().constData(), QFile::encodeName(in(u"work/loop"_s)).constData()) == 0);
    if (!link.isEmpty())
        QVERIFY(::symlink(link.constData(), encoded.constData()) == 0);
    if (other == u"folder")
        QVERIFY(::mkdir(encoded.constData(), 0755) == 0);
    if (other == u"pipe")
        QVERIFY(::mkfifo(encoded.constData(), 0644) == 0);
    if (other == u"mode 000")
        QVERIFY(writeBytes(path, "x\r\n") && ::chmod(encoded.constData(), 0) == 0);

    // Start-up says why, as Open does; only a name that is not there at all
    // is passed over in silence.
    const QList<FileError> problems = startUp(in(u"work"_s));
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().reason(), reason);
    QCOMPARE(problems.first().path(), path);
    QVERIFY2(speaksChinese(problems.first().message(), path), qPrintable(problems.first().message()));
    if (name == u"default.txt") {
        SeatChart chart;
        QCOMPARE(ChartFiles::loadSeatList(chart, path), std::make_optional(problems.first()));
    }
    ::chmod(QFile::encodeName(in(u"work/locked"_s)).constData(), 0755);
}

void TestFaults::pipeSwappedInNeverBlocks()
{
    // A path that turns from a file into a pipe and back, as fast as it can,
    // while the list is read again and again: every read ends, with the list
    // or with an error.
    const QString path = in(u"work/default.txt"_s);
    const QByteArray file = QFile::encodeName(in(u"work/file"_s)), pipe = QFile::encodeName(in(u"work/pipe"_s));
    std::atomic<bool> done = false;
    std::thread swapper([&] {
        const QByteArray target = QFile::encodeName(path);
        for (bool toPipe = true; !done; toPipe = !toPipe) {
            if (toPipe ? ::mkfifo(pipe.constData(), 0644) : (writeBytes(QFile::decodeName(file), "x\r\n") ? 0 : -1))
                continue;
            ::rename((toPipe ? pipe : file).constData(), target.constData());
        }
    });
    // On a blocking open, one of these reads would wait for a writer forever.
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
    QVERIFY(list.value().size() >= 3);
    QCOMPARE(list.value().first(3), (QStringList{u"n0"_s, u"n1"_s, u"n2"_s}));
}

void TestFaults::staleTemporariesRemoved()
{
    // One left by a Save that was killed, and one that a Save running now
    // still holds.
    const QString dead = in(u"work/.sedario-dead"_s), live = in(u"work/.sedario-live"_s);
    QVERIFY(writeBytes(dead, "half a") && writeBytes(live, "in use"));
    const int held = ::open(QFile::encodeName(live).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
    QCOMPARE(ChartFiles::saveWorkingFiles(SeatChart(), in(u"work"_s)), std::nullopt);
    ::close(held);
    QCOMPARE(QDir(in(u"work"_s)).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{u".sedario-live"_s, u"Option"_s, u"default.txt"_s}));
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
    const QList<FileError> problems = startUp(QString(), &started);
    QVERIFY(::unlink("default.txt") == 0 && ::unlink("Option") == 0);
    QVERIFY(QDir::setCurrent(home) && ::rmdir(gbkName.constData()) == 0);
    QCOMPARE(saved, std::nullopt);
    QCOMPARE(problems, QList<FileError>());
    QCOMPARE(started, chartWith(u"丙"_s, PodiumSide::Top));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
