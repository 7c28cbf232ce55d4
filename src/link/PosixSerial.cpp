#include "PosixSerial.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace kelvane {

namespace {
speed_t speedFor(int baud)
{
    switch (baud) {
    case 38400: return B38400;
    case 57600: return B57600;
    case 19200: return B19200;
    case 9600: return B9600;
    case 115200: return B115200;
    default: return B57600;
    }
}
int fdOf(PortHandle h) { return static_cast<int>(h); }
} // namespace

PortHandle PosixSerial::open(const std::string &device)
{
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return InvalidHandle;
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
    termios tio {};
    if (tcgetattr(fdOf(h), &tio) != 0)
        return false;
    // Raw bytes: no line discipline, no translation, no echo.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | INPCK);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    if (s.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    // DTR control disabled: do not raise DTR on open, drop it on close.
    tio.c_cflag &= ~HUPCL;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speedFor(s.baud));
    cfsetospeed(&tio, speedFor(s.baud));
    bool ok = tcsetattr(fdOf(h), TCSANOW, &tio) == 0;
    if (!s.dtrEnabled) {
        int bits = TIOCM_DTR;
        ioctl(fdOf(h), TIOCMBIC, &bits); // ENOTTY on a pseudo-terminal: not a link error
    }
    return ok;
}

void PosixSerial::setRts(PortHandle h, bool on)
{
    int bits = TIOCM_RTS;
    // Fails with ENOTTY on a pseudo-terminal; the line simply has no RTS then.
    ioctl(fdOf(h), on ? TIOCMBIS : TIOCMBIC, &bits);
}

void PosixSerial::waitTransmitEmpty(PortHandle h) { tcdrain(fdOf(h)); }

void PosixSerial::flushOutput(PortHandle h) { tcdrain(fdOf(h)); }

std::uint32_t PosixSerial::queuedBytes(PortHandle h)
{
    int n = 0;
    if (ioctl(fdOf(h), TIOCINQ, &n) != 0 || n < 0)
        return 0;
    return static_cast<std::uint32_t>(n);
}

std::uint32_t PosixSerial::read(PortHandle h, std::uint8_t *buf, std::uint32_t max)
{
    ssize_t n = ::read(fdOf(h), buf, max);
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
}

void PosixSerial::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace kelvane
