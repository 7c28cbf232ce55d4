#pragma once
// One plot of the log viewer: a column of the log over the shared time axis, with the cursor line.
// The wheel zooms around the pointer, a right or middle drag pans, a left click or drag moves the
// cursor, a double click shows the whole log; the viewer keeps every plot on the same range.

#include <QChartView>

class QGraphicsLineItem;
class QLineSeries;
class QValueAxis;

namespace kelvane {

class LogTable;
class LogViewer;

class LogChartView : public QChartView {
    Q_OBJECT
public:
    LogChartView(LogViewer &viewer, const LogTable &table, int column, QWidget *parent = nullptr);

    int column() const { return m_column; }
    QLineSeries *series() const { return m_series; }
    QValueAxis *timeAxis() const { return m_timeAxis; }
    QValueAxis *valueAxis() const { return m_valueAxis; }

    // The time range shown; the line is rebuilt for it.
    void setRange(double from, double to);
    void setCursorTime(double seconds);
    // The time under a point of the plot (viewport coordinates), and the x of a time there.
    double timeAt(const QPoint &viewPoint) const;
    int viewXOf(double seconds) const;
    // Where the cursor line is drawn (viewport x), -1 when outside the range.
    int cursorViewX() const;

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeCursor();
    void reload();

    LogViewer &m_viewer;
    const LogTable &m_table;
    int m_column;
    QLineSeries *m_series = nullptr;
    QValueAxis *m_timeAxis = nullptr;
    QValueAxis *m_valueAxis = nullptr;
    QGraphicsLineItem *m_cursorLine = nullptr;
    double m_cursor = 0;
    double m_from = 0, m_to = 1;
    int m_loadedWidth = -1; // plot width the line was decimated for
    Qt::MouseButton m_drag = Qt::NoButton;
    QPoint m_last;
};

} // namespace kelvane
