// kelvane-cli: the controller link from a terminal, for backups in scripts and end-to-end tests.
//
//   kelvane-cli [--com N=PATH]... scan
//   kelvane-cli [--com N=PATH]... read FILE
//   kelvane-cli [--com N=PATH]... live [--count N]
//   kelvane-cli [--com N=PATH]... write FILE
//   kelvane-cli [--com N=PATH]... verify FILE
//   kelvane-cli [--com N=PATH]... reset --yes
//   kelvane-cli [--com N=PATH]... errors [--clear [--yes]] | dtc [--clear [--yes]]
//   kelvane-cli show FILE [--baud 38400|57600]
//   kelvane-cli history [--last N]
//   kelvane-cli [--com N=PATH]... report OUT.pdf [--from FILE] [--title TEXT] [--lang LANGUAGE|FILE]
//                                         (ReportCommand.h)
//
// live rides through a pulled cable: no rows while the link is down, the controller looked for
// again about once a second (at once when its device comes back, other ports after ten seconds),
// the time the link was gone said on stderr, and the row count goes on.
//
// write loads a parameter file into the controller (all 384 words, the marker, the commit);
// reset uploads the factory defaults, keeping the controller's work-time counters. Before either
// upload the controller's image is kept as a restore point under parametry/backup/ of the current
// directory; its path is printed as "restore point: PATH". verify lists, one a line, the settings,
// map cells and bytes in which the controller differs from the file (the upload marker, word 0,
// is not compared; a file shorter than 768 bytes is compared for its own bytes only).
//
// history lists the change journal of parametry/journal/ of the current directory, newest first
// (--last N: the newest N): one line per entry (time, action, bytes sent, "interrupted", the
// controller's revisions when one was connected), then the settings it changed, indented. It opens
// no port. An empty or missing journal prints "no journal entries" on stderr; lines torn or
// malformed are skipped with a warning.
//
// Exit codes: 0 done (verify: the controller holds the file), 1 no controller found, 2 bad input or
// a file that cannot be used (also: no restore point could be kept, so nothing was uploaded),
// 3 controller refused (software too new), 4 live: no live reply accepted; verify: the controller
// differs from the file; reset: no live record, so nothing was reset, 5 the upload failed (the port
// did not take a frame; nothing was committed), 6 errors/dtc --clear not answered "y" (nothing
// sent), 130 interrupted (an interrupted upload stops between two words and commits nothing: it is
// a failed upload). errors and dtc: 4 also when no valid reply came or faults remain after an erase.
// history: 2 also when a journal file could not be read (too large, no access); the entries of the
// others are printed first.

#include "ChangeWords.h"
#include "ControllerSession.h"
#include "DiagCommands.h"
#include "ImageCompare.h"
#include "ImageJson.h"
#include "ImageUpload.h"
#include "JournalFile.h"
#include "LinkRecovery.h"
#include "LogText.h"
#include "ParameterFile.h"
#include "PortAccess.h"
#include "PosixSerial.h"
#include "ReportCommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace kelvane;

