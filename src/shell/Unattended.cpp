#include "Unattended.h"

#include "KelvaneApplication.h"
#include "MainWindow.h"

#include <QTimer>

#include <exception>

namespace kelvane {

void makeUnattended(KelvaneApplication &app, TForm1 &form, Report report)
{
    form.setMessageSink(report);
    app.setExceptionDisplay(std::move(report));
}

void scheduleScreenshot(TForm1 &form, const ScreenshotRun &run, Report report, std::function<void(int)> done)
{
    QTimer::singleShot(run.startMs, &form, [&form, run, report, done] {
        try {
            form.F10autoconnect1Click();
        } catch (const std::exception &e) {
            report(QStringLiteral("the scan failed: %1").arg(QString::fromLocal8Bit(e.what())));
        } catch (...) {
            report(QStringLiteral("the scan failed"));
        }
        QTimer::singleShot(run.settleMs, &form, [&form, run, report, done] {
            const QString file = QString::fromStdString(run.file);
            if (!form.grab().save(file, "PNG")) {
                report(QStringLiteral("could not write %1").arg(file));
                done(ScreenshotNotSaved);
                return;
            }
            if (!form.state().session.conn.Connected) {
                report(QStringLiteral("saved %1, but no controller is connected").arg(file));
                done(ScreenshotWithoutController);
                return;
            }
            done(ScreenshotSaved);
        });
    });
}

} // namespace kelvane
