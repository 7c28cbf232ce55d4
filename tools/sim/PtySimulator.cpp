#include "PtySimulator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kelvane::sim {

namespace {
int baudOf(speed_t s)
{
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

constexpr double StrayGapMs = 20.0;

std::string errorText(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}
} // namespace

PtySimulator::PtySimulator(SimOptions options)
    : m_options(std::move(options))
{
}

PtySimulator::~PtySimulator()
{
    stop();
}

int PtySimulator::lineSpeedOf(int fd)
{
    termios t {};
    if (tcgetattr(fd, &t) != 0)
        return 0;
    return baudOf(cfgetospeed(&t));
}

double PtySimulator::elapsedMs() const
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - m_start).count();
}

double PtySimulator::clockSec() const
{
    return (elapsedMs() + m_clockAheadMs.load()) / 1000.0;
}

void PtySimulator::advanceClock(double seconds)
{
    if (seconds > 0)
        m_clockAheadMs = m_clockAheadMs.load() + seconds * 1000.0;
}

bool PtySimulator::start(std::string *error)
{
    auto fail = [&](const std::string &text) {
        if (error)
            *error = text;
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
        if (m_notify >= 0)
            ::close(m_notify);
        m_slave = m_master = m_notify = -1;
        m_slavePath.clear();
        return false;
    };
    if (m_thread.joinable() || m_master >= 0)
        return fail("the simulator is already running");
    if (m_options.baud != 38400 && m_options.baud != 57600)
        return fail("the controller runs at 38400 or 57600 baud");
    ImageBytes image = factoryImage(m_options.baud);
    if (!m_options.imageFile.empty() && !loadImageFile(m_options.imageFile, image, error))
        return false;

    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail(errorText("cannot open a pseudo-terminal"));
    char name[256];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail(errorText("cannot name the pseudo-terminal"));
    // Our own descriptor on the slave lets the simulator discard what the PC left unread when it
    // opens the port anew. Nothing is set on it: the PC gets the terminal with the kernel's
    // defaults, as a freshly plugged adapter comes, and has to make the line raw itself.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail(errorText(std::string("cannot open ") + name));
    if (fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK) != 0)
        return fail(errorText("cannot set up the pseudo-terminal"));
    // Every opening of the terminal after this one is the PC's (through the link path too: it
    // leads to the same node).
    m_notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notify < 0 || inotify_add_watch(m_notify, name, IN_OPEN) < 0)
        return fail(errorText("cannot watch the pseudo-terminal for openings"));
    m_slavePath = name;

    if (!m_options.linkPath.empty()) {
        struct stat st { };
        if (lstat(m_options.linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode))
                return fail(m_options.linkPath + " exists and is not a symbolic link");
            ::unlink(m_options.linkPath.c_str()); // left over from an earlier run
        }
        if (::symlink(name, m_options.linkPath.c_str()) != 0)
            return fail(errorText("cannot make the link " + m_options.linkPath));
        m_linkMade = true;
    }

    m_controller = std::make_unique<Controller>(m_options, image);
    m_out.clear();
    m_lineFreeMs = 0;
    m_stop = false;
    m_hungUp = false;
    m_clockAheadMs = 0;
    m_start = std::chrono::steady_clock::now();
    m_thread = std::thread(&PtySimulator::run, this);
    return true;
}

void PtySimulator::stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_notify >= 0)
        ::close(m_notify);
    m_master = m_slave = m_notify = -1;
    if (m_linkMade) {
        struct stat st { };
        if (lstat(m_options.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(m_options.linkPath.c_str());
        m_linkMade = false;
    }
}

ImageBytes PtySimulator::image() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controller ? m_controller->image() : ImageBytes {};
}

ControllerCounters PtySimulator::counters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controller ? m_controller->counters() : ControllerCounters {};
}

ControllerState PtySimulator::controllerState() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controller ? m_controller->state() : ControllerState {};
}

