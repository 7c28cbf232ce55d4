// The map axes: header texts, the preset axes, saving the 24 texts as words (all checked before
// anything is stored or sent) and re-encoding the speed axis for a new engine type.
#include "Conversions.h"
#include "MapAxes.h"
#include "MapTestLine.h"

#include <QtTest>

using namespace kelvane;
using namespace kelvane::maps;
using kelvane::test::MapTestLine;

namespace {
constexpr std::uint8_t FourCylinders = 3;

ParameterImage imageWithAxes()
{
    ParameterImage img;
    img.setByte(img::RpmSet, FourCylinders);
    for (int k = 0; k < 24; ++k)
        img.setWordAt(245 + k, static_cast<std::uint16_t>(1000 + 7 * k));
    img.setByte(244 * 2, 0x11); // neighbours of the axes
    img.setByte(538, 0x22);
    return img;
}

AxisTexts presetAxes(int rpmItem, int injItem, QChar sep = QLatin1Char('.'))
{
    return { *rpmPresetTexts(rpmItem), *injPresetTexts(injItem, sep) };
}
} // namespace

class TstMapsAxes : public QObject {
    Q_OBJECT
    TimeBases tb;

private slots:
    void presetItems()
    {
        QCOMPARE(rpmPresetItems().size(), 9);
        QCOMPARE(injPresetItems().size(), 13);
        QCOMPARE(rpmPresetItems().at(8), QStringLiteral("1000-8000"));
        QCOMPARE(injPresetItems().at(12), QStringLiteral("1.0-24"));
        QVERIFY(!rpmPresetTexts(0));
        QVERIFY(!injPresetTexts(0, QLatin1Char('.')));
        QVERIFY(!rpmPresetTexts(9));
        QVERIFY(!injPresetTexts(13, QLatin1Char('.')));
    }