namespace {

volatile std::sig_atomic_t g_stop = 0;
extern "C" void onSignal(int)
{
    g_stop = 1;
}

constexpr int ExitOk = 0, ExitNotFound = 1, ExitBadInput = 2, ExitRefused = 3, ExitNoData = 4, ExitDiffers = 4,
              ExitUploadFailed = 5, ExitInterrupted = 130;
constexpr int ImageReadTries = 3;
// Rejected live replies in a row before the terminal is told that the controller does not answer.
constexpr std::uint64_t RejectionWarningRun = 15;

const char *const Usage = "usage: kelvane-cli [--com N=PATH]... scan | read FILE | live [--count N]\n"
                          "       kelvane-cli [--com N=PATH]... write FILE | verify FILE | reset --yes\n"
                          "       kelvane-cli [--com N=PATH]... errors [--clear [--yes]] | dtc [--clear [--yes]]\n"
                          "       kelvane-cli show FILE [--baud 38400|57600]\n"
                          "       kelvane-cli history [--last N]\n"
                          "       kelvane-cli [--com N=PATH]... report OUT.pdf [--from FILE] [--title TEXT] "
                          "[--lang LANGUAGE|FILE]\n";

int badInput(const std::string &message)
{
    std::cerr << "kelvane-cli: " << message << "\n";
    return ExitBadInput;
}

int interrupted()
{
    std::cerr << "kelvane-cli: interrupted\n";
    return ExitInterrupted;
}

// SIGINT and SIGTERM set a flag that every command checks between exchanges; no SA_RESTART, so a
// wait in the kernel ends early. A closed stdout shows as a failed write (SIGPIPE ignored).
void installSignalHandlers()
{
    struct sigaction sa { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// What the scan shows, for a terminal: messages to stderr, the caption kept for the caller.
struct TerminalView : ConnectionView {
    std::string caption;
    void setCaption(const std::string &c) override { caption = c; }
    void showMessage(const std::string &text) override
    {
        if (text != NeedUpdateText) // the refusal is printed by the command, on stdout
            std::cerr << text << "\n";
    }
    void setProgress(int, int) override { }
    void showImage() override { }
    bool cancelled() const override { return g_stop != 0; }
};

// Why nothing answered on the ports tried: the devices that could not be opened or are no terminals.
std::string whyNotFound(const PortMap &ports)
{
    std::string text;
    int tried = 0;
    for (int n = 1; n <= 16; ++n) {
        const std::string path = ports.deviceForPort(n);
        if (path.empty())
            continue;
        ++tried;
        const std::string reason = portProblem(path);
        if (!reason.empty())
            text += "\n  COM" + std::to_string(n) + " " + path + ": " + reason;
    }
    if (tried == 0)
        return "\n  no serial devices found (map one with --com N=PATH)";
    return text;
}

// Scans; on failure prints why and returns the exit code, else -1.
int connect(ControllerSession &s, TerminalView &view)
{
    if (!s.ports.hasExplicitMappings())
        s.ports.refresh();
    const ScanOutcome outcome = s.connection.autoconnect(view);
    switch (outcome.result) {
    case ScanResult::Found:
        return -1;
    case ScanResult::Refused:
        std::cout << NeedUpdateText << std::endl;
        return ExitRefused;
    case ScanResult::Cancelled:
        return interrupted();
    case ScanResult::NotFound:
        break;
    }
    std::cerr << "No controller found" << whyNotFound(s.ports) << "\n";
    return ExitNotFound;
}

int runScan(ControllerSession &s)
{
    TerminalView view;
    const int failed = connect(s, view);
    if (failed >= 0)
        return failed;
    std::cout << view.caption << std::endl;
    s.connection.Disconnect();
    return ExitOk;
}

// A backup goes to a new file or replaces a regular one; a FIFO, a device or a directory is never
// replaced by it (symbolic links are followed).
bool targetUsable(const QString &file, std::string &error)
{
    struct stat st { };
    if (::stat(QFile::encodeName(file).constData(), &st) != 0)
        return true; // a new file; whether the folder takes it shows when it is written
    if (S_ISREG(st.st_mode))
        return true;
    error = file.toStdString() + " exists and is not a regular file; not replaced";
    return false;
}

// Connects, reads the whole image and lets the controller go; an exit status when that failed,
// else -1. The scan keeps a rejected image block silently as it was; a backup or a comparison must
// not hold such a hole, so rejected blocks are read again, and the read fails if one stays missing.
int readWholeImage(ControllerSession &s)
{
    TerminalView view;
    const int failed = connect(s, view);
    if (failed >= 0)
        return failed;
    const int missing = g_stop ? -1 : s.connection.rereadRejectedBlocks(ImageReadTries);
    s.connection.Disconnect();
    if (g_stop)
        return interrupted();
    if (missing >= 0)
        return badInput(
            "image read incomplete: the controller did not deliver the block at byte " + std::to_string(missing));
    return -1;
}

int runRead(ControllerSession &s, const QString &file)
{
    std::string error;
    if (!targetUsable(file, error))
        return badInput(error);
    if (const int failed = readWholeImage(s); failed >= 0)
        return failed;
    if (!targetUsable(file, error))
        return badInput(error);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(reinterpret_cast<const char *>(s.image.bytes.data()), ImageSize) != ImageSize) {
        return badInput("cannot write " + file.toStdString() + ": " + out.errorString().toStdString());
    }
    if (g_stop) {
        out.cancelWriting();
        return interrupted();
    }
    if (!out.commit())
        return badInput("cannot write " + file.toStdString() + ": " + out.errorString().toStdString());
    std::cerr << "wrote " << ImageSize << " bytes to " << file.toStdString() << "\n";
    return ExitOk;
}

// What an upload shows, for a terminal: messages to stderr; an interrupt stops it between words.
struct TerminalUploadView : UploadView {
    void setProgress(int, int) override { }
    void showMessage(const std::string &text) override { std::cerr << text << "\n"; }
    void showImage() override { }
    bool cancelled() const override { return g_stop != 0; }
};

// After a scan: the controller's image as just read, when every block came (rejected ones are
// read again first); the restore point is then made from it instead of a second read.
UploadOptions uploadOptions(ControllerSession &s, ImageBytes &controllerImage)
{
    UploadOptions o;
    o.startDirectory = QDir::currentPath();
    if (!g_stop && s.connection.rereadRejectedBlocks(ImageReadTries) < 0) {
        controllerImage = s.image.bytes;
        o.controllerImage = &controllerImage;
    }
    return o;
}

int reportUpload(const UploadResult &r, const std::string &done)
{
    if (!r.restorePoint.isEmpty())
        std::cout << "restore point: " << r.restorePoint.toStdString() << std::endl;
    switch (r.status) {
    case UploadStatus::Done:
        std::cerr << done << "\n";
        return ExitOk;
    case UploadStatus::FileError:
    case UploadStatus::RestorePointFailed:
        return badInput(r.message);
    case UploadStatus::NoLiveRecord:
        std::cerr << "kelvane-cli: " << r.message << "\n";
        return ExitNoData;
    case UploadStatus::NotConnected:
        std::cerr << "kelvane-cli: " << r.message << "\n";
        return ExitNotFound;
    case UploadStatus::SendFailed:
        std::cerr << "kelvane-cli: upload failed: " << r.message << "\n";
        return ExitUploadFailed;
    case UploadStatus::Cancelled:
        std::cerr << "kelvane-cli: interrupted; the upload failed: " << r.message << "\n";
        return ExitInterrupted;
    }
    return ExitUploadFailed;
}

int runWrite(ControllerSession &s, const QString &file)
{
    // The file is looked at before the controller: one that cannot be read changes nothing.
    ParameterFileData data;
    QString error;
    if (!readParameterFile(file, data, &error))
        return badInput(error.toStdString());
    TerminalView view;
    const int failed = connect(s, view);
    if (failed >= 0)
        return failed;
    ImageBytes controllerImage {};
    const UploadOptions options = uploadOptions(s, controllerImage);
    TerminalUploadView uploadView;
    const UploadResult r = loadParameterFile(s, file, options, uploadView);
    s.connection.Disconnect();
    if (!r.warning.empty())
        std::cerr << "kelvane-cli: warning: " << r.warning << "\n";
    return reportUpload(r,
        "wrote " + file.toStdString() + " to the controller: " + std::to_string(r.wordsSent)
            + " words, the marker and the commit");
}

int runReset(ControllerSession &s)
{
    TerminalView view;
    const int failed = connect(s, view);
    if (failed >= 0)
        return failed;
    ImageBytes controllerImage {};
    const UploadOptions options = uploadOptions(s, controllerImage);
    TerminalUploadView uploadView;
    const UploadResult r = resetToDefaults(s, options, uploadView);
    s.connection.Disconnect();
    return reportUpload(r, "the controller is reset to the factory defaults; its work-time counters are kept");
}

int runVerify(ControllerSession &s, const QString &file)
{
    ParameterFileData data;
    QString error;
    if (!readParameterFile(file, data, &error))
        return badInput(error.toStdString());
    if (const int failed = readWholeImage(s); failed >= 0)
        return failed;
    const QString note = parameterFileLengthNote(file, data);
    if (!note.isEmpty())
        std::cerr << "kelvane-cli: warning: " << note.toStdString() << "\n";
    // What the controller would hold after loading the file: a short file replaces its own bytes only.
    ParameterImage expected = s.image;
    applyParameterFile(data, expected.bytes);
    const ImageComparison c = compareImages(expected, s.image, s.timeBases);
    for (const FieldDifference &d : c.fields) {
        std::cout << d.field->name << ": file " << shownText(d.a).toStdString() << ", controller "
                  << shownText(d.b).toStdString();
        if (d.storedOnly())
            std::cout << " (stored " << d.storedA.toStdString() << ", " << d.storedB.toStdString() << ")";
        std::cout << "\n";
    }
    for (const RegionDifference &d : c.regions)
        std::cout << d.name.toStdString() << ": file " << d.a.toStdString() << ", controller " << d.b.toStdString()
                  << "\n";
    std::cout << std::flush;
    if (c.equal()) {
        std::cerr << "the controller holds " << file.toStdString() << "\n";
        return ExitOk;
    }
    std::cerr << "the controller differs from " << file.toStdString() << " in " << c.fields.size() + c.regions.size()
              << " places\n";
    return ExitDiffers;
}

struct LivePrinter : PollingView {
    const LiveData &live;
    std::array<bool, LogColumnCount> columns = logAllSelectableColumns();
    std::int32_t elapsedMs = 0;
    long rows = 0;
    bool outputGone = false;
    explicit LivePrinter(const LiveData &l)
        : live(l)
    {
    }
    void showNotConnected() override { }
    void showLinkLost() override { }
    void showDecoded(const DecodeResult &) override
    {
        // A rejected reply leaves the record as it was: the row repeats it, as the logger does.
        elapsedMs += 2 * PollIntervalMs;
        std::cout << logRow(elapsedMs, live.LiveValues, columns) << "\n" << std::flush;
        outputGone = outputGone || !std::cout;
        ++rows;
    }
};

int runLive(ControllerSession &s, long count)
{
    TerminalView view;
    const int failed = connect(s, view);
    if (failed >= 0)
        return failed;
    LivePrinter printer(s.live);
    std::cout << logHeader(printer.columns) << "\n" << std::flush;
    bool warned = false;
    // A pulled cable is ridden through: no rows while the link is down, the controller looked for
    // again about once a second (at once when its device node comes back), the count goes on.
    LinkRecovery recovery(s);
    const auto started = std::chrono::steady_clock::now();
    auto clockMs = [&started] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    };
    bool devicePresent = true;
    auto next = std::chrono::steady_clock::now();
    while (!g_stop && !printer.outputGone && std::cout && (count <= 0 || printer.rows < count)) {
        next += std::chrono::milliseconds(PollIntervalMs);
        if (s.polling.linkLost()) {
            if (!recovery.active()) {
                recovery.begin(clockMs());
                std::cerr << "kelvane-cli: the link to the controller was lost; looking for it again\n";
                devicePresent = false;
            }
            struct stat st { };
            const std::string device = s.ports.deviceForPort(recovery.lostPort());
            const bool present = !device.empty() && ::stat(device.c_str(), &st) == 0;
            const bool back = present && !devicePresent;
            devicePresent = present;
            if (recovery.attempt(clockMs(), back) == RecoveryResult::Found) {
                const double goneSec = (clockMs() - recovery.lostAtMs()) / 1000.0;
                if (!recovery.imageMatches()) {
                    // Decoding follows the controller's settings; nothing is written.
                    s.image.bytes = recovery.controllerImage();
                    std::cerr << "kelvane-cli: the controller now holds other settings than before the loss\n";
                }
                recovery.finish();
                s.polling.resume();
                char gone[32];
                std::snprintf(gone, sizeof gone, "%.1f", goneSec);
                std::cerr << "kelvane-cli: the link is back after " << gone << " s (port " << recovery.foundPort()
                          << ")\n";
            }
        } else {
            s.polling.tick(printer);
        }
        const PollingStats &st = s.polling.stats();
        if (st.rejectedInARow >= RejectionWarningRun && !warned) {
            std::cerr << "kelvane-cli: warning: " << st.rejectedInARow
                      << " live replies in a row rejected; is the controller still connected?\n";
            warned = true;
        }
        if (st.rejectedInARow == 0)
            warned = false;
        std::this_thread::sleep_until(next);
        if (std::chrono::steady_clock::now() > next + std::chrono::milliseconds(PollIntervalMs))
            next = std::chrono::steady_clock::now(); // never let ticks queue up
    }
    s.connection.Disconnect();
    const PollingStats &st = s.polling.stats();
    std::cerr << "requests: " << st.requests << ", accepted: " << st.accepted << ", rejected: " << st.rejected << "\n";
    if (g_stop)
        return interrupted();
    if (st.accepted == 0 && st.requests > 0) {
        std::cerr << "kelvane-cli: no live reply was accepted\n";
        return ExitNoData;
    }
    return ExitOk; // also when the reader of stdout went away: nothing is left to print to
}

int runShow(const QString &file, int baud)
{
    ParameterImage image;
    QString warning, error;
    if (!loadImageFile(file, image, &warning, &error))
        return badInput(error.toStdString());
    if (!warning.isEmpty())
        std::cerr << "kelvane-cli: " << warning.toStdString() << "\n";
    if (g_stop)
        return interrupted();
    const QJsonObject json = imageToJson(image, timeBasesFor(baud == 38400 ? 1 : 0));
    std::cout << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString() << std::flush;
    return std::cout ? ExitOk : ExitBadInput;
}

// The journal the program keeps beside its parameter files: <current directory>/parametry/journal.
int runHistory(long last)
{
    const QString folder = parameterDirectory(QDir::currentPath()) + QStringLiteral("/journal");
    const JournalReadResult r = JournalFile(folder).readAll();
    if (r.skippedLines > 0)
        std::cerr << "kelvane-cli: warning: " << r.skippedLines
                  << " journal line(s) skipped: torn or not a journal entry\n";
    std::size_t n = r.entries.size();
    if (last > 0 && static_cast<std::size_t>(last) < n)
        n = static_cast<std::size_t>(last);
    for (std::size_t i = 0; i < n; ++i) {
        const JournalEntry &e = r.entries[i];
        std::cout << entryText(e).toStdString();
        if (e.softwareRevision != 0 || e.hardwareRevision != 0)
            std::cout << "  Rev.H " << int(e.hardwareRevision) << " Rev.S " << int(e.softwareRevision);
        std::cout << "\n";
        for (const ChangeLine &c : e.changes)
            std::cout << "    " << changeText(c).toStdString() << "\n";
    }
    std::cout << std::flush;
    if (r.entries.empty() && r.error.isEmpty())
        std::cerr << "no journal entries in " << QDir::toNativeSeparators(folder).toStdString() << "\n";
    if (!r.error.isEmpty())
        return badInput(r.error.toStdString());
    return std::cout ? ExitOk : ExitBadInput;
}

bool parseNumber(const QString &text, long &out)
{
    bool ok = false;
    out = text.toLong(&ok);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    const std::unique_ptr<QCoreApplication> appObject = makeCliApplication(argc, argv);
    QCoreApplication &app = *appObject;
    installSignalHandlers();

    PosixSerial serial;
    ControllerSession session(serial);
    QStringList args = app.arguments().mid(1);
    QString command;
    QStringList operands;
    long count = 0;
    long last = 0;
    int baud = 57600;
    bool yes = false;
    bool clear = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        auto mapPort = [&](const QString &text) {
            int port = 0;
            std::string path, error;
            if (!PortMap::parseComOption(text.toStdString(), port, path, error))
                return badInput(error);
            session.ports.map(port, path);
            return -1;
        };
        if (a == "--com") {
            if (!value(v))
                return badInput("--com needs N=PATH");
            if (const int rc = mapPort(v); rc >= 0)
                return rc;
        } else if (a.startsWith("--com=")) {
            if (const int rc = mapPort(a.mid(6)); rc >= 0)
                return rc;
        } else if (command == "report") {
            operands << a; // the report reads its own options
        } else if (a == "--count") {
            if (!value(v) || !parseNumber(v, count) || count < 0)
                return badInput("--count needs a whole number of records");
        } else if (a == "--last") {
            if (!value(v) || !parseNumber(v, last) || last < 1)
                return badInput("--last needs a whole number of entries, 1 or more");
        } else if (a == "--baud") {
            long b = 0;
            if (!value(v) || !parseNumber(v, b) || (b != 38400 && b != 57600))
                return badInput("--baud must be 38400 or 57600");
            baud = static_cast<int>(b);
        } else if (a == "--yes") {
            yes = true;
        } else if (a == "--clear") {
            clear = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << Usage;
            return ExitOk;
        } else if (a.startsWith("-")) {
            return badInput("unknown option " + a.toStdString() + "\n" + Usage);
        } else if (command.isEmpty()) {
            command = a;
        } else {
            operands << a;
        }
    }

