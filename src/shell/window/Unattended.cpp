#include "Unattended.h"

#include "MainWindow.h"

#include <QDesktopServices>
#include <QDialog>
#include <QTimer>
#include <QUrl>

#include <exception>

namespace kelvane {

void UnattendedUser::message(const QString &text)
{
    m_report(text);
}

void UnattendedUser::captionedMessage(const QString &caption, const QString &text)
{
    m_report(caption + QStringLiteral(": ") + text);
}

bool UnattendedUser::confirm(const QString &, const QString &text, bool)
{
    // Nobody is there to answer: report the question and take it as Cancel.
    m_report(text + QStringLiteral(" (not confirmed in an unattended run)"));
    return false;
}

bool UnattendedUser::ask(const QString &, const QString &)
{
    // Only a click asks these (drop the kept recording?): the click that came is the answer.
    return true;
}

int UnattendedUser::choose(const QString &, const QString &text, const QStringList &)
{
    m_report(text + QStringLiteral(" (no choice in an unattended run: nothing was sent)"));
    return -1;
}

QString UnattendedUser::chooseParameterFile(const FileDialogRequest &request)
{
    m_report(request.title + QStringLiteral(": no file dialog in an unattended run"));
    return QString();
}

QString UnattendedUser::chooseLogToOpen(const QString &)
{
    return QString();
}

QString UnattendedUser::chooseRecordingFile(const QString &)
{
    return QString();
}

QString UnattendedUser::chooseReportFile(const QString &)
{
    return QString();
}

std::optional<QString> UnattendedUser::askText(const QString &caption, const QString &label, const QString &)
{
    m_report(QStringLiteral("%1: %2 (not answered: Cancel)").arg(caption, label));
    return std::nullopt;
}

int UnattendedUser::runDialog(QDialog &)
{
    return QDialog::Rejected;
}

bool UnattendedUser::openFolder(const QUrl &folder)
{
    // Opening the file browser waits for nobody.
    return QDesktopServices::openUrl(folder);
}

void UnattendedUser::showException(const QString &text)
{
    m_report(text);
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
