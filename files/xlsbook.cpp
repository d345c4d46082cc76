#include "files/xlsbook.h"

#include "files/tabletext.h"
#include "files/uniquefd.h"
#include "files/xlsxbook.h"

#include <freexl.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

FileError refused(const QString &path, const QString &why)
{
    return FileError(FileError::Reason::NotARoster, FileError::Action::Read, path, why);
}

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
        return refused(path, u"表格太大，内存不够"_s);
    return refused(path, u"文件不完整或已损坏，或者不是 Excel 97–2003 工作簿"_s);
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

} // namespace

Result<QList<Worksheet>> XlsBook::read(QByteArrayView bytes, const QString &path)
{
    const UniqueFd memory(memfd_create("sedario-xls", MFD_CLOEXEC));
    if (!memory.valid())
        return FileError::fromErrno(errno, FileError::Action::Read, path);
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t count = ::write(memory.get(), bytes.data() + written, size_t(bytes.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return FileError::fromErrno(count < 0 ? errno : ENOSPC, FileError::Action::Read, path);
        written += count;
    }
    const QByteArray name = "/proc/self/fd/" + QByteArray::number(memory.get());

    // First the sizes alone, so that no sheet is loaded that would be huge.
    int status = FREEXL_OK;
    unsigned int sheetCount = 0;
    {
        const Book info = open(name, false, status);
        if (status != FREEXL_OK)
            return failed(path, status);
        // FreeXL opens a file encrypted with a password (FILEPASS) without
        // error, but gives no workbook for it.
        if (!info)
            return refused(path, u"文件受密码保护，请先在 Excel 或 WPS 里去掉密码再导入"_s);
        unsigned int password = 0;
        if (freexl_get_info(info.get(), FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK && password == FREEXL_BIFF_OBFUSCATED)
            return refused(path, u"文件受密码保护，请先在 Excel 或 WPS 里去掉密码再导入"_s);
        if (freexl_get_info(info.get(), FREEXL_BIFF_SHEET_COUNT, &sheetCount) != FREEXL_OK)
            return failed(path, FREEXL_CRAFTED_FILE);
        sheetCount = std::min<unsigned int>(sheetCount, XlsxBook::MaxSheets);
        for (unsigned short index = 0; index < sheetCount; ++index) {
            unsigned int rows = 0;
            unsigned short columns = 0;
            if (freexl_select_active_worksheet(info.get(), index) != FREEXL_OK
                || freexl_worksheet_dimensions(info.get(), &rows, &columns) != FREEXL_OK)
                return failed(path, FREEXL_CRAFTED_FILE);
            if (qint64(rows) * columns > MaxCells)
                return refused(path, u"表格超过 %1 个单元格，不像一个班的名单"_s.arg(MaxCells));
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
            return refused(path, u"工作表“%1”超过 %2 行，不像一个班的名单"_s.arg(sheet.name).arg(TableText::MaxRows));
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
        return refused(path, u"里面没有工作表"_s);
    return sheets;
}
