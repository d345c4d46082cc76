#include "ui/extensionfiledialog.h"

#include "ui/filefilter.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

ExtensionFileDialog::ExtensionFileDialog(QWidget *parent, const QString &title, const QString &filter, bool addsExtension)
    : QFileDialog(parent, title)
    , m_filter(filter)
    , m_addsExtension(addsExtension)
{
    const QStringList filters = FileFilter::toNameFilters(filter);
    setNameFilters(filters);
    // Qt's own dialog selects the first filter anyway; a desktop's native one
    // is told so.
    selectNameFilter(filters.value(0));
    // The descriptions already name their patterns.
    setOption(QFileDialog::HideNameFilterDetails);
}

int ExtensionFileDialog::chosenFilter() const
{
    // With the patterns hidden the dialog names a filter by its description.
    const QString chosen = selectedNameFilter();
    const QStringList filters = nameFilters();
    return int(std::find_if(filters.begin(), filters.end(), [&](const QString &f) { return f == chosen || f.startsWith(chosen + u" ("_s); })
               - filters.begin());
}

void ExtensionFileDialog::accept()
{
    // Qt's default suffix goes only to a name without a dot, and a name such
    // as "default.txt" would then be written as a PDF.
    const QStringList files = selectedFiles();
    if (m_addsExtension && files.size() == 1 && !QFileInfo(files.first()).isDir()) {
        QStringList extensions;
        for (int pair = 0; pair < nameFilters().size(); ++pair)
            extensions << FileFilter::extensionOf(m_filter, pair);
        const QString extension = FileFilter::extensionOf(m_filter, chosenFilter());
        if (!extension.isEmpty() && !extensions.contains(QFileInfo(files.first()).suffix(), Qt::CaseInsensitive))
            selectFile(files.first() + u'.' + extension);
    }
    QFileDialog::accept();
}
