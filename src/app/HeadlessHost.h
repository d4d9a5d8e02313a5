#pragma once
// A window that is never shown: pages are drawn into the page buffer and nothing else happens.
// Rendering from the command line and the benchmarks use it.
#include "app/ViewHost.h"

class HeadlessHost : public ViewHost {
public:
    void Present(const QImage&) override {}
    void DrawOnWindow(const std::function<void(QPainter&)>&) override {}
    void SetCursor(PageCursor) override {}
    void PostCommand(Command) override {}
    void CloseFrame() override {}
    void SetTitle(const std::string&) override {}
    bool RunEntryDialog(const EntryFields&, const DialogApply<EntryFields>&) override { return false; }
    bool RunDayDataDialog(const DayDataFields&, const DialogApply<DayDataFields>&) override { return false; }
    bool RunSettingsDialog(const NotebookSettingsFields&, SettingsMode,
                           const DialogApply<NotebookSettingsFields>&) override
    {
        return false;
    }
    std::optional<GraphSettings> RunGraphDialog(const GraphSettings&, bool,
                                                const std::function<void(const GraphSettings&)>&) override
    {
        return std::nullopt;
    }
    std::optional<ListMode> RunListDialog(ListMode) override { return std::nullopt; }
    void ShowGraphNotes(int, QPoint, QSize, const std::function<void(QPainter&)>&) override {}
    StartChoice RunStartDialog(NotebookPlace&) override { return StartChoice::Open; }
    bool OpenDocument(const std::string&) override { return false; }
    void SetBusy(const std::string&) override {}
    bool DeliversLater() const override { return false; }
    RotateAnswer RunRotateDialog(const RotateRequest&) override { return {}; }
    bool RunInternetSettingsDialog(const InternetSettingsFields&, const InternetSettingsOps&) override
    {
        return false;
    }
    Progress* ShowProgressDialog(const std::string&) override { return nullptr; }
    void HideProgressDialog() override {}
    int RunAnimationDialog(AnimationPlayer&, int speed) override { return speed; }
    void RunPrintDialog(const PrintDialogOps&) override {}
    bool RunPreviewDialog(const PreviewSheets&) override { return false; }
    PrintOutcome RunSystemPrintDialog(const PrintOnDevice&) override { return {}; }
};
