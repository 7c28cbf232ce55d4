#include "ImageCompare.h"

#include "Conversions.h"

#include <QStringList>

#include <array>
#include <charconv>

namespace kelvane {

namespace {

constexpr int MainMapOffset = 167; // 16 rows of 8 bytes, byte = percent + 100
constexpr int Map2DOffset = 295; // 16 bytes, byte = percent + 100
constexpr int RpmAxisCount = 8;
constexpr int InjTimeAxisCount = 16;
constexpr int ReducerTempMapOffset = 27; // 6 signed points, then 6 signed corrections
constexpr int GasTempMapOffset = 39;

QString floatText(float f)
{
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, f);
    return QString::fromLatin1(buf, static_cast<int>(res.ptr - buf));
}

QString numberText(double v, bool single)
{
    return single ? floatText(static_cast<float>(v)) : QString::number(v, 'g', 10);
}

bool sameShown(const Shown &x, const Shown &y)
{
    if (x.kind != y.kind)
        return false;
    switch (x.kind) {
    case ShownKind::Number:
        return x.number == y.number;
    case ShownKind::Item:
    case ShownKind::Position:
        return x.index == y.index;
    case ShownKind::Flag:
        return x.on == y.on;
    case ShownKind::NoSelection:
        return true;
    case ShownKind::Blank:
        return x.text == y.text;
    case ShownKind::Table:
        return x.table == y.table;
    }
    return false;
}

QString storedText(const ParameterImage &image, const FieldDef &f)
{
    if (f.width != FieldWidth::ByteTable)
        return QString::number(storedValue(image, f));
    QStringList parts;
    for (int v : storedTable(image, f))
        parts << QString::number(v);
    return parts.join(QLatin1Char(' '));
}

// The bits of each image byte that a field row or a map region accounts for.
std::array<std::uint8_t, ImageSize> coveredBits()
{
    std::array<std::uint8_t, ImageSize> covered {};
    auto cover = [&](int offset, int count) {
        for (int i = offset; i < offset + count && i < ImageSize; ++i)
            covered[static_cast<std::size_t>(i)] = 0xFF;
    };
    for (const FieldDef &f : fieldTable()) {
        if (f.width == FieldWidth::Bits)
            covered[static_cast<std::size_t>(f.offset)] |= static_cast<std::uint8_t>(((1u << f.count) - 1) << f.bitNo);
        else
            cover(f.offset, f.byteSize());
    }
    cover(MainMapOffset, 128);
    cover(Map2DOffset, 16);
    cover(2 * img::RpmAxisWord, 2 * RpmAxisCount);
    cover(2 * img::InjTimeAxisWord, 2 * InjTimeAxisCount);
    cover(ReducerTempMapOffset, 12);
    cover(GasTempMapOffset, 12);
    return covered;
}

QString hexBytes(const ParameterImage &image, int from, int to)
{
    QStringList parts;
    for (int i = from; i <= to; ++i)
        parts << QStringLiteral("%1").arg(image.byte(i), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

void compareMaps(
    const ParameterImage &a, const ParameterImage &b, const TimeBases &tb, std::vector<RegionDifference> &out)
{
    for (const auto &[name, base] : { std::pair<const char *, int> { "ReducerTempMap", ReducerTempMapOffset },
             std::pair<const char *, int> { "GasTempMap", GasTempMapOffset } }) {
        for (int i = 0; i < 12; ++i) {
            const int at = base + i;
            if (a.byte(at) != b.byte(at))
                out.push_back(
                    { QStringLiteral("%1 %2 %3")
                            .arg(QLatin1String(name), i < 6 ? QStringLiteral("point") : QStringLiteral("correction"))
                            .arg(i % 6 + 1),
                        QString::number(a.sbyte(at)), QString::number(b.sbyte(at)), at });
        }
    }
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 8; ++c) {
            const int at = MainMapOffset + 8 * r + c;
            if (a.byte(at) != b.byte(at))
                out.push_back({ QStringLiteral("MainMap row %1 column %2").arg(r + 1).arg(c + 1),
                    QString::number(a.byte(at) - 100), QString::number(b.byte(at) - 100), at });
        }
    for (int i = 0; i < 16; ++i) {
        const int at = Map2DOffset + i;
        if (a.byte(at) != b.byte(at))
            out.push_back({ QStringLiteral("Map2D %1").arg(i + 1), QString::number(a.byte(at) - 100),
                QString::number(b.byte(at) - 100), at });
    }
    for (int i = 0; i < RpmAxisCount; ++i) {
        const int w = img::RpmAxisWord + i;
        const std::uint32_t ra = TicksToRpm(a.wordAt(w), engineType(a), rpmSignal(a), tb);
        const std::uint32_t rb = TicksToRpm(b.wordAt(w), engineType(b), rpmSignal(b), tb);
        if (a.wordAt(w) != b.wordAt(w) || ra != rb)
            out.push_back(
                { QStringLiteral("RpmAxis %1").arg(i + 1), QString::number(ra), QString::number(rb), 2 * w, 2 });
    }
    for (int i = 0; i < InjTimeAxisCount; ++i) {
        const int w = img::InjTimeAxisWord + i;
        if (a.wordAt(w) != b.wordAt(w))
            out.push_back({ QStringLiteral("InjTimeAxis %1").arg(i + 1), floatText(TicksToMs(a.wordAt(w), 1, tb)),
                floatText(TicksToMs(b.wordAt(w), 1, tb)), 2 * w, 2 });
    }
}

} // namespace

bool FieldDifference::storedOnly() const
{
    return sameShown(a, b);
}

QString shownText(const Shown &s)
{
    switch (s.kind) {
    case ShownKind::Number:
        return numberText(s.number, s.single);
    case ShownKind::Item:
        return s.text;
    case ShownKind::Position:
        return QString::number(s.index);
    case ShownKind::Flag:
        return s.on ? QStringLiteral("on") : QStringLiteral("off");
    case ShownKind::NoSelection:
        return QStringLiteral("(no selection)");
    case ShownKind::Blank:
        return s.text.trimmed().isEmpty() ? QStringLiteral("(empty)") : s.text;
    case ShownKind::Table: {
        QStringList parts;
        for (double v : s.table)
            parts << floatText(static_cast<float>(v));
        return parts.join(QLatin1Char(' '));
    }
    }
    return QString();
}

ImageComparison compareImages(
    const ParameterImage &a, const ParameterImage &b, const TimeBases &timeBases, const CompareOptions &options)
{
    ImageComparison result;
    const DecodeContext ctx { timeBases };
    for (const FieldDef &f : fieldTable()) {
        if (f.offset == 0 && !options.includeMarker)
            continue; // ImageMarker
        FieldDifference d;
        d.field = &f;
        d.a = decodeField(a, f, ctx);
        d.b = decodeField(b, f, ctx);
        d.storedA = storedText(a, f);
        d.storedB = storedText(b, f);
        if (d.storedA != d.storedB || !sameShown(d.a, d.b))
            result.fields.push_back(std::move(d));
    }

    compareMaps(a, b, timeBases, result.regions);

    // Everything else, byte by byte, in runs of neighbouring bytes.
    const std::array<std::uint8_t, ImageSize> covered = coveredBits();
    auto differs = [&](int i) { return ((a.byte(i) ^ b.byte(i)) & ~covered[static_cast<std::size_t>(i)]) != 0; };
    for (int i = 0; i < ImageSize; ++i) {
        if (!differs(i))
            continue;
        int end = i;
        while (end + 1 < ImageSize && differs(end + 1))
            ++end;
        const QString name
            = end == i ? QStringLiteral("byte %1").arg(i) : QStringLiteral("bytes %1-%2").arg(i).arg(end);
        result.regions.push_back({ name, hexBytes(a, i, end), hexBytes(b, i, end), i, end - i + 1 });
        i = end;
    }
    return result;
}

} // namespace kelvane
