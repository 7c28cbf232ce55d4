#include "LogText.h"

#include "NumberFormat.h"

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

std::string formatFixed5(double value, int decimals) { return formatFixed(value, 5, decimals, '.'); }

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
