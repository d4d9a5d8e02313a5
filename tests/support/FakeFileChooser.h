#pragma once
// A file dialog that answers with a set path (empty: cancelled) and keeps what it was shown.
#include "platform/FileChooser.h"

#include <string>

class FakeFileChooser : public FileChooser {
public:
    bool OpenFile(const std::string&, const std::string& filter, const std::string& suffix,
                  std::string& chosen) override
    {
        return answerWith(filter, suffix, chosen);
    }
    bool SaveFile(const std::string&, const std::string& filter, const std::string& suffix,
                  std::string& chosen) override
    {
        ++saves;
        return answerWith(filter, suffix, chosen);
    }
    std::string answer;
    std::string lastFilter, lastSuffix;
    int saves = 0;

private:
    bool answerWith(const std::string& filter, const std::string& suffix, std::string& chosen)
    {
        lastFilter = filter;
        lastSuffix = suffix;
        if (answer.empty())
            return false;
        chosen = answer;
        return true;
    }
};
