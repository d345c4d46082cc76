#include "ui/filefilter.h"

using namespace Qt::StringLiterals;

QStringList FileFilter::toNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts);
        for (QString &pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == u"*.*"_s)
                pattern = u"*"_s;
        }
        filters << parts.at(i) + u" ("_s + patterns.join(u' ') + u')';
    }
    return filters;
}

QString FileFilter::extensionOf(const QString &filter, int pair)
{
    // "*.pdf" gives "pdf"; "*", "*.*" and a missing pair give none.
    const QString pattern = filter.split(u'|').value(2 * pair + 1).split(u';').value(0).trimmed();
    return pattern.startsWith(u"*."_s) && pattern != u"*.*"_s ? pattern.mid(2) : QString();
}
