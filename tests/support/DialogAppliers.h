#pragma once
// What a dialog's OK hands its values to when a test opens the dialog itself: the controller
// operation, with 0 to close and otherwise the control to correct.
#include "app/CNotebook.h"
#include "app/ViewHost.h"

inline DialogApply<EntryFields> EntryApply(CNotebook& nb)
{
    return [&nb](const EntryFields& f) {
        int focus = 0;
        return nb.ApplyEntry(f, &focus) ? 0 : focus;
    };
}

inline DialogApply<DayDataFields> DayDataApply(CNotebook& nb)
{
    return [&nb](const DayDataFields& f) {
        int focus = 0;
        return nb.ApplyDayData(f, &focus) ? 0 : focus;
    };
}

inline DialogApply<NotebookSettingsFields> SettingsApply(CNotebook& nb, SettingsMode mode)
{
    return [&nb, mode](const NotebookSettingsFields& f) { return nb.ApplySettings(mode, f) ? 0 : 1020; };
}
