#include "NumberFormat.h"

#include "CNumericLocale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvane {

namespace {
// Decimal exponent of v once rounded to `sig` significant digits.
int exponentAfterRounding(double v, int sig)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", std::max(sig - 1, 0), v);
    const char *e = std::strchr(buf, 'e');
    return e ? std::atoi(e + 1) : 0;
}

std::string exponentForm(double v, int precision)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", std::max(precision - 1, 0), v);
    std::string s(buf);
    const auto epos = s.find('e');
    std::string mant = s.substr(0, epos);
    const int exp = std::atoi(s.c_str() + epos + 1);
    if (mant.find('.') != std::string::npos) {
        while (mant.back() == '0')
            mant.pop_back();
        if (mant.back() == '.')
            mant.pop_back();
    }
    return mant + "E" + std::to_string(exp);
}
} // namespace

std::string formatFixed(double value, int precision, int decimals, char decimalPoint)
{
    // The C library prints in the process locale; the separator is put in below.
    const CNumericLocale cNumbers;
    std::string s;
    if (std::isnan(value)) {
        s = "NAN";
    } else if (std::isinf(value)) {
        s = value > 0 ? "INF" : "-INF";
    } else if (value != 0.0 && exponentAfterRounding(value, precision) >= precision) {
        s = exponentForm(value, precision);
    } else {
        // One rounding, to whichever is coarser: the significant digits or the decimals.
        int keep = decimals;
        if (value != 0.0)
            keep = std::min(decimals, precision - 1 - exponentAfterRounding(value, precision));
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", std::max(keep, 0), value);
        if (keep < decimals) {
            const double rounded = std::atof(buf);
            std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
        }
        s = buf;
        if (s[0] == '-' && std::strspn(s.c_str() + 1, "0.") == s.size() - 1)
            s.erase(0, 1); // no "-0.00"
    }
    if (decimalPoint != '.')
        std::replace(s.begin(), s.end(), '.', decimalPoint);
    return s;
}

} // namespace kelvane
