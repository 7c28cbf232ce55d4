#pragma once
// A run that nobody watches (kelvane --screenshot): nothing may wait for a click. Messages of the
// window (the refused software revision, "No Connection") and exceptions that the application catches
// go to a report function (standard error in the program) instead of a modal message box.

#include <QString>

#include <functional>
#include <string>

class KelvaneApplication;
class TForm1;

namespace kelvane {

using Report = std::function<void(const QString &)>;

// From now on the window's messages and the application's caught exceptions go to `report`.
void makeUnattended(KelvaneApplication &app, TForm1 &form, Report report);

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
