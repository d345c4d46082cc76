#pragma once

#include <QString>
#include <QStringList>

// Turns a file filter written as "description|pattern|description|pattern"
// into Qt's name filters, one "description (patterns)" per pair. Patterns
// separated by ";" become separated by blanks, and "*.*" becomes "*", since
// "*.*" would hide the files that have no dot in their name.
class FileFilter
{
public:
    static QStringList toNameFilters(const QString &filter);
    // The extension of the first pattern of pair number `pair` (from 0),
    // without the dot: "pdf" for "*.pdf", nothing for "*.*" or "*".
    static QString extensionOf(const QString &filter, int pair);
};
