#pragma once
// A window stand-in for controller tests: records what the controller asked of the window.
#include "app/ViewHost.h"
#include "print/PrintSheets.h"

#include <QPainter>

#include <deque>
#include <vector>

class FakeViewHost : public ViewHost {
public:
    void Present(const QImage& page) override
    {
        screen = page.copy();
        ++presents;
    }
    void DrawOnWindow(const std::function<void(QPainter&)>& paint) override
    {
        if (screen.isNull())
            return;
        QPainter p(&screen);
        paint(p);
    }
    void SetCursor(PageCursor c) override { cursor = c; }
    void PostCommand(Command command) override { posted.push_back(CommandId(command)); }
    void CloseFrame() override { ++closeRequests; }
    void SetTitle(const std::string& t) override { title = t; }
    bool RunEntryDialog(const EntryFields& fields, const DialogApply<EntryFields>& apply) override
    {
        dialogs.emplace_back(DialogId::Entry, 0);
        return entryDialog ? entryDialog(fields, apply) : nextResult();
    }
    bool RunDayDataDialog(const DayDataFields& fields, const DialogApply<DayDataFields>& apply) override
    {
        dialogs.emplace_back(DialogId::Data, 0);
        return dataDialog ? dataDialog(fields, apply) : nextResult();
    }
    bool RunSettingsDialog(const NotebookSettingsFields& fields, SettingsMode mode,
                           const DialogApply<NotebookSettingsFields>& apply) override
    {
        dialogs.emplace_back(DialogId::Define, static_cast<int>(mode));
        return settingsDialog ? settingsDialog(fields, mode, apply) : nextResult();
    }
    std::optional<GraphSettings>
    RunGraphDialog(const GraphSettings& settings, bool internet,
                   const std::function<void(const GraphSettings&)>& preview) override
    {
        dialogs.emplace_back(DialogId::Graph, internet ? 1 : 0);
        if (graphDialog)
            return graphDialog(settings, preview);
        return nextResult() ? std::optional<GraphSettings>(settings) : std::nullopt;
    }
    bool HasMemoWindow() const override { return bool(memoWindow); }
    bool RunMemoWindow(const std::string& text, const std::function<bool(const std::string&)>& save) override
    {
        return memoWindow(text, save);
    }
    std::optional<ListMode> RunListDialog(ListMode mode) override
    {
        dialogs.emplace_back(DialogId::List, static_cast<int>(mode));
        if (listDialog)
            return listDialog(mode);
        return nextResult() ? std::optional<ListMode>(mode) : std::nullopt;
    }
    void ShowGraphNotes(int scale, QPoint point, QSize size,
                        const std::function<void(QPainter&)>& paint) override
    {
        notes.emplace_back(scale, point);
        if (scale != 0) {
            notesPicture = QImage(size, QImage::Format_RGB32);
            QPainter p(&notesPicture);
            paint(p);
        }
    }
    StartChoice RunStartDialog(NotebookPlace& place) override
    {
        ++startDialogs;
        return startDialog ? startDialog(place) : startChoice;
    }
    bool OpenDocument(const std::string& path) override
    {
        opened.push_back(path);
        return openResult;
    }

