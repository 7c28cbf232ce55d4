#pragma once
// The car's OBD trouble codes: the three OBD commands (the controller answers through the OBD
// data area of later live records) and the trouble-code list drawn from that area.

#include "ControllerSession.h"

#include <array>
#include <string>
#include <vector>

namespace kelvane {

constexpr int TroubleCodeSlots = 16; // rows 1-16 of StringGridObdErrors
constexpr int TroubleCodeAreaOffset = 48; // bytes 48-79 of the OBD data area, two per code
constexpr int ObdEraseReadDelayMs = 1000; // between the erase and the read of the codes

// Two bytes of a slot, first byte first, in the two-byte trouble-code form: a letter from bits
// 7-6 of the first byte (P, C, B, U), the digit of bits 5-4, then three hexadecimal digits
// ("P0301", "C012A", "U0100"). Empty when both bytes are 0 (no code in the slot).
std::string troubleCodeText(std::uint8_t first, std::uint8_t second);

// Column 1 of rows 1-16 as the list shows them (empty rows for empty slots).
std::array<std::string, TroubleCodeSlots> troubleCodeRows(const LiveData &live);
// The codes present, in slot order.
std::vector<std::string> troubleCodes(const LiveData &live);

// "Read OBD Errors", "ReadAllData" and "DELETE OBD ERRORS" (the erase, 1000 ms, then the read).
// Nothing awaits an answer. False, nothing sent, while not connected.
bool obdReadTroubleCodes(ControllerSession &session);
bool obdReadAllData(ControllerSession &session);
bool obdEraseTroubleCodes(ControllerSession &session);

} // namespace kelvane
