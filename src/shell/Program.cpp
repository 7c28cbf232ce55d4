// Kelvane: configuration and diagnostics of the sequential gas-injection controller.
#include "AppState.h"
#include "CommandLine.h"
#include "KelvaneApplication.h"
#include "LanguageMenu.h"
#include "MainWindow.h"
#include "PosixSerial.h"
#include "PtySimulator.h"
#include "Unattended.h"
#include "UserInteraction.h"

#include <QMessageBox>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    kelvane::CommandLine options;
    std::string error;
    if (!kelvane::parseCommandLine(args, options, error)) {
        std::fprintf(stderr, "kelvane: %s\n%s", error.c_str(), kelvane::commandLineUsage());
        return 2;
    }
    if (options.help) {
        std::fputs(kelvane::commandLineUsage(), stdout);
        return 0;
    }

    KelvaneApplication app(argc, argv);
    kelvane::GlobalTexts texts;
    app.setApplicationName(QString::fromStdString(texts.applicationTitle));
    if (options.userData && !kelvane::enterUserDataDirectory(error)) {
        // Started from the desktop nobody reads standard error: say it in a box as well.
        std::fprintf(stderr, "kelvane: %s\n", error.c_str());
        if (!options.unattended())
            QMessageBox::critical(nullptr, app.applicationName(),
                QStringLiteral("Kelvane cannot start: %1.").arg(QString::fromStdString(error)));
        return 1;
    }

    kelvane::PosixSerial serial;
    kelvane::AppState state(serial);
    for (const auto &[port, path] : options.ports)
        state.session.ports.map(port, path);

    std::unique_ptr<kelvane::sim::PtySimulator> simulator;
    if (options.demo) {
        simulator = std::make_unique<kelvane::sim::PtySimulator>(kelvane::sim::SimOptions {});
        if (!simulator->start(&error)) {
            std::fprintf(stderr, "kelvane: the simulated controller did not start: %s\n", error.c_str());
            return 1;
        }
        state.session.ports.map(3, simulator->slavePath());
        std::fprintf(stdout, "kelvane: simulated controller on COM3 (%s); press F10 to connect\n",
            simulator->slavePath().c_str());
        std::fflush(stdout);
    }

    // Nobody is there to close a message box in an unattended run: messages and exceptions go to
    // standard error.
    const kelvane::Report toStderr = [](const QString &message) {
        std::fprintf(stderr, "kelvane: %s\n", message.toLocal8Bit().constData());
        std::fflush(stderr);
    };
    std::unique_ptr<kelvane::UserInteraction> user;
    kelvane::InteractiveUser *interactive = nullptr;
    if (options.unattended()) {
        user = std::make_unique<kelvane::UnattendedUser>(toStderr);
    } else {
        auto boxes = std::make_unique<kelvane::InteractiveUser>(state.texts);
        interactive = boxes.get();
        user = std::move(boxes);
    }
    app.setUserInteraction(user.get());

    TForm1 form(state, *user);
    if (interactive)
        interactive->setWindow(&form);
    form.startPolling();
    form.show();
    if (options.width > 0) {
        form.resizeOuter(options.width, options.height);
        form.centreOnScreen();
    }

    // The language "lan.txt" names (English when there is none).
    form.languageMenu()->LoadLanguage();
    if (!options.screenshot.empty()) {
        // Connect, let the readings settle, save the window and quit.
        kelvane::ScreenshotRun run;
        run.file = options.screenshot;
        kelvane::scheduleScreenshot(form, run, toStderr, [&form, &options](int status) {
            if (status == kelvane::ScreenshotSaved)
                std::fprintf(stdout, "kelvane: saved %s (%s)\n", options.screenshot.c_str(),
                    form.windowTitle().toLocal8Bit().constData());
            QCoreApplication::exit(status);
        });
    }
    const int rc = app.exec();
    form.close();
    return rc;
}
