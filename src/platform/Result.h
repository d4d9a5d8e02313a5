#pragma once
// What an operation that can fail came to: no message when it succeeded, else the message that
// says what failed and the file it failed on. The caller decides whether and how to tell it;
// the compiler refuses to let it go unread, so a failure is told or dropped with a reason.
#include "res/Strings.h"

#include <string>

struct [[nodiscard]] Result {
    Msg message = Msg::None;
    std::string path;
    // What the system said about the failure (its error text), when it said anything: for a
    // message that shows it after the path, and for the logs.
    std::string detail;
    bool ok() const { return message == Msg::None; }
    explicit operator bool() const { return ok(); }
    static Result Failed(Msg message, std::string path, std::string detail = {})
    {
        return Result{message, std::move(path), std::move(detail)};
    }
    // The same failure under another message: a caller that knows what the write was for says
    // so, and keeps the file and the system's words.
    Result as(Msg other) const { return ok() ? *this : Result{other, path, detail}; }
};

// The message of a failed result followed by its path and the system's reason, for a message box.
std::string ResultText(const Result& result);
