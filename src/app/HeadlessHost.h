#pragma once
// A window that is never shown: pages are drawn into the page buffer and nothing else happens.
// Rendering from the command line and the benchmarks use it.
#include "app/ViewHost.h"

class HeadlessHost : public ViewHost {
public:
    void Present(const QImage&) override {}
    void DrawOnWindow(const std::function<void(QPainter&)>&) override {}
    void SetCursor(PageCursor) override {}
    void PostCommand(int) override {}
    void CloseFrame() override {}
    void SetTitle(const std::string&) override {}
    int RunDialog(int, int) override { return 0; }
    StartChoice RunStartDialog() override { return StartChoice::Open; }
    bool OpenDocument(const std::string&) override { return false; }
    void SetBusy(const std::string&) override {}
};
