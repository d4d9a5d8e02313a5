#include "platform/qt/QtFolderDialog.h"

#include <QFileDialog>

std::optional<std::string> QtFolderDialog::BrowseForFolder(const std::string& initial,
                                                           const std::string& title, bool newStyle)
{
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    // The plain style has no new-folder button.
    if (!newStyle)
        options |= QFileDialog::ReadOnly;
    QString folder = QFileDialog::getExistingDirectory(m_owner, QString::fromStdString(title),
                                                       QString::fromStdString(initial), options);
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}
