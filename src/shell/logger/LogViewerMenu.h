#pragma once
// "file / open log...": opens a CSV log in the log viewer, and lets the viewer's playback drive the
// readings page and the side strip of the main window.
//
// Playback shows on the gauges only while no controller is connected: a connected controller's
// polling owns the gauges and is never disturbed (the viewer then plays in its own window only).
// While a playback drives them the status lamp reads "playback 1x", "playback 4x" or "playback
// paused" (amber, steady) instead of "error COMx". Nothing of the playback reaches the controller's
// link.

#include "LogViewer.h"

#include <QObject>

#include <functional>

class QAction;

namespace kelvane {

class AppState;
class ReadingsPage;
class SideStrip;
class UserInteraction;

class LogViewerMenu : public QObject, public LogPlaybackTarget {
    Q_OBJECT
public:
    // The gauges a playback drives and what tells whether the window is scanning for a controller
    // (the gauges are not free then); `openLog` is the menu item "open log...".
    struct Gauges {
        ReadingsPage &readings;
        SideStrip &strip;
        std::function<bool()> scanning;
    };
    LogViewerMenu(QWidget &window, QAction &openLog, Gauges gauges, AppState &state, UserInteraction &user);

    // Loads a log and shows it in the viewer; a file that cannot be read is reported and leaves the
    // viewer as it was.
    bool openFile(const QString &path);
    // The viewer window (created with the first log).
    LogViewer *viewer() const { return m_viewer; }
    // A playback drives the gauges now (the window's not-connected lamp then stays off).
    bool drivesGauges() const { return m_viewer && m_viewer->drivesGauges(); }

    // LogPlaybackTarget
    bool gaugesFree() const override;
    void showPlaybackRow(const LogTable &table, int row) override;
    void showPlaybackStatus(const QString &status) override;
    void releaseGauges() override;

public slots:
    void openlog1Click();

private:
    QWidget &m_window;
    AppState &m_state;
    UserInteraction &m_user;
    ReadingsPage *m_readings = nullptr;
    SideStrip *m_strip = nullptr;
    std::function<bool()> m_scanning;
    LogViewer *m_viewer = nullptr;
};

} // namespace kelvane
