#pragma once
// Why a serial device cannot be used, in words a fitter can act on. On Linux a USB adapter's node
// (/dev/ttyUSB0) belongs to the group "dialout"; a user outside that group gets "Permission denied"
// and nothing else. The advice names the device, its group and the command that joins it.

#include <string>

namespace kelvane {

// "You may not open /dev/ttyUSB0: it belongs to the group "dialout". ..." with the usermod command
// and the note that the change takes effect at the next log-in.
std::string permissionAdvice(const std::string &device, const std::string &group);

// The advice when the user may not read and write the device (checked without opening it, so the
// line is not disturbed); empty when access is allowed or the device is not there.
std::string portAccessProblem(const std::string &device);

// Why a device that no controller answered on cannot be used: the permission advice, "not a
// terminal", or the system's reason for a failed open; empty when it opens as a terminal.
std::string portProblem(const std::string &device);

} // namespace kelvane
