#pragma once
// What the controller needs from the windows: the main client window presents the page
// buffer, draws press feedback, sets the cursor, posts commands and runs the modal dialogs.
// Tests supply their own host, so every operation runs without a display.
#include "animation/AnimationPlayer.h"
#include "app/DayDialogs.h"
#include "app/NotebookSettings.h"
#include "photos/PhotoFit.h"
#include "print/PrintPages.h"
#include "res/Commands.h"
#include "views/GraphPage.h"
#include "views/ListPage.h"
#include "views/PageMouse.h"
#include "weather/InternetSettings.h"

#include <QImage>

#include <functional>
#include <optional>
#include <string>

class Progress;
class QPagedPaintDevice;
class QPainter;

template <class Fields>
using DialogApply = std::function<int(const Fields&)>;

// Dialog identifiers of the resource table (the ids the dialogs carry).
namespace DialogId {
inline constexpr int About = 100;
inline constexpr int Animation = 132;
inline constexpr int Data = 134;
inline constexpr int Print = 135;
inline constexpr int Define = 136;
inline constexpr int Weather = 137;
inline constexpr int Preview = 138;
inline constexpr int Font = 139;
inline constexpr int Graph = 141;
inline constexpr int Start = 143;
inline constexpr int Note = 144;
inline constexpr int Rotate = 145;
inline constexpr int Entry = 147;
inline constexpr int Progress = 148;
inline constexpr int List = 149;
}  // namespace DialogId

// Printing. The print settings dialog's buttons: 印刷 prints with the options read from the
// dialog; 印刷ﾌﾟﾚﾋﾞｭ shows the preview and says whether it ended by printing (the dialog then
// closes).
struct PrintDialogOps {
    bool detailView = false;  // the page on show may be printed (1008 offered and selected)
    std::function<void(const PrintOptions&)> print;
    std::function<bool(const PrintOptions&)> preview;
};
// The preview's sheets: `sheet(k)` draws sheet k (from 0) at the logical sheet size; the dialog
// shows it reduced to `shownSize`.
struct PreviewSheets {
    int count = 0;
    QSize shownSize;
    std::function<QImage(int)> sheet;
};
// Paints the sheets on the device the system print dialog chose; false when that failed.
using PrintOnDevice = std::function<bool(QPagedPaintDevice&)>;
struct PrintOutcome {
    bool confirmed = false;  // the user confirmed the system print dialog
    bool printed = false;
    std::string error;  // why it failed, when it did
};

// Results of the start dialog.
enum class StartChoice { Open, NewNotebook, EndProgram };

class ViewHost {
public:
    virtual ~ViewHost() = default;
    // Copies the page buffer 1:1 to the window at (0, 0).
    virtual void Present(const QImage& page) = 0;
    // Paints straight onto the window (not the page buffer); stays until the next Present.
    virtual void DrawOnWindow(const std::function<void(QPainter&)>& paint) = 0;
    virtual void SetCursor(PageCursor cursor) = 0;
    // Queues a command to the main frame; it runs after the current operation.
    virtual void PostCommand(Command command) = 0;
    // Asks the main frame to close (the close request honours SkipExitConfirmation).
    virtual void CloseFrame() = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // The modal dialogs take the values they open with. On OK they call `apply` with what the
    // user entered: 0 closes the dialog, anything else is the control to correct (the user was
    // told why) and the dialog stays. True when the dialog was closed by OK.
    virtual bool RunEntryDialog(const EntryFields& fields, const DialogApply<EntryFields>& apply) = 0;
    virtual bool RunDayDataDialog(const DayDataFields& fields, const DialogApply<DayDataFields>& apply) = 0;
    virtual bool RunSettingsDialog(const NotebookSettingsFields& fields, SettingsMode mode,
                                   const DialogApply<NotebookSettingsFields>& apply) = 0;
    // The selection dialog works on `place`: a chosen notebook becomes its notebook folder.
    virtual StartChoice RunStartDialog(NotebookPlace& place) = 0;
    // The graph settings dialog opens with `settings`; each change the user makes goes to
    // `preview` at once. The settings chosen on OK; none on Cancel.
    virtual std::optional<GraphSettings>
    RunGraphDialog(const GraphSettings& settings, bool internetEnabled,
                   const std::function<void(const GraphSettings&)>& preview) = 0;
    // The list settings dialog: the mode chosen on OK; none on Cancel.
    virtual std::optional<ListMode> RunListDialog(ListMode mode) = 0;
    // The graph legend: a popup of `size` with its corner at `point` (window coordinates) that
    // `paint` draws; scale 0 hides it.
    virtual void ShowGraphNotes(int scale, QPoint point, QSize size,
                                const std::function<void(QPainter&)>& paint) = 0;
    // Opens a document with the desktop's associated program; false when that failed.
    virtual bool OpenDocument(const std::string& path) = 0;
    // While the program waits for something outside it (the memo editor) and takes no input:
    // a busy cursor and `status` in the status bar. An empty text ends the busy state.
    virtual void SetBusy(const std::string& status) = 0;
    // While the program waits on this thread for the weather site (the place lists, the months
    // of a print): after a moment, a small window with `status` and a stop button that calls
    // `stop`; once it shows, input to every other window is dropped. Input from before stays
    // queued and is taken after the wait, like keys typed ahead. EndWait takes it away.
    virtual void BeginWait(const std::string& status, std::function<void()> stop)
    {
        (void)stop;
        SetBusy(status);
    }
    virtual bool WaitShown() const { return false; }
    virtual void EndWait() { SetBusy({}); }
    // Whether an answer that comes later on a worker can still be shown (the window's event
    // loop runs). A host that draws once without one (--render) needs everything at hand.
    virtual bool DeliversLater() const { return true; }
    // The memo window: edits `text` inside the program. OK calls `save` with the text, which
    // tells the user of a failure and returns false (the window then stays). True when it was
    // closed by OK. A host without windows has none (HasMemoWindow false).
    virtual bool HasMemoWindow() const { return false; }
    virtual bool RunMemoWindow(const std::string& text, const std::function<bool(const std::string&)>& save)
    {
        (void)text;
        (void)save;
        return false;
    }
    // The rotation dialog (145) on `request`; a cancelled dialog answers accepted = false.
    virtual RotateAnswer RunRotateDialog(const RotateRequest& request) = 0;
    // Weather retrieval. The internet settings dialog (137): true when closed by OK.
    virtual bool RunInternetSettingsDialog(const InternetSettingsFields& fields,
                                           const InternetSettingsOps& ops) = 0;
    // The progress dialog (148), made once and kept: shown with `caption` and its stop flag
    // cleared. Its setters may be called from any thread. Null when there is no window.
    virtual Progress* ShowProgressDialog(const std::string& caption) = 0;
    virtual void HideProgressDialog() = 0;
    // The animation dialog (132) on an opened player, its speed edit starting at `speed`. The
    // dialog plays and edits through the player; it returns the speed the edit holds when it
    // closes (what it reads as an integer).
    virtual int RunAnimationDialog(AnimationPlayer& player, int speed) = 0;
    // Printing: the print settings dialog (135), the print preview (138, true when it ended
    // with 印刷) and the system print dialog, which prints through `print` once confirmed.
    virtual void RunPrintDialog(const PrintDialogOps& ops) = 0;
    virtual bool RunPreviewDialog(const PreviewSheets& sheets) = 0;
    virtual PrintOutcome RunSystemPrintDialog(const PrintOnDevice& print) = 0;
};
