#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One sheet of a workbook as text: its name and its rows of cells, each cell
// as the spreadsheet shows it (a number as its digits).
struct Worksheet {
    QString name;
    QList<QStringList> rows;
};
