// The file dialogs' icons and type names never read a file: not even one
// that another program has replaced by a pipe since the dialog listed it.

#include "testfiles.h"
#include "ui/plainfileiconprovider.h"

#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// A path whose next open finds a pipe, put there just before.
QByteArray pipeAtOpen;

} // namespace

// Where Qt opens its files.
extern "C" int open64(const char *path, int flags, ...)
{
    std::va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    if (!pipeAtOpen.isEmpty() && pipeAtOpen == path) {
        ::unlink(path);
        ::mkfifo(path, 0600);
        pipeAtOpen.clear();
    }
    static auto *const real = reinterpret_cast<int (*)(const char *, int, ...)>(::dlsym(RTLD_NEXT, "open64"));
    return real(path, flags, mode);
}

class TestPlainFileIconProvider : public QObject
{
    Q_OBJECT

private slots:
    void neverReadsAFile();
};

void TestPlainFileIconProvider::neverReadsAFile()
{
    QTemporaryDir folder;
    // A name Qt's own provider reads the content for, as it says nothing of
    // the type.
    const QString path = folder.filePath(u"class"_s);
    QVERIFY(writeBytes(path, "p0\r\n"));
    const QFileInfo listed(path);
    QVERIFY(listed.isFile()); // as the dialog saw it
    pipeAtOpen = QFile::encodeName(path);

    // Should the provider wait for the pipe after all, a writer lets it go
    // after five seconds, and the test fails.
    std::atomic<bool> answered = false, blocked = false;
    std::thread rescue([&, file = pipeAtOpen] {
        for (int waited = 0; waited < 500 && !answered; ++waited)
            ::usleep(10'000);
        blocked = !answered;
        while (!answered) {
            ::close(::open(file.constData(), O_WRONLY | O_NONBLOCK));
            ::usleep(10'000);
        }
    });
    const PlainFileIconProvider provider;
    const QString type = provider.type(listed);
    const QIcon icon = provider.icon(listed);
    answered = true;
    rescue.join();
    pipeAtOpen.clear();

    QVERIFY2(!blocked, "waited for a pipe");
    QCOMPARE(type, QMimeDatabase().mimeTypeForName(u"application/octet-stream"_s).comment());
    QVERIFY(!icon.isNull());
    QCOMPARE(provider.type(QFileInfo(folder.path())), QFileIconProvider().type(QFileInfo(folder.path())));
}

QTEST_MAIN(TestPlainFileIconProvider)
#include "tst_plainfileiconprovider.moc"
