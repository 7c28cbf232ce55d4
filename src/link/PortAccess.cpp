#include "PortAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelvane {

std::string permissionAdvice(const std::string &device, const std::string &group)
{
    return "You may not open " + device + ": it belongs to the group \"" + group
        + "\". Join that group with\n    sudo usermod -aG " + group
        + " $USER\nthen log out and in again (the new group counts from the next log-in).";
}

namespace {
std::string groupOf(const struct stat &st)
{
    if (const group *g = getgrgid(st.st_gid))
        return g->gr_name;
    return std::to_string(st.st_gid);
}
} // namespace

std::string portAccessProblem(const std::string &device)
{
    struct stat st { };
    if (::stat(device.c_str(), &st) != 0)
        return {};
    if (::access(device.c_str(), R_OK | W_OK) == 0)
        return {};
    if (errno != EACCES && errno != EPERM)
        return {};
    return permissionAdvice(device, groupOf(st));
}

std::string portProblem(const std::string &device)
{
    std::string advice = portAccessProblem(device);
    if (!advice.empty())
        return advice;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            struct stat st { };
            if (::stat(device.c_str(), &st) == 0)
                return permissionAdvice(device, groupOf(st));
        }
        return std::strerror(error);
    }
    const bool terminal = isatty(fd) != 0;
    ::close(fd);
    return terminal ? std::string() : std::string("not a terminal");
}

} // namespace kelvane
