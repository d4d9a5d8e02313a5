#pragma once
// A window stand-in for controller tests: records what the controller asked of the window.
#include "app/ViewHost.h"

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
    void PostCommand(int id) override { posted.push_back(id); }
    void CloseFrame() override { ++closeRequests; }
    void SetTitle(const std::string& t) override { title = t; }
    int RunDialog(int id, int mode) override
    {
        dialogs.emplace_back(id, mode);
        if (dialogHandler)
            return dialogHandler(id, mode);
        int r = dialogResults.empty() ? 0 : dialogResults.front();
        if (!dialogResults.empty())
            dialogResults.pop_front();
        return r;
    }
    StartChoice RunStartDialog() override
    {
        ++startDialogs;
        return startChoice;
    }
    bool OpenDocument(const std::string& path) override
    {
        opened.push_back(path);
        return openResult;
    }

    void SetBusy(const std::string& status) override { busy.push_back(status); }

    QImage screen;
    int presents = 0;
    PageCursor cursor = PageCursor::Arrow;
    std::vector<int> posted;
    int closeRequests = 0;
    std::string title;
    std::vector<std::pair<int, int>> dialogs;
    std::deque<int> dialogResults;
    std::function<int(int, int)> dialogHandler;
    int startDialogs = 0;
    StartChoice startChoice = StartChoice::Open;
    std::vector<std::string> opened;
    bool openResult = true;
    std::vector<std::string> busy;  // every SetBusy text, "" when the busy state ended
};