    void SetBusy(const std::string& status) override { busy.push_back(status); }
    // A wait for the site: its stop is kept, for the test to press.
    void BeginWait(const std::string& status, std::function<void()> stop) override
    {
        busy.push_back(status);
        waitStop = std::move(stop);
    }
    void EndWait() override
    {
        busy.push_back({});
        waitStop = nullptr;
    }
    bool DeliversLater() const override { return deliversLater; }
    RotateAnswer RunRotateDialog(const RotateRequest& request) override
    {
        dialogs.emplace_back(DialogId::Rotate, static_cast<int>(request.mode));
        rotateRequests.push_back(request);
        return rotateAnswer;
    }
    bool RunInternetSettingsDialog(const InternetSettingsFields& fields,
                                   const InternetSettingsOps& ops) override
    {
        dialogs.emplace_back(DialogId::Weather, 0);
        return internetDialog ? internetDialog(fields, ops) : nextResult();
    }
    // The worker may report from its thread: the fake keeps only what the last call said.
    Progress* ShowProgressDialog(const std::string& caption) override
    {
        progressCaption = caption;
        ++progressShown;
        return progressFake ? progressFake : nullptr;
    }
    void HideProgressDialog() override { ++progressHidden; }
    int RunAnimationDialog(AnimationPlayer& player, int speed) override
    {
        dialogs.emplace_back(DialogId::Animation, static_cast<int>(player.mode()));
        return animationDialog ? animationDialog(player, speed) : speed;
    }
    void RunPrintDialog(const PrintDialogOps& ops) override
    {
        dialogs.emplace_back(DialogId::Print, ops.detailView ? 1 : 0);
        if (printDialog)
            printDialog(ops);
    }
    bool RunPreviewDialog(const PreviewSheets& sheets) override
    {
        dialogs.emplace_back(DialogId::Preview, sheets.count);
        return previewDialog ? previewDialog(sheets) : nextResult();
    }
    // Confirmed when a PDF file is named: the sheets go there, as the print dialog's file does.
    PrintOutcome RunSystemPrintDialog(const PrintOnDevice& print) override
    {
        ++systemPrintDialogs;
        PrintOutcome r;
        if (printPdf.empty())
            return r;
        r.confirmed = true;
        const Result written = WritePdfFile(printPdf, DefaultPdfPageLayout(), 72, print);
        r.printed = written.ok();
        r.error = written ? std::string() : PdfFailureText(written);
        return r;
    }

    bool nextResult()
    {
        int r = dialogResults.empty() ? 0 : dialogResults.front();
        if (!dialogResults.empty())
            dialogResults.pop_front();
        return r == 1;
    }

    QImage screen;
    int presents = 0;
    PageCursor cursor = PageCursor::Arrow;
    std::vector<int> posted;
    int closeRequests = 0;
    std::string title;
    std::vector<std::pair<int, int>> dialogs;  // (dialog id, mode) of every dialog run
    // A dialog's handler plays the user: it may hand values to `apply` and says whether the
    // dialog closed by OK. Without one the next of dialogResults (1 OK, 0 Cancel; Cancel when
    // none is left) closes it without applying anything.
    std::deque<int> dialogResults;
    std::function<bool(const EntryFields&, const DialogApply<EntryFields>&)> entryDialog;
    std::function<bool(const DayDataFields&, const DialogApply<DayDataFields>&)> dataDialog;
    std::function<bool(const NotebookSettingsFields&, SettingsMode, const DialogApply<NotebookSettingsFields>&)>
        settingsDialog;
    std::function<std::optional<GraphSettings>(const GraphSettings&,
                                               const std::function<void(const GraphSettings&)>&)>
        graphDialog;
    std::function<std::optional<ListMode>(ListMode)> listDialog;
    // The memo window: none unless set; it gets the text and the save the controller passes.
    std::function<bool(const std::string&, const std::function<bool(const std::string&)>&)> memoWindow;
    std::vector<std::pair<int, QPoint>> notes;  // every legend request: (scale, point)
    QImage notesPicture;                        // the legend as last painted
    int startDialogs = 0;
    StartChoice startChoice = StartChoice::Open;
    std::function<StartChoice(NotebookPlace&)> startDialog;
    std::vector<std::string> opened;
    bool openResult = true;
    std::vector<RotateRequest> rotateRequests;
    RotateAnswer rotateAnswer;  // what the rotation dialog answers (Cancel by default)
    std::function<bool(const InternetSettingsFields&, const InternetSettingsOps&)> internetDialog;
    Progress* progressFake = nullptr;
    std::string progressCaption;
    int progressShown = 0, progressHidden = 0;
    std::vector<std::string> busy;  // every SetBusy text, "" when the busy state ended
    std::function<void()> waitStop;  // the stop of the wait under way
    bool deliversLater = true;       // false: a host that draws once (--render, --print-pdf)
    // Plays the user in the animation dialog; returns the speed left in its edit.
    std::function<int(AnimationPlayer&, int)> animationDialog;
    std::function<void(const PrintDialogOps&)> printDialog;
    std::function<bool(const PreviewSheets&)> previewDialog;
    std::string printPdf;  // where the system print dialog prints; empty: it is cancelled
    int systemPrintDialogs = 0;
};
