#include "PortMap.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cstdlib>

namespace kelvane {

std::string ComPortName(std::int16_t index)
{
    if (index >= 0 && index <= 15)
        return "\\\\.\\COM" + std::to_string(index + 1);
    return "COM1";
}

int portNumberOf(const std::string &portName)
{
    auto pos = portName.rfind("COM");
    if (pos == std::string::npos)
        return 0;
    const std::string digits = portName.substr(pos + 3);
    if (digits.empty() || digits.size() > 2 || !std::all_of(digits.begin(), digits.end(), ::isdigit))
        return 0;
    int n = std::atoi(digits.c_str());
    return (n >= 1 && n <= 16) ? n : 0;
}

void PortMap::map(int port, const std::string &path)
{
    m_explicit[port] = path;
}

std::string PortMap::deviceForPort(int port) const
{
    if (port < 1 || port > 16)
        return {};
    if (!m_explicit.empty()) {
        auto it = m_explicit.find(port);
        return it == m_explicit.end() ? std::string() : it->second;
    }
    if (static_cast<std::size_t>(port) <= m_detected.size())
        return m_detected[port - 1];
    return {};
}

std::string PortMap::deviceFor(const std::string &portName) const
{
    return deviceForPort(portNumberOf(portName));
}

namespace {
int familyRank(const std::string &p)
{
    if (p.find("ttyUSB") != std::string::npos)
        return 0;
    if (p.find("ttyACM") != std::string::npos)
        return 1;
    if (p.find("ttyS") != std::string::npos)
        return 2;
    return 3;
}
long trailingNumber(const std::string &p)
{
    std::size_t i = p.size();
    while (i > 0 && std::isdigit(static_cast<unsigned char>(p[i - 1])))
        --i;
    return i < p.size() ? std::atol(p.c_str() + i) : -1;
}
} // namespace

std::vector<std::string> PortMap::orderDevices(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end(), [](const std::string &a, const std::string &b) {
        int fa = familyRank(a), fb = familyRank(b);
        if (fa != fb)
            return fa < fb;
        long na = trailingNumber(a), nb = trailingNumber(b);
        if (na != nb)
            return na < nb;
        return a < b;
    });
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

void PortMap::refresh()
{
    std::vector<std::string> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        found.push_back(info.systemLocation().toStdString());
    m_detected = orderDevices(found);
    if (m_detected.size() > 16)
        m_detected.resize(16);
}

bool PortMap::parseComOption(const std::string &value, int &port, std::string &path, std::string &error)
{
    auto eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 >= value.size()) {
        error = "bad --com value '" + value + "': expected N=PATH with N from 1 to 16";
        return false;
    }
    const std::string num = value.substr(0, eq);
    if (num.size() > 2 || !std::all_of(num.begin(), num.end(), ::isdigit)) {
        error = "bad --com port '" + num + "': expected a number from 1 to 16";
        return false;
    }
    port = std::atoi(num.c_str());
    if (port < 1 || port > 16) {
        error = "bad --com port '" + num + "': expected a number from 1 to 16";
        return false;
    }
    path = value.substr(eq + 1);
    return true;
}

} // namespace kelvane
