#include "ChangeWords.h"

#include "ImageCompare.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kelvane {

namespace {

struct MapWords {
    const char *region; // the first word of a RegionDifference's name
    const char *name;
    const char *one; // a single cell or point
    const char *many;
};

// In the order the compare lists the maps.
constexpr std::array<MapWords, 6> Maps { {
    { "ReducerTempMap", "reducer temperature map", "cell", "cells" },
    { "GasTempMap", "gas temperature map", "cell", "cells" },
    { "MainMap", "main map", "cell", "cells" },
    { "Map2D", "2D map", "point", "points" },
    { "RpmAxis", "rpm axis", "point", "points" },
    { "InjTimeAxis", "injection-time axis", "point", "points" },
} };

QString counted(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// A spin edit's number with the decimals the control shows (of its step: 0.05 shows two).
QString shownWords(const Shown &shown, const FieldDef &field)
{
    if (shown.kind == ShownKind::Number && field.controlKind == ControlKind::SpinEdit) {
        const int decimals = field.step > 0 && field.step < 1
            ? std::min(3, static_cast<int>(std::ceil(-std::log10(field.step) - 1e-9)))
            : 0;
        return QString::number(shown.number, 'f', decimals);
    }
    const QString text = shownText(shown);
    // An empty item text: an empty `before` is what marks a map's line.
    return text.isEmpty() ? QStringLiteral("(empty)") : text;
}

} // namespace

std::vector<ChangeLine> describeChanges(const JournalEntry &entry, const ImageBytes &before, const ImageBytes &after,
    const TimeBases &timeBases, const FieldCaption &caption)
{
    std::array<bool, ImageSize> sent {};
    for (const TouchedByte &b : entry.bytes)
        if (b.offset >= 0 && b.offset < ImageSize)
            sent[static_cast<std::size_t>(b.offset)] = true;
    auto sentIn = [&](int offset, int size) {
        for (int i = std::max(offset, 0); i < offset + size && i < ImageSize; ++i)
            if (sent[static_cast<std::size_t>(i)])
                return true;
        return false;
    };

    ParameterImage a, b;
    a.bytes = before;
    b.bytes = after;
    const ImageComparison c = compareImages(a, b, timeBases);

    std::vector<ChangeLine> lines;
    for (const FieldDifference &d : c.fields) {
        if (!sentIn(d.field->offset, d.field->byteSize()))
            continue;
        QString name = caption ? caption(*d.field) : QString();
        if (name.isEmpty())
            name = QString::fromLatin1(d.field->name);
        ChangeLine line { name, shownWords(d.a, *d.field), shownWords(d.b, *d.field) };
        // The control shows the same, the stored values differ: say so, or the line would read as
        // no change.
        if (line.before == line.after) {
            line.before += QStringLiteral(" (stored %1)").arg(d.storedA);
            line.after += QStringLiteral(" (stored %1)").arg(d.storedB);
        }
        // A control kept in several places (the heating mode, valvetronic) is one line.
        if (std::find(lines.begin(), lines.end(), line) == lines.end())
            lines.push_back(std::move(line));
    }

    std::array<int, Maps.size()> cells {};
    int otherBytes = 0;
    for (const RegionDifference &d : c.regions) {
        const QString region = d.name.section(QLatin1Char(' '), 0, 0);
        const auto map = std::find_if(
            Maps.begin(), Maps.end(), [&](const MapWords &m) { return region == QLatin1String(m.region); });
        if (map != Maps.end()) {
            if (sentIn(d.offset, d.size))
                ++cells[static_cast<std::size_t>(map - Maps.begin())];
            continue;
        }
        // A run of bytes no field or map covers: each of them differs.
        for (int i = d.offset; i < d.offset + d.size; ++i)
            otherBytes += sentIn(i, 1) ? 1 : 0;
    }
    for (std::size_t m = 0; m < Maps.size(); ++m)
        if (cells[m] > 0)
            lines.push_back({ QLatin1String(Maps[m].name), QString(), counted(cells[m], Maps[m].one, Maps[m].many) });
    if (otherBytes > 0)
        lines.push_back({ QStringLiteral("other bytes"), QString(), counted(otherBytes, "byte", "bytes") });
    return lines;
}

QString changeText(const ChangeLine &line)
{
    if (line.before.isEmpty())
        return QStringLiteral("%1: %2").arg(line.setting, line.after);
    return QStringLiteral("%1: %2 -> %3").arg(line.setting, line.before, line.after);
}

} // namespace kelvane
