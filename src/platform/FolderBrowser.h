#pragma once
// The folder chooser behind an interface so tests can answer it.
#include <optional>
#include <string>

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder; none when cancelled. `initial` may be empty.
    virtual std::optional<std::string> BrowseForFolder(const std::string& initial, const std::string& title,
                                                       bool newStyle) = 0;
};
