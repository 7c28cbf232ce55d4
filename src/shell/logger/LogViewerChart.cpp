#include "LogViewerChart.h"

#include "LogTable.h"
#include "LogViewer.h"

#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QLineSeries>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {
const QColor LineColors[] = { QColor(0x1f, 0x5f, 0xbf), QColor(0xb0, 0x30, 0x20), QColor(0x20, 0x80, 0x30),
    QColor(0x80, 0x30, 0xa0), QColor(0xc0, 0x70, 0x00), QColor(0x10, 0x80, 0x90) };

// The value axis runs over all rows of the column, with a little room above and below; a
// column that never goes below zero (speeds, times, voltages) keeps its axis from zero up.
std::pair<double, double> valueRange(const std::vector<float> &values)
{
    double lo = 0, hi = 0;
    bool any = false;
    for (float v : values) {
        if (!std::isfinite(v))
            continue;
        lo = any ? std::min(lo, double(v)) : v;
        hi = any ? std::max(hi, double(v)) : v;
        any = true;
    }
    if (hi - lo < 1e-9) {
        const double pad = std::max(1.0, std::fabs(hi) * 0.1);
        return { lo - pad, hi + pad };
    }
    const double pad = (hi - lo) * 0.05;
    return { lo >= 0 ? std::max(0.0, lo - pad) : lo - pad, hi + pad };
}

// A round step (1, 2 or 5 times a power of ten) of at least `rough`, and the decimals it needs.
double roundStep(double rough)
{
    if (!(rough > 0) || !std::isfinite(rough))
        return 1;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    const double m = rough / power;
    return (m <= 1 ? 1 : m <= 2 ? 2 : m <= 5 ? 5 : 10) * power;
}

QString labelFormat(double step)
{
    const int decimals = std::clamp(static_cast<int>(-std::floor(std::log10(step) + 1e-9)), 0, 6);
    return QStringLiteral("%.%1f").arg(decimals);
}
} // namespace

LogChartView::LogChartView(LogViewer &viewer, const LogTable &table, int column, QWidget *parent)
    : QChartView(parent)
    , m_viewer(viewer)
    , m_table(table)
    , m_column(column)
{
    setObjectName(QStringLiteral("LogChart%1").arg(column));
    setRenderHint(QPainter::Antialiasing, false);
    setDragMode(QGraphicsView::NoDrag);
    setRubberBand(QChartView::NoRubberBand);
    setMinimumHeight(120);

    auto *c = new QChart;
    c->legend()->hide();
    c->setAnimationOptions(QChart::NoAnimation);
    c->setBackgroundRoundness(0);
    c->setMargins(QMargins(2, 2, 2, 2));
    c->layout()->setContentsMargins(0, 0, 0, 0);
    QFont title = font();
    title.setBold(true);
    c->setTitleFont(title);
    c->setTitle(QString::fromStdString(table.columnName(column)));

    m_series = new QLineSeries;
    m_series->setName(c->title());
    m_series->setPen(QPen(LineColors[static_cast<std::size_t>(column) % std::size(LineColors)], 1.5));
    c->addSeries(m_series);
    m_timeAxis = new QValueAxis;
    m_timeAxis->setTitleText(QString());
    m_timeAxis->setTickType(QValueAxis::TicksDynamic);
    m_timeAxis->setTickAnchor(0);
    m_valueAxis = new QValueAxis;
    // Four or five round steps from a round value below the lowest to one above the highest.
    const auto [lo, hi] = valueRange(table.column(column));
    const double step = roundStep((hi - lo) / 4);
    const double bottom = std::floor(lo / step) * step, top = std::ceil(hi / step) * step;
    m_valueAxis->setRange(bottom, top);
    m_valueAxis->setTickCount(static_cast<int>(std::lround((top - bottom) / step)) + 1);
    m_valueAxis->setLabelFormat(labelFormat(step));
    c->addAxis(m_timeAxis, Qt::AlignBottom);
    c->addAxis(m_valueAxis, Qt::AlignLeft);
    m_series->attachAxis(m_timeAxis);
    m_series->attachAxis(m_valueAxis);
    // QChartView made a default chart of its own; setChart does not delete it.
    QChart *defaultChart = chart();
    setChart(c);
    delete defaultChart;

    m_cursorLine = new QGraphicsLineItem(c);
    m_cursorLine->setPen(QPen(QColor(0xd0, 0x00, 0x00), 1));
    m_cursorLine->setZValue(100);
    m_cursorLine->hide();
    connect(c, &QChart::plotAreaChanged, this, [this] {
        if (static_cast<int>(chart()->plotArea().width()) != m_loadedWidth)
            reload();
        placeCursor();
    });
}

void LogChartView::setRange(double from, double to)
{
    m_from = from;
    m_to = to;
    m_timeAxis->setRange(from, to);
    // About eight time marks on round seconds, whatever the zoom.
    const double step = roundStep((to - from) / 8);
    m_timeAxis->setTickInterval(step);
    m_timeAxis->setLabelFormat(labelFormat(step));
    reload();
    placeCursor();
}

void LogChartView::reload()
{
    m_loadedWidth = static_cast<int>(chart()->plotArea().width());
    m_series->replace(logPlotPoints(m_table, m_column, m_from, m_to, std::max(m_loadedWidth, 100)));
}

void LogChartView::setCursorTime(double seconds)
{
    m_cursor = seconds;
    placeCursor();
}

void LogChartView::placeCursor()
{
    const QRectF area = chart()->plotArea();
    if (area.isEmpty() || m_cursor < m_from || m_cursor > m_to) {
        m_cursorLine->hide();
        return;
    }
    const double x = chart()->mapToPosition(QPointF(m_cursor, m_valueAxis->min()), m_series).x();
    m_cursorLine->setLine(x, area.top(), x, area.bottom());
    m_cursorLine->show();
}

double LogChartView::timeAt(const QPoint &viewPoint) const
{
    const QPointF inChart = chart()->mapFromScene(mapToScene(viewPoint));
    return chart()->mapToValue(inChart, m_series).x();
}

int LogChartView::viewXOf(double seconds) const
{
    const QPointF inChart = chart()->mapToPosition(QPointF(seconds, m_valueAxis->min()), m_series);
    return mapFromScene(chart()->mapToScene(inChart)).x();
}

int LogChartView::cursorViewX() const
{
    if (!m_cursorLine->isVisible())
        return -1;
    return mapFromScene(chart()->mapToScene(m_cursorLine->line().p1())).x();
}

void LogChartView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    // One notch in shows 80 % of the range, around the time under the pointer.
    m_viewer.zoomBy(std::pow(0.8, delta / 120.0), timeAt(event->position().toPoint()));
    event->accept();
}

void LogChartView::mousePressEvent(QMouseEvent *event)
{
    m_drag = event->button();
    m_last = event->position().toPoint();
    if (m_drag == Qt::LeftButton)
        m_viewer.setCursorTime(timeAt(m_last));
    event->accept();
}

void LogChartView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag == Qt::LeftButton) {
        m_viewer.setCursorTime(timeAt(at));
    } else if (m_drag == Qt::RightButton || m_drag == Qt::MiddleButton) {
        const double width = chart()->plotArea().width();
        if (width > 0)
            m_viewer.panBy(-(at.x() - m_last.x()) * (m_to - m_from) / width);
    }
    m_last = at;
    event->accept();
}

void LogChartView::mouseReleaseEvent(QMouseEvent *event)
{
    m_drag = Qt::NoButton;
    event->accept();
}

void LogChartView::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_viewer.fitAll();
    event->accept();
}

void LogChartView::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    placeCursor();
}

} // namespace kelvane
