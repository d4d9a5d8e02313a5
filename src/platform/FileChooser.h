#pragma once
// The file-open dialog, behind an interface so tests can answer it.
#include <string>

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `filter` is Qt's: "Name (*.a *.b);;Other (*.c)". True with `chosen` set when a file was
    // picked; false when the dialog was cancelled.
    virtual bool OpenFile(const std::string& title, const std::string& filter,
                          const std::string& defaultSuffix, std::string& chosen) = 0;
};
