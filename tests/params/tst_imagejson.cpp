// The image as the JSON object of `kelvane-cli show`, and reading parameter files.
#include "Conversions.h"
#include "ImageJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

using namespace kelvane;

namespace {
// A small image: four cylinders, a few settings, recognisable map cells.
ParameterImage fixture()
{
    ParameterImage img;
    img.setWord(0, 0xAAAA);
    img.setByte(img::RpmSet, 3);
    img.setByte(23, 10); // TempSw below 15: empty
    img.setWord(340, 1045); // WzbogacenieGlowne 4 %
    img.setWord(364, 3456); // MaxRpm 2000 rpm
    img.setWord(724, 2500); // DifPenEm28 "2,5"
    img.setByte(543, 0x20); // turbo
    img.setByte(570, 0xFE); // ValvetronicTable[0] = -2
    for (int i = 0; i < 128; ++i)
        img.setByte(167 + i, static_cast<std::uint8_t>(60 + (i % 121)));
    img.setByte(167, 100); // row 1, column 1: 0 %
    img.setByte(174, 180); // row 1, column 8: +80 %
    img.setByte(175, 95); // row 2, column 1: -5 %
    img.setByte(294, 60); // row 16, column 8: -40 %
    for (int i = 0; i < 16; ++i)
        img.setByte(295 + i, static_cast<std::uint8_t>(90 + i));
    const int rpmTicks[8] = { 6912, 4608, 3840, 2764, 1974, 1536, 1256, 1063 };
    for (int i = 0; i < 8; ++i)
        img.setWordAt(245 + i, static_cast<std::uint16_t>(rpmTicks[i]));
    for (int i = 0; i < 16; ++i)
        img.setWordAt(253 + i, static_cast<std::uint16_t>(227 * (i + 1)));
    const int reducer[12] = { -20, 0, 10, 20, 30, 40, 5, 4, 3, 2, 1, -25 };
    const int gas[12] = { -25, -10, 0, 15, 50, 100, 45, 0, -1, -2, -3, -4 };
    for (int i = 0; i < 12; ++i) {
        img.setByte(27 + i, static_cast<std::uint8_t>(reducer[i]));
        img.setByte(39 + i, static_cast<std::uint8_t>(gas[i]));
    }
    return img;
}

QJsonArray ints(std::initializer_list<int> v)
{
    QJsonArray a;
    for (int x : v)
        a.append(x);
    return a;
}

QByteArray writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &data)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        return {};
    return dir.filePath(name).toUtf8();
}
} // namespace

class TstImageJson : public QObject {
    Q_OBJECT

private slots:
    void shape()
    {
        const QJsonObject o = imageToJson(fixture(), timeBasesFor(0));
        for (const char *k : { "fields", "MainMap", "Map2D", "RpmAxis", "InjTimeAxis", "GasTempMap", "ReducerTempMap" })
            QVERIFY2(o.contains(k), k);
        QCOMPARE(o.size(), 7);

        const QJsonObject fields = o["fields"].toObject();
        QCOMPARE(static_cast<std::size_t>(fields.size()), fieldTable().size());
        for (const FieldDef &f : fieldTable()) {
            const QJsonObject e = fields[f.name].toObject();
            QVERIFY2(e.size() == 2 && e.contains("stored") && e.contains("shown"), f.name);
        }
    }

    void fieldValues()
    {
        const QJsonObject fields = imageToJson(fixture(), timeBasesFor(0))["fields"].toObject();
        auto entry = [&](const char *n) { return fields[n].toObject(); };
        QCOMPARE(entry("ImageMarker")["stored"], QJsonValue(43690));
        QCOMPARE(entry("TempSw")["stored"], QJsonValue(10));
        QVERIFY(entry("TempSw")["shown"].isNull());
        QCOMPARE(entry("WzbogacenieGlowne")["shown"], QJsonValue(4));
        QCOMPARE(entry("MaxRpm")["stored"], QJsonValue(3456));
        QCOMPARE(entry("MaxRpm")["shown"], QJsonValue(1));
        QCOMPARE(entry("DifPenEm28")["shown"], QJsonValue(10));
        QCOMPARE(entry("Turbo")["stored"], QJsonValue(1));
        QCOMPARE(entry("Turbo")["shown"], QJsonValue(1));
        QCOMPARE(entry("TempCorProp")["shown"], QJsonValue(false));
        QCOMPARE(entry("LevelSensorPositive")["shown"], QJsonValue(true));
        QVERIFY(entry("ErrorsBeep")["shown"].isDouble());
        QCOMPARE(entry("MinInj")["shown"], QJsonValue(0)); // 0 ticks, range 0 to 5 ms
        QCOMPARE(entry("Peak")["shown"], QJsonValue(2)); // 0 ticks, limited to 2 ms
        QCOMPARE(entry("ValvetronicTable")["stored"], ints({ -2, 0, 0, 0, 0, 0, 0, 0 }));
        const QJsonArray valve = entry("ValvetronicTable")["shown"].toArray();
        QCOMPARE(valve.size(), 8);
        QCOMPARE(valve.at(0).toDouble(), -0.088); // -20 ticks
        QCOMPARE(valve.at(1).toDouble(), 0.0);
    }

