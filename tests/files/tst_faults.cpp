// What the files layer does when the disk, the path or another user is
// against it: every failure is an error that names the file and says why in
// Chinese, and the files the teacher had before are left byte for byte as
// they were, with nothing of the program's own left beside them.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/folderlock.h"
#include "files/htmlexport.h"
#include "files/option.h"
#include "files/rulesfile.h"
#include "files/seatlistfile.h"
#include "systemcalls.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <barrier>
#include <functional>
#include <thread>
#include <utility>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;

namespace {

// What a test does in the working folder "work" (which starts with
// default.txt holding 甲 and Option holding True) before it saves or reads: a
// shell script run there. "chown" and "chgrp" in it, for another user's link or
// group, need root.
using Plants = QString;

const QByteArray OldSeats = "\xbc\xd7\r\n", OldOption = "True\r\n";

// A message speaks Chinese: apart from the files it names in quotes and the
// working files' names, no word of the system's English.
bool speaksChinese(QString message)
{
    message.remove(QRegularExpression(u"“[^”]*”"_s)).remove(u"default.txt"_s).remove(u"Option"_s).remove(u"rules.txt"_s);
    return !message.contains(QRegularExpression(u"[A-Za-z]{3,}"_s));
}

// A Save into "work" after `plants`, with the folder's rights and failing
// system calls as given (see SystemCalls), and what it must give: the reason
// it is refused for (nullopt: saved), a part of its message, the file that
// message names, and whether it leaves a new Option (or rules.txt) all the
// same. With rules it writes rules.txt, and without, removes one. A saved
// default.txt keeps its group, permission bits and extended attributes, or
// where they cannot be kept has `narrower` bits and no ACL.
struct Save {
    Plants plants = u"true"_s;
    mode_t folderMode = 0755;
    QList<ssize_t> writes = {};
    int syncError = 0, folderSyncError = 0, folderLockError = 0, fileLockError = 0, chownError = 0, aclError = 0, attributesError = 0;
    QHash<QByteArray, QList<int>> renameErrors = {};
    std::optional<Reason> refused = {};
    QString said = u"都没有改动"_s;
    QString failing = u"default.txt"_s;
    bool newOption = false;
    std::optional<mode_t> narrower = {};
    bool withRules = false, newRules = false;
};

const RulesFile::Contents OneRule = {{{SeatRule::frontRows(u"甲"_s, 2)}}, {}};

// A Save by a window that has seen rules.txt as it is (empty folder: the
// current one).
std::optional<FileError> save(const SeatChart &chart, const RulesFile::Contents &rules = {}, const QString &folder = {})
{
    const RulesFile::Snapshot seen = RulesFile::look(ChartFiles::workingFilePath(folder, RulesFile::Name));
    return ChartFiles::saveWorkingFiles(chart, rules, seen, folder).error;
}

// A Save with rules, or one that removes rules.txt, where renames fail; the
// second rename of rules.txt is the one that puts it back.
Save rulesSave(bool withRules, const QHash<QByteArray, QList<int>> &renames = {}, const QString &said = {})
{
    const bool refused = !renames.isEmpty();
    return {.plants = u"echo '# old' >rules.txt"_s,
            .renameErrors = renames,
            .refused = refused ? std::optional(Reason::PermissionDenied) : std::nullopt,
            .said = said,
            .failing = refused && !renames.contains("default.txt") ? u"rules.txt"_s : u"default.txt"_s,
            .withRules = withRules,
            .newRules = renames.value("rules.txt").size() > 1};
}

// What a file grants besides its bytes.
struct Attributes {
    std::optional<uid_t> owner; // nullopt: not compared
    std::optional<gid_t> group;
    mode_t mode = 0;
    QMap<QByteArray, QByteArray> extended; // the access ACL among them
    bool operator==(const Attributes &) const = default;
};

char *toString(const Attributes &attributes)
{
    QByteArray text = "owner " + (attributes.owner ? QByteArray::number(*attributes.owner) : "-") + ", group "
        + (attributes.group ? QByteArray::number(*attributes.group) : "-") + ", mode " + QByteArray::number(attributes.mode, 8);
    for (const auto &[name, value] : attributes.extended.asKeyValueRange())
        text += ", " + name + "=" + value.toHex();
    return qstrdup(text.constData());
}

Attributes attributesOf(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(file.constData(), &status) != 0)
        return {};
    Attributes attributes{status.st_uid, status.st_gid, status.st_mode & 0777, {}};
    QByteArray names(1 << 16, '\0'), value(1 << 16, '\0');
    names.truncate(std::max<ssize_t>(::listxattr(file.constData(), names.data(), size_t(names.size())), 0));
    for (const QByteArray &name : names.split('\0')) {
        if (const ssize_t size = ::getxattr(file.constData(), name.constData(), value.data(), size_t(value.size())); size >= 0)
            attributes.extended[name] = value.left(size);
    }
    return attributes;
}

