#pragma once

// Workbooks written for the tests and benchmarks of the roster readers: the
// parts a reader needs, around a sheet's XML as given.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <minizip/zip.h>

#include <utility>

// A workbook of one sheet, written with minizip: the parts a reader needs,
// the sheet's XML as given and `padding` more parts.
inline bool writeXlsx(const QString &path, const QByteArray &sheet, int padding = 0, const QByteArray &strings = {})
{
    QList<std::pair<const char *, QByteArray>> parts = {
        {"xl/workbook.xml",
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", sheet},
    };
    if (!strings.isEmpty())
        parts.append({"xl/sharedStrings.xml", strings});
    zipFile zip = zipOpen64(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    bool written = zip != nullptr;
    for (const auto &[name, data] : parts) {
        written = written && zipOpenNewFileInZip64(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6, 1) == ZIP_OK
            && zipWriteInFileInZip(zip, data.constData(), unsigned(data.size())) == ZIP_OK && zipCloseFileInZip(zip) == ZIP_OK;
    }
    for (int k = 0; k < padding; ++k) {
        const QByteArray name = "xl/media/" + QByteArray::number(k);
        written = written && zipOpenNewFileInZip64(zip, name.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0, 0) == ZIP_OK
            && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zip && zipClose(zip, nullptr) == ZIP_OK && written;
}

inline QByteArray sheetXml(const QByteArray &rows)
{
    return R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" + rows + "</sheetData></worksheet>";
}

