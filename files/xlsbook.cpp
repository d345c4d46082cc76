#include "files/xlsbook.h"

#include "files/tabletext.h"
#include "files/uniquefd.h"
#include "files/xlsxbook.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QIODevice>

#include <freexl.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <memory>

#ifndef __has_feature
#define __has_feature(feature) 0
#endif


using namespace Qt::StringLiterals;

namespace {

struct BookCloser {
    void operator()(const void *handle) const { freexl_close(handle); }
};
using Book = std::unique_ptr<const void, BookCloser>;

Book open(const QByteArray &name, bool cells, int &status)
{
    const void *handle = nullptr;
    status = cells ? freexl_open(name.constData(), &handle) : freexl_open_info(name.constData(), &handle);
    return Book(handle);
}

FileError failed(const QString &path, int status)
{
    if (status == FREEXL_INSUFFICIENT_MEMORY)
        return FileError::notARoster(path, u"表格太大，内存不够"_s);
    return FileError::notARoster(path, u"文件不完整或已损坏，或者不是 Excel 97–2003 工作簿"_s);
}

QString cellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT: return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE: return QString::number(cell.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
    default: return {};
    }
}

// The workbook at name (the in-memory file), read by FreeXL in this
// process.
Result<QList<Worksheet>> readHere(const QByteArray &name, const QString &path)
{
    // First the sizes alone, so that no sheet is loaded that would be huge.
    int status = FREEXL_OK;
    unsigned int sheetCount = 0;
    {
        const Book info = open(name, false, status);
        if (status != FREEXL_OK)
            return failed(path, status);
        // FreeXL opens a file encrypted with a password (FILEPASS) without
        // error, but gives no workbook for it; so it does for some damaged
        // ones.
        if (!info)
            return FileError::notARoster(path, u"文件受密码保护或者已损坏；有密码的，请先在 Excel 或 WPS 里去掉密码再导入"_s);
        unsigned int password = 0;
        if (freexl_get_info(info.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
            return FileError::encryptedRoster(path);
        if (freexl_get_info(info.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK)
            return failed(path, FREEXL_CRAFTED_FILE);
        sheetCount = std::min<unsigned int>(sheetCount, XlsxBook::MaxSheets);
        for (unsigned short index = 0; index < sheetCount; ++index) {
            unsigned int rows = 0;
            unsigned short columns = 0;
            if (freexl_select_active_worksheet(info.get(), index) != FREEXL_OK
                || freexl_worksheet_dimensions(info.get(), &rows, &columns) != FREEXL_OK)
                return failed(path, FREEXL_CRAFTED_FILE);
            if (qint64(rows) * columns > XlsBook::MaxCells)
                return FileError::notARoster(path, u"表格超过 %1 个单元格，不像一个班的名单"_s.arg(XlsBook::MaxCells));
        }
    }

    const Book book = open(name, true, status);
    if (status != FREEXL_OK || !book)
        return failed(path, status);
    QList<Worksheet> sheets;
    for (unsigned short index = 0; index < sheetCount; ++index) {
        const char *sheetName = nullptr;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_get_worksheet_name(book.get(), index, &sheetName) != FREEXL_OK
            || freexl_select_active_worksheet(book.get(), index) != FREEXL_OK
            || freexl_worksheet_dimensions(book.get(), &rows, &columns) != FREEXL_OK)
            return failed(path, FREEXL_CRAFTED_FILE);
        Worksheet sheet{sheetName ? QString::fromUtf8(sheetName) : QString(), {}};
        if (rows > TableText::MaxRows)
            return FileError::notARoster(path, u"工作表“%1”超过 %2 行，不像一个班的名单"_s.arg(sheet.name).arg(TableText::MaxRows));
        columns = std::min<unsigned short>(columns, TableText::MaxColumns);
        for (unsigned int row = 0; row < rows; ++row) {
            QStringList cells;
            for (unsigned short column = 0; column < columns; ++column) {
                FreeXL_CellValue cell{};
                if (freexl_get_cell_value(book.get(), row, column, &cell) != FREEXL_OK)
                    return failed(path, FREEXL_CRAFTED_FILE);
                cells << cellText(cell);
            }
            sheet.rows << cells;
        }
        sheets << sheet;
    }
    if (sheets.isEmpty())
        return FileError::notARoster(path, u"里面没有工作表"_s);
    return sheets;
}

// The child may not take much more than a class roster could need: its
// address space may grow by ChildHeadroom beyond the program's (FreeXL's
// first pass already allocates every cell that a sheet declares), and it
// may use two seconds of processor time.
void limitChild()
{
#if !defined(__SANITIZE_ADDRESS__) && !__has_feature(address_sanitizer)
    // The address sanitizer reserves terabytes of address space up front.
    constexpr rlim_t ChildHeadroom = rlim_t(512) * 1024 * 1024;
    unsigned long pages = 0;
    if (std::FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlim_t size = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + ChildHeadroom;
    const rlimit memory{size, size};
    ::setrlimit(RLIMIT_AS, &memory);
#endif
    const rlimit processor{2, 2};
    ::setrlimit(RLIMIT_CPU, &processor);
    // A crash ends the child at once: no core file, and none of the
    // handlers the parent installed (a test framework's prints a
    // backtrace).
    const rlimit core{0, 0};
    ::setrlimit(RLIMIT_CORE, &core);
    for (const int fatal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        ::signal(fatal, SIG_DFL);
    // What FreeXL, or a sanitizer catching it, would print is no message
    // for the teacher; the parent words the refusal.
    const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0) {
        ::dup2(nothing, STDERR_FILENO);
        ::close(nothing);
    }
}

// What the child hands back: an error's detail, or the sheets.
QByteArray serialised(const Result<QList<Worksheet>> &result)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << result.ok();
    if (!result.ok()) {
        stream << result.error().detail();
        return bytes;
    }
    stream << qint32(result.value().size());
    for (const Worksheet &sheet : result.value())
        stream << sheet.name << sheet.rows;
    return bytes;
}

std::optional<Result<QList<Worksheet>>> deserialised(const QByteArray &bytes, const QString &path)
{
    QDataStream stream(bytes);
    bool ok = false;
    stream >> ok;
    if (!ok) {
        QString detail;
        stream >> detail;
        if (stream.status() != QDataStream::Ok || detail.isEmpty())
            return std::nullopt;
        return Result<QList<Worksheet>>(FileError::notARoster(path, detail));
    }
    qint32 count = 0;
    stream >> count;
    QList<Worksheet> sheets;
    for (qint32 k = 0; k < count && stream.status() == QDataStream::Ok; ++k) {
        Worksheet sheet;
        stream >> sheet.name >> sheet.rows;
        sheets << sheet;
    }
    if (stream.status() != QDataStream::Ok || !stream.atEnd())
        return std::nullopt;
    return Result<QList<Worksheet>>(sheets);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t count = ::write(fd, bytes.data() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

// The child's answer, read until it closes the pipe, within the deadline
// and the size bound; nullopt when it gives none in time.
std::optional<QByteArray> answer(int fd, QDeadlineTimer deadline)
{
    QByteArray bytes;
    char buffer[64 * 1024];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int waited = ::poll(&ready, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (waited < 0 && errno == EINTR)
            continue;
        if (waited <= 0)
            return std::nullopt;
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 || bytes.size() + count > XlsBook::MaxAnswerBytes)
            return std::nullopt;
        if (count == 0)
            return bytes;
        bytes.append(buffer, count);
    }
}

} // namespace

Result<QList<Worksheet>> XlsBook::read(QByteArrayView bytes, const QString &path)
{
    const UniqueFd memory(memfd_create("sedario-xls", MFD_CLOEXEC));
    if (!memory.valid() || !writeAll(memory.get(), bytes.toByteArray()))
        return FileError::fromErrno(errno, FileError::Action::Read, path);
    const QByteArray name = "/proc/self/fd/" + QByteArray::number(memory.get());

    // FreeXL reads in a child process: a damaged file can make it read past
    // its buffers (fuzzing found one in the decoding of the workbook
    // stream) or count days for seconds, and neither may take the window
    // down or keep the teacher waiting.
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return FileError::fromErrno(errno, FileError::Action::Read, path);
    UniqueFd reading(pipe[0]);
    UniqueFd writing(pipe[1]);
    const QDeadlineTimer deadline(TimeLimitMs);
    const pid_t child = ::fork();
    if (child < 0)
        return FileError::fromErrno(errno, FileError::Action::Read, path);
    if (child == 0) {
        limitChild();
        const bool written = writeAll(writing.get(), serialised(readHere(name, path)));
        ::_exit(written ? 0 : 1);
    }
    writing = UniqueFd();
    const std::optional<QByteArray> bytesBack = answer(reading.get(), deadline);
    if (!bytesBack)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!bytesBack)
        return FileError::notARoster(path, u"读取超过 %1 秒还没有结果，文件可能已损坏"_s.arg(TimeLimitMs / 1000.0));
    // A child that crashed, or whose answer does not read, met a damaged file.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        if (auto result = deserialised(*bytesBack, path))
            return *result;
    }
    return FileError::notARoster(path, u"文件已损坏，无法读取"_s);
}