void row(const char *name, const Save &save)
{
    QTest::newRow(name) << save;
}

SeatChart chartWith(const QString &name, PodiumSide side)
{
    SeatChart chart;
    chart.setSeat(3, name);
    chart.setPodiumSide(side);
    return chart;
}

// But for the lock file that Saves leave in it.
QStringList everything(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.removeOne(QString::fromLatin1(FolderLock::LockName));
    return entries;
}

} // namespace

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
    void sharedFolders_data();
    void sharedFolders() { save(); }
    void filesAreSyncedThenRenamedTogether();
    void exportSaysWhatExisted();
    void readsSayWhy_data();
    void readsSayWhy();
    void savesAtTheSameTime();
    void pipeSwappedInNeverBlocks();
    void staleTemporariesRemoved();
    void savesCutShortOrMetByOthers();
    void folderNameNotUtf8();

private:
    // False when it could not plant another user's link, which needs root.
    bool plant(const Plants &plants);
    QString in(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
    RulesFile::Snapshot m_rules;
};

void TestFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && QDir(m_dir->path()).mkdir(u"work"_s));
    QVERIFY(writeBytes(in(u"work/default.txt"_s), OldSeats) && writeBytes(in(u"work/Option"_s), OldOption));
}

bool TestFaults::plant(const Plants &plants)
{
    if ((plants.contains(u"chown") || plants.contains(u"chgrp")) && ::geteuid() != 0)
        return false;
    const int status = QProcess::execute(u"sh"_s, {u"-ec"_s, u"cd \"$0\"; "_s + plants, in(u"work"_s)});
    if (status != 0)
        qFatal("cannot plant: %s", qPrintable(plants));
    return true;
}

