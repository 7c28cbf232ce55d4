#pragma once
// The menu "file" and the reset under "options": "save to disk", "load to ECU", "restore point...",
// "compare with ECU...", "report..." (ReportItem.h) and "RESET ECU". The window's side of the parameter files and the
// whole-image uploads: the file dialogs, the progress bar, the polling timer stopped for the
// upload's time, the messages. The files and the uploads themselves are the session's
// (ParameterFile.h, ImageUpload.h).

#include "ImageUpload.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QProgressBar;
class QTimer;
class QWidget;

namespace kelvane {

class AppState;
class ConnectionView;
class ReportItem;
class UserInteraction;

// The items of the window's menus that FileMenu serves.
struct FileMenuItems {
    QMenu *file = nullptr; // "restore point...", "compare with ECU..." and "report..." go in before `exit`
    QAction *save = nullptr;
    QAction *load = nullptr;
    QAction *reset = nullptr;
    QAction *exit = nullptr;
};

// The name a save writes to when the parameter folder did not exist yet: the date goes into the
// chosen name just before its extension, so the file keeps the extension its filter shows
// ("car.kvset" on 10 December 2026 becomes "car2026-12-10.kvset"; "car" becomes "car2026-12-10").
QString datedFirstSaveName(const QString &chosenPath, const QDate &today);

class FileMenu : public QObject {
    Q_OBJECT
public:
    // Wires the items and adds "restore point..." and "compare with ECU..." to "file". An upload
    // shows on `display` and `progress` and pauses `pollTimer`.
    FileMenu(QWidget &window, const FileMenuItems &items, ConnectionView &display, QProgressBar &progress,
        QTimer &pollTimer, AppState &state, UserInteraction &user);

    // The date of a first save; today's unless a test fixes it.
    std::function<QDate()> today;

    // The result of the last load or reset (for tests and the command line of the future).
    const UploadResult &lastUpload() const { return m_last; }
    ReportItem &reportItem() const { return *m_reportItem; }

public slots:
    void savetodisk1Click();
    void loadtoECU1Click();
    void RESET1Click();
    // Opens the load dialog in the folder of the restore points.
    void restorePoint1Click();
    // Lists what a parameter file would change; from there the fitter loads it or not.
    void compareWithECU1Click();

public:
    // Loads `path` into the ECU (the open dialog's choice, or the compare dialog's "load").
    void loadFile(const QString &path);
    // Uploads a whole image as a load does (undo and redo of an upload): restore point, progress
    // bar, polling paused. The caller reports the result.
    UploadResult uploadImage(const ImageBytes &target, const std::string &action, const char *what);

private:
    QString startDirectory() const;
    void report(const UploadResult &result, bool reset, const QString &file);
    // Runs one whole-image upload as the window does it.
    UploadResult upload(const std::function<UploadResult(const UploadOptions &, UploadView &)> &send);

    QWidget &m_window;
    ConnectionView &m_display;
    QProgressBar &m_progress;
    QTimer &m_pollTimer;
    AppState &m_state;
    UserInteraction &m_user;
    QAction *m_reset = nullptr;
    ReportItem *m_reportItem = nullptr;
    UploadResult m_last;
};

} // namespace kelvane
