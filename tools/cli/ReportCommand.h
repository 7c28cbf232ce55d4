#pragma once
// kelvane-cli report OUT.pdf [--from FILE [--baud 38400|57600]] [--title TEXT] [--lang LANGUAGE|FILE]
//
// Writes the workshop report as an A4 PDF: from the controller it finds (its image, work times,
// error memory and, with OBD/CAN enabled, the car's trouble codes, and the journal's changes of
// today made with a controller of its revisions), or with --from from a parameter file (no faults,
// no changes). --title is the free text for the workshop and the car. --lang picks the language by
// its name ("Polish") or a language file; without it the choice in lan.txt of the current directory
// is used, as the window does (English when there is none). A target that exists and is not a
// regular file is refused before anything is read; the PDF is written whole or not at all.

#include "ControllerSession.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>
#include <iosfwd>
#include <memory>

namespace kelvane {

// The application object of kelvane-cli: a QGuiApplication on the offscreen platform for the report
// (fonts and PDF painting need Qt Gui; no display is used), a QCoreApplication for every other command.
std::unique_ptr<QCoreApplication> makeCliApplication(int &argc, char **argv);

struct ReportCliHooks {
    // Scans for the controller: -1 when connected, else the exit code (the reason already printed).
    std::function<int()> connect;
    std::function<bool()> cancelled;
};

// `operands`: every argument after "report" but the --com options. Exit codes as the other
// commands: 0 written, 1 no controller, 2 bad input or the file cannot be written (nothing written),
// 4 a read of the controller failed (nothing written), 130 interrupted.
int runReportCommand(ControllerSession &session, const QStringList &operands, const ReportCliHooks &hooks,
    std::ostream &out, std::ostream &err);

} // namespace kelvane
