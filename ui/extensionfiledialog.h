#pragma once

#include <QFileDialog>

// A file dialog whose filters come as "description|pattern|..." pairs (see
// FileFilter) and that tells which pair was chosen. When it adds extensions,
// a typed name that ends in none of the filters' extensions gets that of the
// filter chosen ("座位表 12.7" becomes "座位表 12.7.pdf") before the dialog
// asks whether to replace the file so named, however the name was confirmed
// (Enter in the name box or the 保存 button), and an absolute path stays the
// path typed, also in a folder that does not exist.
class ExtensionFileDialog : public QFileDialog
{
    Q_OBJECT

public:
    ExtensionFileDialog(QWidget *parent, const QString &title, const QString &filter, bool addsExtension);

    // The number of the pair chosen, from 0.
    int chosenFilter() const;
    // After the dialog was accepted: the path chosen, its extension added.
    QString chosenFile() const;

public slots:
    void accept() override;

private:
    QString m_filter;
    bool m_addsExtension;
    QString m_chosen; // where the dialog added an extension
};
