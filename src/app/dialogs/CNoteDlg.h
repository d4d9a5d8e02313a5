#pragma once
// The graph's legend: a small popup without caption, owned by the main window, painted by the
// controller's legend drawing.
#include <QWidget>

#include <functional>

class CNoteDlg : public QWidget {
    Q_OBJECT
public:
    explicit CNoteDlg(QWidget* owner);
    void setPainter(std::function<void(QPainter&)> paint);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> m_paint;
};
