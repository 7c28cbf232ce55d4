#pragma once
// The window's side of a lost link. When polling reports the link lost, the side strip's lamp
// reads "link lost", the caption says so, the readings are greyed as stale (the scope stops, as it
// is fed only by decoded records), a running adaptation stops and says why, and LinkRecovery
// looks for the controller: every second, and at once when the port's device node appears again
// (a watch on its folder). A controller found again is compared with the image the window holds:
// the same, polling goes on where it was; different (an upload cut by the pull, another tool), the
// fitter chooses what the controller is to hold. An unattended run is never written to.

#include "LinkRecovery.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;
class TForm1;

namespace kelvane {

class AppState;
class FileMenu;
class UserInteraction;

class LinkWatch : public QObject {
    Q_OBJECT
public:
    // The window's parts that show the loss, the file menu that uploads, the program's state.
    LinkWatch(TForm1 &form, FileMenu &files, AppState &state, UserInteraction &user);
    ~LinkWatch() override;

    // Polling found the link lost.
    void linkLost();
    // The fitter connected by hand (F10): the watch ends.
    void stop();
    bool active() const { return m_recovery.active(); }
    LinkRecovery &recovery() { return m_recovery; }

    // The choices offered when the controller holds other settings than the window.
    static QStringList choices(bool uploadInterrupted);

public slots:
    // One attempt when due; `deviceBack` when the device node just appeared.
    void attempt(bool deviceBack = false);

private:
    void watchDevice();
    void settle();
    void resume();
    void showStale(bool stale);
    QString differencesText() const;

    TForm1 &m_form;
    FileMenu &m_files;
    AppState &m_state;
    UserInteraction &m_user;
    LinkRecovery m_recovery;
    QTimer *m_timer = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QString m_device; // the lost port's device
    QString m_caption; // the caption before the loss
    // The window never held the whole image (blocks of the last read were rejected, or the pull
    // cut it): what the controller holds is taken without a question.
    bool m_imageIncomplete = false;
    QElapsedTimer m_clock;
};

} // namespace kelvane