    const bool diagCommand = command == "errors" || command == "dtc";
    if (yes && command != "reset" && !(diagCommand && clear))
        return badInput("--yes belongs to reset, errors --clear and dtc --clear only");
    if (clear && !diagCommand)
        return badInput("--clear belongs to errors and dtc only");
    if (last > 0 && command != "history")
        return badInput("--last belongs to history only");
    if (command == "history" && operands.isEmpty())
        return runHistory(last);
    if (diagCommand && operands.isEmpty()) {
        TerminalView view;
        if (const int failed = connect(session, view); failed >= 0)
            return failed;
        DiagCliOptions o;
        o.clear = clear;
        o.yes = yes;
        o.cancelled = [] { return g_stop != 0; };
        const int rc = command == "errors" ? runErrorsCommand(session, o, std::cin, std::cout, std::cerr)
                                           : runDtcCommand(session, o, std::cin, std::cout, std::cerr);
        session.connection.Disconnect();
        return rc;
    }
    if (command == "report")
        return runReportCommand(session, operands,
            { [&] {
                 TerminalView view;
                 return connect(session, view);
             },
                [] { return g_stop != 0; } },
            std::cout, std::cerr);
    if (command == "scan" && operands.isEmpty())
        return runScan(session);
    if (command == "read" && operands.size() == 1)
        return runRead(session, operands[0]);
    if (command == "live" && operands.isEmpty())
        return runLive(session, count);
    if (command == "show" && operands.size() == 1)
        return runShow(operands[0], baud);
    if (command == "write" && operands.size() == 1)
        return runWrite(session, operands[0]);
    if (command == "verify" && operands.size() == 1)
        return runVerify(session, operands[0]);
    if (command == "reset" && operands.isEmpty()) {
        if (!yes)
            return badInput("reset replaces every setting of the controller with the factory defaults; "
                            "give --yes to go ahead");
        return runReset(session);
    }
    if (command.isEmpty())
        return badInput(std::string("no command\n") + Usage);
    return badInput("bad command line for '" + command.toStdString() + "'\n" + Usage);
}
