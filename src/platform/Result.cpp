#include "platform/Result.h"

std::string ResultText(const Result& result)
{
    std::string text = LoadString(result.message);
    if (!result.path.empty())
        text += "\n" + result.path;
    // The system's reason ("Read-only file system"): the message alone names no cause.
    if (!result.detail.empty())
        text += "\n" + result.detail;
    return text;
}