void TestFaults::save_data()
{
    QTest::addColumn<Save>("save");

    const bool root = ::geteuid() == 0;
    row("onto a folder default.txt", {.plants = u"rm default.txt; mkdir default.txt"_s, .refused = Reason::IsDirectory});
    row("on a full disk", {.writes = {-ENOSPC}, .refused = Reason::DiskFull, .failing = u"Option"_s});
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
        {.plants = root ? u"chmod 200 Option"_s : u"chmod 600 Option"_s,
         .renameErrors = {{"default.txt", {EPERM}}},
         .refused = Reason::PermissionDenied,
         .said = u"Option 已经改回原样"_s});
    row("default.txt cannot be replaced, the new Option taken away",
        {.plants = u"rm Option"_s,
         .renameErrors = {{"default.txt", {EPERM}}},
         .refused = Reason::PermissionDenied,
         .said = u"新写入的 Option 已经删除，default.txt 没有改动。"_s});
    row("and putting Option back fails too",
        {.renameErrors = {{"default.txt", {EPERM}}, {"Option", {0, EIO}}},
         .refused = Reason::PermissionDenied,
         .said = u"Option 已经换成新的讲台位置，未能改回"_s,
         .newOption = true});
    if (!root) {
        row("write-protected default.txt", {.plants = u"chmod 444 default.txt"_s, .refused = Reason::PermissionDenied});
    }
    row("a folder that may be written but not listed", {.folderMode = 0333});
    row("set-ID bits dropped", {.plants = u"chmod 6750 default.txt"_s});
    row("Option links to default.txt", {.plants = u"ln -sf default.txt Option"_s, .refused = Reason::NotFaithful, .said = u"同一个文件"_s});
    row("default.txt links to a missing Option",
        {.plants = u"rm Option; ln -sf Option default.txt"_s, .refused = Reason::NotFaithful, .said = u"同一个文件"_s});
    // Links are followed by the kernel's rule for shared folders.
    const Plants links = u"mkdir real; mv default.txt real/x; ln -s real/x default.txt"_s;
    const Plants others = links + u"; chown -h 12345 default.txt"_s;
    const Plants chain =
        u"mv default.txt real; ln -s real l1; for i in $(seq 2 %1); do ln -s l$((i - 1)) l$i; done; ln -s l%1 default.txt"_s;
    row("own link", {.plants = links, .folderMode = 01777});
    row("forty links, as many as the kernel follows", {.plants = chain.arg(39)});
    row("another user's link in a private folder", {.plants = others});
    row("another user's link in a shared folder",
        {.plants = others, .folderMode = 01777, .refused = Reason::LinkRefused, .said = u"Option 没有改动，也没有写入 default.txt。"_s});

    // The three files are replaced together, rules.txt between the other two.
    row("rules written", rulesSave(true));
    row("rules.txt removed", rulesSave(false));
    row("rules.txt a link: emptied", {.plants = u"echo x >kept.txt; ln -s kept.txt rules.txt"_s});
    row("default.txt not replaced: Option and rules.txt back",
        rulesSave(true, {{"default.txt", {EPERM}}}, u"Option 已经改回原样，rules.txt 已经改回原样，default.txt 没有改动。"_s));
    row("default.txt not replaced: the removed rules.txt back",
        rulesSave(false, {{"default.txt", {EPERM}}}, u"删除的 rules.txt 已经恢复"_s));
    row("rules.txt not replaced",
        rulesSave(true, {{"rules.txt", {EPERM}}}, u"Option 已经改回原样，rules.txt 没有改动，default.txt 没有改动。"_s));
    row("and putting rules.txt back fails too",
        rulesSave(true, {{"default.txt", {EPERM}}, {"rules.txt", {0, EIO}}},
                  u"default.txt 没有改动，但 rules.txt 已经换成新的规则，未能改回"_s));
    // The record of a Save that did not finish is trusted only as the user's
    // own, whole: anything else changes nothing, at a Save as at start-up.
    const auto untrusted = [](const Plants &plants, const QString &why) {
        return Save{
            .plants = plants + u"; echo y >.sedario-1"_s, .refused = Reason::UntrustedRecord, .said = why, .failing = u".sedario.save"_s};
    };
    row("a damaged record", untrusted(u"echo 'sedario-save 1' >.sedario.save"_s, u"内容不完整或已经损坏"_s));
    row("a record others may change", untrusted(u"echo x >.sedario.save; chmod 666 .sedario.save"_s, u"别的用户也能修改它"_s));
    row("a record through a link", untrusted(u"echo x >r; ln -s r .sedario.save"_s, u"它是一个符号链接"_s));
    row("a record whose staged file is a link",
        untrusted(
            u"rm Option; printf 'sedario-save 1\\nrules.txt write .sedario-a - -\\nOption write .sedario-l - -\\n' >r; touch .sedario-a; "
            u"ln -s r .sedario-l; (cat r; echo sha256 $(sha256sum r | cut -c1-64)) >.sedario.save"_s,
            u"不是本程序的临时文件"_s));
    row("another user's record", untrusted(u"echo x >.sedario.save; chown 12345 .sedario.save"_s, u"它属于另一个用户"_s));
    row("rules.txt links to Option",
        {.plants = u"ln -s Option rules.txt"_s,
         .refused = Reason::NotFaithful,
         .said = u"Option 和 rules.txt 是同一个文件"_s,
         .failing = u"rules.txt"_s,
         .withRules = true});
}

