#pragma once
// What the window does around an exchange that blocks it (an upload, an error-memory read, a scan):
// the polling timer paused and the wait cursor shown, both undone however the exchange ends.

#include <QApplication>
#include <QTimer>

namespace kelvane {

// The polling timer stays stopped for the exchange and runs again afterwards if it ran before.
class TimerPause {
public:
    explicit TimerPause(QTimer *timer)
        : m_timer(timer)
        , m_was(timer->isActive())
    {
        timer->stop();
    }
    ~TimerPause()
    {
        if (m_was)
            m_timer->start();
    }
    TimerPause(const TimerPause &) = delete;
    TimerPause &operator=(const TimerPause &) = delete;

private:
    QTimer *m_timer;
    bool m_was;
};

// The wait cursor while a long exchange blocks the window.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace kelvane
