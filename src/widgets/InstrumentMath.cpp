#include "InstrumentMath.h"

#include <algorithm>
#include <cmath>

namespace kelvane {

namespace {

// Position of value inside the range as 0 .. 1.
double fraction(double value, double min, double max)
{
    if (std::isnan(value) || std::isnan(min) || std::isnan(max))
        return 0.0;
    if (min > max)
        std::swap(min, max);
    const double span = max - min;
    if (!(span > 0.0) || !std::isfinite(span))
        return 0.0;
    const double f = (clampToRange(value, min, max) - min) / span;
    return std::clamp(f, 0.0, 1.0);
}

} // namespace

bool orderRange(double &min, double &max)
{
    if (std::isnan(min) || std::isnan(max))
        return false;
    if (min > max)
        std::swap(min, max);
    return true;
}

double clampToRange(double value, double min, double max)
{
    if (min > max)
        std::swap(min, max);
    if (std::isnan(value))
        return min;
    return std::clamp(value, min, max);
}

double meterAngle(double value, double min, double max, double sweepDeg)
{
    return fraction(value, min, max) * sweepDeg;
}

int barLength(double value, double min, double max, int pixels)
{
    if (pixels <= 0)
        return 0;
    return static_cast<int>(std::lround(fraction(value, min, max) * pixels));
}

ScaleTicks niceScale(double min, double max, int targetMajors, bool labelEnds)
{
    ScaleTicks t;
    if (std::isnan(min) || std::isnan(max))
        return t;
    if (min > max)
        std::swap(min, max);
    const double span = max - min;
    if (!std::isfinite(min) || !std::isfinite(max) || !std::isfinite(span) || !(span > 0.0)) {
        if (std::isfinite(min)) {
            t.major.push_back(min);
            t.labels.push_back(min);
        }
        return t;
    }
    targetMajors = std::clamp(targetMajors, 1, 50);

    // Round step: 1, 2, 2.5 or 5 times a power of ten, the smallest not below span / target.
    const double raw = span / targetMajors;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    static const double steps[] = { 1.0, 2.0, 2.5, 5.0, 10.0 };
    static const int subdivisions[] = { 5, 4, 5, 5, 5 };
    double norm = 10.0;
    int sub = 5;
    for (int i = 0; i < 5; ++i) {
        if (steps[i] * mag >= raw * (1.0 - 1e-9)) {
            norm = steps[i];
            sub = subdivisions[i];
            break;
        }
    }
    const double step = norm * mag;
    const double tol = span * 0.005;

    const double first = std::ceil((min - tol) / step);
    const double last = std::floor((max + tol) / step);
    if (!(last - first < 200.0))
        return t;
    for (double k = first; k <= last; k += 1.0) {
        double v = k * step;
        if (std::fabs(v) < step * 1e-9)
            v = 0.0; // no "-0"
        t.major.push_back(v);
    }
    const double minorStep = step / sub;
    const double firstMinor = std::ceil((min - tol) / minorStep);
    const double lastMinor = std::floor((max + tol) / minorStep);
    for (double k = firstMinor; k <= lastMinor; k += 1.0) {
        if (static_cast<long long>(k) % sub == 0)
            continue;
        t.minor.push_back(k * minorStep);
    }

    // Digits after the point: enough for the step (2.5 needs one, 0.25 two).
    double scaled = step;
    int decimals = 0;
    while (decimals < 6 && std::fabs(scaled - std::round(scaled)) > 1e-6 * std::max(1.0, std::fabs(scaled))) {
        scaled *= 10.0;
        ++decimals;
    }
    t.decimals = decimals;

    t.labels = t.major;
    if (labelEnds) {
        const double nearEnough = step * 0.6;
        for (double end : { min, max }) {
            bool onMajor = false;
            for (double v : t.major)
                onMajor = onMajor || std::fabs(v - end) <= tol;
            if (onMajor)
                continue;
            t.labels.erase(std::remove_if(t.labels.begin(), t.labels.end(),
                               [&](double v) { return std::fabs(v - end) < nearEnough; }),
                t.labels.end());
            t.labels.push_back(end);
            t.major.push_back(end);
        }
        std::sort(t.labels.begin(), t.labels.end());
        std::sort(t.major.begin(), t.major.end());
    }
    return t;
}

} // namespace kelvane
