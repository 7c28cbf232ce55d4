// kelvane-cli: the controller link from a terminal, for backups in scripts and end-to-end tests.
//
//   kelvane-cli [--com N=PATH]... scan
//   kelvane-cli [--com N=PATH]... read FILE
//   kelvane-cli [--com N=PATH]... live [--count N]
//   kelvane-cli show FILE [--baud 38400|57600]

#include "Commands.h"
#include "Connection.h"
#include "ImageJson.h"
#include "LiveRecord.h"
#include "LogText.h"
#include "ParameterImage.h"
#include "PollingCycle.h"
#include "PosixSerial.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSaveFile>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

using namespace kelvane;

namespace {

std::atomic<bool> g_stop {false};
void onSignal(int) { g_stop = true; }

constexpr int ExitOk = 0, ExitNotFound = 1, ExitBadInput = 2, ExitRefused = 3;
constexpr int ImageReadTries = 3;

const char *const Usage = "usage: kelvane-cli [--com N=PATH]... scan | read FILE | live [--count N]\n"
                          "       kelvane-cli show FILE [--baud 38400|57600]\n";

int badInput(const std::string &message)
{
    std::cerr << "kelvane-cli: " << message << "\n";
    return ExitBadInput;
}

// What the scan shows, for a terminal: messages to stderr, the caption kept for the caller.
struct TerminalView : ConnectionView {
    std::string caption;
    bool refused = false;
    void setCaption(const std::string &c) override { caption = c; }
    void showMessage(const std::string &text) override
    {
        if (text == NeedUpdateText)
            refused = true;
        else
            std::cerr << text << "\n";
    }
    void setProgress(int, int) override {}
    void showImage() override {}
};

// The link, the connection and the image, as the window holds them.
struct Session {
    PosixSerial serial;
    PortMap ports;
    LinkState linkState;
    ConnectionState connection;
    TimeBases timeBases;
    ParameterImage image;
    TerminalView view;
    SerialLink link {serial, ports, linkState};
    Commands commands {link};
    Connection conn {commands, connection, timeBases, image.bytes, view};

    // Scan; on failure prints why and returns the exit code, else -1.
    int connect()
    {
        if (!ports.hasExplicitMappings())
            ports.refresh();
        const int port = conn.autoconnect();
        if (view.refused) {
            std::cout << NeedUpdateText << std::endl;
            return ExitRefused;
        }
        if (port == 0) {
            std::cerr << "No controller found\n";
            return ExitNotFound;
        }
        return -1;
    }

    // The scan keeps a rejected image block silently as it was; a backup must not hold
    // such a hole, so rejected blocks are read again, and the read fails if one stays missing.
    bool completeImage(std::string &error)
    {
        for (int address : conn.rejectedBlocks()) {
            bool ok = false;
            for (int t = 0; t < ImageReadTries && !ok; ++t)
                ok = commands.ReadImageBlock(address, image.bytes.data() + address,
                                             static_cast<std::size_t>(ImageSize - address));
            if (!ok) {
                error = "image read incomplete: the controller did not deliver the block at byte " + std::to_string(address);
                return false;
            }
        }
        return true;
    }
};

struct LivePrinter : PollingView {
    const LiveData &live;
    std::array<bool, LogColumnCount> columns = logAllSelectableColumns();
    std::int32_t elapsedMs = 0;
    long rows = 0;
    explicit LivePrinter(const LiveData &l) : live(l) {}
    void showNotConnected() override {}
    void showDecoded(const DecodeResult &) override
    {
        elapsedMs += 2 * PollIntervalMs;
        std::cout << logRow(elapsedMs, live.LiveValues, columns) << "\n" << std::flush;
        ++rows;
    }
};

int runScan(Session &s)
{
    const int failed = s.connect();
    if (failed >= 0)
        return failed;
    std::cout << s.view.caption << std::endl;
    s.conn.Disconnect();
    return ExitOk;
}

int runRead(Session &s, const QString &file)
{
    const int failed = s.connect();
    if (failed >= 0)
        return failed;
    std::string error;
    if (!s.completeImage(error)) {
        s.conn.Disconnect();
        return badInput(error);
    }
    s.conn.Disconnect();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(reinterpret_cast<const char *>(s.image.bytes.data()), ImageSize) != ImageSize || !out.commit())
        return badInput("cannot write " + file.toStdString() + ": " + out.errorString().toStdString());
    std::cerr << "wrote " << ImageSize << " bytes to " << file.toStdString() << "\n";
    return ExitOk;
}

int runLive(Session &s, long count)
{
    const int failed = s.connect();
    if (failed >= 0)
        return failed;
    LiveData live;
    LivePrinter printer(live);
    PollingCycle cycle(s.commands, s.connection, live, s.image, s.timeBases, printer);
    std::cout << logHeader(printer.columns) << "\n" << std::flush;
    auto next = std::chrono::steady_clock::now();
    while (!g_stop && (count <= 0 || printer.rows < count)) {
        next += std::chrono::milliseconds(PollIntervalMs);
        cycle.tick();
        std::this_thread::sleep_until(next);
        if (std::chrono::steady_clock::now() > next + std::chrono::milliseconds(PollIntervalMs))
            next = std::chrono::steady_clock::now(); // never let ticks queue up
    }
    s.conn.Disconnect();
    const auto &st = cycle.stats();
    std::cerr << "requests: " << st.requests << ", accepted: " << st.accepted << ", rejected: " << st.rejected << "\n";
    return ExitOk;
}

int runShow(const QString &file, int baud)
{
    ParameterImage image;
    QString warning, error;
    if (!loadImageFile(file, image, &warning, &error))
        return badInput(error.toStdString());
    if (!warning.isEmpty())
        std::cerr << "kelvane-cli: " << warning.toStdString() << "\n";
    const QJsonObject json = imageToJson(image, timeBasesFor(baud == 38400 ? 1 : 0));
    std::cout << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
    return ExitOk;
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
    QCoreApplication app(argc, argv);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    Session session;
    QStringList args = app.arguments().mid(1);
    QString command;
    QStringList operands;
    long count = 0;
    int baud = 57600;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == "--com") {
            if (!value(v))
                return badInput("--com needs N=PATH");
            int port = 0;
            std::string path, error;
            if (!PortMap::parseComOption(v.toStdString(), port, path, error))
                return badInput(error);
            session.ports.map(port, path);
        } else if (a.startsWith("--com=")) {
            int port = 0;
            std::string path, error;
            if (!PortMap::parseComOption(a.mid(6).toStdString(), port, path, error))
                return badInput(error);
            session.ports.map(port, path);
        } else if (a == "--count") {
            if (!value(v) || !parseNumber(v, count) || count < 0)
                return badInput("--count needs a whole number of records");
        } else if (a == "--baud") {
            long b = 0;
            if (!value(v) || !parseNumber(v, b) || (b != 38400 && b != 57600))
                return badInput("--baud must be 38400 or 57600");
            baud = static_cast<int>(b);
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

    if (command == "scan" && operands.isEmpty())
        return runScan(session);
    if (command == "read" && operands.size() == 1)
        return runRead(session, operands[0]);
    if (command == "live" && operands.isEmpty())
        return runLive(session, count);
    if (command == "show" && operands.size() == 1)
        return runShow(operands[0], baud);
    if (command.isEmpty())
        return badInput(std::string("no command\n") + Usage);
    return badInput("bad command line for '" + command.toStdString() + "'\n" + Usage);
}
