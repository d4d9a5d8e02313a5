#include "platform/QtFileChooser.h"

#include <QFileDialog>
#include <QRegularExpression>

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

bool QtFileChooser::SaveFile(const std::string& title, const std::string& filter,
                             const std::string& defaultSuffix, std::string& chosen)
{
    QFileDialog dialog(m_owner, QString::fromStdString(title));
    dialog.setObjectName(QStringLiteral("FileSave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // "Name (*.mp4)" chosen: a bare name gets ".mp4".
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosenFilter) {
        const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
        const QRegularExpressionMatch m = pattern.match(chosenFilter);
        if (m.hasMatch())
            dialog.setDefaultSuffix(m.captured(1));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first().toStdString();
    return true;
}
