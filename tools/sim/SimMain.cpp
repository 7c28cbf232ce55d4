// The kelvane-sim program: a simulated controller on a pseudo-terminal until
// interrupted. The first line on standard output is the terminal's path.

#include "PtySimulator.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace kelvane::sim {

namespace {
bool parseLong(const std::string &text, long lo, long hi, long &out)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseSeconds(const std::string &text, double &out)
{
    if (text.empty())
        return false;
    errno = 0;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < 0 || v > 1e7)
        return false;
    out = v;
    return true;
}
} // namespace

const char *simUsage()
{
    return "usage: kelvane-sim [options]\n"
           "A simulated gas-injection controller on a pseudo-terminal; prints the terminal's path first.\n"
           "  --baud 38400|57600   line speed the controller answers at (default 57600)\n"
           "  --hw N, --sw N       hardware and software revision in the greeting (default 2, 3)\n"
           "  --drop-every N       no reply to every Nth live request\n"
           "  --corrupt-every N    a bad checksum in every Nth block or live reply\n"
           "  --noise              stray bytes now and then between live replies\n"
           "  --hangup-after S     close the terminal after S seconds, like an unplugged adapter\n"
           "  --image FILE         start from a 768-byte parameter file instead of the factory settings\n"
           "  --link PATH          also make a symbolic link PATH to the terminal\n"
           "  --seed N             seed of the engine model's noise (default 1)\n"
           "  --help               this text\n";
}

bool parseSimOptions(int argc, char **argv, SimOptions &o, bool &help, std::string &error)
{
    help = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        const std::size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        auto takeValue = [&]() {
            if (inlineValue)
                return true;
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto bad = [&](const std::string &what) {
            error = arg + ": " + what + ", not \"" + value + "\"";
            return false;
        };
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--noise") {
            if (inlineValue) {
                error = "--noise takes no value";
                return false;
            }
            o.noise = true;
        } else if (arg == "--baud") {
            if (!takeValue())
                return false;
            if (!parseLong(value, 0, LONG_MAX, n) || (n != 38400 && n != 57600))
                return bad("38400 or 57600");
            o.baud = static_cast<int>(n);
        } else if (arg == "--hw" || arg == "--sw") {
            if (!takeValue())
                return false;
            if (!parseLong(value, 0, 255, n))
                return bad("a revision 0 to 255");
            (arg == "--hw" ? o.hw : o.sw) = static_cast<int>(n);
        } else if (arg == "--drop-every" || arg == "--corrupt-every") {
            if (!takeValue())
                return false;
            if (!parseLong(value, 0, 1000000, n))
                return bad("a count 0 to 1000000");
            (arg == "--drop-every" ? o.dropEvery : o.corruptEvery) = static_cast<int>(n);
        } else if (arg == "--hangup-after") {
            if (!takeValue())
                return false;
            if (!parseSeconds(value, o.hangupAfterSec))
                return bad("seconds, 0 or more");
        } else if (arg == "--image" || arg == "--link") {
            if (!takeValue())
                return false;
            if (value.empty())
                return bad("a path");
            (arg == "--image" ? o.imageFile : o.linkPath) = value;
        } else if (arg == "--seed") {
            if (!takeValue())
                return false;
            if (!parseLong(value, 0, UINT_MAX, n))
                return bad("a number 0 or more");
            o.seed = static_cast<unsigned>(n);
        } else {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
    }
    return true;
}

int runMain(int argc, char **argv)
{
    SimOptions options;
    bool help = false;
    std::string error;
    if (!parseSimOptions(argc, argv, options, help, error)) {
        std::fprintf(stderr, "kelvane-sim: %s\n", error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(simUsage(), stdout);
        return 0;
    }
    // The signals are taken here with sigtimedwait; the simulator's thread must not see them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PtySimulator sim(options);
    if (!sim.start(&error)) {
        std::fprintf(stderr, "kelvane-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", sim.slavePath().c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "kelvane-sim: controller Rev.H %d Rev.S %d at %d baud on %s%s%s\n", options.hw, options.sw,
        options.baud, sim.slavePath().c_str(), options.linkPath.empty() ? "" : ", linked from ",
        options.linkPath.c_str());

    const timespec tick { 0, 100 * 1000 * 1000 };
    for (;;) {
        const int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (sim.hungUp()) {
            std::fprintf(stderr, "kelvane-sim: hung up after %g s\n", options.hangupAfterSec);
            break;
        }
    }
    const ControllerCounters c = sim.counters();
    sim.stop();
    std::fprintf(stderr, "kelvane-sim: %d live requests, %d dropped, %d replies corrupted, %d writes\n", c.liveRequests,
        c.liveDropped, c.corrupted, c.imageWrites);
    return 0;
}

} // namespace kelvane::sim
