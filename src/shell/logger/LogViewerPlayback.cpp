// The log viewer's time range, cursor and playback, and the playback rows it hands to the readings gauges.
#include "LogViewer.h"

#include "DisplayContext.h"
#include "LogViewerChart.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {
// The narrowest range the zoom goes to: a few rows.
constexpr double MinRangeSeconds = 0.5;

QString number(double v, int decimals)
{
    QString s = QString::number(v, 'f', decimals);
    const char dp = systemDecimalPoint();
    if (dp != '.')
        s.replace(QLatin1Char('.'), QLatin1Char(dp));
    return s;
}
} // namespace

void LogViewer::setTimeRange(double from, double to)
{
    const double start = m_table->startTime();
    const double end = std::max(m_table->endTime(), start + MinRangeSeconds);
    if (!std::isfinite(from) || !std::isfinite(to))
        return;
    const double width = std::clamp(to - from, MinRangeSeconds, end - start);
    from = std::clamp(from, start, end - width);
    m_from = from;
    m_to = from + width;
    for (LogChartView *c : m_charts) {
        if (c)
            c->setRange(m_from, m_to);
    }
}

void LogViewer::zoomBy(double factor, double around)
{
    if (!(factor > 0) || !std::isfinite(around))
        return;
    around = std::clamp(around, m_from, m_to);
    const double from = around - (around - m_from) * factor;
    setTimeRange(from, from + (m_to - m_from) * factor);
}

void LogViewer::panBy(double seconds)
{
    setTimeRange(m_from + seconds, m_to + seconds);
}

void LogViewer::fitAll()
{
    setTimeRange(m_table->startTime(), m_table->endTime());
}

void LogViewer::setCursorTime(double seconds)
{
    m_clock->seek(seconds);
    showCursor();
}

void LogViewer::advance(int elapsedMs)
{
    if (!m_clock->playing())
        return;
    m_clock->tick(elapsedMs);
    // During playback the plots follow the cursor a page at a time.
    const double t = m_clock->position();
    if (t > m_to || t < m_from) {
        const double width = m_to - m_from;
        setTimeRange(t - width * 0.1, t + width * 0.9);
    }
    showCursor();
    if (!m_clock->playing())
        showPlayState(); // the end of the recording
}

void LogViewer::onTimer()
{
    advance(static_cast<int>(m_elapsed.restart()));
}

void LogViewer::showCursor()
{
    const double t = m_clock->position();
    for (LogChartView *c : m_charts) {
        if (c)
            c->setCursorTime(t);
    }
    const int row = m_clock->row();
    if (row != m_shownRow) {
        m_shownRow = row;
        showValues(row);
        toGauges(true);
    }
    showPosition();
    emit cursorMoved(t);
}

void LogViewer::showValues(int row)
{
    if (row < 0)
        return;
    m_values->item(0, 1)->setText(number(m_table->time(row), 2));
    for (int c = 0; c < m_table->columnCount(); ++c)
        m_values->item(c + 1, 1)->setText(number(m_table->value(c, row), 3));
}

QString LogViewer::valueText(int column) const
{
    const QTableWidgetItem *item = m_values->item(column + 1, 1);
    return item ? item->text() : QString();
}

void LogViewer::showPosition()
{
    const double start = m_table->startTime();
    m_updatingControls = true;
    m_slider->setValue(static_cast<int>(std::lround((m_clock->position() - start) * 1000.0)));
    m_updatingControls = false;
    m_position->setText(QStringLiteral("%1 / %2 s").arg(number(m_clock->position(), 2), number(m_table->endTime(), 2)));
}

void LogViewer::play()
{
    if (m_table->rowCount() == 0)
        return;
    m_clock->play();
    m_driving = true;
    m_elapsed.start();
    m_timer->start();
    showPlayState();
    // The row at the cursor goes to the gauges at once (also when play starts the log over).
    m_shownRow = -1;
    showCursor();
}

void LogViewer::pause()
{
    m_clock->pause();
    m_timer->stop();
    showPlayState();
}

bool LogViewer::setSpeed(int factor)
{
    if (factor != 1 && factor != 4)
        return false;
    m_clock->setSpeed(factor);
    {
        const QSignalBlocker block(m_speed);
        m_speed->setCurrentIndex(factor == 4 ? 1 : 0);
    }
    showPlayState();
    return true;
}

void LogViewer::showPlayState()
{
    const bool on = m_clock->playing();
    if (!on)
        m_timer->stop();
    m_play->setText(on ? QStringLiteral("pause") : QStringLiteral("play"));
    QStringList status;
    if (m_table->rowCount() == 0) {
        status << QStringLiteral("The log holds no rows.");
    } else {
        status << QStringLiteral("%1 rows, %2 columns, %3 s")
                      .arg(m_table->rowCount())
                      .arg(m_table->columnCount())
                      .arg(number(m_table->endTime() - m_table->startTime(), 1));
    }
    for (const std::string &w : m_table->warnings())
        status << QString::fromStdString(w);
    if (m_driving && m_target) {
        status << (m_target->gaugesFree()
                ? QStringLiteral("The readings page shows this playback.")
                : QStringLiteral("A controller is connected: the readings page shows the controller, the "
                                 "playback runs in this window only."));
    }
    m_status->setText(status.join(QStringLiteral("  ")));
    toGauges(false);
}

void LogViewer::toGauges(bool newRow)
{
    if (!drivesGauges())
        return;
    m_target->showPlaybackStatus(
        m_clock->playing() ? QStringLiteral("playback %1x").arg(m_clock->speed()) : QStringLiteral("playback paused"));
    if (newRow && m_shownRow >= 0)
        m_target->showPlaybackRow(*m_table, m_shownRow);
}

void LogViewer::releaseGauges()
{
    if (m_driving && m_target)
        m_target->releaseGauges();
    m_driving = false;
}

} // namespace kelvane