// A folder shared by the teachers of one grade, or on a network, as save_data().
void TestFaults::sharedFolders_data()
{
    QTest::addColumn<Save>("save");
    const Plants shared = u"chgrp 12345 default.txt Option; chmod 664 default.txt Option; setfattr -n user.grade -v 3 default.txt; "_s;
    row("the group, an ACL and the user's attributes kept", {.plants = shared + u"setfacl -m u:12346:rw,g:12347:r default.txt"_s});
    row("where the group cannot be kept, the group gets nothing",
        {.plants = shared + u"setfacl -m u:12346:rw default.txt"_s, .chownError = EPERM, .narrower = 0604});
    row("where the ACL cannot be kept, the owning group gets what it gave within the mask",
        {.plants = shared + u"setfacl -m u:12346:rw,g::rw,m::rx default.txt"_s, .aclError = EPERM, .narrower = 0644});
    row("an ACL the folder hands down is not the file's", {.plants = u"setfacl -d -m u:12346:rwx ."_s});
    row("nor where the file's own ACL cannot be kept",
        {.plants = u"setfacl -d -m u:12346:rwx .; chmod 640 default.txt; setfacl -m u:12347:rw default.txt"_s,
         .aclError = EPERM,
         .narrower = 0640});
    row("on a disk without extended attributes, such as a USB stick", {.attributesError = ENOTSUP});
    row("root gives the file back to its owner", {.plants = u"chown 12346 default.txt; chmod 600 default.txt"_s});
    row("on a file system without locks, a stale temporary file left alone",
        {.plants = u"echo x >.sedario-dead"_s, .folderLockError = ENOLCK, .fileLockError = EOPNOTSUPP});
    row("when no temporary file can be locked, no loop and nothing left",
        {.fileLockError = EWOULDBLOCK,
         .refused = Reason::SystemError,
         .said = u"无法在同一文件夹里建立临时文件"_s,
         .failing = u"Option"_s});
    // Someone who may only read the folder cannot stop a Save.
    const Plants holding = u"(flock -x %1 sh -c ': >held; sleep 3' &); while [ ! -e held ]; do sleep 0.01; done; rm held"_s;
    row("a reader holding a lock on the folder", {.plants = holding.arg(u"."_s)});
    row("a lock file another user planted, open to everyone",
        {.plants = u"touch .sedario.lock; chown 12345 .sedario.lock; chmod 666 .sedario.lock; "_s + holding.arg(u".sedario.lock"_s)});
    row("while another Save holds the folder for two seconds",
        {.folderLockError = EWOULDBLOCK, .refused = Reason::Busy, .said = u"另一个程序正在向"_s});
}

void TestFaults::save()
{
    QFETCH(Save, save);

    if (!plant(save.plants))
        QSKIP("Planting another user's link or group needs root");
    const QString work = in(u"work"_s);
    const QStringList before = everything(work);
    QVERIFY(::chmod(QFile::encodeName(work).constData(), save.folderMode) == 0);
    QMap<QString, std::pair<QByteArray, QFile::Permissions>> files; // never a pipe's
    for (const QString &name : before) {
        if (const QFileInfo file(work + u'/' + name); file.isFile())
            files[name] = {readBytes(file.filePath()), file.permissions()};
    }
    const Attributes kept = attributesOf(work + u"/default.txt"_s);
    SystemCalls::writes = save.writes;
    SystemCalls::syncError = save.syncError;
    SystemCalls::folderSyncError = save.folderSyncError;
    SystemCalls::renameErrors = save.renameErrors;
    SystemCalls::folderLockError = save.folderLockError;
    SystemCalls::fileLockError = save.fileLockError;
    SystemCalls::chownError = save.chownError;
    SystemCalls::aclError = save.aclError;
    SystemCalls::attributesError = save.attributesError;
    const SeatChart chart = chartWith(QString(2000, u'长'), PodiumSide::Bottom);
    const RulesFile::Contents rules = save.withRules ? OneRule : RulesFile::Contents();
    const QString rulesPath = work + u"/rules.txt"_s;
    const bool rulesLinked = QFileInfo(rulesPath).isSymLink();
    const auto error = ::save(chart, rules, work);
    SystemCalls::reset();
    ::chmod(QFile::encodeName(work).constData(), 0755);

    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt, save.refused);
    QStringList after = before;
    if ((!error || save.folderSyncError) && !rulesLinked) {
        after.removeOne(u"rules.txt"_s);
        after << (save.withRules ? QStringList{u"rules.txt"_s} : QStringList());
    }
    const QStringList now = everything(work);
    QCOMPARE(QSet<QString>(now.begin(), now.end()), QSet<QString>(after.begin(), after.end()));
    QCOMPARE(error ? error->path() : work + u'/' + save.failing, work + u'/' + save.failing);
    QVERIFY2(!error || (error->message().contains(save.said) && speaksChinese(error->message())),
             qPrintable(error ? error->message() : QString()));
    if (save.refused == Reason::UntrustedRecord) {
        SeatChart started;
        QCOMPARE(ChartFiles::loadWorkingFiles(started, m_rules, work), QList<FileError>{FileError(*error).setOutcome({})});
    }
    if (!error || save.folderSyncError) {
        // Byte for byte what Save means to write, through a link where there is one.
        QCOMPARE(readBytes(work + u"/default.txt"_s), SeatListFile::format(chart, {}).value());
        QCOMPARE(readBytes(work + u"/Option"_s), Option::format(chart.podiumSide()));
        QCOMPARE(readBytes(rulesPath), save.withRules ? RulesFile::format(rules).value() : QByteArray());
        QCOMPARE(QFileInfo(rulesPath).isSymLink(), rulesLinked);
        SeatChart started;
        RulesFile::Snapshot back;
        QCOMPARE(std::pair(ChartFiles::loadWorkingFiles(started, back, work).size(), back.contents), std::pair(qsizetype(0), rules));
        struct stat status = {};
        QVERIFY(::stat(QFile::encodeName(work + u"/default.txt"_s).constData(), &status) == 0 && (status.st_mode & 07000) == 0);
        QVERIFY(!QFileInfo(work + u"/real"_s).exists() || QFileInfo(work + u"/default.txt"_s).isSymLink());
        Attributes expected = kept;
        if (save.narrower) {
            expected = {std::nullopt, std::nullopt, *save.narrower, kept.extended};
            expected.extended.remove("system.posix_acl_access");
        }
        Attributes saved = attributesOf(work + u"/default.txt"_s);
        if (save.narrower)
            saved.owner = saved.group = std::nullopt;
        QCOMPARE(saved, expected);
        return;
    }
    for (const auto &[name, file] : files.asKeyValueRange()) {
        QCOMPARE(QFileInfo(work + u'/' + name).permissions(), file.second);
        const QByteArray now = save.newOption && name == u"Option" ? Option::format(chart.podiumSide())
            : save.newRules && name == u"rules.txt"                ? RulesFile::format(rules).value()
                                                                   : file.first;
        QCOMPARE(readBytes(work + u'/' + name), now);
    }
}

