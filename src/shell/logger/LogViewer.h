#pragma once
// The log viewer: a CSV log of the data logger (or of `kelvane-cli live`) in a window of its own.
// Each chosen column is a plot over time, all sharing one time axis that zooms (wheel, buttons) and
// pans (right or middle drag); a cursor (left click or drag, or the time slider) shows every
// column's value at one moment in the table beside the plots. Playback moves the cursor in real
// time (1x) or four times as fast and, through a LogPlaybackTarget, drives the readings page of the
// main window as if the car were connected. The viewer only reads the table: nothing it does
// reaches a controller.

#include "LogPlayback.h"
#include "LogTable.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;
class QTimer;
class QVBoxLayout;

namespace kelvane {

// What playback drives besides the viewer (the main window's gauges).
class LogPlaybackTarget {
public:
    virtual ~LogPlaybackTarget() = default;
    // The gauges may show the playback now (no controller is connected).
    virtual bool gaugesFree() const = 0;
    // Show a row of the table; `status` says that (and how) a playback drives them.
    virtual void showPlaybackRow(const LogTable &table, int row) = 0;
    virtual void showPlaybackStatus(const QString &status) = 0;
    // The playback stops driving the gauges (viewer closed, another file).
    virtual void releaseGauges() = 0;
};

// The points of a column to plot between two times (playback time axis), at most about two per
// pixel column: a run of rows longer than that is drawn as the lowest and highest value of each
// bucket, in the order they occur, so no peak is lost. One row either side of the range is
// included so the line reaches the edges.
QList<QPointF> logPlotPoints(const LogTable &table, int column, double from, double to, int pixels);

class LogChartView;

class LogViewer : public QWidget {
    Q_OBJECT
public:
    explicit LogViewer(QWidget *parent = nullptr);
    ~LogViewer() override;

    // Shows a table (read by loadLogTable); `name` is the file's name for the caption.
    void setTable(LogTable table, const QString &name);
    const LogTable &table() const { return *m_table; }
    void setPlaybackTarget(LogPlaybackTarget *target) { m_target = target; }

    // The columns shown as plots, in column order.
    void setPlotted(int column, bool on);
    std::vector<int> plottedColumns() const;
    LogChartView *chartFor(int column) const;

    // The visible time range (playback time axis, seconds).
    void setTimeRange(double from, double to);
    double rangeFrom() const { return m_from; }
    double rangeTo() const { return m_to; }
    void zoomBy(double factor, double around);
    void panBy(double seconds);
    void fitAll();

    // The cursor; playback continues from it.
    void setCursorTime(double seconds);
    double cursorTime() const { return m_clock->position(); }
    int cursorRow() const { return m_clock->row(); }
    // The value the table shows for a column at the cursor.
    QString valueText(int column) const;

    // Playback.
    void play();
    void pause();
    bool playing() const { return m_clock->playing(); }
    bool setSpeed(int factor);
    int speed() const { return m_clock->speed(); }
    // What the playback timer does every tick: elapsedMs of real time have passed.
    void advance(int elapsedMs);
    // The playback drives the window's gauges now.
    bool drivesGauges() const { return m_driving && m_target && m_target->gaugesFree(); }

signals:
    void cursorMoved(double seconds);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void rebuildCharts();
    void replot();
    void showCursor();
    void showValues(int row);
    void showPosition();
    void showPlayState();
    void toGauges(bool newRow);
    void releaseGauges();
    void onTimer();

    std::unique_ptr<LogTable> m_table;
    std::unique_ptr<PlaybackClock> m_clock;
    LogPlaybackTarget *m_target = nullptr;
    bool m_driving = false; // from the first play until the viewer closes or shows another file
    int m_shownRow = -1;
    double m_from = 0, m_to = 1;
    std::vector<bool> m_plotted;
    std::vector<LogChartView *> m_charts; // per column, null when not plotted
    QString m_name;

    QPushButton *m_play = nullptr;
    QComboBox *m_speed = nullptr;
    QSlider *m_slider = nullptr;
    QLabel *m_position = nullptr;
    QTableWidget *m_values = nullptr;
    QVBoxLayout *m_chartLayout = nullptr;
    QLabel *m_status = nullptr;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_elapsed;
    bool m_updatingControls = false;
};

} // namespace kelvane
