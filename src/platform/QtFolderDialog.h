#pragma once
// The desktop's folder chooser behind FolderBrowser.
#include "store/NotebookSettings.h"

class QWidget;

class QtFolderDialog : public FolderBrowser {
public:
    explicit QtFolderDialog(QWidget* owner = nullptr) : m_owner(owner) {}
    int BrowseForFolder(const std::string& initial, const std::string& title, bool newStyle,
                        std::string& chosen) override;

private:
    QWidget* m_owner;
};
