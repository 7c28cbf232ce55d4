#include "PosixSerial.h"

#include "PortAccess.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kelvane {

namespace {
// The speeds the terminal layer is asked for; any other is refused rather than replaced.
bool speedFor(int baud, speed_t &speed)
{
    switch (baud) {
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    default:
        return false;
    }
}

int fdOf(PortHandle h)
{
    return static_cast<int>(h);
}

// The settings that would let the line discipline eat, change or hold back bytes.
constexpr tcflag_t CookedInput = IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON
    | IXOFF | IXANY | IMAXBEL
#ifdef IUCLC
    | IUCLC
#endif
#ifdef IUTF8
    | IUTF8
#endif
    ;
constexpr tcflag_t CookedOutput = OPOST | ONLCR | OCRNL | ONOCR | ONLRET | OFILL
#ifdef OLCUC
    | OLCUC
#endif
    ;
constexpr tcflag_t CookedLocal = ISIG | ICANON | ECHO | ECHOE | ECHOK | ECHONL | IEXTEN | NOFLSH | TOSTOP
#ifdef ECHOCTL
    | ECHOCTL
#endif
#ifdef ECHOPRT
    | ECHOPRT
#endif
#ifdef ECHOKE
    | ECHOKE
#endif
#ifdef XCASE
    | XCASE
#endif
#ifdef EXTPROC
    | EXTPROC
#endif
    ;
constexpr tcflag_t FramingAndFlow = CSIZE | PARENB | PARODD | CSTOPB | HUPCL
#ifdef CRTSCTS
    | CRTSCTS
#endif
#ifdef CMSPAR
    | CMSPAR
#endif
    ;

bool isRaw(const termios &t)
{
    return (t.c_iflag & CookedInput) == 0 && (t.c_oflag & CookedOutput) == 0 && (t.c_lflag & CookedLocal) == 0
        && (t.c_cflag & (CSIZE | PARENB)) == CS8
#ifdef CRTSCTS
        && (t.c_cflag & CRTSCTS) == 0
#endif
        && t.c_cc[VMIN] == 0 && t.c_cc[VTIME] == 0;
}
} // namespace

std::string PosixSerial::accessProblem(const std::string &device) const
{
    return portAccessProblem(device);
}

PortHandle PosixSerial::open(const std::string &device)
{
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return InvalidHandle;
    // Descriptors 0-2 are standard input, output and error even when the program was started
    // with them closed: a port there would get whatever the program prints, and the link counts
    // handle 0 as "no port". Keep the port above them.
    if (fd <= 2) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        if (high < 0)
            return InvalidHandle;
        fd = high;
    }
    if (!isatty(fd)) {
        ::close(fd);
        return InvalidHandle;
    }
    // Exclusive: a second open of the same terminal fails, as on the controller's own tool.
    if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        ::close(fd);
        return InvalidHandle;
    }
    return fd;
}

bool PosixSerial::configure(PortHandle h, const LineSettings &s)
{
    speed_t speed {};
    if (!speedFor(s.baud, speed))
        return false; // the line stays as it was
    termios tio {};
    if (tcgetattr(fdOf(h), &tio) != 0)
        return false;
    // A fully raw line, whatever the driver had before: a freshly plugged adapter comes with the
    // terminal defaults (XON/XOFF, CR to NL, echo, line editing, signal characters). The controller
    // sends 0x11 and 0x13 as ordinary data in its replies; with software flow control the line
    // discipline would swallow them, and one 0x13 would stop everything the PC sends after it.
    // No hardware flow control either: the controller does not drive CTS.
    cfmakeraw(&tio);
    tio.c_iflag &= ~CookedInput;
    tio.c_oflag &= ~CookedOutput;
    tio.c_lflag &= ~CookedLocal;
    tio.c_cflag &= ~FramingAndFlow;
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (s.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    // Reads deliver what is queued and never wait.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
        return false;
    if (tcsetattr(fdOf(h), TCSANOW, &tio) != 0)
        return false;
    // tcsetattr succeeds when any one of the changes took: check what the driver holds now. An
    // input speed of 0 reads as "the same as the output speed".
    termios now {};
    if (tcgetattr(fdOf(h), &now) != 0 || !isRaw(now) || cfgetospeed(&now) != speed)
        return false;
    const speed_t inSpeed = cfgetispeed(&now);
    if (inSpeed != speed && inSpeed != B0)
        return false;
    // DTR control: HUPCL is off, so closing the port leaves DTR as set here.
    // ENOTTY on a pseudo-terminal, which has no DTR: not a link error.
    int bits = TIOCM_DTR;
    ioctl(fdOf(h), s.dtrEnabled ? TIOCMBIS : TIOCMBIC, &bits);
    return true;
}

void PosixSerial::setRts(PortHandle h, bool on)
{
    int bits = TIOCM_RTS;
    // Fails with ENOTTY on a pseudo-terminal; the line simply has no RTS then.
    ioctl(fdOf(h), on ? TIOCMBIS : TIOCMBIC, &bits);
}

void PosixSerial::waitTransmitEmpty(PortHandle h)
{
    tcdrain(fdOf(h));
}

void PosixSerial::flushOutput(PortHandle h)
{
    tcdrain(fdOf(h));
}

void PosixSerial::check(PortHandle h, int error)
{
    if (error == EIO || error == ENXIO || error == ENODEV || error == EBADF)
        m_lost.insert(h);
}

bool PosixSerial::lost(PortHandle h) const
{
    return m_lost.count(h) != 0;
}

std::uint32_t PosixSerial::queuedBytes(PortHandle h)
{
    // A hung-up line (the adapter pulled, the other side of a pseudo-terminal closed) shows in
    // poll's revents; the queue query then fails with EIO.
    pollfd p { fdOf(h), POLLIN, 0 };
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        check(h, (p.revents & POLLNVAL) ? EBADF : EIO);
    int n = 0;
    if (ioctl(fdOf(h), TIOCINQ, &n) != 0) {
        check(h, errno);
        return 0;
    }
    return n < 0 ? 0 : static_cast<std::uint32_t>(n);
}

std::uint32_t PosixSerial::read(PortHandle h, std::uint8_t *buf, std::uint32_t max)
{
    ssize_t n = ::read(fdOf(h), buf, max);
    if (n < 0)
        check(h, errno);
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

bool PosixSerial::write(PortHandle h, const std::uint8_t *buf, std::uint32_t count)
{
    std::uint32_t done = 0;
    int spins = 0;
    while (done < count) {
        ssize_t n = ::write(fdOf(h), buf + done, count - done);
        if (n > 0) {
            done += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && ++spins < 100) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (n < 0)
            check(h, errno);
        return false;
    }
    return true;
}

void PosixSerial::close(PortHandle h)
{
    // Give up exclusive use first: the other side of a pseudo-terminal may keep the
    // terminal open, and the next attempt must be able to open it again.
    ioctl(fdOf(h), TIOCNXCL);
    ::close(fdOf(h));
    m_lost.erase(h);
}

void PosixSerial::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace kelvane
