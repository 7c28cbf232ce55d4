#include "Readings.h"

#include "NumberFormat.h"

namespace kelvane {

LampState statusLamp(const LiveData &live, const StatusTexts &t)
{
    const std::uint8_t flags = live.u8(rec::SignalFlags);
    if (!(flags & 0x04) || (flags & 0x08))
        return { 1, true, t.errorRpm };
    switch (live.mode()) {
    case 0:
        return { 0, false, t.gasoline };
    case 1:
        return { 0, false, t.autoMode };
    case 2:
        return { 0, false, t.gaz };
    default:
        break;
    }
    if (live.u8(rec::PressureFlags) & 0x01)
        return { 1, true, t.errorPres };
    return { 1, true, t.error };
}

LampState notConnectedLamp(const StatusTexts &t)
{
    return { 1, true, t.errorCom };
}

std::optional<std::array<bool, 5>> levelLamps(std::uint8_t step)
{
    if (step >= 5)
        return std::nullopt;
    std::array<bool, 5> lit {};
    if (step == 0) {
        lit[0] = true;
    } else {
        for (int i = 1; i <= step; ++i)
            lit[static_cast<std::size_t>(i)] = true;
    }
    return lit;
}

std::string screenFixed(double value, int decimals, char decimalPoint)
{
    return formatFixed(value, 4, decimals, decimalPoint);
}

std::string workTimeText(std::uint32_t petrol, std::uint32_t gas, const StatusTexts &t, char dp)
{
    auto hms = [](std::uint32_t s) {
        return std::to_string(s / 3600) + "h : " + std::to_string((s / 60) % 60) + "m : " + std::to_string(s % 60)
            + "s ] ";
    };
    const double total = static_cast<double>(gas) + static_cast<double>(petrol) + 1.0;
    const double p = static_cast<double>(petrol) * 100.0 / total;
    const double g = static_cast<double>(gas) * 100.0 / total;
    return t.workTime + " " + t.gasoline + ": [ " + hms(petrol) + t.gaz + ": [ " + hms(gas) + screenFixed(p, 2, dp)
        + "/" + screenFixed(g, 2, dp) + " %";
}

std::string canStatusLine(std::uint8_t can)
{
    static const char *const modes[]
        = { "0:CAN 250k/11b ", "1:CAN 250k/29b ", "2:CAN 500k/29b ", "3:CAN 500k/11b ", "4: CAN n/a " };
    const unsigned mode = can & 0x07;
    std::string s = mode <= 4 ? modes[mode] : "";
    s += "|ConOK:";
    s += (can & 0x08) ? "1" : "0";
    s += "|ConFail:";
    s += (can & 0x10) ? "1" : "0";
    s += "|ReadPid:";
    s += (can & 0x20) ? "1" : "0";
    s += "|";
    return s;
}

const std::array<const char *, 21> ObdValueCaptions = { "ShortTrim1 [%]", "LongTrim1 [%]", "ShortTrim2 [%]",
    "LongTrim2 [%]", "Lambda1Bank1 [V]", "Lambda2Bank1 [V]", "Lambda3Bank1 [V]", "Lambda4Bank1 [V]", "Lambda1Bank2 [V]",
    "Lambda2Bank2 [V]", "Lambda3Bank2 [V]", "Lambda4Bank2 [V]", "Load [%]", "Coolant [\u00b0C]",
    "Intake Pressure [kPa]", "Rpm [rpm]", "Speed [km/h]", "Timing advance [\u00b0]", "Intake Temperature  [\u00b0C]",
    "MAF air flow rate [grams/sec]", "Throttle position [%]" };

std::array<ObdValue, 21> obdValues(const LiveData &live)
{
    std::array<ObdValue, 21> v {};
    auto supported = [&](int byte, int bit) { return ((live.obd8(byte) >> bit) & 1) != 0; };
    auto trim = [&](int off) { return (live.obd8(off) - 128) * 0.78125; };
    auto oxygen = [&](int off) { return (live.obd16(off) >> 8) * 0.005; };
    for (int k = 0; k < 4; ++k)
        v[static_cast<std::size_t>(k)] = { supported(4, k), trim(36 + k) };
    for (int k = 0; k < 4; ++k)
        v[static_cast<std::size_t>(4 + k)] = { supported(4, 4 + k), oxygen(14 + 2 * k) };
    for (int k = 0; k < 4; ++k)
        v[static_cast<std::size_t>(8 + k)] = { supported(5, k), oxygen(22 + 2 * k) };
    v[12] = { supported(5, 5), live.obd8(40) * 0.392156862 };
    v[13] = { supported(5, 6), live.obd8(41) - 40.0 };
    v[14] = { supported(5, 7), static_cast<double>(live.obd8(42)) };
    v[15] = { supported(6, 0), live.obd16(32) * 0.25 };
    v[16] = { supported(6, 1), static_cast<double>(live.obd8(43)) };
    v[17] = { supported(6, 2), live.obd8(44) * 0.5 - 64 };
    v[18] = { supported(6, 3), live.obd8(45) - 40.0 };
    v[19] = { supported(6, 4), live.obd16(30) * 0.1 };
    v[20] = { supported(6, 5), live.obd8(46) * 0.392156862 };
    return v;
}

std::string obdShortTrimText(const LiveData &live, char dp)
{
    if (!(live.obd8(4) & 0x01))
        return "n/a";
    return screenFixed((live.u8(rec::ObdShortTrim) - 128) * 0.78125, 2, dp);
}

std::string obdLongTrimText(const LiveData &live, char dp)
{
    if (!(live.obd8(4) & 0x02))
        return "n/a";
    return screenFixed((live.u8(rec::ObdLongTrim) - 128) * 0.78125, 2, dp);
}

} // namespace kelvane
