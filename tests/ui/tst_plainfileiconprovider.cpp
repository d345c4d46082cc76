// The file dialogs' icons and type names never open a file: not even one
// that another program keeps replacing by a pipe while the dialog lists it.

#include "testfiles.h"
#include "ui/plainfileiconprovider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

class TestPlainFileIconProvider : public QObject
{
    Q_OBJECT

private slots:
    void neverOpensAFile();
    void namesByKind();
};

void TestPlainFileIconProvider::neverOpensAFile()
{
    // "class" in the listed folder turns from a file into a pipe and back, as
    // fast as it can; the pipe keeps a name of its own beside, through which
    // anyone who opened it to read is found, and let go.
    QTemporaryDir listed, beside;
    const QByteArray path = QFile::encodeName(listed.filePath(u"class"_s));
    const QByteArray file = QFile::encodeName(beside.filePath(u"file"_s)), link = QFile::encodeName(beside.filePath(u"link"_s));
    const QByteArray pipe = QFile::encodeName(beside.filePath(u"pipe"_s));
    QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
    std::atomic<bool> done = false;
    std::atomic<int> opened = 0;
    std::thread swapper([&] {
        while (!done) {
            if (writeBytes(QFile::decodeName(file), "p0\r\n"))
                ::rename(file.constData(), path.constData());
            if (::link(pipe.constData(), link.constData()) == 0)
                ::rename(link.constData(), path.constData());
            for (int look = 0; look < 3; ++look) {
                if (const int reader = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK); reader >= 0) {
                    ++opened;
                    ::close(reader);
                }
            }
        }
    });
    PlainFileIconProvider provider;
    QFileDialog dialog(nullptr, {}, listed.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&provider);
    dialog.show();
    QElapsedTimer swapping;
    swapping.start();
    while (swapping.elapsed() < 2000) {
        // As the dialog's gatherer looks: at the file system each time.
        QFileInfo info(QFile::decodeName(path));
        info.setCaching(false);
        QVERIFY(!provider.type(info).isEmpty() && !provider.icon(info).isNull());
        QCoreApplication::processEvents();
    }
    done = true;
    swapper.join();
    QCOMPARE(opened.load(), 0);
}

void TestPlainFileIconProvider::namesByKind()
{
    // A file by its name alone, whatever it holds; the rest by kind, in the
    // words of Qt's own provider.
    QTemporaryDir folder;
    QVERIFY(writeBytes(folder.filePath(u"class"_s), "%PDF-1.4\n") && writeBytes(folder.filePath(u"list.txt"_s), "p0\r\n"));
    QVERIFY(::mkfifo(QFile::encodeName(folder.filePath(u"pipe"_s)).constData(), 0600) == 0);
    const PlainFileIconProvider provider;
    const QFileIconProvider qt;
    const QMimeDatabase types;
    QCOMPARE(provider.type(QFileInfo(folder.filePath(u"class"_s))), types.mimeTypeForName(u"application/octet-stream"_s).comment());
    QCOMPARE(provider.type(QFileInfo(folder.filePath(u"list.txt"_s))), types.mimeTypeForName(u"text/plain"_s).comment());
    for (const QString &name : {folder.path(), u"/"_s, folder.filePath(u"pipe"_s)})
        QCOMPARE(provider.type(QFileInfo(name)), qt.type(QFileInfo(name)));
}

QTEST_MAIN(TestPlainFileIconProvider)
#include "tst_plainfileiconprovider.moc"
