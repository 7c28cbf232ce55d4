#pragma once
// A run that nobody watches (kelvane --screenshot): nothing may wait for a click. Messages of the
// window (the refused software revision, "No Connection") and exceptions that the application catches
// go to a report function (standard error in the program) instead of a modal message box; questions
// are reported and answered Cancel, and no dialog opens.

#include "UserInteraction.h"

#include <QString>

#include <functional>
#include <string>

class TForm1;

namespace kelvane {

using Report = std::function<void(const QString &)>;

class UnattendedUser : public UserInteraction {
public:
    explicit UnattendedUser(Report report)
        : m_report(std::move(report))
    {
    }

    void message(const QString &text) override;
    void captionedMessage(const QString &caption, const QString &text) override;
    bool confirm(const QString &caption, const QString &text, bool okByDefault = false) override;
    bool ask(const QString &caption, const QString &text) override;
    // Nobody chooses: the question goes to the report and -1 comes back.
    int choose(const QString &caption, const QString &text, const QStringList &choices) override;
    QString chooseParameterFile(const FileDialogRequest &request) override;
    QString chooseLogToOpen(const QString &directory) override;
    QString chooseRecordingFile(const QString &suggestion) override;
    QString chooseReportFile(const QString &suggestion) override;
    std::optional<QString> askText(const QString &caption, const QString &label, const QString &preset) override;
    int runDialog(QDialog &dialog) override;
    bool openFolder(const QUrl &folder) override;
    void showException(const QString &text) override;

private:
    Report m_report;
};

// Exit status of a screenshot run.
enum ScreenshotStatus : int {
    ScreenshotSaved = 0, // connected and saved
    ScreenshotNotSaved = 1, // the file could not be written
    ScreenshotWithoutController = 3, // saved, but no controller was connected
};

struct ScreenshotRun {
    std::string file; // PNG
    int startMs = 300; // from the start of the event loop to autoconnect
    int settleMs = 3000; // from the end of the scan to the picture: the readings settle
};

// Autoconnects after run.startMs, saves the window after run.settleMs more and calls done(status). It
// always ends: an exception from the scan is reported and the picture is taken all the same.
void scheduleScreenshot(TForm1 &form, const ScreenshotRun &run, Report report, std::function<void(int)> done);

} // namespace kelvane
