#include "ImageJson.h"

#include "Conversions.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <sys/stat.h>

#include <charconv>
#include <cstdlib>

namespace kelvane {

namespace {

// Image regions of the fuel maps.
constexpr int MainMapOffset = 167; // 16 rows of 8 bytes, byte = percent + 100
constexpr int MainMapRows = 16;
constexpr int MainMapColumns = 8;
constexpr int Map2DOffset = 295; // 16 bytes, byte = percent + 100
constexpr int Map2DSize = 16;
constexpr int RpmAxisWord = 245; // 8 words, engine-speed periods
constexpr int InjTimeAxisWord = 253; // 16 words, ticks (selector 1)
constexpr int ReducerTempMapOffset = 27;
constexpr int GasTempMapOffset = 39; // 6 signed points, then 6 signed corrections

// The shortest decimal that reads back as the same float, as a double: 0.9988 rather than
// 0.99879997968673706.
double floatValue(float f)
{
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, f);
    *res.ptr = '\0';
    return std::strtod(buf, nullptr);
}

QJsonObject tempMap(const ParameterImage &image, int offset)
{
    QJsonArray points, corrections;
    for (int i = 0; i < 6; ++i) {
        points.append(image.sbyte(offset + i));
        corrections.append(image.sbyte(offset + 6 + i));
    }
    return QJsonObject { { "points", points }, { "corrections", corrections } };
}

QJsonValue storedToJson(const ParameterImage &image, const FieldDef &f)
{
    if (f.width == FieldWidth::ByteTable) {
        QJsonArray a;
        for (int v : storedTable(image, f))
            a.append(v);
        return a;
    }
    return QJsonValue(static_cast<qint64>(storedValue(image, f)));
}

} // namespace

QJsonValue shownToJson(const Shown &s)
{
    switch (s.kind) {
    case ShownKind::Number:
        return s.single ? floatValue(static_cast<float>(s.number)) : s.number;
    case ShownKind::Item:
    case ShownKind::Position:
        return s.index;
    case ShownKind::Flag:
        return s.on;
    case ShownKind::NoSelection:
    case ShownKind::Blank:
        return QJsonValue(QJsonValue::Null);
    case ShownKind::Table: {
        QJsonArray a;
        for (double v : s.table)
            a.append(floatValue(static_cast<float>(v)));
        return a;
    }
    }
    return QJsonValue(QJsonValue::Null);
}

QJsonObject imageToJson(const ParameterImage &image, const TimeBases &timeBases)
{
    const DecodeContext ctx { timeBases };
    QJsonObject fields;
    for (const FieldDef &f : fieldTable()) {
        fields.insert(QLatin1String(f.name),
            QJsonObject { { "stored", storedToJson(image, f) }, { "shown", shownToJson(decodeField(image, f, ctx)) } });
    }

    QJsonArray mainMap;
    for (int r = 0; r < MainMapRows; ++r) {
        QJsonArray row;
        for (int c = 0; c < MainMapColumns; ++c)
            row.append(image.byte(MainMapOffset + MainMapColumns * r + c) - 100);
        mainMap.append(row);
    }
    QJsonArray map2d;
    for (int i = 0; i < Map2DSize; ++i)
        map2d.append(image.byte(Map2DOffset + i) - 100);

    QJsonArray rpmAxis;
    for (int i = 0; i < 8; ++i)
        rpmAxis.append(static_cast<qint64>(
            TicksToRpm(image.wordAt(RpmAxisWord + i), engineType(image), rpmSignal(image), timeBases)));
    QJsonArray injAxis;
    for (int i = 0; i < 16; ++i)
        injAxis.append(floatValue(TicksToMs(image.wordAt(InjTimeAxisWord + i), 1, timeBases)));

    return QJsonObject {
        { "fields", fields },
        { "MainMap", mainMap },
        { "Map2D", map2d },
        { "RpmAxis", rpmAxis },
        { "InjTimeAxis", injAxis },
        { "GasTempMap", tempMap(image, GasTempMapOffset) },
        { "ReducerTempMap", tempMap(image, ReducerTempMapOffset) },
    };
}

bool loadImageFile(const QString &path, ParameterImage &out, QString *warning, QString *error)
{
    if (warning)
        warning->clear();
    // Regular files only (symbolic links followed): opening a FIFO would wait for a writer for ever,
    // and a device would be read without end.
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2")
                         .arg(path,
                             S_ISDIR(st.st_mode) ? QStringLiteral("is a directory")
                                                 : QStringLiteral("is not a regular file"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open %1: %2")
                         .arg(path, QFileInfo(path).isDir() ? QStringLiteral("is a directory") : file.errorString());
        return false;
    }
    // One byte more than the image tells a longer file without reading all of it.
    const QByteArray data = file.read(ImageSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    out = ParameterImage();
    const int n = static_cast<int>(std::min<qsizetype>(data.size(), ImageSize));
    for (int i = 0; i < n; ++i)
        out.setByte(i, static_cast<std::uint8_t>(data.at(i)));
    if (warning && data.size() < ImageSize)
        *warning = QStringLiteral("%1 holds %2 bytes, fewer than %3: the missing bytes read as 0")
                       .arg(path)
                       .arg(data.size())
                       .arg(ImageSize);
    else if (warning && data.size() > ImageSize)
        *warning = QStringLiteral("%1 is longer than %2 bytes: only the first %2 are used").arg(path).arg(ImageSize);
    return true;
}

} // namespace kelvane
