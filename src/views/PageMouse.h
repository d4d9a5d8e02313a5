#pragma once
// What a page makes of the mouse: the cursor to show, press feedback to draw on the window and
// a request the controller carries out. Pages never act on the notebook themselves.
#include "res/Commands.h"

#include <QDate>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <optional>

enum class PageCursor { Arrow, Hand, Animation };

enum class MouseAction { Press = 1, Move = 2, Release = 3, DoubleClick = 4 };

struct PageAction {
    enum Kind {
        OpenDay,       // load `date` (it has a record) and show its detail page
        AskCreateDay,  // `date` has no record: ask whether to begin it
        StepMonth,     // show the month `step` (-1 or +1) away
        StepDay,       // show the recorded day `step` away from the current one
        StepListPage,  // the list page turns its page by `step`, to the page starting at `date`
        RunCommand,    // run menu command `command` after this event
    };
    Kind kind;
    QDate date;
    int step = 0;
    Command command{};

    bool operator==(const PageAction&) const = default;
};

// Drawn straight on the window until the next present: a piece of a picture at `at`, or else
// an outline of `frame` in the highlight pen.
struct PressFeedback {
    QImage piece;
    QPoint at;
    QRect frame;
};

struct PageMouseResult {
    std::optional<PageCursor> cursor;  // set on a move: the hand while something can be clicked
    std::optional<PressFeedback> feedback;
    std::optional<PageAction> action;
    bool erasePress = false;    // the press feedback on the window is stale: present the page again
    std::optional<int> legend;  // graph: 0 hides the legend, 1-3 shows that scale's at the pointer
};
