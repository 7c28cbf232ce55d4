#include "LogViewerMenu.h"

#include "AppState.h"
#include "MainWindow.h"
#include "ReadingsPage.h"
#include "SideStrip.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace kelvane {

LogViewerMenu::LogViewerMenu(TForm1 &form, AppState &state)
    : QObject(&form)
    , m_form(form)
    , m_state(state)
{
    setObjectName(QStringLiteral("LogViewerMenu"));
    m_readings = form.findChild<ReadingsPage *>(QStringLiteral("TabSheet1"));
    m_strip = form.findChild<SideStrip *>(QStringLiteral("PanelPasek"));
    if (!m_readings || !m_strip)
        qFatal("the log viewer needs the readings page and the side strip");
    if (auto *open = form.findChild<QAction *>(QStringLiteral("openlog1")))
        connect(open, &QAction::triggered, this, &LogViewerMenu::openlog1Click);
}

void LogViewerMenu::openlog1Click()
{
    // Nobody answers a dialog in a run without message boxes.
    if (m_form.hasMessageSink())
        return;
    const QString path = QFileDialog::getOpenFileName(
        &m_form, QStringLiteral("Open a log"), QDir::currentPath(), QStringLiteral("CSV log (*.csv);;All files (*)"));
    if (!path.isEmpty())
        openFile(path);
}

bool LogViewerMenu::openFile(const QString &path)
{
    LogLoadResult r = loadLogTable(QFile::encodeName(path).toStdString());
    if (!r.ok) {
        m_form.showMessage("The log " + path.toStdString() + " cannot be shown: " + r.error);
        return false;
    }
    if (!m_viewer) {
        m_viewer = new LogViewer(&m_form);
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
    return !m_state.session.conn.Connected && !m_form.scanning();
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
