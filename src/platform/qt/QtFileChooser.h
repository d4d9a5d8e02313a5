#pragma once
// Qt's file-open and file-save dialogs behind FileChooser.
#include "platform/FileChooser.h"

class QWidget;

class QtFileChooser : public FileChooser {
public:
    explicit QtFileChooser(QWidget* owner = nullptr) : m_owner(owner) {}
    bool OpenFile(const std::string& title, const std::string& filter, const std::string& defaultSuffix,
                  std::string& chosen) override;
    bool SaveFile(const std::string& title, const std::string& filter, const std::string& defaultSuffix,
                  std::string& chosen) override;

private:
    QWidget* m_owner;
};
