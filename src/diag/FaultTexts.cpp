#include "FaultTexts.h"

namespace kelvane {

namespace {

const std::array<const char *, FaultTextCount> DefaultFaultTexts = {
    "ND       - Not Defined Error",
    "ErrTr_H  - Reducer Temp. Error High",
    "ErrTr_L  - Reducer Temp. Error Low",
    "ErrTg_H  - Gas Temp. Error High",
    "ErrTg_L  - Gas Temp. Error Low",
    "ErrECUt_H- ECU Internal Temp. High",
    "ErrECUt_L- ECU Internal Temp. Low",
    "ErrPres_H- Erorr Pressure High",
    "ErrPres_L- Erorr Pressure Low",
    "ErrMAF_H - Manifold Pressure Sensor Error High",
    "ErrMAF_L - Manifold Pressure Sensor Error Low",
    "ErrVDC_H - Error VDC Power Module High Voltage",
    "ErrVDC_L - Error VDC Power Module Low Voltage",
    "ErrVDC_L - Error 5VDC Out (Low Voltage)",
    "ErrwGv_1_H- Gas Injection Time Above Max",
    "ErrRpm_H  - RPM's Error High",
    "ErrRpm_L  - RPM's Error Low",
    "ND        - Not Defined Error",
    "ND        - Not Defined Error",
    "ND        - Not Defined Error",
    "ND        - Not Defined Error",
    "ErrInjGchk1- Injector 1 Error",
    "ErrInjGchk2- Injector 2 Error",
    "ErrInjGchk3- Injector 3 Error",
    "ErrInjGchk4- Injector 4 Error",
    "ErrInjGchk5- Injector 5 Error",
    "ErrInjGchk6- Injector 6 Error",
    "ErrInjGchk7- Injector 7 Error",
    "ErrInjGchk8- Injector 8 Error",
    "ErrorEgtTH - EGT Temp. High",
    "NULL:CZYLI KONIEC OPISOW :NULL",
};
constexpr int LastReplaceableCode = 29;

} // namespace

const char *defaultFaultText(int code)
{
    return code >= 0 && code < FaultTextCount ? DefaultFaultTexts[static_cast<std::size_t>(code)] : nullptr;
}

FaultTexts::FaultTexts()
{
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = DefaultFaultTexts[i];
}

int FaultTexts::idFor(int code)
{
    return code >= 0 && code <= LastReplaceableCode ? FirstId + code : 0;
}

bool FaultTexts::replace(int id, const std::string &replacement)
{
    const int code = id - FirstId;
    if (code < 0 || code > LastReplaceableCode)
        return false;
    text[static_cast<std::size_t>(code)] = replacement;
    return true;
}

const std::string *FaultTexts::find(unsigned code) const
{
    return code < text.size() ? &text[code] : nullptr;
}

std::string faultLine(std::uint16_t code, const FaultTexts &texts)
{
    const std::string number = std::to_string(code);
    const std::string *t = texts.find(code);
    return t ? number + " " + *t : number;
}

} // namespace kelvane
