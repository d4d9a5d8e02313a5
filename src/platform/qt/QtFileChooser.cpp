#include "platform/qt/QtFileChooser.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace {
bool runFileDialog(QFileDialog& dialog, const std::string& filter, const std::string& defaultSuffix,
                   std::string& chosen)
{
    dialog.setNameFilter(QString::fromStdString(filter));
    dialog.setDefaultSuffix(QString::fromStdString(defaultSuffix));
    // Qt's own dialog: the same everywhere, and one that scripts can type a path into.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    chosen = dialog.selectedFiles().first().toStdString();
    return true;
}
}  // namespace

bool QtFileChooser::OpenFile(const std::string& title, const std::string& filter,
                             const std::string& defaultSuffix, std::string& chosen)
{
    QFileDialog dialog(m_owner, QString::fromStdString(title));
    dialog.setObjectName(QStringLiteral("FileOpen"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly);
    return runFileDialog(dialog, filter, defaultSuffix, chosen);
}

bool QtFileChooser::SaveFile(const std::string& title, const std::string& filter,
                             const std::string& defaultSuffix, std::string& chosen)
{
    QFileDialog dialog(m_owner, QString::fromStdString(title));
    dialog.setObjectName(QStringLiteral("FileSave"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // "Name (*.mp4)" chosen: a bare name gets ".mp4". An existing file is confirmed first
    // (Qt's save dialog asks unless told not to).
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& chosenFilter) {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("\\*\\.([A-Za-z0-9]+)")).match(chosenFilter);
        if (m.hasMatch())
            dialog.setDefaultSuffix(m.captured(1));
    });
    return runFileDialog(dialog, filter, defaultSuffix, chosen);
}
