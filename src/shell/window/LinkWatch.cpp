#include "LinkWatch.h"

#include "AppState.h"
#include "FileMenu.h"
#include "ImageCompare.h"
#include "MainWindow.h"
#include "ParameterFile.h"
#include "SettingCaptions.h"
#include "SettingsControls.h"
#include "UserInteraction.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace kelvane {

namespace {

constexpr int WatchTickMs = 200; // LinkRecovery itself keeps an attempt a second
constexpr int ShownDifferences = 12;

QString fieldName(const FieldDifference &d)
{
    const QString caption = settingName(settingCaption(d.field->control));
    return caption.isEmpty() ? QString::fromLatin1(d.field->name) : caption;
}

} // namespace

LinkWatch::LinkWatch(TForm1 &form, FileMenu &files, AppState &state, UserInteraction &user)
    : QObject(&form)
    , m_form(form)
    , m_files(files)
    , m_state(state)
    , m_user(user)
    , m_recovery(state.session)
{
    setObjectName(QStringLiteral("LinkWatch"));
    m_clock.start();
    m_timer = new QTimer(this);
    m_timer->setInterval(WatchTickMs);
    connect(m_timer, &QTimer::timeout, this, [this] { attempt(false); });
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_device.isEmpty() && QFileInfo::exists(m_device))
            attempt(true);
    });
    m_recovery.beforeScan = [this] {
        if (!m_state.session.ports.hasExplicitMappings())
            m_state.session.ports.refresh();
    };
}

LinkWatch::~LinkWatch() = default;

QStringList LinkWatch::choices(bool uploadInterrupted)
{
    if (uploadInterrupted)
        return { QStringLiteral("finish the upload"), QStringLiteral("keep the ECU's settings"),
            QStringLiteral("go back to the last restore point") };
    return { QStringLiteral("keep the ECU's settings"), QStringLiteral("send this program's settings"),
        QStringLiteral("go back to the last restore point") };
}

void LinkWatch::linkLost()
{
    if (m_recovery.active())
        return;
    m_caption = m_form.windowTitle();
    m_imageIncomplete = !m_state.session.connection.rejectedBlocks().empty();
    m_recovery.begin(static_cast<double>(m_clock.elapsed()));
    m_device = QString::fromStdString(m_state.session.ports.deviceForPort(m_recovery.lostPort()));
    m_form.setWindowTitle(m_caption + QStringLiteral(" - link lost"));
    watchDevice();
    m_timer->start();
}

void LinkWatch::watchDevice()
{
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (m_device.isEmpty())
        return;
    // The folder, not the node: the node is gone while the adapter is out.
    const QString folder = QFileInfo(m_device).absolutePath();
    if (QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
}

void LinkWatch::stop()
{
    m_timer->stop();
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (m_recovery.active()) {
        m_recovery.finish();
        m_form.showLinkBack();
    }
}

void LinkWatch::attempt(bool deviceBack)
{
    if (!m_recovery.active() || m_form.scanning())
        return;
    if (m_recovery.attempt(static_cast<double>(m_clock.elapsed()), deviceBack) == RecoveryResult::Found)
        settle();
}

QString LinkWatch::differencesText() const
{
    ParameterImage controller;
    controller.bytes = m_recovery.controllerImage();
    const ImageComparison c = compareImages(controller, m_state.session.image, m_state.session.timeBases);
    QStringList lines;
    for (const FieldDifference &d : c.fields)
        lines << QStringLiteral("%1: ECU %2, program %3").arg(fieldName(d), shownText(d.a), shownText(d.b));
    for (const RegionDifference &d : c.regions)
        lines << QStringLiteral("%1: ECU %2, program %3").arg(d.name, d.a, d.b);
    const int total = static_cast<int>(lines.size());
    if (total > ShownDifferences) {
        lines = lines.mid(0, ShownDifferences);
        lines << QStringLiteral("... and %1 more").arg(total - ShownDifferences);
    }
    return lines.join(QLatin1Char('\n'));
}

void LinkWatch::settle()
{
    m_timer->stop();
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (m_recovery.imageMatches()) {
        resume();
        return;
    }
    if (m_imageIncomplete && !m_state.journal.uploadInterrupted()) {
        // Nothing the window held can be told from what it never read: show the controller's.
        m_state.session.image.bytes = m_recovery.controllerImage();
        m_form.showImage();
        resume();
        return;
    }
    const bool interrupted = m_state.journal.uploadInterrupted();
    const QStringList offered = choices(interrupted);
    const QString question
        = QStringLiteral("The ECU answers again, but it holds other settings than this program shows%1:\n\n%2\n\n"
                         "What is the ECU to hold?")
              .arg(interrupted ? QStringLiteral(" (an upload was cut off)") : QString(), differencesText());
    const int choice = m_user.choose(QString::fromStdString(m_state.texts.applicationTitle), question, offered);
    const QString chosen = choice >= 0 ? offered.at(choice) : QString();
    ControllerSession &s = m_state.session;
    if (chosen == QLatin1String("finish the upload") || chosen == QLatin1String("send this program's settings")) {
        const ImageBytes image = s.image.bytes;
        const UploadResult r = m_files.uploadImage(image, chosen.toStdString(), "reconnect");
        if (!r.ok())
            m_user.message(QStringLiteral("%1 did not get done: %2").arg(chosen, QString::fromStdString(r.message)));
    } else if (chosen == QLatin1String("go back to the last restore point")) {
        QDir folder(restorePointDirectory(QString::fromStdString(m_state.startDirectory)));
        const QStringList points = folder.entryList(QDir::Files, QDir::Name);
        if (points.isEmpty()) {
            m_user.message(QStringLiteral("There is no restore point: the ECU keeps its settings."));
            s.image.bytes = m_recovery.controllerImage();
            m_form.showImage();
        } else {
            m_files.loadFile(folder.filePath(points.last()));
        }
    } else {
        // The ECU's settings stay: the window shows them (nothing is written).
        s.image.bytes = m_recovery.controllerImage();
        m_form.showImage();
    }
    resume();
}

void LinkWatch::resume()
{
    m_recovery.finish();
    ControllerSession &s = m_state.session;
    if (!s.conn.Connected) {
        // An upload failed on the way: look again.
        linkLost();
        return;
    }
    s.polling.resume();
    m_state.adaptation.reconnected();
    m_form.setCaption(Connection::captionFor(
        s.connection.productCaption(), s.conn.HardwareRevision, s.conn.SoftwareRevision, m_recovery.foundPort()));
    m_form.showLinkBack();
}

} // namespace kelvane
