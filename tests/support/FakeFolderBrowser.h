#pragma once
// A folder chooser that answers with a set folder (none: cancelled) and keeps the titles it
// was shown.
#include "platform/FolderBrowser.h"

#include <optional>
#include <string>
#include <vector>

class FakeFolderBrowser : public FolderBrowser {
public:
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string& title, bool) override
    {
        titles.push_back(title);
        ++asked;
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> titles;
    int asked = 0;
};
