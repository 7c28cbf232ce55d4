// Kelvane: configuration and diagnostics of the sequential gas-injection controller.
#include "AppState.h"
#include "CommandLine.h"
#include "KelvaneApplication.h"
#include "Main.h"
#include "PosixSerial.h"
#include "PtySimulator.h"

#include <QElapsedTimer>
#include <QTimer>

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

    TForm1 form(state);
    form.show();
    if (options.width > 0) {
        form.resizeOuter(options.width, options.height);
        form.centreOnScreen();
    }

    if (!options.screenshot.empty()) {
        // Connect, let the readings settle, save the window and quit.
        QTimer::singleShot(300, &form, [&form, &options] {
            form.F10autoconnect1Click();
            QTimer::singleShot(3000, &form, [&form, &options] {
                const bool saved = form.grab().save(QString::fromStdString(options.screenshot), "PNG");
                if (!saved)
                    std::fprintf(stderr, "kelvane: could not write %s\n", options.screenshot.c_str());
                else
                    std::fprintf(stdout, "kelvane: saved %s (%s)\n", options.screenshot.c_str(),
                                 form.windowTitle().toLocal8Bit().constData());
                QCoreApplication::exit(saved ? 0 : 1);
            });
        });
    }
    const int rc = app.exec();
    form.close();
    return rc;
}
