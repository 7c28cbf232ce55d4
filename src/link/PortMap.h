#pragma once
// Port numbers 1-16 and the devices behind them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kelvane {

// The controller's tool names its ports "\\.\COM1" to "\\.\COM16"; any other index gives "COM1".
std::string ComPortName(std::int16_t index);
// The port number in such a name (1-16), or 0 when it names none.
int portNumberOf(const std::string &portName);

class PortMap {
public:
    // Map port n (1-16) to a device path; once any mapping is given, unmapped numbers map to nothing.
    void map(int port, const std::string &path);
    bool hasExplicitMappings() const { return !m_explicit.empty(); }
    // Device path for a port name such as "\\.\COM3"; empty when the port maps to nothing.
    std::string deviceFor(const std::string &portName) const;
    std::string deviceForPort(int port) const;
    // Re-read the serial devices present: USB adapters first (ttyUSB, ttyACM), then ttyS, numbered from 1.
    void refresh();
    // For tests and for showing what was found.
    void setDetected(std::vector<std::string> devices) { m_detected = std::move(devices); }
    const std::vector<std::string> &detected() const { return m_detected; }

    // Parses "N=PATH" with N 1-16; false and a message on a bad value.
    static bool parseComOption(const std::string &value, int &port, std::string &path, std::string &error);
    // Orders device paths the way ports are numbered: ttyUSB, ttyACM, then ttyS, each by number.
    static std::vector<std::string> orderDevices(std::vector<std::string> paths);

private:
    std::map<int, std::string> m_explicit;
    std::vector<std::string> m_detected;
};

} // namespace kelvane
