#include "LogText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

namespace kelvane {

const std::array<const char *, LogColumnCount> LogColumnHeaders = {
    "GazWorkTime (s)", "PetWorkTime (s)", "RPM (rev./min)", "InjB1 (ms)", "InjB2 (ms)", "InjB3 (ms)", "InjB4 (ms)",
    "InjB5 (ms)", "InjB6 (ms)", "InjB7 (ms)", "InjB8 (ms)", "InjG1 (ms)", "InjG2 (ms)", "InjG3 (ms)", "InjG4 (ms)",
    "InjG5 (ms)", "InjG6 (ms)", "InjG7 (ms)", "InjG8 (ms)", "TR (\u00b0C)", "TG (\u00b0C)", "Tecu (\u00b0C)",
    "AbsPresG (Bar)", "AbsPresManifold (Bar)", "DifPres G-Manifold (Bar)", "GazLev (V)", "VDC (V)", "5V (V)",
    "Lambda1 (V)", "EGT (\u00b0C)", "CorShort (%)", "CorLong (%)", "CorP (%)", "CorTr (%)", "CorTg (%)", "CorAll (%)",
    "NumberOfErrors (dec)"};

bool logColumnSelectable(int index) { return index >= 0 && index < LogColumnCount && index != 27 && index < 29; }

std::array<bool, LogColumnCount> logDefaultColumns()
{
    std::array<bool, LogColumnCount> c {};
    for (int i : {0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 19, 20, 22, 23, 24, 25, 26, 28})
        c[static_cast<std::size_t>(i)] = true;
    return c;
}

std::array<bool, LogColumnCount> logAllSelectableColumns()
{
    std::array<bool, LogColumnCount> c {};
    for (int i = 0; i < LogColumnCount; ++i)
        c[static_cast<std::size_t>(i)] = logColumnSelectable(i);
    return c;
}

namespace {
// Decimal exponent of |v| once rounded to `sig` significant digits.
int exponentAfterRounding(double v, int sig)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", sig - 1, v);
    const char *e = std::strchr(buf, 'e');
    return e ? std::atoi(e + 1) : 0;
}

std::string generalForm(double v)
{
    // Mantissa of 5 significant digits without trailing zeros, "E" and the exponent.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4e", v);
    std::string s(buf);
    auto epos = s.find('e');
    std::string mant = s.substr(0, epos);
    int exp = std::atoi(s.c_str() + epos + 1);
    if (mant.find('.') != std::string::npos) {
        while (!mant.empty() && mant.back() == '0')
            mant.pop_back();
        if (!mant.empty() && mant.back() == '.')
            mant.pop_back();
    }
    return mant + "E" + std::to_string(exp);
}
} // namespace

std::string formatFixed5(double value, int decimals)
{
    if (!std::isfinite(value))
        return value != value ? "NAN" : (value > 0 ? "INF" : "-INF");
    if (value == 0.0)
        value = 0.0; // no "-0"
    const double mag = std::fabs(value);
    if (mag != 0.0 && exponentAfterRounding(value, 5) >= 5)
        return generalForm(value);
    int keep = decimals;
    if (mag != 0.0) {
        const int exp = exponentAfterRounding(value, 5);
        keep = std::min(decimals, 4 - exp);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", std::max(keep, 0), value);
    double rounded = std::atof(buf);
    if (rounded == 0.0)
        rounded = 0.0;
    std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    std::string s(buf);
    if (s[0] == '-' && std::atof(buf) == 0.0)
        s.erase(0, 1);
    return s;
}

std::string logHeader(const std::array<bool, LogColumnCount> &columns)
{
    std::string s = "Time,";
    for (int i = 0; i < LogColumnCount; ++i) {
        if (!columns[static_cast<std::size_t>(i)])
            continue;
        s += LogColumnHeaders[static_cast<std::size_t>(i)];
        if (i < 36)
            s += ",";
    }
    return s;
}

std::string logRow(std::int32_t elapsedMs, const std::array<float, LiveValueCount> &values,
                   const std::array<bool, LogColumnCount> &columns)
{
    std::string s = formatFixed5(elapsedMs * 0.001, 2) + ",";
    for (int i = 0; i < LogColumnCount; ++i) {
        if (!columns[static_cast<std::size_t>(i)])
            continue;
        s += formatFixed5(values[static_cast<std::size_t>(i)], 3);
        if (i < 36)
            s += ",";
    }
    return s;
}

} // namespace kelvane
