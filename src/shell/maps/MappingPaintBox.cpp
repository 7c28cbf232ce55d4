// The paint box of the mapping view: the picture it shows and the mouse moves and clicks on it.
#include "MappingViewPage.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <utility>

namespace kelvane {

MappingPaintBox::MappingPaintBox(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintBoxMapowanie"));
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setMinimumSize(300, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MappingPaintBox::setPicture(const QImage &picture)
{
    m_draw = nullptr;
    m_picture = picture;
    update();
}

void MappingPaintBox::setPictureSource(std::function<QImage()> draw)
{
    m_draw = std::move(draw);
    update();
}

const QImage &MappingPaintBox::picture() const
{
    if (m_draw) {
        m_picture = m_draw();
        m_draw = nullptr;
    }
    return m_picture;
}

void MappingPaintBox::paintEvent(QPaintEvent *)
{
    // Blank until a live record has been drawn, and while no controller is connected.
    if (m_show && !m_show())
        return;
    const QImage &shown = picture();
    if (shown.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, shown);
}

void MappingPaintBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit mouseMoved(pos.x(), pos.y());
}

void MappingPaintBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void MappingPaintBox::mouseReleaseEvent(QMouseEvent *event)
{
    // A click: pressed and released on the view with the left button.
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit clicked();
}

} // namespace kelvane
