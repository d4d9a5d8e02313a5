#pragma once
// The file-open and file-save dialogs, behind an interface so tests can answer them.
#include <string>

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `filter` is Qt's: "Name (*.a *.b);;Other (*.c)". True with `chosen` set when a file was
    // picked; false when the dialog was cancelled.
    virtual bool OpenFile(const std::string& title, const std::string& filter,
                          const std::string& defaultSuffix, std::string& chosen) = 0;
    // The save dialog: a name typed without an extension gets the chosen filter's (at first
    // `defaultSuffix`), and an existing file is written over only after the user confirmed it.
    virtual bool SaveFile(const std::string& title, const std::string& filter,
                          const std::string& defaultSuffix, std::string& chosen) = 0;
};