void TestFaults::filesAreSyncedThenRenamedTogether()
{
    // Every file, and the copy of each old one but the last kept to put it
    // back, are on the disk before the record of the Save, and the record
    // before any file takes its place; the renames follow each other, the
    // folders are synced after them, and the record goes.
    const QList<QByteArray> staged3 = {"sync file", "sync file", "sync file"},
                            record = {"sync file", "rename .sedario.save", "sync folder"};
    QCOMPARE(::save(chartWith(u"甲"_s, PodiumSide::Top), {}, in(u"work"_s)), std::nullopt);
    QCOMPARE(SystemCalls::log, staged3 + record + QList<QByteArray>({"rename Option", "rename default.txt", "sync folder", "sync folder"}));
    SystemCalls::log.clear();
    QCOMPARE(HtmlExport::exportHtmlTable(SeatChart(), in(u"work/plan.html"_s)), std::nullopt);
    QCOMPARE(SystemCalls::log, (QList<QByteArray>{"sync file", "rename plan.html", "sync folder"}));
    // With rules, a new rules.txt joins them; removing it keeps a copy.
    SystemCalls::log.clear();
    QCOMPARE(::save(SeatChart(), OneRule, in(u"work"_s)), std::nullopt);
    QCOMPARE(
        SystemCalls::log,
        staged3 + QList<QByteArray>({"sync file"}) + record
            + QList<QByteArray>({"rename Option", "rename rules.txt", "rename default.txt", "sync folder", "sync folder", "sync folder"}));
    SystemCalls::log.clear();
    QCOMPARE(::save(SeatChart(), {}, in(u"work"_s)), std::nullopt);
    QCOMPARE(SystemCalls::log,
             staged3 + QList<QByteArray>({"sync file"}) + record
                 + QList<QByteArray>({"rename Option", "rename default.txt", "sync folder", "sync folder", "sync folder"}));
    QCOMPARE(everything(in(u"work"_s)), (QStringList{u"default.txt"_s, u"Option"_s, u"plan.html"_s}));
    SystemCalls::log.clear();
    // A folder that cannot be synced is reported once the new table is in place.
    SystemCalls::folderSyncError = EIO;
    const auto error = HtmlExport::exportHtmlTable(SeatChart(), in(u"work/plan.html"_s));
    QVERIFY(error && error->reason() == Reason::IoError && error->message().contains(u"新内容已经写入"));
}