void PtySimulator::run()
{
    // A real controller answers on its own hardware whatever the PC is busy with; give this thread a
    // larger share of a loaded CPU where the system allows it (nothing changes where it does not).
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -10);
    std::uint8_t buf[1024];
    while (!m_stop.load()) {
        double now = elapsedMs();
        if (m_options.hangupAfterSec > 0 && now >= m_options.hangupAfterSec * 1000.0) {
            hangUp();
            return;
        }
        writeDue(now);
        int timeoutMs = 5;
        if (!m_out.empty())
            timeoutMs = std::clamp(static_cast<int>(std::ceil(m_out.front().dueMs - now)), 0, 5);
        pollfd p[2] = { { m_master, POLLIN, 0 }, { m_notify, POLLIN, 0 } };
        if (::poll(p, 2, timeoutMs) <= 0)
            continue;
        ssize_t n = 0;
        if (p[0].revents & POLLIN)
            n = ::read(m_master, buf, sizeof buf);
        else if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // nothing to read; do not spin
        // The PC writes only after it has opened the port, so an opening noted by now came before
        // the bytes just read.
        if (takeOpenings())
            lineReopened();
        if (n > 0)
            handleInput(buf, static_cast<std::size_t>(n), elapsedMs());
    }
}

bool PtySimulator::takeOpenings()
{
    // Events carry no name (the watch is on the terminal itself), but read them in whole buffers.
    alignas(inotify_event) char events[64 * sizeof(inotify_event)];
    bool opened = false;
    for (;;) {
        const ssize_t n = ::read(m_notify, events, sizeof events);
        if (n <= 0)
            return opened;
        for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(events + off);
            if (e->mask & (IN_OPEN | IN_Q_OVERFLOW))
                opened = true;
            off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
}

void PtySimulator::handleInput(const std::uint8_t *data, std::size_t count, double nowMs)
{
    const int speed = lineSpeedOf(m_master);
    m_lastLineSpeed = speed;
    if (speed != m_options.baud)
        return; // at the wrong speed the controller hears only garbage
    std::vector<std::uint8_t> reply, stray;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        reply = m_controller->receive(data, count, nowMs + m_clockAheadMs.load());
        stray = m_controller->takeStrayBytes();
    }
    // Each byte takes 10 bit times on the line. The reply is written in one go at the moment its last
    // byte would have left the controller's UART: one hand-over per reply keeps the timing when the
    // PC's machine is busy, where a trickle of small writes falls behind.
    double t = schedule(reply, std::max(nowMs, m_lineFreeMs));
    // Stray bytes come later, once the PC has collected the reply and before its next request
    // (the live cycle asks every 70 ms); they then spoil the next reply.
    if (!stray.empty())
        t = schedule(stray, t + StrayGapMs);
    m_lineFreeMs = t;
    writeDue(elapsedMs());
}

double PtySimulator::schedule(const std::vector<std::uint8_t> &bytes, double startMs)
{
    const double endMs = startMs + 10000.0 / m_options.baud * static_cast<double>(bytes.size());
    for (std::uint8_t b : bytes)
        m_out.push_back({ endMs, b });
    return endMs;
}

void PtySimulator::lineReopened()
{
    // The PC has opened the port anew: bytes still on their way, or left unread from an earlier
    // opening, are lost as on a real line; a half-received frame is forgotten. The PC's line
    // settings stay as it left them, as on a real adapter.
    m_out.clear();
    m_lineFreeMs = elapsedMs();
    tcflush(m_slave, TCIFLUSH);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_controller->resetInput();
}

void PtySimulator::writeDue(double nowMs)
{
    std::uint8_t chunk[512];
    std::size_t n = 0;
    for (auto it = m_out.begin(); it != m_out.end() && n < sizeof chunk && it->dueMs <= nowMs; ++it)
        chunk[n++] = it->byte;
    if (n == 0)
        return;
    const ssize_t written = ::write(m_master, chunk, n);
    if (written > 0)
        m_out.erase(m_out.begin(), m_out.begin() + written);
}

void PtySimulator::hangUp()
{
    // Like an unplugged adapter: the terminal goes away under the PC's feet.
    ::close(m_master);
    ::close(m_slave);
    ::close(m_notify);
    m_master = m_slave = m_notify = -1;
    m_out.clear();
    m_hungUp = true;
}

} // namespace kelvane::sim
