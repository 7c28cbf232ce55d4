#include "Obd.h"

namespace kelvane {

namespace {
bool linkReady(const ControllerSession &s)
{
    return s.conn.Connected && s.linkState.PortOpen == 1;
}
} // namespace

std::string troubleCodeText(std::uint8_t first, std::uint8_t second)
{
    if (first == 0 && second == 0)
        return {};
    static const char Letters[] = { 'P', 'C', 'B', 'U' };
    static const char Hex[] = "0123456789ABCDEF";
    std::string t(5, ' ');
    t[0] = Letters[(first >> 6) & 3];
    t[1] = static_cast<char>('0' + ((first >> 4) & 3));
    t[2] = Hex[first & 0x0F];
    t[3] = Hex[(second >> 4) & 0x0F];
    t[4] = Hex[second & 0x0F];
    return t;
}

std::array<std::string, TroubleCodeSlots> troubleCodeRows(const LiveData &live)
{
    std::array<std::string, TroubleCodeSlots> rows;
    for (int k = 0; k < TroubleCodeSlots; ++k) {
        const int at = TroubleCodeAreaOffset + 2 * k;
        rows[static_cast<std::size_t>(k)] = troubleCodeText(live.obd8(at), live.obd8(at + 1));
    }
    return rows;
}

std::vector<std::string> troubleCodes(const LiveData &live)
{
    std::vector<std::string> codes;
    for (const std::string &row : troubleCodeRows(live)) {
        if (!row.empty())
            codes.push_back(row);
    }
    return codes;
}

bool obdReadTroubleCodes(ControllerSession &s)
{
    if (!linkReady(s))
        return false;
    s.commands.SendObdReadErrors();
    return true;
}

bool obdReadAllData(ControllerSession &s)
{
    if (!linkReady(s))
        return false;
    s.commands.SendObdReadAll();
    return true;
}

bool obdEraseTroubleCodes(ControllerSession &s)
{
    if (!linkReady(s))
        return false;
    s.writes.command(ControllerCommand::ObdErase);
    s.link.sleepMs(ObdEraseReadDelayMs);
    s.commands.SendObdReadErrors();
    return true;
}

} // namespace kelvane
