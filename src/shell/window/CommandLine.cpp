#include "CommandLine.h"

#include "PortMap.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdlib>

namespace kelvane {

const char *commandLineUsage()
{
    return "usage: kelvane [--demo] [--com N=PATH]... [--screenshot FILE] [--size WxH]\n"
           "  --demo             run a simulated controller on a pseudo-terminal as COM3\n"
           "  --com N=PATH       port N (1-16) is the device PATH; may be repeated\n"
           "  --screenshot FILE  connect, watch for three seconds, save the window as PNG and quit; messages\n"
           "                     go to standard error; exit status 0 when saved with a controller\n"
           "                     connected, 3 when saved without one, 1 when the file was not written\n"
           "  --size WxH         open the window at this size\n"
           "  --user-data        keep lan.txt, Log.csv and parametry/ in the per-user data folder\n"
           "                     ($XDG_DATA_HOME/kelvane, ~/.local/share/kelvane) instead of the\n"
           "                     current directory (the desktop entry starts Kelvane so)\n";
}

namespace {
bool parseSize(const std::string &v, int &w, int &h)
{
    const auto x = v.find('x');
    if (x == std::string::npos || x == 0 || x + 1 >= v.size() || v.size() > 11)
        return false;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i != x && (v[i] < '0' || v[i] > '9'))
            return false;
    }
    w = std::atoi(v.substr(0, x).c_str());
    h = std::atoi(v.substr(x + 1).c_str());
    return w > 0 && h > 0 && w <= 10000 && h <= 10000;
}
} // namespace

bool parseCommandLine(const std::vector<std::string> &args, CommandLine &out, std::string &error)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &v) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                v = a.substr(eq + 1);
                return true;
            }
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        const std::string name = a.substr(0, a.find('='));
        if (a == "--demo") {
            out.demo = true;
        } else if (a == "--user-data") {
            out.userData = true;
        } else if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (name == "--com") {
            std::string v, path, message;
            int port = 0;
            if (!value(v))
                return false;
            if (!PortMap::parseComOption(v, port, path, message)) {
                error = "--com " + v + ": " + message;
                return false;
            }
            out.ports.emplace_back(port, path);
        } else if (name == "--screenshot") {
            if (!value(out.screenshot))
                return false;
            if (out.screenshot.empty()) {
                error = "--screenshot needs a file name";
                return false;
            }
        } else if (name == "--size") {
            std::string v;
            if (!value(v))
                return false;
            if (!parseSize(v, out.width, out.height)) {
                error = "--size " + v + ": expected WIDTHxHEIGHT, for example 809x650";
                return false;
            }
        } else if (a.rfind("-platform", 0) == 0 || a.rfind("-style", 0) == 0) {
            ++i; // Qt's own options with a value, already taken by the application object
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

std::string userDataDirectory()
{
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(home).filePath(QStringLiteral("kelvane")).toStdString();
}

bool enterUserDataDirectory(std::string &error)
{
    const QString dir = QString::fromStdString(userDataDirectory());
    if (!QDir().mkpath(dir)) {
        error = "the data folder " + dir.toStdString() + " cannot be created";
        return false;
    }
    if (!QDir::setCurrent(dir)) {
        error = "the data folder " + dir.toStdString() + " cannot be entered";
        return false;
    }
    return true;
}

} // namespace kelvane
