#pragma once
// What an operation that can fail came to: no message when it succeeded, else the message that
// says what failed and the file it failed on. The caller decides whether and how to tell it;
// the compiler refuses to let it go unread, so a failure is told or dropped with a reason.
#include "res/Strings.h"

#include <string>

struct [[nodiscard]] Result {
    Msg message = Msg::None;
    std::string path;
    bool ok() const { return message == Msg::None; }
    explicit operator bool() const { return ok(); }
    static Result Failed(Msg message, std::string path) { return Result{message, std::move(path)}; }
};

// The message of a failed result followed by its path, for a message box.
std::string ResultText(const Result& result);
