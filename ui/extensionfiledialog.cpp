#include "ui/extensionfiledialog.h"

#include "ui/filefilter.h"
#include "ui/qtdesktop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

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

QString ExtensionFileDialog::chosenFile() const
{
    return m_chosen.isEmpty() ? selectedFiles().value(0) : m_chosen;
}

void ExtensionFileDialog::accept()
{
    // Qt's default suffix goes only to a name without a dot, and a name such
    // as "default.txt" would then be written as a PDF. Nor can the name be
    // handed back to QFileDialog::accept(): selectFile() leaves the name box
    // as typed while it has the focus, so the file selected in the list (the
    // class list itself, say) would be the one replaced, and it puts its own
    // folder in front of an absolute path whose folder does not exist. So the
    // dialog asks about replacing the file itself.
    m_chosen.clear();
    const QStringList files = selectedFiles();
    if (!m_addsExtension || files.size() != 1 || QFileInfo(files.first()).isDir())
        return QFileDialog::accept();
    QStringList extensions;
    for (int pair = 0; pair < nameFilters().size(); ++pair)
        extensions << FileFilter::extensionOf(m_filter, pair);
    const QString extension = FileFilter::extensionOf(m_filter, chosenFilter());
    if (extension.isEmpty() || extensions.contains(QFileInfo(files.first()).suffix(), Qt::CaseInsensitive))
        return QFileDialog::accept();
    const QFileInfo chosen(files.first() + u'.' + extension);
    if (chosen.isDir())
        return setDirectory(chosen.filePath());
    if (chosen.exists()) {
        // Qt's own question, in its own words, the name as plain text.
        const auto question = QtDesktop::messageBox(
            this, QMessageBox::Warning,
            QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?").arg(chosen.fileName()),
            windowTitle(), QMessageBox::Yes | QMessageBox::No);
        question->setDefaultButton(QMessageBox::No);
        if (question->exec() != QMessageBox::Yes)
            return;
    }
    m_chosen = chosen.filePath();
    QDialog::accept();
}
