#include "LogViewerMenu.h"

#include "AppState.h"
#include "ReadingsPage.h"
#include "SideStrip.h"
#include "UserInteraction.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace kelvane {

LogViewerMenu::LogViewerMenu(QWidget &window, QAction &openLog, Gauges gauges, AppState &state, UserInteraction &user)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_user(user)
    , m_readings(&gauges.readings)
    , m_strip(&gauges.strip)
    , m_scanning(std::move(gauges.scanning))
{
    setObjectName(QStringLiteral("LogViewerMenu"));
    connect(&openLog, &QAction::triggered, this, &LogViewerMenu::openlog1Click);
}

void LogViewerMenu::openlog1Click()
{
    const QString path = m_user.chooseLogToOpen(QDir::currentPath());
    if (!path.isEmpty())
        openFile(path);
}

bool LogViewerMenu::openFile(const QString &path)
{
    LogLoadResult r = loadLogTable(QFile::encodeName(path).toStdString());
    if (!r.ok) {
        m_user.message(QStringLiteral("The log %1 cannot be shown: %2").arg(path, QString::fromStdString(r.error)));
        return false;
    }
    if (!m_viewer) {
        m_viewer = new LogViewer(&m_window);
        m_viewer->setPlaybackTarget(this);
    }
    m_viewer->setTable(std::move(r.table), QFileInfo(path).fileName());
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
    return true;
}

bool LogViewerMenu::gaugesFree() const
{
    return !m_state.session.conn.Connected && !m_scanning();
}

void LogViewerMenu::showPlaybackRow(const LogTable &table, int row)
{
    const ParameterImage &image = m_state.session.image;
    const TimeBases &tb = m_state.session.timeBases;
    const LiveData live = playbackLiveData(table, row, image, tb);
    const DisplayContext c { live, image, tb, systemDecimalPoint() };
    if (m_readings->isVisible()) {
        m_readings->showReadings(c);
        m_readings->feedScope(c);
    }
    m_strip->showStrip(c);
}

void LogViewerMenu::showPlaybackStatus(const QString &status)
{
    m_strip->showStatus(LampState { 2, false, status.toStdString() });
}

void LogViewerMenu::releaseGauges()
{
    if (!gaugesFree())
        return; // a controller shows on them
    // Nothing of the recording stays on the gauges.
    LiveData none;
    none.setU16(rec::RpmPeriod, 0xFFFF); // no engine speed
    const DisplayContext c { none, m_state.session.image, m_state.session.timeBases, systemDecimalPoint() };
    m_readings->showReadings(c);
    m_strip->showStrip(c);
    m_strip->showStatus(notConnectedLamp(m_state.statusTexts));
}

} // namespace kelvane
