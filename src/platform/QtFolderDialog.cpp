#include "platform/QtFolderDialog.h"

#include <QFileDialog>

int QtFolderDialog::BrowseForFolder(const std::string& initial, const std::string& title, bool newStyle,
                                    std::string& chosen)
{
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    // The plain style has no new-folder button.
    if (!newStyle)
        options |= QFileDialog::ReadOnly;
    QString folder = QFileDialog::getExistingDirectory(m_owner, QString::fromStdString(title),
                                                       QString::fromStdString(initial), options);
    if (folder.isEmpty())
        return 2;
    chosen = folder.toStdString();
    return 1;
}
