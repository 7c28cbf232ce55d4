#include "LogText.h"

#include "CNumericLocale.h"
#include "NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvane {

const std::array<const char *, LogColumnCount> LogColumnHeaders = { "GazWorkTime (s)", "PetWorkTime (s)",
    "RPM (rev./min)", "InjB1 (ms)", "InjB2 (ms)", "InjB3 (ms)", "InjB4 (ms)", "InjB5 (ms)", "InjB6 (ms)", "InjB7 (ms)",
    "InjB8 (ms)", "InjG1 (ms)", "InjG2 (ms)", "InjG3 (ms)", "InjG4 (ms)", "InjG5 (ms)", "InjG6 (ms)", "InjG7 (ms)",
    "InjG8 (ms)", "TR (\u00b0C)", "TG (\u00b0C)", "Tecu (\u00b0C)", "AbsPresG (Bar)", "AbsPresManifold (Bar)",
    "DifPres G-Manifold (Bar)", "GazLev (V)", "VDC (V)", "5V (V)", "Lambda1 (V)", "EGT (\u00b0C)", "CorShort (%)",
    "CorLong (%)", "CorP (%)", "CorTr (%)", "CorTg (%)", "CorAll (%)", "NumberOfErrors (dec)" };

bool logColumnSelectable(int index)
{
    return index >= 0 && index < LogColumnCount && index != 27 && index < 29;
}

std::array<bool, LogColumnCount> logDefaultColumns()
{
    std::array<bool, LogColumnCount> c {};
    for (int i : { 0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 19, 20, 22, 23, 24, 25, 26, 28 })
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

std::string formatFixed5(double value, int decimals)
{
    // The log has "." whatever the user's locale (the commas separate its columns).
    const CNumericLocale c;
    std::string s = formatFixed(value, 5, decimals, '.');
    std::replace(s.begin(), s.end(), ',', '.');
    return s;
}

std::string formatLogTime(std::int64_t elapsedMs)
{
    // Whole milliseconds to hundredths in integers: no binary fraction can round 1234.565 down.
    const bool negative = elapsedMs < 0;
    const std::uint64_t ms
        = negative ? 0 - static_cast<std::uint64_t>(elapsedMs) : static_cast<std::uint64_t>(elapsedMs);
    const std::uint64_t hundredths = (ms + 5) / 10;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", negative && hundredths != 0 ? "-" : "",
        static_cast<unsigned long long>(hundredths / 100), static_cast<unsigned long long>(hundredths % 100));
    return buf;
}

bool logColumnIsCount(int index)
{
    return index == lv::GasWorkTime || index == lv::PetrolWorkTime;
}

std::string formatLogCount(double value)
{
    if (!std::isfinite(value))
        return formatFixed5(value, 0);
    // No decimals, so no separator; the C locale keeps grouping out.
    const CNumericLocale c;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", std::round(value) == 0 ? 0.0 : std::round(value));
    return buf;
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

std::string logRow(std::int64_t elapsedMs, const std::array<float, LiveValueCount> &values,
    const std::array<bool, LogColumnCount> &columns)
{
    std::string s;
    appendLogRow(s, elapsedMs, values, columns);
    return s;
}

void appendLogRow(std::string &out, std::int64_t elapsedMs, const std::array<float, LiveValueCount> &values,
    const std::array<bool, LogColumnCount> &columns)
{
    out += formatLogTime(elapsedMs);
    out += ',';
    for (int i = 0; i < LogColumnCount; ++i) {
        if (!columns[static_cast<std::size_t>(i)])
            continue;
        const double v = values[static_cast<std::size_t>(i)];
        out += logColumnIsCount(i) ? formatLogCount(v) : formatFixed5(v, 3);
        if (i < 36)
            out += ',';
    }
}

std::string logTextAsUtf8(std::string_view s)
{
    bool ascii = true;
    for (unsigned char ch : s)
        ascii = ascii && ch < 0x80;
    if (ascii)
        return std::string(s);
    // Valid UTF-8 stays as it is.
    bool valid = true;
    for (std::size_t i = 0; i < s.size() && valid;) {
        const auto ch = static_cast<unsigned char>(s[i]);
        const std::size_t extra = ch < 0x80 ? 0
            : (ch & 0xE0) == 0xC0           ? 1
            : (ch & 0xF0) == 0xE0           ? 2
            : (ch & 0xF8) == 0xF0           ? 3
                                            : 9;
        valid = extra < 9 && i + extra < s.size();
        for (std::size_t k = 1; valid && k <= extra; ++k)
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        i += extra + 1;
    }
    if (valid)
        return std::string(s);
    std::string out;
    for (unsigned char ch : s) {
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

int logColumnForHeader(std::string_view header)
{
    while (!header.empty() && (header.front() == ' ' || header.front() == '\t'))
        header.remove_prefix(1);
    while (!header.empty() && (header.back() == ' ' || header.back() == '\t'))
        header.remove_suffix(1);
    const std::string text = logTextAsUtf8(header);
    for (int i = 0; i < LogColumnCount; ++i) {
        if (text == LogColumnHeaders[static_cast<std::size_t>(i)])
            return i;
    }
    return -1;
}

} // namespace kelvane
