#include "LayoutRules.h"

#include <algorithm>
#include <cmath>

namespace kelvane::layout {

namespace {
int limit(long long v, long long lo, long long hi)
{
    if (v > hi)
        v = hi;
    if (v < lo)
        v = lo;
    return static_cast<int>(v);
}
long long truncToward0(double v)
{
    return static_cast<long long>(std::trunc(v));
}
} // namespace

int ruleA(double a, int hi, int lo, double d)
{
    const float q = static_cast<float>(lo) / static_cast<float>(d);
    return limit(truncToward0(a * static_cast<double>(q)), lo, hi);
}

int ruleB(double a, double hi, int lo, double f)
{
    return limit(truncToward0(a * f), lo, truncToward0(hi));
}

ResizeCheck FormCanResize(int oldW, int oldH, int newW, int newH)
{
    ResizeCheck r { true, newW, newH };
    if (newW >= MinWindowWidth && newH >= MinWindowHeight)
        return r;
    r.accepted = false;
    r.width = newW < MinWindowWidth ? MinWindowWidth : std::max(oldW, MinWindowWidth);
    r.height = newH < MinWindowHeight ? MinWindowHeight : std::max(oldH, MinWindowHeight);
    return r;
}

int stripWidthUnclamped(int w)
{
    return static_cast<int>(truncToward0(w / 4.301));
}
int stripWidth(int w)
{
    return limit(stripWidthUnclamped(w), 196, 392);
}
int panelO1Width(int w)
{
    return limit(truncToward0(w / 4.5), 180, 900);
}
int panelO2Width(int w)
{
    return limit(truncToward0(w / 3.4), 240, 1200);
}

int panelO3Width(int w, int pageWidth, int o3Left)
{
    const long long q = truncToward0(w / 4.7);
    if (q < 176)
        return 176;
    if (q > 880)
        return 880;
    return std::max(0, pageWidth - o3Left);
}

MeterRects panelO1Meters(int pw, int ph)
{
    MeterRects m;
    m.rpm.h = ruleB(ph, 300, 145, 0.6);
    m.rpm.w = ruleB(pw, m.rpm.h * 1.05, 180, 0.9891892);
    m.rpm.x = (pw - m.rpm.w) / 2;
    m.rpm.y = 0;
    m.difp.h = ruleB(ph, 250, 115, 0.4078);
    m.difp.w = ruleB(pw, m.difp.h * 1.513, 174, 0.9891892);
    m.difp.x = (pw - m.difp.w) / 2;
    m.difp.y = m.rpm.h;
    return m;
}

std::array<int, 5> stripPanelHeights(int h)
{
    return { ruleB(h, 636, 212, 0.35333), ruleB(h, 213, 71, 0.11833), ruleB(h, 132, 44, 0.07333),
        ruleB(h, 135, 45, 0.075), ruleB(h, 516, 172, 0.28666) };
}

int parameterGroupWidth(int measuredWidth)
{
    return std::max(MinParameterGroupWidth, measuredWidth - 40);
}

int expandMarkLeft(int groupWidth)
{
    return groupWidth - 51;
}

} // namespace kelvane::layout