void TestFaults::exportSaysWhatExisted()
{
    // Save As onto a read-only disk, as a new file and over an old one.
    const QString table = in(u"work/plan.html"_s);
    for (const auto &[old, said] :
         {std::pair(QByteArray(), u"没有写入任何文件。"_s), std::pair(QByteArray("<p>"), u"原有文件保持不变。"_s)}) {
        QVERIFY(old.isNull() || writeBytes(table, old));
        SystemCalls::renameErrors = {{"plan.html", {EROFS}}};
        const auto error = HtmlExport::exportHtmlTable(SeatChart(), table);
        QVERIFY(error && error->message().endsWith(u'\n' + said));
        QCOMPARE(readBytes(table), old);
    }
}

void TestFaults::readsSayWhy_data()
{
    QTest::addColumn<Plants>("plants");
    QTest::addColumn<Reason>("reason"); // for default.txt

    QTest::newRow("link loop") << u"rm default.txt; ln -s default.txt default.txt"_s << Reason::LinkLoop;
    QTest::newRow("forty-one links") << u"mv default.txt real; ln -s real l1; for i in $(seq 2 40); do ln -s l$((i - 1)) l$i; done; "
                                        u"ln -s l40 default.txt"_s
                                     << Reason::LinkLoop;
    QTest::newRow("dangling link") << u"ln -sf gone.txt default.txt"_s << Reason::DanglingLink;
    QTest::newRow("link into a missing folder") << u"ln -sf gone/x default.txt"_s << Reason::DanglingLink;
    QTest::newRow("link below a file") << u"ln -sf Option/x default.txt"_s << Reason::NotAFolder;
    QTest::newRow("a pipe") << u"rm default.txt; mkfifo default.txt"_s << Reason::NotRegularFile;
    QTest::newRow("another user's link in a shared folder")
        << u"chmod 1777 .; ln -sf Option default.txt; chown -h 12345 default.txt"_s << Reason::LinkRefused;
    if (::geteuid() != 0) {
        QTest::newRow("unreadable") << u"chmod 0 default.txt"_s << Reason::PermissionDenied;
        QTest::newRow("link into a locked folder") << u"ln -sf /root/x default.txt"_s << Reason::PermissionDenied;
    }
}

void TestFaults::readsSayWhy()
{
    QFETCH(Plants, plants);
    QFETCH(Reason, reason);

    if (!plant(plants))
        QSKIP("Planting another user's link needs root");
    const QString path = in(u"work/default.txt"_s);
    // Start-up says why, as Open does; only a name that is not there at all
    // is passed over in silence.
    SeatChart chart;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(chart, m_rules, in(u"work"_s));
    QCOMPARE(problems.size(), 1);
    QCOMPARE(problems.first().reason(), reason);
    QCOMPARE(problems.first().path(), path);
    QVERIFY2(speaksChinese(problems.first().message()), qPrintable(problems.first().message()));
    QCOMPARE(ChartFiles::loadSeatList(chart, path), std::make_optional(problems.first()));
    QCOMPARE(chart.seat(0), QString());
}

