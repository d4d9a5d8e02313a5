#pragma once
// The desktop's folder chooser behind FolderBrowser.
#include "platform/FolderBrowser.h"

class QWidget;

class QtFolderDialog : public FolderBrowser {
public:
    explicit QtFolderDialog(QWidget* owner = nullptr) : m_owner(owner) {}
    std::optional<std::string> BrowseForFolder(const std::string& initial, const std::string& title,
                                               bool newStyle) override;

private:
    QWidget* m_owner;
};
