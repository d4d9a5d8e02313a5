#include "platform/QtFileChooser.h"

#include <QFileDialog>

bool QtFileChooser::OpenFile(const std::string& title, const std::string& filter,
                             const std::string& defaultSuffix, std::string& chosen)
{
    QFileDialog dialog(m_owner, QString::fromStdString(title));
    dialog.setObjectName(QStringLiteral("FileOpen"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    dialog.setOption(QFileDialog::ReadOnly);
    // Qt's own dialog: the same everywhere, and one that scripts can type a path into.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first().toStdString();
    return true;
}