void TestFaults::savesAtTheSameTime()
{
    // Two windows on the same class saving at the same moment, again and
    // again: one Save waits for the other, so that the pair is always one
    // Save's, and neither takes the other's temporary files for dead ones.
    const QString work = in(u"work"_s);
    const SeatChart charts[] = {chartWith(u"丁"_s, PodiumSide::Top), chartWith(u"戊"_s, PodiumSide::Bottom)};
    std::barrier together(2);
    std::atomic<int> failed = 0, mixed = 0;
    const RulesFile::Contents rules;
    const auto saveMany = [&](const SeatChart &chart) {
        for (int round = 0; round < 100; ++round) {
            together.arrive_and_wait();
            failed += ::save(chart, rules, work).has_value();
            together.arrive_and_wait();
            if (&chart == &charts[0]) { // the other is waiting for the next round
                SeatChart saved;
                RulesFile::Snapshot none;
                mixed += !ChartFiles::loadWorkingFiles(saved, none, work).isEmpty() || (saved != charts[0] && saved != charts[1]);
            }
        }
    };
    std::thread other(saveMany, std::cref(charts[1]));
    saveMany(charts[0]);
    other.join();
    QCOMPARE(failed.load(), 0);
    QCOMPARE(mixed.load(), 0);
    QCOMPARE(everything(work), (QStringList{u"default.txt"_s, u"Option"_s}));
    const QFileInfo lock(work + u'/' + QString::fromLatin1(FolderLock::LockName));
    QCOMPARE(lock.permissions() & (QFile::ReadOther | QFile::WriteOther), QFile::Permissions());
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

// A Save of `rules` into `work` that kills itself right after the system
// call so logged; true when it was killed.
bool killedAfter(const QByteArray &call, const QString &work, const RulesFile::Contents &rules = {})
{
    const pid_t child = ::fork();
    if (child == 0) {
        SystemCalls::afterRename = [call](const QByteArray &done) {
            if (done == call)
                ::raise(SIGKILL);
        };
        ::save(chartWith(u"丁"_s, PodiumSide::Bottom), rules, work);
        ::_exit(0);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
}

void TestFaults::savesCutShortOrMetByOthers()
{
    // An export into the folder leaves a killed Save's staged files to its
    // record, and the start-up finishes that Save around Option, which was
    // edited after the kill and keeps the edit.
    const QString work = in(u"work"_s);
    QVERIFY(killedAfter("rename .sedario.save", work));
    QVERIFY(!HtmlExport::exportHtmlTable(SeatChart(), work + u"/plan.html"_s) && writeBytes(work + u"/Option"_s, "1\r\n"));
    SeatChart started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_rules, work), QList<FileError>());
    QCOMPARE(std::pair(started.seat(3), readBytes(work + u"/Option"_s)), std::pair(u"丁"_s, QByteArray("1\r\n")));
    // One killed after its first rename, whose default.txt can no longer be
    // replaced at start-up: Option goes back, and the window is told.
    QVERIFY(killedAfter("rename Option", work) && readBytes(work + u"/Option"_s) == "False\r\n");
    SystemCalls::renameErrors = {{"default.txt", {EPERM}}};
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(started, m_rules, work);
    QVERIFY2(problems.size() == 1 && problems.first().message().contains(u"Option 已经改回原样，default.txt 没有改动。"_s)
                 && readBytes(work + u"/Option"_s) == "1\r\n",
             qPrintable(problems.isEmpty() ? QString() : problems.first().message()));
    QCOMPARE(everything(work), (QStringList{u"default.txt"_s, u"Option"_s, u"plan.html"_s}));
    // A rules.txt made anew after a killed Save removed the old one is not
    // the one its record names, and stays.
    QVERIFY(!::save(SeatChart(), OneRule, work) && killedAfter("rename default.txt", work) && writeBytes(work + u"/rules.txt"_s, "x\r\n"));
    QCOMPARE(std::pair(ChartFiles::loadWorkingFiles(started, m_rules, work).size(), readBytes(work + u"/rules.txt"_s)),
             std::pair(qsizetype(1), QByteArray("x\r\n")));
    // Nor is a rules.txt that an editor writes while a Save runs.
    SystemCalls::afterRename = [&](const QByteArray &call) {
        if (call == "rename .sedario.save")
            writeBytes(work + u"/rules.txt"_s, "y\r\n");
    };
    const auto error = ::save(SeatChart(), OneRule, work);
    QVERIFY(error && error->reason() == Reason::ChangedMeanwhile && error->message().contains(u"Option 已经改回原样"_s));
    QCOMPARE(readBytes(work + u"/rules.txt"_s), QByteArray("y\r\n"));
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
    QCOMPARE(::save(SeatChart(), {}, in(u"work"_s)), std::nullopt);
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
    const auto saved = ::save(chartWith(u"丙"_s, PodiumSide::Top));
    SeatChart started;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(started, m_rules);
    QVERIFY(::unlink("default.txt") == 0 && ::unlink("Option") == 0 && ::unlink(FolderLock::LockName) == 0);
    QVERIFY(QDir::setCurrent(home) && ::rmdir(gbkName.constData()) == 0);
    QCOMPARE(saved, std::nullopt);
    QCOMPARE(problems, QList<FileError>());
    QCOMPARE(started, chartWith(u"丙"_s, PodiumSide::Top));
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
