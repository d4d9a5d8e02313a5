#pragma once
// The pages of the main window: layout, backgrounds and the painters of each view mode.
#include <QImage>
#include <QPoint>

class CNotebook;

class PageViews {
public:
    explicit PageViews(CNotebook& notebook);

    // Page settings read when the page buffer is created (calendar, graph and list layouts).
    void LoadSettings();
    // The detail page's background, loaded when a notebook is opened.
    void LoadDetailBackground();
    // Draws the page of `mode` into the page buffer at (0, 0).
    void DrawPage(int mode);
    // Mouse action (1 press, 2 move, 3 release, 4 double-click) in client coordinates.
    void HandleMouse(int action, QPoint point);
    void Release();

private:
    CNotebook& m_nb;
};
