#include "platform/Result.h"

std::string ResultText(const Result& result)
{
    std::string text = LoadString(result.message);
    if (!result.path.empty())
        text += "\n" + result.path;
    return text;
}
