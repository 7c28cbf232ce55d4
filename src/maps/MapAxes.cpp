#include "MapAxes.h"

#include "Conversions.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace kelvane::maps {

namespace {

const int RpmPresets[8][RpmAxisCount] = {
    { 900, 1200, 1800, 2500, 3000, 3500, 4000, 5000 },
    { 900, 1200, 1800, 2500, 3000, 3800, 4500, 5500 },
    { 1000, 1500, 2000, 3000, 4000, 4500, 5500, 6250 },
    { 1000, 1500, 1800, 2500, 3500, 4500, 5500, 6500 },
    { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 6750 },
    { 1000, 1500, 2000, 3000, 4000, 5000, 6000, 7000 },
    { 1000, 1500, 2500, 3500, 4500, 5500, 6500, 7500 },
    { 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000 },
};

// Milliseconds x 10.
const int InjPresetsTenths[12][InjAxisCount] = {
    { 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80 },
    { 5, 10, 15, 20, 25, 35, 40, 50, 55, 60, 65, 70, 75, 80, 90, 100 },
    { 5, 10, 20, 30, 35, 40, 45, 50, 55, 60, 70, 80, 90, 100, 110, 120 },
    { 10, 15, 18, 22, 27, 30, 35, 40, 45, 50, 55, 60, 65, 70, 75, 80 },
    { 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70, 80, 90, 100 },
    { 10, 15, 20, 25, 30, 35, 40, 45, 50, 60, 70, 80, 90, 100, 110, 120 },
    { 10, 15, 20, 25, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140 },
    { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160 },
    { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 140, 150, 160, 180 },
    { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 140, 160, 180, 200 },
    { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 220 },
    { 10, 20, 30, 40, 50, 60, 70, 80, 100, 120, 140, 160, 180, 200, 220, 240 },
};

std::uint8_t engineType(const ParameterImage &image)
{
    return image.byte(img::RpmSet);
}
unsigned speedSignal(const ParameterImage &image)
{
    return image.bits(img::RpmSignal, 0, 2);
}

QString fixed(double v, int decimals, QChar sep)
{
    QString s = QString::number(v, 'f', decimals);
    s.replace(QLatin1Char('.'), sep);
    return s;
}

// A decimal number with "." or the user's separator as its point: optional spaces around, an
// optional sign, digits with at most one point, an optional exponent. No grouping.
std::optional<double> parseDecimal(const QString &text, QChar sep)
{
    QString t = text.trimmed();
    if (sep != QLatin1Char('.'))
        t.replace(sep, QLatin1Char('.'));
    if (t.isEmpty() || t.contains(QLatin1Char(',')))
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString notAFloatMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

} // namespace

int rpmAxisRpm(const ParameterImage &image, int i, const TimeBases &tb)
{
    return static_cast<int>(TicksToRpm(image.wordAt(img::RpmAxisWord + i), engineType(image), speedSignal(image), tb));
}

QString rpmAxisText(const ParameterImage &image, int i, const TimeBases &tb)
{
    return QString::number(rpmAxisRpm(image, i, tb));
}

float injAxisMs(const ParameterImage &image, int j, const TimeBases &tb)
{
    return TicksToMs(image.wordAt(img::InjTimeAxisWord + j), 1, tb);
}

QString injAxisText(const ParameterImage &image, int j, const TimeBases &tb, QChar decimalSeparator, int decimals)
{
    return fixed(injAxisMs(image, j, tb), decimals, decimalSeparator);
}

AxisTexts axisTexts(const ParameterImage &image, const TimeBases &tb, QChar decimalSeparator)
{
    AxisTexts t;
    for (int i = 0; i < RpmAxisCount; ++i)
        t.rpm[static_cast<std::size_t>(i)] = rpmAxisText(image, i, tb);
    for (int j = 0; j < InjAxisCount; ++j)
        t.injMs[static_cast<std::size_t>(j)] = injAxisText(image, j, tb, decimalSeparator);
    return t;
}

QStringList rpmPresetItems()
{
    return { QStringLiteral("rpm DEF."), QStringLiteral("900-5000"), QStringLiteral("900-5500"),
        QStringLiteral("1000-6250"), QStringLiteral("1000-6500"), QStringLiteral("1000-6750"),
        QStringLiteral("1000-7000"), QStringLiteral("1000-7500"), QStringLiteral("1000-8000") };
}

QStringList injPresetItems()
{
    return { QStringLiteral("injT. DEF."), QStringLiteral("0.5-8"), QStringLiteral("0.5-10"), QStringLiteral("0.5-12"),
        QStringLiteral("1.0-8"), QStringLiteral("1.0-10"), QStringLiteral("1.0-12"), QStringLiteral("1.0-14"),
        QStringLiteral("1.0-16"), QStringLiteral("1.0-18"), QStringLiteral("1.0-20"), QStringLiteral("1.0-22"),
        QStringLiteral("1.0-24") };
}

std::optional<RpmTexts> rpmPresetTexts(int item)
{
    if (item < 1 || item > 8)
        return std::nullopt;
    RpmTexts t;
    for (int i = 0; i < RpmAxisCount; ++i)
        t[static_cast<std::size_t>(i)] = QString::number(RpmPresets[item - 1][i]);
    return t;
}

std::optional<InjTexts> injPresetTexts(int item, QChar decimalSeparator)
{
    if (item < 1 || item > 12)
        return std::nullopt;
    InjTexts t;
    for (int j = 0; j < InjAxisCount; ++j) {
        const int tenths = InjPresetsTenths[item - 1][j];
        t[static_cast<std::size_t>(j)]
            = QStringLiteral("%1%2%3").arg(tenths / 10).arg(decimalSeparator).arg(tenths % 10) + QLatin1Char('0');
    }
    return t;
}

std::optional<std::uint16_t> rpmTextToRaw(const ParameterImage &image, const QString &text, const TimeBases &tb)
{
    const std::optional<int> rpm = parseMapInteger(text);
    // Engine speeds lie on a 25-rpm grid: below its first step the period would be endless.
    if (!rpm || *rpm < 25)
        return std::nullopt;
    const std::int32_t raw = RpmToTicks(static_cast<std::uint32_t>(*rpm), engineType(image), speedSignal(image), tb);
    if (raw < 1)
        return std::nullopt;
    // A low speed of an engine with many pulses per turn (6 cylinders on the injector signal at
    // 1000 rpm: 163,636 ticks) has a period past the word: it is held at the longest period, as
    // every other speed word is, so the axis is still written whole.
    return static_cast<std::uint16_t>(std::min<std::int32_t>(raw, 65535));
}

std::optional<std::uint16_t> msTextToRaw(const QString &text, const TimeBases &tb, QChar decimalSeparator)
{
    const std::optional<double> ms = parseDecimal(text, decimalSeparator);
    if (!ms || *ms <= 0 || *ms > 1e6)
        return std::nullopt;
    const std::int32_t raw = MsToTicks(static_cast<float>(*ms), 1, tb);
    if (raw < 1 || raw > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(raw);
}

namespace {

AxisSaveResult badRpm(int i, const QString &text)
{
    AxisSaveResult r;
    r.status = AxisSaveResult::InvalidText;
    r.badIndex = i;
    r.error = parseMapInteger(text)
        ? QStringLiteral("Speed breakpoint %1: %2 rpm is out of range.").arg(i + 1).arg(text.trimmed())
        : notAnIntegerMessage(text);
    return r;
}

AxisSaveResult badMs(int j, const QString &text, QChar sep)
{
    AxisSaveResult r;
    r.status = AxisSaveResult::InvalidText;
    r.badIndex = RpmAxisCount + j;
    r.error = parseDecimal(text, sep)
        ? QStringLiteral("Injection-time breakpoint %1: %2 ms is out of range.").arg(j + 1).arg(text.trimmed())
        : notAFloatMessage(text);
    return r;
}

} // namespace

AxisSaveResult saveAxes(
    ParameterImage &image, const AxisTexts &texts, bool connected, const TimeBases &tb, QChar decimalSeparator)
{
    AxisSaveResult result;
    if (!connected) {
        result.status = AxisSaveResult::NotConnected;
        return result;
    }
    std::array<std::uint16_t, RpmAxisCount + InjAxisCount> raw {};
    for (int i = 0; i < RpmAxisCount; ++i) {
        const QString &t = texts.rpm[static_cast<std::size_t>(i)];
        const auto v = rpmTextToRaw(image, t, tb);
        if (!v)
            return badRpm(i, t);
        raw[static_cast<std::size_t>(i)] = *v;
    }
    for (int j = 0; j < InjAxisCount; ++j) {
        const QString &t = texts.injMs[static_cast<std::size_t>(j)];
        const auto v = msTextToRaw(t, tb, decimalSeparator);
        if (!v)
            return badMs(j, t, decimalSeparator);
        raw[static_cast<std::size_t>(RpmAxisCount + j)] = *v;
    }
    // All 24 words are stored before the first is sent.
    for (int k = 0; k < RpmAxisCount + InjAxisCount; ++k)
        image.setWordAt(img::RpmAxisWord + k, raw[static_cast<std::size_t>(k)]);
    for (int k = 0; k < RpmAxisCount + InjAxisCount; ++k)
        addWordWrite(result.writes, image, img::RpmAxisWord + k, AxisWordWaitMs);
    return result;
}

AxisSaveResult reencodeRpmAxis(ParameterImage &image, const RpmTexts &rpmTexts, const TimeBases &tb)
{
    AxisSaveResult result;
    std::array<std::uint16_t, RpmAxisCount> raw {};
    for (int i = 0; i < RpmAxisCount; ++i) {
        const QString &t = rpmTexts[static_cast<std::size_t>(i)];
        const auto v = rpmTextToRaw(image, t, tb);
        if (!v)
            return badRpm(i, t);
        raw[static_cast<std::size_t>(i)] = *v;
    }
    for (int i = 0; i < RpmAxisCount; ++i)
        image.setWordAt(img::RpmAxisWord + i, raw[static_cast<std::size_t>(i)]);
    for (int i = 0; i < RpmAxisCount; ++i)
        addWordWrite(result.writes, image, img::RpmAxisWord + i, 0);
    return result;
}

} // namespace kelvane::maps
