#include "MappingViewPaint.h"

#include "Readings.h"

#include <QPainter>

#include <cmath>

namespace kelvane {

namespace {

int trunc(double v)
{
    return static_cast<int>(std::trunc(v));
}

QString fixed(double v, int decimals, char dp)
{
    return QString::fromStdString(screenFixed(v, decimals, dp));
}

// Text whose top-left corner is at (x, y), as the view's labels are placed.
void textAt(QPainter &p, int x, int y, const QString &text)
{
    const QFontMetrics fm(p.font());
    p.drawText(QPoint(x, y + fm.ascent()), text);
}

// Text at (x, y) on a white ground.
void readoutAt(QPainter &p, int x, int y, const QString &text)
{
    const QFontMetrics fm(p.font());
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), Qt::white);
    textAt(p, x, y, text);
}

} // namespace

QImage paintMappingPicture(int width, int height, const MappingPicture &in, maps::MappingGeometry *geometryOut)
{
    using namespace maps;
    const int W = std::max(1, width);
    const int H = std::max(1, height);
    const MappingGeometry g = mappingGeometry(W, H, in.image, in.timeBases);
    if (geometryOut)
        *geometryOut = g;

    QImage picture(W, H, QImage::Format_RGB32);
    QPainter p(&picture);
    QFont font = p.font();
    font.setFamily(QStringLiteral("Arial"));

    // 1. White ground and the zero-percent line.
    p.fillRect(0, 0, W, H, Qt::white);
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(0, trunc(H * 0.5), W, trunc(H * 0.5));

    // 4. Time grid, 0 to 24 ms.
    font.setPointSize(8);
    p.setFont(font);
    QPen gridPen(mappingColours::grid(), 1, Qt::DotLine);
    for (int i = 0; i <= 24; ++i) {
        const int x = timeGridX(g, i);
        p.setPen(gridPen);
        p.drawLine(x, 0, x, H);
        p.setPen(mappingColours::grid());
        textAt(p, x, H - 16, QString::number(i));
    }
    // 5. Pressure grid.
    for (int i = 0; i <= 22; ++i) {
        const int y = pressureGridY(g, i);
        p.setPen(gridPen);
        p.drawLine(0, y, W, y);
        if (i >= 1 && i <= 21) {
            p.setPen(mappingColours::grid());
            textAt(
                p, 1, trunc(H - i * static_cast<double>(H) / 22 - 8), fixed(pressureGridBar(g, i), 2, in.decimalPoint));
        }
    }
    // 6. Percentage scale.
    p.setPen(QPen(mappingColours::grid(), 1, Qt::SolidLine));
    for (int v = -40; v <= 80; v += 10) {
        const int y = percentToY(g, v);
        p.drawLine(W, y, W - 10, y);
        textAt(p, W - 25, trunc(H * 0.5 - v * H * PercentPerHeight - 4), QString::number(v));
    }

    // 7, 8. Both sample sets.
    p.setPen(QPen(Qt::black, 2));
    for (const SampleMark &m : sampleMarks(g, in.samples, in.timeBases)) {
        const QRect box(QPoint(m.left, m.top), QPoint(m.right, m.bottom));
        if (m.setB) {
            p.setBrush(in.highlight);
            p.drawEllipse(box);
        } else {
            p.setBrush(mappingColours::setA());
            p.drawRect(box);
        }
    }
    p.setBrush(Qt::NoBrush);

    // 9. Readouts under the pointer.
    font.setPointSize(12);
    p.setFont(font);
    p.setPen(Qt::black);
    const Readouts r = readouts(g, in.mouseX, in.mouseY, in.selected);
    readoutAt(p, W - 288, 1, QStringLiteral("in: ") + fixed(r.ms, 2, in.decimalPoint));
    readoutAt(p, W - 216, 1, QStringLiteral("v: ") + fixed(r.bar, 2, in.decimalPoint));
    readoutAt(p, W - 144, 1, QStringLiteral("K: ") + QString::number(r.percent));
    readoutAt(p, W - 72, 1, QStringLiteral("S: ") + QString::number(r.selected));

    // 10. The 2D-map curve.
    const std::vector<ViewPoint> curve = curvePoints(g, map2DValues(in.image));
    QPen curvePen(mappingColours::curve(), 3);
    p.setPen(curvePen);
    for (std::size_t i = 1; i < curve.size(); ++i)
        p.drawLine(curve[i - 1].x, curve[i - 1].y, curve[i].x, curve[i].y);
    // 11. Vertex marks: the vertices are points 1 to 16 of the curve.
    for (int i = 0; i < Map2DEntries; ++i) {
        const ViewPoint &v = curve[static_cast<std::size_t>(i + 1)];
        const bool selected = i == in.selected;
        const int radius = selected ? 6 : 4;
        p.setBrush(selected ? mappingColours::selectedMark() : mappingColours::mark());
        p.drawEllipse(QPoint(v.x, v.y), radius, radius);
    }

    // 12. The live operating point.
    const LivePoint lp = livePoint(g, in.live, in.timeBases);
    const int lx = trunc(lp.x);
    const int ly = trunc(lp.y);
    p.setPen(QPen(mappingColours::mark(), 1));
    p.setBrush(mappingColours::mark());
    p.drawLine(lx, ly, 20, ly);
    p.drawLine(lx, H - 20, lx, ly);
    p.setBrush(mappingColours::livePoint());
    p.drawEllipse(QPoint(lx, ly), 7, 7);
    p.end();
    return picture;
}

} // namespace kelvane