    void presetTexts_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("sep");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("1.0-24") << 12 << "."
                                << QStringList { "1.00", "2.00", "3.00", "4.00", "5.00", "6.00", "7.00", "8.00",
                                       "10.00", "12.00", "14.00", "16.00", "18.00", "20.00", "22.00", "24.00" };
        QTest::newRow("1.0-8 with a comma")
            << 4 << ","
            << QStringList { "1,00", "1,50", "1,80", "2,20", "2,70", "3,00", "3,50", "4,00", "4,50", "5,00", "5,50",
                   "6,00", "6,50", "7,00", "7,50", "8,00" };
        QTest::newRow("0.5-10") << 2 << "."
                                << QStringList { "0.50", "1.00", "1.50", "2.00", "2.50", "3.50", "4.00", "5.00", "5.50",
                                       "6.00", "6.50", "7.00", "7.50", "8.00", "9.00", "10.00" };
    }
    void presetTexts()
    {
        QFETCH(int, item);
        QFETCH(QString, sep);
        QFETCH(QStringList, texts);
        const auto t = injPresetTexts(item, sep.at(0));
        QVERIFY(t);
        QCOMPARE(QStringList(t->begin(), t->end()), texts);
    }

    void rpmPresets()
    {
        const auto t = rpmPresetTexts(8);
        QCOMPARE(QStringList(t->begin(), t->end()),
            (QStringList { "1000", "2000", "3000", "4000", "5000", "6000", "7000", "8000" }));
        const auto four = rpmPresetTexts(4); // the headers shown before the first connect
        QCOMPARE(QStringList(four->begin(), four->end()),
            (QStringList { "1000", "1500", "1800", "2500", "3500", "4500", "5500", "6500" }));
    }

    void headerTextsFromTheImage()
    {
        ParameterImage img = imageWithAxes();
        img.setWordAt(253, 250); // 1.1 ms at 0.0044 ms per tick
        img.setWordAt(268, 5455); // 24.0 ms
        img.setWordAt(245, static_cast<std::uint16_t>(RpmToTicks(1500, FourCylinders, 0, tb)));
        const AxisTexts t = axisTexts(img, tb, QLatin1Char(','));
        QCOMPARE(t.injMs[0], QStringLiteral("1,1"));
        QCOMPARE(t.injMs[15], QStringLiteral("24,0"));
        QCOMPARE(t.rpm[0], QString::number(TicksToRpm(img.wordAt(245), FourCylinders, 0, tb)));
        QVERIFY(std::abs(t.rpm[0].toInt() - 1500) <= 25);
        QCOMPARE(injAxisText(img, 0, tb, QLatin1Char('.'), 2), QStringLiteral("1.10"));
    }

    void savingAPresetSends24WordsInOrder()
    {
        ParameterImage img = imageWithAxes();
        const ParameterImage before = img;
        const AxisTexts texts = presetAxes(8, 12);
        const AxisSaveResult r = saveAxes(img, texts, true, tb, QLatin1Char('.'));
        QCOMPARE(int(r.status), int(AxisSaveResult::Saved));
        QCOMPARE(r.writes.size(), std::size_t(24));
        for (int k = 0; k < 24; ++k) {
            const Write &w = r.writes[std::size_t(k)];
            QCOMPARE(int(w.kind), int(WriteKind::Word));
            QCOMPARE(w.index, 245 + k);
            QCOMPARE(w.waitMs, 10);
            QCOMPARE(w.value, img.wordAt(245 + k));
        }
        for (int i = 0; i < 8; ++i)
            QCOMPARE(int(img.wordAt(245 + i)), RpmToTicks(std::uint32_t(1000 * (i + 1)), FourCylinders, 0, tb));
        QCOMPARE(int(img.wordAt(253)), MsToTicks(1.0f, 1, tb));
        QCOMPARE(int(img.wordAt(268)), MsToTicks(24.0f, 1, tb));
        for (int off = 0; off < ImageSize; ++off)
            if (off < 490 || off > 537)
                QCOMPARE(img.byte(off), before.byte(off));

        MapTestLine t;
        sendWrites(t.writes, img, r.writes);
        const auto frames = t.frames();
        QCOMPARE(frames.size(), std::size_t(24));
        QCOMPARE(frames.front(), MapTestLine::bytes(imageWordFrame(245, img.wordAt(245))));
        QCOMPARE(frames.back(), MapTestLine::bytes(imageWordFrame(268, img.wordAt(268))));
        const auto &w = t.line.written();
        QVERIFY(w[1].timeMs - w[0].timeMs >= 16); // 6 ms of frame delays and the 10 ms pause
    }

    void decimalCommaAndPointAreBothRead()
    {
        ParameterImage a = imageWithAxes();
        ParameterImage b = imageWithAxes();
        QCOMPARE(int(saveAxes(a, presetAxes(3, 4, QLatin1Char(',')), true, tb, QLatin1Char(',')).status),
            int(AxisSaveResult::Saved));
        QCOMPARE(int(saveAxes(b, presetAxes(3, 4, QLatin1Char('.')), true, tb, QLatin1Char(',')).status),
            int(AxisSaveResult::Saved));
        QVERIFY(a.bytes == b.bytes);
    }

    void notConnectedStoresAndSendsNothing()
    {
        ParameterImage img = imageWithAxes();
        const ParameterImage before = img;
        const AxisSaveResult r = saveAxes(img, presetAxes(1, 1), false, tb, QLatin1Char('.'));
        QCOMPARE(int(r.status), int(AxisSaveResult::NotConnected));
        QVERIFY(r.writes.empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void anInvalidTextChangesNothing_data()
    {
        QTest::addColumn<int>("index"); // 0-7 rpm texts, 8-23 time texts
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("rpm word") << 3 << "abc"
                                  << "'abc' is not a valid integer value";
        QTest::newRow("rpm empty") << 0 << ""
                                   << "'' is not a valid integer value";
        QTest::newRow("rpm decimal") << 7 << "1500.5"
                                     << "'1500.5' is not a valid integer value";
        QTest::newRow("rpm zero") << 1 << "0"
                                  << "Speed breakpoint 2: 0 rpm is out of range.";
        QTest::newRow("rpm negative") << 2 << "-900"
                                      << "Speed breakpoint 3: -900 rpm is out of range.";
        QTest::newRow("rpm below the 25-rpm grid") << 0 << "10"
                                                   << "Speed breakpoint 1: 10 rpm is out of range.";
        QTest::newRow("time word, last text") << 23 << "x"
                                              << "'x' is not a valid floating point value";
        QTest::newRow("time with grouping") << 10 << "1,000.5"
                                            << "'1,000.5' is not a valid floating point value";
        QTest::newRow("time negative") << 8 << "-1.0"
                                       << "Injection-time breakpoint 1: -1.0 ms is out of range.";
        QTest::newRow("time zero") << 9 << "0.00"
                                   << "Injection-time breakpoint 2: 0.00 ms is out of range.";
        QTest::newRow("time beyond a word") << 15 << "300"
                                            << "Injection-time breakpoint 8: 300 ms is out of range.";
        QTest::newRow("time not a number") << 12 << "nan"
                                           << "'nan' is not a valid floating point value";
    }
    void anInvalidTextChangesNothing()
    {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(QString, error);
        AxisTexts texts = presetAxes(6, 9);
        if (index < 8)
            texts.rpm[std::size_t(index)] = text;
        else
            texts.injMs[std::size_t(index - 8)] = text;
        ParameterImage img = imageWithAxes();
        const ParameterImage before = img;
        const AxisSaveResult r = saveAxes(img, texts, true, tb, QLatin1Char('.'));
        QCOMPARE(int(r.status), int(AxisSaveResult::InvalidText));
        QCOMPARE(r.badIndex, index);
        QCOMPARE(r.error, error);
        QVERIFY(r.writes.empty());
        QVERIFY(img.bytes == before.bytes);
    }

    void reencodingForANewEngineType()
    {
        ParameterImage img = imageWithAxes();
        const AxisTexts shown = presetAxes(7, 1);
        QCOMPARE(int(saveAxes(img, shown, true, tb, QLatin1Char('.')).status), int(AxisSaveResult::Saved));
        const ParameterImage saved = img;
        img.setByte(img::RpmSet, 5); // six cylinders
        const AxisSaveResult r = reencodeRpmAxis(img, shown.rpm, tb);
        QCOMPARE(int(r.status), int(AxisSaveResult::Saved));
        QCOMPARE(r.writes.size(), std::size_t(8));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(r.writes[std::size_t(i)].index, 245 + i);
            QCOMPARE(r.writes[std::size_t(i)].waitMs, 0);
            QCOMPARE(int(img.wordAt(245 + i)), RpmToTicks(shown.rpm[std::size_t(i)].toUInt(), 5, 0, tb));
            QVERIFY(img.wordAt(245 + i) != saved.wordAt(245 + i));
        }
        for (int j = 0; j < 16; ++j)
            QCOMPARE(img.wordAt(253 + j), saved.wordAt(253 + j));

        // Six cylinders on the injector signal: 1000 rpm is a period of 163,636 ticks, past the
        // word. It is held at the longest period; the whole axis is still stored and sent.
        ParameterImage six = imageWithAxes();
        six.setByte(img::RpmSet, 5);
        six.setBits(img::RpmSignal, 0, 2, RpmSignalInj);
        QVERIFY(RpmToTicks(1000, 5, RpmSignalInj, tb) > 65535);
        const AxisSaveResult held = reencodeRpmAxis(six, shown.rpm, tb);
        QCOMPARE(int(held.status), int(AxisSaveResult::Saved));
        QCOMPARE(held.writes.size(), std::size_t(8));
        for (int i = 0; i < 8; ++i) {
            const std::int32_t ticks = RpmToTicks(shown.rpm[std::size_t(i)].toUInt(), 5, RpmSignalInj, tb);
            QCOMPARE(int(six.wordAt(245 + i)), std::min(ticks, 65535));
        }
        AxisTexts typed = shown;
        typed.rpm[0] = QStringLiteral("1000");
        QCOMPARE(int(saveAxes(six, typed, true, tb, QLatin1Char('.')).status), int(AxisSaveResult::Saved));
        QCOMPARE(int(six.wordAt(245)), 65535);

        RpmTexts bad = shown.rpm;
        bad[5] = QStringLiteral("fast");
        const ParameterImage before = img;
        const AxisSaveResult e = reencodeRpmAxis(img, bad, tb);
        QCOMPARE(int(e.status), int(AxisSaveResult::InvalidText));
        QCOMPARE(e.badIndex, 5);
        QVERIFY(img.bytes == before.bytes);
    }
};

QTEST_GUILESS_MAIN(TstMapsAxes)
#include "tst_mapsaxes.moc"
