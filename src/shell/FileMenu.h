#pragma once
// The menu "file" and the reset under "options": "save to disk", "load to ECU", "restore point...",
// "compare with ECU..." and "RESET ECU". The window's side of the parameter files and the
// whole-image uploads: the file dialogs, the progress bar, the polling timer stopped for the
// upload's time, the messages. The files and the uploads themselves are the session's
// (ParameterFile.h, ImageUpload.h).

#include "FileMenuPrompts.h"
#include "ImageUpload.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class TForm1;

namespace kelvane {

class AppState;

// The name a save writes to when the parameter folder did not exist yet: the date goes into the
// chosen name just before its extension, so the file keeps the extension its filter shows
// ("car.kvset" on 10 December 2026 becomes "car2026-12-10.kvset"; "car" becomes "car2026-12-10").
QString datedFirstSaveName(const QString &chosenPath, const QDate &today);

class FileMenu : public QObject {
    Q_OBJECT
public:
    // Wires the items of the window's menus "file" and "options" (found by their names) and adds
    // "restore point..." and "compare with ECU..." to "file".
    FileMenu(TForm1 &form, AppState &state);

    Prompts prompts;
    // The date of a first save; today's unless a test fixes it.
    std::function<QDate()> today;

    // The result of the last load or reset (for tests and the command line of the future).
    const UploadResult &lastUpload() const { return m_last; }

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

private:
    QString startDirectory() const;
    void report(const UploadResult &result, bool reset, const QString &file);

    TForm1 &m_form;
    AppState &m_state;
    QAction *m_reset = nullptr;
    UploadResult m_last;
};

} // namespace kelvane
