#include "views/PageViews.h"

#include "app/CNotebook.h"

PageViews::PageViews(CNotebook& notebook) : m_nb(notebook) {}

void PageViews::LoadSettings() {}

void PageViews::LoadDetailBackground() {}

void PageViews::DrawPage(int)
{
    m_nb.PageBuffer.fill(Qt::white);
}

void PageViews::HandleMouse(int, QPoint) {}

void PageViews::Release() {}
