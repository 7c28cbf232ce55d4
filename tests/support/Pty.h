#pragma once
// The pseudo-terminal of the tests that play the controller themselves: a new terminal with the
// kernel's default settings (as a freshly plugged adapter comes); the test holds the master side,
// the PC opens the slave at slavePath.

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace kelvane::test {

// A new pseudo-terminal, its settings left as the kernel makes them.
struct Pty {
    int master = -1;
    std::string slavePath;

    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[256];
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
            return;
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        slavePath = name;
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    // The PC side's settings: on Linux the master reports those of the slave.
    termios pcSettings() const
    {
        termios t {};
        tcgetattr(master, &t);
        return t;
    }
    // The controller answers.
    bool send(const std::vector<std::uint8_t> &bytes) const
    {
        return ::write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // What the controller hears: waits up to timeoutMs for `expected` bytes, then a little
    // longer for any that should not be there (a CR turned into CR LF, an echo).
    std::vector<std::uint8_t> receive(std::size_t expected, int timeoutMs = 1000) const
    {
        using Clock = std::chrono::steady_clock;
        std::vector<std::uint8_t> got;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        bool settling = false;
        for (;;) {
            settling = settling || got.size() >= expected;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd p { master, POLLIN, 0 };
            if (::poll(&p, 1, settling ? 5 : static_cast<int>(std::max<long long>(left, 0))) <= 0)
                return got;
            std::uint8_t buf[1024];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                return got;
            got.insert(got.end(), buf, buf + n);
        }
    }
};

} // namespace kelvane::test
