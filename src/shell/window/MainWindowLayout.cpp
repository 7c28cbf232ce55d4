// The window's size and layout: the outer size it opens at, the limits of a resize, and the
// regions (the page control and the side strip) placed in the client area.
#include "MainWindow.h"

#include "LayoutRules.h"
#include "MapPages.h"
#include "ReadingsPage.h"
#include "SideStrip.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QTabWidget>

using namespace kelvane;

layout::ResizeCheck TForm1::FormCanResize(int newWidth, int newHeight) const
{
    const QRect outer = frameGeometry();
    return layout::FormCanResize(outer.width(), outer.height(), newWidth, newHeight);
}

void TForm1::resizeOuter(int width, int height)
{
    m_sizeChosen = true;
    const QSize extra = frameExtra();
    resize(width - extra.width(), height - extra.height());
}

QSize TForm1::frameExtra() const
{
    return frameGeometry().size() - size();
}

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The default size is the outer size, frame included; the frame is known once the window exists.
    const QSize extra = frameExtra();
    if (!extra.isEmpty() && !m_sizeChosen) {
        resize(layout::DefaultWindowWidth - extra.width(), layout::DefaultWindowHeight - extra.height());
        centreOnScreen();
    }
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The limits apply to the outer size.
    const QSize extra = frameExtra();
    const QSize now = event->size() + extra;
    const QSize old = (event->oldSize().isValid() ? event->oldSize() : event->size()) + extra;
    const layout::ResizeCheck check = layout::FormCanResize(old.width(), old.height(), now.width(), now.height());
    if (!check.accepted) {
        resize(check.width - extra.width(), check.height - extra.height());
        centreOnScreen();
        return;
    }
    FormResize();
}

void TForm1::FormResize()
{
    if (m_layoutFlag != 1)
        return;
    m_readings->applyWindowWidth(frameGeometry().width());
    m_maps->applyWindowSize(frameGeometry().width(), frameGeometry().height());
    placeRegions();
}

void TForm1::placeRegions()
{
    if (m_layoutFlag != 1)
        return;
    const int stripW = layout::stripWidth(frameGeometry().width());
    const int w = m_frameArea->width();
    const int h = m_frameArea->height();
    PageControl1->setGeometry(0, 0, std::max(0, w - stripW), h);
    m_strip->setGeometry(std::max(0, w - stripW), 0, stripW, h);
}

void TForm1::centreOnScreen()
{
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
}
