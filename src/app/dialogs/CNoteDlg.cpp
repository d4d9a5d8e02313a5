#include "app/dialogs/CNoteDlg.h"

#include <QPainter>

CNoteDlg::CNoteDlg(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName("144");
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The pointer passes through: the page below keeps its mouse moves, which hide the legend.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CNoteDlg::setPainter(std::function<void(QPainter&)> paint)
{
    m_paint = std::move(paint);
    update();
}

void CNoteDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_paint)
        m_paint(p);
}