    void mapsAndAxes()
    {
        const QJsonObject o = imageToJson(fixture(), timeBasesFor(0));
        const QJsonArray mainMap = o["MainMap"].toArray();
        QCOMPARE(mainMap.size(), 16);
        for (const QJsonValue &row : mainMap)
            QCOMPARE(row.toArray().size(), 8);
        QCOMPARE(mainMap.at(0).toArray().at(0), QJsonValue(0));
        QCOMPARE(mainMap.at(0).toArray().at(7), QJsonValue(80));
        QCOMPARE(mainMap.at(1).toArray().at(0), QJsonValue(-5));
        QCOMPARE(mainMap.at(15).toArray().at(7), QJsonValue(-40));
        QCOMPARE(mainMap.at(3).toArray().at(2), QJsonValue(60 + 26 - 100)); // byte 167 + 8 x 3 + 2

        const QJsonArray map2d = o["Map2D"].toArray();
        QCOMPARE(map2d.size(), 16);
        QCOMPARE(map2d.at(0), QJsonValue(-10));
        QCOMPARE(map2d.at(15), QJsonValue(5));

        // Four cylinders at 57600: the periods of 1000, 1500, 1800, 2500, 3500, 4500, 5500, 6500 rpm.
        QCOMPARE(o["RpmAxis"].toArray(), ints({ 1000, 1500, 1800, 2500, 3500, 4500, 5500, 6500 }));
        const QJsonArray inj = o["InjTimeAxis"].toArray();
        QCOMPARE(inj.size(), 16);
        QCOMPARE(inj.at(0).toDouble(), 0.9988);
        QCOMPARE(static_cast<float>(inj.at(15).toDouble()), TicksToMs(227 * 16, 1, timeBasesFor(0)));

        QCOMPARE(o["ReducerTempMap"].toObject(),
            (QJsonObject {
                { "points", ints({ -20, 0, 10, 20, 30, 40 }) }, { "corrections", ints({ 5, 4, 3, 2, 1, -25 }) } }));
        QCOMPARE(o["GasTempMap"].toObject(),
            (QJsonObject { { "points", ints({ -25, -10, 0, 15, 50, 100 }) },
                { "corrections", ints({ 45, 0, -1, -2, -3, -4 }) } }));
    }

    void speedsFollowTheImageAndTheLinkSpeed()
    {
        ParameterImage img = fixture();
        img.setByte(545, 2); // INJ
        const QJsonObject inj = imageToJson(img, timeBasesFor(0));
        QCOMPARE(inj["RpmAxis"].toArray().at(1), QJsonValue(11825)); // 4608 ticks read through the injector signal
        const QJsonObject slow = imageToJson(fixture(), timeBasesFor(1));
        QCOMPARE(
            static_cast<float>(slow["InjTimeAxis"].toArray().at(0).toDouble()), TicksToMs(227, 1, timeBasesFor(1)));
        QVERIFY(slow["RpmAxis"].toArray().at(0).toInt() != 1000);
    }

    void serialisesCompactly()
    {
        const QByteArray text = QJsonDocument(imageToJson(fixture(), timeBasesFor(0))).toJson(QJsonDocument::Compact);
        QVERIFY(text.contains("\"InjTimeAxis\":[0.9988,"));
        QVERIFY(text.contains("\"TempSw\":{\"shown\":null,\"stored\":10}"));
    }

    void loadFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QByteArray full(768, '\0');
        for (int i = 0; i < 768; ++i)
            full[i] = static_cast<char>(i * 7 + 1);

        ParameterImage img;
        QString warning, error;
        const QString exact = writeFile(dir, "exact.kvset", full);
        QVERIFY(loadImageFile(exact, img, &warning, &error));
        QVERIFY(warning.isEmpty());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(img.bytes.data()), 768), full);

        const QString shorter = writeFile(dir, "short.kvset", full.left(100));
        QVERIFY(loadImageFile(shorter, img, &warning, &error));
        QVERIFY(!warning.isEmpty());
        QCOMPARE(img.byte(99), static_cast<std::uint8_t>(full[99]));
        for (int i = 100; i < 768; ++i)
            QCOMPARE(img.byte(i), std::uint8_t(0));

        const QString empty = writeFile(dir, "empty.kvset", QByteArray());
        QVERIFY(loadImageFile(empty, img, &warning, &error));
        QVERIFY(!warning.isEmpty());
        QVERIFY(img.bytes == ParameterImage().bytes);

        const QString longer = writeFile(dir, "long.kvset", full + QByteArray(232, '\x55'));
        QVERIFY(loadImageFile(longer, img, &warning, &error));
        QVERIFY(!warning.isEmpty());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(img.bytes.data()), 768), full);

        // Failures leave the image as it was.
        const ParameterImage before = img;
        error.clear();
        QVERIFY(!loadImageFile(dir.filePath("missing.kvset"), img, &warning, &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!loadImageFile(dir.path(), img, &warning, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(img.bytes == before.bytes);
        QVERIFY(!loadImageFile(dir.filePath("missing.kvset"), img, nullptr, nullptr));
    }
};

QTEST_APPLESS_MAIN(TstImageJson)
#include "tst_imagejson.moc"
