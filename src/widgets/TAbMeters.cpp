#include "TAb180Meter.h"
#include "TAb270Meter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

void paintBezelAndFace(QPainter &p, const QPainterPath &outer, const QPainterPath &inner, const QPointF &light)
{
    QLinearGradient bezel(0, -100, 0, 100);
    bezel.setColorAt(0, QColor(0x6a, 0x6e, 0x72));
    bezel.setColorAt(1, QColor(0x1c, 0x1e, 0x20));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawPath(outer);

    QRadialGradient face(light, 130);
    face.setColorAt(0, QColor(0xff, 0xff, 0xff));
    face.setColorAt(1, QColor(0xdc, 0xde, 0xe0));
    p.setBrush(face);
    p.setPen(QPen(QColor(0x10, 0x10, 0x10), 0.8));
    p.drawPath(inner);
}

// Half disk over the pivot with a rounded foot that holds the value box.
QPainterPath halfDial(double r, double footBottom, double corner)
{
    QPainterPath top;
    top.moveTo(-r, 0);
    top.arcTo(QRectF(-r, -r, 2 * r, 2 * r), 180, -180);
    top.lineTo(r, 0);
    top.closeSubpath();
    QPainterPath foot;
    foot.addRoundedRect(QRectF(-r, -corner, 2 * r, footBottom + corner), corner, corner);
    return top.united(foot);
}

} // namespace

TAb270Meter::TAb270Meter(QWidget *parent)
    : TAbMeterBase(270.0, parent)
{
}

void TAb270Meter::paintFace(QPainter &p) const
{
    QPainterPath outer, inner;
    outer.addEllipse(QPointF(0, 0), 99.5, 99.5);
    inner.addEllipse(QPointF(0, 0), 95, 95);
    paintBezelAndFace(p, outer, inner, QPointF(-30, -40));
}

TAb180Meter::TAb180Meter(QWidget *parent)
    : TAbMeterBase(180.0, parent)
{
}

void TAb180Meter::paintFace(QPainter &p) const
{
    paintBezelAndFace(p, halfDial(99.5, 54.5, 10), halfDial(95, 50, 7), QPointF(-30, -50));
}
